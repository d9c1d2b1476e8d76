#include "FocusReturn.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

FocusReturn::FocusReturn(QWidget* mainWindow) : mainWindow_(mainWindow)
{
    qApp->installEventFilter(this);
}

FocusReturn::~FocusReturn()
{
    qApp->removeEventFilter(this);
}

bool FocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    // Menus and tool tips come and go without taking the keyboard from a window.
    if (!widget->isWindow() || widget->windowType() == Qt::Popup || widget->windowType() == Qt::ToolTip)
        return false;
    switch (event->type()) {
    case QEvent::WindowActivate:
        // An activation that arrives after its window has gone passes the keyboard on.
        if (!widget->isVisible() && widget != mainWindow_) {
            handBack(widget);
            break;
        }
        lastActive_ = widget;
        pendingOpener_ = nullptr; // a window has the keyboard again
        break;
    case QEvent::Show:
        pendingOpener_ = nullptr; // the window shown in its place takes it
        break;
    case QEvent::Hide:
        // Qt lets go of the active window before the hide arrives: it was the last one active.
        // A window about to be given the keyboard back that goes too (the save dialog that the
        // question before replacing a file returns to) passes it on to its own opener.
        if ((widget == lastActive_ || widget == pendingOpener_) && widget != mainWindow_) {
            if (widget == lastActive_)
                lastActive_ = nullptr;
            handBack(widget);
        }
        break;
    default:
        break;
    }
    return false;
}

QWidget* FocusReturn::openerOf(const QWidget* hidden) const
{
    if (QWidget* parent = hidden->parentWidget(); parent && parent->window()->isVisible())
        return parent->window();
    return mainWindow_->isVisible() ? mainWindow_ : nullptr;
}

void FocusReturn::handBack(const QWidget* hidden)
{
    pendingOpener_ = openerOf(hidden);
    if (!pendingOpener_)
        return;
    // Once the hide is complete and a dialog that was modal has let go of the other windows;
    // unless by then another window has been shown or made active (the save dialog that the
    // save prompt's Yes opens, or a window that a window manager chose).
    QTimer::singleShot(0, this, [this] { giveBackPending(); });
}

void FocusReturn::handBackNow()
{
    giveBackPending();
}

void FocusReturn::giveBackPending()
{
    QWidget* opener = pendingOpener_;
    pendingOpener_ = nullptr;
    const QWidget* modal = QApplication::activeModalWidget();
    const QWidget* active = QApplication::activeWindow();
    if (!opener || !opener->isVisible() || (active && active->isVisible()) || (modal && modal != opener))
        return;
    opener->activateWindow();
}
