#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

/// Gives the keyboard back when a window of the program that holds it is hidden: the window it
/// was opened from (its parent's window) takes it, or the main window when that one is gone.
///
/// A window manager does this on its own. Without one, X hands the focus to the screen itself,
/// and every key after a dialog's OK, Close or No would go nowhere until the user clicked.
class FocusReturn : public QObject {
    Q_OBJECT

public:
    /// Watches every window of the application from now on; `mainWindow` takes the focus when
    /// a hidden window has no visible window it was opened from.
    explicit FocusReturn(QWidget* mainWindow);
    ~FocusReturn() override;

    /// Gives the keyboard back now, if a window has just been hidden, rather than once the event
    /// loop comes round again: for a command about to work a while (a large picture cleared or
    /// saved), so that keys typed meanwhile reach the window that will answer them instead of
    /// going nowhere.
    void handBackNow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* openerOf(const QWidget* hidden) const;
    void handBack(const QWidget* hidden);
    void giveBackPending();

    QWidget* mainWindow_;
    QPointer<QWidget> lastActive_;    ///< the window that was last made the active one
    QPointer<QWidget> pendingOpener_; ///< takes the keyboard back once the hide is complete
};
