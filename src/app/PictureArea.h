#pragma once

#include <QScrollArea>

#include <memory>
#include <vector>

class GrowthField;
class PictureView;

/// The main window's picture area: one of its pictures at 1:1, the area exactly the picture's
/// size. A picture larger than the room its window has on the screen is shown in a scroll view
/// no larger than that room, opened where the cluster grows; after that the user's scrolling is
/// kept until another picture, or another size, is shown.
class PictureArea : public QScrollArea {
    Q_OBJECT

public:
    /// Where a picture's cluster grows, and so where a scroll view of it opens.
    enum class Growth {
        Upward,  ///< from the bottom rows: the view opens on them, centred across
        Outward, ///< from the centre: the view opens on the centre
    };

    explicit PictureArea(QWidget* parent = nullptr);

    /// Adds a view of `field`, hidden until showPicture() shows it.
    PictureView* addPicture(std::shared_ptr<const GrowthField> field, const QString& objectName, Growth growth);
    /// Shows `picture`, one of the added views, hides the others and fits the area to it.
    void showPicture(PictureView* picture);
    PictureView* shownPicture() const;

    /// Repaints what changed in every picture, and fits the area anew when the shown picture
    /// changed its size.
    void refresh();

signals:
    /// The area took its size for a new picture or size; the window may have changed its size.
    void fitted();

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Picture {
        PictureView* view;
        Growth growth;
    };

    void fit();
    /// The largest size the area can have with its window inside the screen's available area.
    QSize roomOnScreen() const;
    void openWhereTheClusterGrows();

    QWidget* stack_;
    std::vector<Picture> pictures_;
    int shown_ = -1; ///< index of the shown picture; none before the first showPicture()
    const PictureView* fittedView_ = nullptr; ///< the picture the area was last fitted to
    QSize fittedSize_;
    bool openingPending_ = false; ///< a scroll view waits to be opened where its cluster grows
};
