#include "PicturePreviewPanel.h"

#include "CommandGuard.h"
#include "PictureThumbnail.h"
#include "PreviewWindow.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

const QString PicturePreviewPanel::NoPictureCaption = QStringLiteral("Picture:");
const QString PicturePreviewPanel::NoPictureText = QStringLiteral("(None)");

namespace {
constexpr QSize PictureAreaMinimum{150, 150};
constexpr QSize PreviewButtonSize{23, 22};
} // namespace

PicturePreviewPanel::PicturePreviewPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("previewPanel"));

    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("previewCaption"));

    previewButton_ = new QToolButton(this);
    previewButton_->setObjectName(QStringLiteral("previewButton"));
    previewButton_->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    previewButton_->setToolTip(QStringLiteral("Preview"));
    previewButton_->setFixedSize(PreviewButtonSize);
    previewButton_->setAutoRaise(true);
    connect(previewButton_, &QToolButton::clicked, this, &PicturePreviewPanel::openPreview);

    pictureArea_ = new QLabel(this);
    pictureArea_->setObjectName(QStringLiteral("previewPicture"));
    pictureArea_->setAlignment(Qt::AlignCenter);
    pictureArea_->setFrameShape(QFrame::StyledPanel);
    pictureArea_->setFrameShadow(QFrame::Sunken);
    pictureArea_->setMinimumSize(PictureAreaMinimum);
    // The label must not grow to the scaled pixmap it holds, or every resize would feed the next.
    pictureArea_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    pictureArea_->installEventFilter(this);

    auto* captionLine = new QHBoxLayout;
    captionLine->addWidget(caption_, 1);
    captionLine->addWidget(previewButton_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(captionLine);
    layout->addWidget(pictureArea_, 1);

    showNoPicture();
}

void PicturePreviewPanel::showFile(const QString& path)
{
    // Called by the dialog's file list: a failure is told in the error box, never thrown back
    // into Qt, and leaves no picture shown.
    const bool read = CommandGuard::run(this, [&] {
        const PictureThumbnail thumbnail = PictureThumbnail::read(path, ThumbnailBound);
        if (thumbnail.isNull())
            showNoPicture();
        else
            showThumbnail(path, thumbnail);
    });
    if (!read)
        showNoPicture();
}

void PicturePreviewPanel::showThumbnail(const QString& path, const PictureThumbnail& thumbnail)
{
    picturePath_ = path;
    pictureSize_ = thumbnail.pictureSize();
    thumbnail_ = QPixmap::fromImage(thumbnail.image());
    caption_->setText(QStringLiteral(" (%1x%2)").arg(pictureSize_.width()).arg(pictureSize_.height()));
    previewButton_->setEnabled(true);
    fitPictureToArea();
}

void PicturePreviewPanel::showNoPicture()
{
    picturePath_.clear();
    thumbnail_ = QPixmap();
    caption_->setText(NoPictureCaption);
    previewButton_->setEnabled(false);
    pictureArea_->setText(NoPictureText);
}

void PicturePreviewPanel::fitPictureToArea()
{
    if (thumbnail_.isNull())
        return;
    const QSize area = pictureArea_->contentsRect().size();
    if (area.isEmpty())
        return;
    // The picture's own proportions, which a thumbnail of a few pixels' side rounds off.
    const QSize fitted = pictureSize_.scaled(area, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    pictureArea_->setPixmap(thumbnail_.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void PicturePreviewPanel::openPreview()
{
    if (picturePath_.isEmpty())
        return;
    CommandGuard::run(this, [this] {
        if (!previewWindow_)
            previewWindow_ = new PreviewWindow(this);
        previewWindow_->showPicture(picturePath_, pictureSize_);
    });
}

bool PicturePreviewPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pictureArea_) {
        if (event->type() == QEvent::Resize)
            CommandGuard::run(this, [this] { fitPictureToArea(); });
        else if (event->type() == QEvent::MouseButtonDblClick)
            openPreview();
    }
    return QWidget::eventFilter(watched, event);
}

void PicturePreviewPanel::hideEvent(QHideEvent* event)
{
    // The preview belongs to the dialog: it goes when the dialog goes.
    if (previewWindow_)
        previewWindow_->hide();
    QWidget::hideEvent(event);
}
