#include "NumPointsWindow.h"

#include "SpinEdit.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace {

// Client size of a 179 by 112 window with its frame and caption taken off.
constexpr QSize ClientSize{171, 85};

} // namespace

NumPointsWindow::NumPointsWindow(QWidget* parent)
    : SecondaryWindow(parent)
    , pointsEdit_(new SpinEdit(this))
    , okButton_(new QPushButton(tr("OK"), this))
{
    setObjectName(QStringLiteral("numPointsWindow"));
    setWindowTitle(tr("Number of points"));

    pointsEdit_->setObjectName(QStringLiteral("numPointsEdit"));
    pointsEdit_->setIncrement(100);
    pointsEdit_->setLowerBound(0);
    pointsEdit_->setUpperBound(PlantLifeUpperBound);
    pointsEdit_->setValue(1000);
    pointsEdit_->setGeometry(40, 16, 89, 22);

    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    okButton_->setDefault(true);
    okButton_->setGeometry(48, 48, 75, 25);
    connect(okButton_, &QPushButton::clicked, this, &QWidget::hide);

    setTabOrder(pointsEdit_->lineEdit(), okButton_);
    // The first activation puts the focus here, with the text selected.
    pointsEdit_->lineEdit()->setFocus(Qt::OtherFocusReason);
    resize(ClientSize);
    move(393, 185); // the designed place on the screen
}

std::int32_t NumPointsWindow::numberOfPoints() const
{
    return pointsEdit_->value();
}

void NumPointsWindow::setUpperBound(std::int32_t bound)
{
    pointsEdit_->setUpperBound(bound);
}

