#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class BmpHeader;
class QFile;

/// A picture file read for a preview: its size from the file's header and a thumbnail that
/// fits a bound, decoded without holding the whole picture in memory. The largest picture the
/// program writes (37837 x 37837, over 4 GiB as a BMP file) previews like a small one. Nothing
/// is allocated for a file's pixels before its headers are found true of its length, and never
/// more than the thumbnail and a bounded read buffer: a file that lies gets no thumbnail.
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

    static PictureThumbnail readSampledBmp(QFile& file, const BmpHeader& header, QSize bound);
    static PictureThumbnail readWithImageReader(const QString& path, const QByteArray& format, QSize bound);

    QSize pictureSize_;
    QImage image_;
};
