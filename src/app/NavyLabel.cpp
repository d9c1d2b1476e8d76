#include "NavyLabel.h"

NavyLabel::NavyLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Navy);
    setPalette(palette);
    // A label takes its parent's background role and picks its text role to contrast with it:
    // on a window filled in the button colour it would paint ButtonText, never WindowText.
    setForegroundRole(QPalette::WindowText);
}
