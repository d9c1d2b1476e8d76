#pragma once

#include <QPixmap>
#include <QWidget>

/// The sizeable "Preview" tool window that shows a picture file from the save dialog's preview
/// panel inside a 5-pixel border, scaled proportionally to fit and centred. Escape closes it.
class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int Border = 5;

    explicit PreviewWindow(QWidget* parent = nullptr);

    /// Shows the picture file at `path`, of `pictureSize`: the window is sized to show it at its
    /// own size, at most three quarters of the screen's width and height, centred on the
    /// screen, and brought to the front. What is drawn is a thumbnail read at the window's size.
    void showPicture(const QString& path, QSize pictureSize);

    /// The thumbnail drawn.
    const QPixmap& picture() const { return picture_; }

    /// The client size that shows `picture` inside the border on a screen of `screenSize`.
    static QSize windowSizeFor(QSize picture, QSize screenSize);

    /// Where a picture of `picture` size lands when it is fitted proportionally into `area`
    /// and centred there.
    static QRect fittedRect(QSize picture, const QRect& area);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap picture_;
    QSize pictureSize_; ///< the picture's own size, whose proportions the thumbnail keeps

};
