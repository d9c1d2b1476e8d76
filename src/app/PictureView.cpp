#include "PictureView.h"

#include "lattice/GrowthField.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
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

namespace {

// Blue-green-red pixels to 0xffRRGGBB, four at a time: read little-endian, each pixel's three
// bytes already are 0xRRGGBB, so twelve bytes make four screen pixels with a few shifts.
void convertRow(const std::uint8_t* source, QRgb* target, int count)
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "pixels are read as little-endian words");
    constexpr QRgb Opaque = 0xff000000u;
    int x = 0;
    for (; x + 4 <= count; x += 4, source += 12) {
        std::uint32_t w[3];
        std::memcpy(w, source, sizeof w);
        target[x] = Opaque | (w[0] & 0xffffffu);
        target[x + 1] = Opaque | (w[0] >> 24) | ((w[1] & 0xffffu) << 8);
        target[x + 2] = Opaque | (w[1] >> 16) | ((w[2] & 0xffu) << 16);
        target[x + 3] = Opaque | (w[2] >> 8);
    }
    for (; x < count; ++x, source += 3)
        target[x] = Opaque | (QRgb{source[2]} << 16) | (QRgb{source[1]} << 8) | source[0];
}

} // namespace

void PictureView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    for (const QRect& rect : event->region()) {
        const QRect area = rect & QRect(0, 0, field_->width(), field_->height());
        if (area.isEmpty())
            continue;
        copyIntoPaintRows(area);
        painter.drawImage(area.topLeft(), paintRows_, QRect(QPoint(0, 0), area.size()));
    }
}

void PictureView::copyIntoPaintRows(const QRect& area)
{
    // Kept from paint to paint, grown to the largest area painted: the screen's size at most,
    // as Qt paints only what is visible.
    if (paintRows_.width() < area.width() || paintRows_.height() < area.height())
        paintRows_ = QImage(paintRows_.size().expandedTo(area.size()), QImage::Format_RGB32);
    // The field's rows run bottom-up in blue-green-red; the screen's are top-down, 0xffRRGGBB.
    const int height = field_->height();
    for (int row = 0; row < area.height(); ++row) {
        const std::uint8_t* source = field_->pixelBlock() +
                                     static_cast<std::size_t>(height - 1 - area.top() - row) * field_->rowBytes() +
                                     static_cast<std::size_t>(area.left()) * 3;
        convertRow(source, reinterpret_cast<QRgb*>(paintRows_.scanLine(row)), area.width());
    }
}
