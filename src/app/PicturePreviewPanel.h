#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QToolButton;
class PreviewWindow;

/// The picture preview beside the save dialog's own controls: a caption line, a small
/// "Preview" button and a picture area. It only looks at files; it never changes the save.
class PicturePreviewPanel : public QWidget {
    Q_OBJECT

public:
    static const QString NoPictureCaption; ///< "Picture:"
    static const QString NoPictureText;    ///< "(None)"

    explicit PicturePreviewPanel(QWidget* parent = nullptr);

    /// Whether the file at `path` is one the preview shows: an existing file ending in .bmp,
    /// .ico, .emf or .wmf (any case) that loads as a picture of that kind. Returns the picture,
    /// or a null pixmap.
    static QPixmap loadPicture(const QString& path);

    bool hasPicture() const { return !picture_.isNull(); }
    const QPixmap& picture() const { return picture_; }

public slots:
    /// Shows the file that became current in the dialog: its picture, " (WxH)" and the button
    /// enabled; or "Picture:", "(None)" and the button disabled.
    void showFile(const QString& path);
    /// Opens the "Preview" window on the picture shown; does nothing without one.
    void openPreview();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void showPicture(const QPixmap& picture);
    void showNoPicture();
    void fitPictureToArea();

    QLabel* caption_ = nullptr;
    QToolButton* previewButton_ = nullptr;
    QLabel* pictureArea_ = nullptr;
    PreviewWindow* previewWindow_ = nullptr;
    QPixmap picture_;
};
