#include "PictureView.h"

#include "GrowthField.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTransform>

#include <algorithm>
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

void PictureView::noteTurnedPixel(std::int32_t x, std::int32_t y)
{
    if (!field_->inside(x, y))
        return;
    if (notedGeneration_ != field_->generation() || tileColumns_ * TileSide < field_->width() ||
        tileRows_ * TileSide < field_->height()) {
        forgetNotes();
        notedGeneration_ = field_->generation();
        tileColumns_ = (field_->width() + TileSide - 1) / TileSide;
        tileRows_ = (field_->height() + TileSide - 1) / TileSide;
        tileNoted_.assign(static_cast<std::size_t>(tileColumns_) * tileRows_, false);
    }
    const int tile = y / TileSide * tileColumns_ + x / TileSide;
    if (!tileNoted_[tile]) {
        tileNoted_[tile] = true;
        notedTiles_.push_back(tile);
    }
}

void PictureView::forgetNotes()
{
    for (int tile : notedTiles_)
        tileNoted_[tile] = false;
    notedTiles_.clear();
}

QRegion PictureView::notedTiles() const
{
    std::vector<int> tiles = notedTiles_;
    std::sort(tiles.begin(), tiles.end());
    // Row by row and left to right, adjacent tiles joined: the banded order QRegion keeps.
    std::vector<QRect> rects;
    for (std::size_t i = 0; i < tiles.size();) {
        std::size_t last = i;
        while (last + 1 < tiles.size() && tiles[last + 1] == tiles[last] + 1 &&
               tiles[last + 1] / tileColumns_ == tiles[i] / tileColumns_)
            ++last;
        const int row = tiles[i] / tileColumns_;
        const int column = tiles[i] % tileColumns_;
        rects.emplace_back(column * TileSide, row * TileSide, static_cast<int>(last - i + 1) * TileSide, TileSide);
        i = last + 1;
    }
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region & QRect(0, 0, field_->width(), field_->height());
}

void PictureView::refresh()
{
    const QSize pictureSize(field_->width(), field_->height());
    if (size() != pictureSize)
        setFixedSize(pictureSize);
    const PixelRect damage = field_->takeDamage();
    if (!damage.isEmpty() && isVisible()) {
        const QRect changed(damage.x, damage.y, damage.width, damage.height);
        // The notes stand for every change only while the field has not been reset since, and
        // then they hold all of the reported area.
        const QRegion noted = notedGeneration_ == field_->generation() ? notedTiles() : QRegion();
        if (!noted.isEmpty() && noted.boundingRect().contains(changed))
            update(noted);
        else
            update(changed);
    }
    forgetNotes();
}

void PictureView::wrapField()
{
    const QSize size(field_->width(), field_->height());
    if (upsideDown_.size() == size && upsideDown_.constBits() == field_->pixelBlock())
        return;
    upsideDown_ = QImage(field_->pixelBlock(), size.width(), size.height(),
                         static_cast<qsizetype>(field_->rowBytes()), QImage::Format_BGR888);
}

void PictureView::paintEvent(QPaintEvent* event)
{
    wrapField();
    const int height = field_->height();
    QPainter painter(this);
    // Row y of the picture is row height - 1 - y of the block: drawn through a mirror image of
    // the block, one pixel to one pixel, so nothing is copied or smoothed on the way.
    painter.setTransform(QTransform(1, 0, 0, -1, 0, height));
    for (const QRect& rect : event->region()) {
        const QRect area = rect & QRect(0, 0, field_->width(), height);
        if (area.isEmpty())
            continue;
        const QRect inBlock(area.left(), height - 1 - area.bottom(), area.width(), area.height());
        painter.drawImage(inBlock, upsideDown_, inBlock);
    }
}
