#pragma once

#include <QWidget>

#include <memory>

class GrowthField;

/// Shows a growth field at 1:1, painting straight from its BMP pixel block. refresh() asks Qt to
/// repaint only what the field reports as changed since the last refresh, so a growing cluster
/// costs a few small repaints rather than whole pictures. The view shares ownership of its field,
/// so no view can outlive the pixels it paints, whatever order its owners are destroyed in.
class PictureView : public QWidget {
    Q_OBJECT

public:
    PictureView(std::shared_ptr<const GrowthField> field, QWidget* parent = nullptr);

    /// Follows the field's size and schedules a repaint of its changed area.
    void refresh();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<const GrowthField> field_;
};
