#include "ImageSizeWindow.h"

#include "lattice/FieldSize.h"
#include "NavyLabel.h"
#include "SpinEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

// Client size of a 179 by 150 window with its frame and caption taken off.
constexpr QSize ClientSize{171, 123};
// The labels end where the fields' column begins, less a gap.
constexpr int LabelRightEdge = 61;
constexpr int LabelHeight = 20;
// The labels' font is half as large again as the window's (12 points against 8).
constexpr double LabelFontScale = 1.5;
constexpr int LabelMargin = 2;

} // namespace

ImageSizeWindow::ImageSizeWindow(QWidget* parent)
    : SecondaryWindow(parent)
{
    setObjectName(QStringLiteral("imageSizeWindow"));
    setWindowTitle(tr("Image Size"));

    const QString widthText = tr("Width:");
    const QString heightText = tr("Height:");
    const QFont font = labelFont({widthText, heightText});
    makeLabel(widthText, font, 18)->setObjectName(QStringLiteral("widthLabel"));
    widthEdit_ = makeSideEdit("widthEdit", 150, 16);
    heightEdit_ = makeSideEdit("heightEdit", 300, 48);
    makeLabel(heightText, font, 50)->setObjectName(QStringLiteral("heightLabel"));

    okButton_ = new QPushButton(tr("OK"), this);
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    okButton_->setDefault(true);
    okButton_->setGeometry(48, 88, 75, 25);
    connect(okButton_, &QPushButton::clicked, this, &ImageSizeWindow::accept);

    setTabOrder(widthEdit_->lineEdit(), heightEdit_->lineEdit());
    setTabOrder(heightEdit_->lineEdit(), okButton_);
    // The first activation puts the focus here, with the text selected.
    widthEdit_->lineEdit()->setFocus(Qt::OtherFocusReason);
    resize(ClientSize);
    move(407, 204); // the designed place on the screen
}

void ImageSizeWindow::setFields(std::int32_t width, std::int32_t height)
{
    widthEdit_->setValue(width);
    heightEdit_->setValue(height);
}

void ImageSizeWindow::setAcceptHandler(AcceptHandler handler)
{
    acceptHandler_ = std::move(handler);
}

QLabel* ImageSizeWindow::makeLabel(const QString& text, const QFont& font, int top)
{
    auto* label = new NavyLabel(text, this);
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    const int width = std::min(LabelRightEdge, label->fontMetrics().horizontalAdvance(text) + LabelMargin);
    label->setGeometry(LabelRightEdge - width, top, width, std::max(LabelHeight, label->sizeHint().height()));
    return label;
}

QFont ImageSizeWindow::labelFont(const QStringList& texts) const
{
    // Half as large again as the window's font, less where the desktop font is so wide that a
    // text would not fit left of the fields.
    const QFont base = font();
    QFont scaled = base;
    for (double size = base.pointSizeF() * LabelFontScale; size > base.pointSizeF(); size -= 0.5) {
        scaled.setPointSizeF(size);
        const QFontMetrics metrics(scaled);
        const bool fits = std::all_of(texts.begin(), texts.end(), [&metrics](const QString& text) {
            return metrics.horizontalAdvance(text) + LabelMargin <= LabelRightEdge;
        });
        if (fits)
            return scaled;
    }
    return base;
}

SpinEdit* ImageSizeWindow::makeSideEdit(const char* objectName, std::int32_t value, int top)
{
    auto* edit = new SpinEdit(this);
    edit->setObjectName(QLatin1String(objectName));
    edit->setIncrement(10);
    edit->setLowerBound(FieldSize::MinimumSide);
    edit->setUpperBound(FieldSize::MaximumSide);
    edit->setValue(value);
    edit->setGeometry(72, top, 81, 22);
    return edit;
}

void ImageSizeWindow::accept()
{
    // However OK was pressed, the focus leaves the fields before anything is read, so a number
    // out of bounds is rewritten bounded first.
    QWidget* previousFocus = focusWidget();
    okButton_->setFocus(Qt::OtherFocusReason);
    for (SpinEdit* edit : {widthEdit_, heightEdit_}) {
        if (previousFocus == static_cast<QWidget*>(edit->lineEdit()))
            edit->applyBounds();
    }
    hide();
    if (acceptHandler_)
        acceptHandler_(widthEdit_->value(), heightEdit_->value());
}
