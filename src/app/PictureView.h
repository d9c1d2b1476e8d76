#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

class GrowthField;

/// Shows a growth field at 1:1, painting from its BMP pixel block. refresh() asks Qt to repaint
/// only what changed since the last refresh: the tiles of the pixels noted as they turned, or,
/// when something else changed the field (a reset), the whole area the field reports. A paint
/// puts the exposed pixels, in the screen's own format, into rows the view keeps from paint to
/// paint, and draws them one to one: no image is made per paint, and Qt converts nothing. So a
/// growing cluster costs a few small repaints rather than whole pictures. The view shares
/// ownership of its field, so no view can outlive the pixels it paints, whatever order its
/// owners are destroyed in.
class PictureView : public QWidget {
    Q_OBJECT

public:
    /// The side of the square tiles in which turned pixels are repainted.
    static constexpr int TileSide = 16;

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
    /// Puts the field's pixels of `area` into the top-left corner of the paint rows.
    void copyIntoPaintRows(const QRect& area);

    std::shared_ptr<const GrowthField> field_;
    /// The rows being painted, in the screen's own format: drawn one to one, without conversion.
    QImage paintRows_;
    std::uint64_t notedGeneration_ = 0; ///< the field's generation the notes belong to
    int tileColumns_ = 0;
    int tileRows_ = 0;
    std::vector<bool> tileNoted_;
    std::vector<int> notedTiles_; ///< indices of the noted tiles, in the order noted
};
