#include "PictureView.h"

#include "GrowthField.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

#include <cstring>
#include <utility>

PictureView::PictureView(std::shared_ptr<const GrowthField> field, QWidget* parent)
    : QWidget(parent), field_(std::move(field))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    setFixedSize(field_->width(), field_->height());
}

QSize PictureView::sizeHint() const
{
    return QSize(field_->width(), field_->height());
}

void PictureView::refresh()
{
    const QSize pictureSize(field_->width(), field_->height());
    if (size() != pictureSize)
        setFixedSize(pictureSize);
    const PixelRect damage = field_->takeDamage();
    if (!damage.isEmpty() && isVisible())
        update(QRect(damage.x, damage.y, damage.width, damage.height));
}

void PictureView::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect().intersected(QRect(0, 0, field_->width(), field_->height()));
    if (area.isEmpty())
        return;
    // The field's rows run bottom-up in blue-green-red; copy just the exposed rows, top-down.
    QImage part(area.size(), QImage::Format_BGR888);
    const std::size_t rowBytes = static_cast<std::size_t>(area.width()) * 3;
    for (int row = 0; row < area.height(); ++row) {
        const int y = area.top() + row;
        const std::uint8_t* source = field_->pixelBlock() +
                                     static_cast<std::size_t>(field_->height() - 1 - y) * field_->rowBytes() +
                                     static_cast<std::size_t>(area.left()) * 3;
        std::memcpy(part.scanLine(row), source, rowBytes);
    }
    QPainter painter(this);
    painter.drawImage(area.topLeft(), part);
}
