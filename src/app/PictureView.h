#pragma once

#include <QWidget>

class GrowthField;

/// Shows a growth field at 1:1, painting straight from its BMP pixel block. refresh() asks Qt to
/// repaint only what the field reports as changed since the last refresh, so a growing cluster
/// costs a few small repaints rather than whole pictures.
class PictureView : public QWidget {
    Q_OBJECT

public:
    PictureView(const GrowthField& field, QWidget* parent = nullptr);

    /// Follows the field's size and schedules a repaint of its changed area.
    void refresh();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const GrowthField& field_;
};
