#include "SavePrompt.h"

#include "NavyLabel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace {
// Client area of the designed 180 x 110 window once its frame and title bar are taken off.
constexpr QSize ClientSize{172, 83};
constexpr QPoint DesignedPosition{395, 183};
constexpr int ButtonTop = 48;
constexpr QSize ButtonSize{75, 25};
}

SavePrompt::SavePrompt(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("savePrompt"));
    setWindowTitle(QStringLiteral("Save?"));
    setModal(true);
    resize(ClientSize);
    move(DesignedPosition);

    buildLabel();
    yesButton_ = buildButton(QStringLiteral("yesButton"), QStringLiteral("&Yes"), QStyle::SP_DialogYesButton, 8,
                             YesResult);
    noButton_ = buildButton(QStringLiteral("noButton"), QStringLiteral("&No"), QStyle::SP_DialogNoButton, 88,
                            NoResult);
    yesButton_->setDefault(true);
    setTabOrder(yesButton_, noButton_);
    // The desktop's font may draw the question wider than the designed one did.
    resize(size().expandedTo(QSize(promptLabel_->geometry().right() + 1 + promptLabel_->x(), 0)));
}

void SavePrompt::buildLabel()
{
    promptLabel_ = new NavyLabel(QStringLiteral("Save Image ?"), this);
    promptLabel_->setObjectName(QStringLiteral("promptLabel"));
    QFont font = promptLabel_->font();
    font.setPixelSize(24);
    promptLabel_->setFont(font);
    promptLabel_->move(16, 8);
    promptLabel_->adjustSize();
}

QPushButton* SavePrompt::buildButton(const QString& objectName, const QString& text, QStyle::StandardPixmap glyph,
                                     int left, int resultCode)
{
    auto* button = new QPushButton(style()->standardIcon(glyph), text, this);
    button->setObjectName(objectName);
    button->setGeometry(QRect(QPoint(left, ButtonTop), ButtonSize));
    connect(button, &QPushButton::clicked, this, [this, resultCode] { done(resultCode); });
    return button;
}

int SavePrompt::ask()
{
    const int result = exec();
    return result == YesResult || result == NoResult ? result : ClosedResult;
}

void SavePrompt::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    yesButton_->setDefault(true);
    yesButton_->setFocus(Qt::OtherFocusReason);
}

void SavePrompt::keyPressEvent(QKeyEvent* event)
{
    // No is the cancel button: Escape presses it instead of merely rejecting the prompt.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        noButton_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
