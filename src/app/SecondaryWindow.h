#pragma once

#include <QWidget>

/// A window that lives as long as the program beside the main window: created hidden, shown
/// modeless by its menu command, and only hidden by its close box.
class SecondaryWindow : public QWidget {
    Q_OBJECT

public:
    explicit SecondaryWindow(QWidget* parent = nullptr) : QWidget(parent, Qt::Window) {}

    /// Makes the window visible: shown, raised and active when it was hidden; a window that is
    /// already visible is left where it is, neither moved nor brought to the front.
    void showWindow();

protected:
    /// Closing only hides the window.
    void closeEvent(QCloseEvent* event) override;
};
