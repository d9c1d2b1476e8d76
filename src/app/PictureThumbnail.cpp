#include "PictureThumbnail.h"

#include "PictureFormats.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

// Sampled rows are read up to about this many bytes per thumbnail, however large the picture.
constexpr qint64 ReadBudgetBytes = qint64{64} << 20;

// Where the pixels of an uncompressed 24- or 32-bit BMP file lie.
struct BmpLayout {
    qint64 pixelOffset = 0;
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bytesPerPixel = 3;
    qint64 rowBytes = 0;
};

std::optional<BmpLayout> uncompressedBmpLayout(QFile& file)
{
    constexpr int HeadersSize = 54;
    const QByteArray headers = file.read(HeadersSize);
    if (headers.size() < HeadersSize || !headers.startsWith("BM"))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const uchar*>(headers.constData());
    const quint32 pixelOffset = qFromLittleEndian<quint32>(bytes + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(bytes + 14);
    const qint32 width = qFromLittleEndian<qint32>(bytes + 18);
    const qint32 height = qFromLittleEndian<qint32>(bytes + 22);
    const quint16 planes = qFromLittleEndian<quint16>(bytes + 26);
    const quint16 bitsPerPixel = qFromLittleEndian<quint16>(bytes + 28);
    const quint32 compression = qFromLittleEndian<quint32>(bytes + 30);
    if (infoSize < 40 || planes != 1 || (bitsPerPixel != 24 && bitsPerPixel != 32) || compression != 0)
        return std::nullopt;
    if (width <= 0 || height == 0 || height == std::numeric_limits<qint32>::min())
        return std::nullopt;

    BmpLayout layout;
    layout.pixelOffset = pixelOffset;
    layout.width = width;
    layout.height = height > 0 ? height : -height; // a negative height stores rows top-down
    layout.bottomUp = height > 0;
    layout.bytesPerPixel = bitsPerPixel / 8;
    layout.rowBytes = (qint64{width} * bitsPerPixel + 31) / 32 * 4;
    if (layout.pixelOffset < 14 + qint64{infoSize} ||
        layout.pixelOffset + layout.rowBytes * layout.height > file.size())
        return std::nullopt;
    return layout;
}

// The brightest value of each channel over a thumbnail pixel's stretch of one picture row:
// the program's pictures are thin white branches on black, which an average would wash out.
void mergeRowIntoThumbnail(const uchar* row, const BmpLayout& layout, QRgb* thumbnailLine, int thumbnailWidth)
{
    for (int tx = 0; tx < thumbnailWidth; ++tx) {
        const qint64 first = qint64{tx} * layout.width / thumbnailWidth;
        const qint64 end = qint64{tx + 1} * layout.width / thumbnailWidth;
        int red = qRed(thumbnailLine[tx]);
        int green = qGreen(thumbnailLine[tx]);
        int blue = qBlue(thumbnailLine[tx]);
        for (qint64 x = first; x < end; ++x) {
            const uchar* pixel = row + x * layout.bytesPerPixel; // blue, green, red
            blue = std::max<int>(blue, pixel[0]);
            green = std::max<int>(green, pixel[1]);
            red = std::max<int>(red, pixel[2]);
        }
        thumbnailLine[tx] = qRgb(red, green, blue);
    }
}

} // namespace

PictureThumbnail::PictureThumbnail(QSize pictureSize, QImage image)
    : pictureSize_(pictureSize)
    , image_(std::move(image))
{
}

QSize PictureThumbnail::thumbnailSizeFor(QSize picture, QSize bound)
{
    if (picture.width() <= bound.width() && picture.height() <= bound.height())
        return picture;
    return picture.scaled(bound, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

PictureThumbnail PictureThumbnail::read(const QString& path, QSize bound)
{
    const QFileInfo info(path);
    if (!info.isFile() || !PictureFormats::isPictureSuffix(info.suffix()) || bound.isEmpty())
        return {};
    const QByteArray format = info.suffix().toLower().toLatin1();
    if (format == "bmp") {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        if (std::optional<PictureThumbnail> thumbnail = readUncompressedBmp(file, bound))
            return *thumbnail;
    }
    return readWithImageReader(path, format, bound);
}

std::optional<PictureThumbnail> PictureThumbnail::readUncompressedBmp(QFile& file, QSize bound)
{
    const std::optional<BmpLayout> layout = uncompressedBmpLayout(file);
    if (!layout)
        return std::nullopt;
    const QSize pictureSize(layout->width, layout->height);
    const QSize size = thumbnailSizeFor(pictureSize, bound);
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    image.fill(Qt::black);

    // Each thumbnail row stands for a band of picture rows; a few rows of each band are read
    // whole, as many as the budget allows.
    const qint64 bandRows = (layout->height + size.height() - 1) / size.height();
    const qint64 rowsPerBand = std::clamp<qint64>(ReadBudgetBytes / (layout->rowBytes * size.height()), 1, bandRows);
    std::vector<uchar> row(static_cast<std::size_t>(layout->rowBytes));
    for (int ty = 0; ty < size.height(); ++ty) {
        const qint64 bandTop = qint64{ty} * layout->height / size.height();
        const qint64 bandHeight = qint64{ty + 1} * layout->height / size.height() - bandTop;
        const qint64 samples = std::min(rowsPerBand, bandHeight);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(ty));
        for (qint64 k = 0; k < samples; ++k) {
            const qint64 y = bandTop + k * bandHeight / samples; // counted from the top
            const qint64 fileRow = layout->bottomUp ? layout->height - 1 - y : y;
            if (!file.seek(layout->pixelOffset + fileRow * layout->rowBytes) ||
                file.read(reinterpret_cast<char*>(row.data()), layout->rowBytes) != layout->rowBytes)
                return PictureThumbnail();
            mergeRowIntoThumbnail(row.data(), *layout, line, size.width());
        }
    }
    return PictureThumbnail(pictureSize, std::move(image));
}

PictureThumbnail PictureThumbnail::readWithImageReader(const QString& path, const QByteArray& format, QSize bound)
{
    // Read as the kind the name says, so a file that only pretends to be a picture shows none.
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    if (!reader.canRead())
        return {};
    const QSize pictureSize = reader.size();
    if (pictureSize.isValid())
        reader.setScaledSize(thumbnailSizeFor(pictureSize, bound));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (!pictureSize.isValid())
        return PictureThumbnail(image.size(), image.scaled(thumbnailSizeFor(image.size(), bound), Qt::KeepAspectRatio,
                                                           Qt::SmoothTransformation));
    return PictureThumbnail(pictureSize, std::move(image));
}
