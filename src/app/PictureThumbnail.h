#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

class QFile;

/// A picture file read for a preview: its size from the file's header and a thumbnail that
/// fits a bound, decoded without holding the whole picture in memory. The largest picture the
/// program writes (37837 x 37837, over 4 GiB as a BMP file) previews like a small one.
class PictureThumbnail {
public:
    /// Reads `path` as the kind of picture its suffix names (bmp, ico, emf or wmf, in any case);
    /// a null thumbnail when it is not one. The thumbnail is the picture itself when it fits
    /// `bound`, else the picture scaled proportionally to fit it.
    static PictureThumbnail read(const QString& path, QSize bound);

    bool isNull() const { return image_.isNull(); }
    /// The picture's own size.
    QSize pictureSize() const { return pictureSize_; }
    const QImage& image() const { return image_; }

    /// The size of the thumbnail of a picture of `picture` size within `bound`.
    static QSize thumbnailSizeFor(QSize picture, QSize bound);

private:
    PictureThumbnail(QSize pictureSize, QImage image);
    PictureThumbnail() = default;

    static std::optional<PictureThumbnail> readUncompressedBmp(QFile& file, QSize bound);
    static PictureThumbnail readWithImageReader(const QString& path, const QByteArray& format, QSize bound);

    QSize pictureSize_;
    QImage image_;
};
