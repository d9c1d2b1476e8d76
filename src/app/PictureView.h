#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class GrowthField;

/// Shows a growth field at 1:1, painting straight from its BMP pixel block through an image that
/// wraps the block without copying it. refresh() asks Qt to repaint only what changed since the
/// last refresh: the tiles around the pixels noted as they turned, or, when something else
/// changed the field (a reset), the whole area the field reports. So a growing cluster costs a
/// few small repaints rather than whole pictures. The view shares ownership of its field, so no
/// view can outlive the pixels it paints, whatever order its owners are destroyed in.
class PictureView : public QWidget {
    Q_OBJECT

public:
    /// The side of the square tiles in which turned pixels are repainted.
    static constexpr int TileSide = 32;

    PictureView(std::shared_ptr<const GrowthField> field, QWidget* parent = nullptr);

    /// Follows the field's size and schedules a repaint of its changed area.
    void refresh();

    /// The pixel at (x, y) has just turned (a wanderer stuck there): the next refresh repaints
    /// its tile. Ignored outside the picture. Every change a run makes between two resets of the
    /// field must be noted, or the changes outside the noted tiles may not be shown.
    void noteTurnedPixel(std::int32_t x, std::int32_t y);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// The region of the noted tiles, each row of adjacent tiles one rectangle.
    QRegion notedTiles() const;
    void forgetNotes();
    /// Wraps the field's pixel block anew when the field has another size or block.
    void wrapField();

    std::shared_ptr<const GrowthField> field_;
    /// The pixel block as an image whose rows run bottom-up, as the block's do.
    QImage upsideDown_;
    std::uint64_t notedGeneration_ = 0; ///< the field's generation the notes belong to
    int tileColumns_ = 0;
    int tileRows_ = 0;
    std::vector<bool> tileNoted_;
    std::vector<int> notedTiles_; ///< indices of the noted tiles, in the order noted
};
