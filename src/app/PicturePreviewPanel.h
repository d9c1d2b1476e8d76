#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QToolButton;
class PictureThumbnail;
class PreviewWindow;

/// The picture preview beside the save dialog's own controls: a caption line, a small
/// "Preview" button and a picture area. It only looks at files; it never changes the save.
class PicturePreviewPanel : public QWidget {
    Q_OBJECT

public:
    static const QString NoPictureCaption; ///< "Picture:"
    static const QString NoPictureText;    ///< "(None)"

    /// The thumbnail the panel reads is no larger than this; the area scales it to fit.
    static constexpr QSize ThumbnailBound{300, 300};

    explicit PicturePreviewPanel(QWidget* parent = nullptr);

public slots:
    /// Shows the file that became current in the dialog when it is an existing file ending in
    /// .bmp, .ico, .emf or .wmf (any case) that reads as a picture of that kind: its thumbnail,
    /// its size " (WxH)" and the button enabled. Otherwise "Picture:", "(None)" and the button
    /// disabled. A file that claims more than it holds shows nothing; a failure to read one is
    /// told in the error box and never thrown back to the dialog.
    void showFile(const QString& path);
    /// Opens the "Preview" window on the picture shown; does nothing without one.
    void openPreview();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showThumbnail(const QString& path, const PictureThumbnail& thumbnail);
    void showNoPicture();
    void fitPictureToArea();

    QLabel* caption_ = nullptr;
    QToolButton* previewButton_ = nullptr;
    QLabel* pictureArea_ = nullptr;
    PreviewWindow* previewWindow_ = nullptr;
    QString picturePath_; ///< empty while no picture is shown
    QSize pictureSize_;
    QPixmap thumbnail_;
};
