#include "PicturePreviewPanel.h"

#include "PreviewWindow.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

const QString PicturePreviewPanel::NoPictureCaption = QStringLiteral("Picture:");
const QString PicturePreviewPanel::NoPictureText = QStringLiteral("(None)");

namespace {
constexpr QSize PictureAreaMinimum{150, 150};
constexpr QSize PreviewButtonSize{23, 22};

bool isPictureExtension(const QString& suffix)
{
    static const QStringList extensions{QStringLiteral("bmp"), QStringLiteral("ico"), QStringLiteral("emf"),
                                        QStringLiteral("wmf")};
    return extensions.contains(suffix, Qt::CaseInsensitive);
}
}

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

QPixmap PicturePreviewPanel::loadPicture(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !isPictureExtension(info.suffix()))
        return {};
    // Read as the kind the name says, so a file that only pretends to be a picture shows none.
    QImageReader reader(path, info.suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

void PicturePreviewPanel::showFile(const QString& path)
{
    const QPixmap picture = loadPicture(path);
    if (picture.isNull())
        showNoPicture();
    else
        showPicture(picture);
}

void PicturePreviewPanel::showPicture(const QPixmap& picture)
{
    picture_ = picture;
    caption_->setText(QStringLiteral(" (%1x%2)").arg(picture.width()).arg(picture.height()));
    previewButton_->setEnabled(true);
    fitPictureToArea();
}

void PicturePreviewPanel::showNoPicture()
{
    picture_ = QPixmap();
    caption_->setText(NoPictureCaption);
    previewButton_->setEnabled(false);
    pictureArea_->setText(NoPictureText);
}

void PicturePreviewPanel::fitPictureToArea()
{
    if (picture_.isNull())
        return;
    const QSize area = pictureArea_->contentsRect().size();
    if (area.isEmpty())
        return;
    pictureArea_->setPixmap(
        picture_.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PicturePreviewPanel::openPreview()
{
    if (picture_.isNull())
        return;
    if (!previewWindow_)
        previewWindow_ = new PreviewWindow(this);
    previewWindow_->showPicture(picture_);
}

bool PicturePreviewPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pictureArea_) {
        if (event->type() == QEvent::Resize)
            fitPictureToArea();
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
