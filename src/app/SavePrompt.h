#pragma once

#include <QDialog>
#include <QStyle>

class QLabel;
class QPushButton;

/// The small modal window "Save?" that asks "Save Image ?" before unsaved growth is lost.
/// It is created hidden, shown only through ask() and hidden again afterwards.
class SavePrompt : public QDialog {
    Q_OBJECT

public:
    /// The standard dialog result codes that ask() returns.
    static constexpr int YesResult = 6;
    static constexpr int NoResult = 7;
    static constexpr int ClosedResult = 2;

    explicit SavePrompt(QWidget* parent = nullptr);

    /// Shows the prompt modally and waits: YesResult for Yes, NoResult for No (also Escape),
    /// ClosedResult when it was closed any other way (its close box, the application ending).
    /// Every showing starts afresh with the focus on Yes.
    int ask();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildLabel();
    QPushButton* buildButton(const QString& objectName, const QString& text, QStyle::StandardPixmap glyph,
                             int left, int resultCode);

    QLabel* promptLabel_ = nullptr;
    QPushButton* yesButton_ = nullptr;
    QPushButton* noButton_ = nullptr;
};
