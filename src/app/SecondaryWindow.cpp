#include "SecondaryWindow.h"

#include <QCloseEvent>

void SecondaryWindow::showWindow()
{
    if (isVisible())
        return;
    show();
    raise();
    activateWindow();
}

void SecondaryWindow::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}
