#include "PictureThumbnail.h"

#include "BmpHeader.h"
#include "PictureFormats.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

// Sampled rows are read up to about this many bytes per thumbnail, however large the picture;
// a decoder that reads a picture whole may hold no more than this either.
constexpr qint64 ReadBudgetBytes = qint64{64} << 20;
constexpr int DecodeBudgetMiB = 64;
// The most of one row held in memory at once: a whole row of the widest picture the program
// writes (1000000 pixels), or a piece of a wider one.
constexpr qint64 ChunkBytes = qint64{4} << 20;

// The brightest value of each channel over `count` blue-green-red pixels and `current`: the
// program's pictures are thin white branches on black, which an average would wash out.
QRgb brightestOf(const uchar* pixels, qint64 count, int bytesPerPixel, QRgb current)
{
    int red = qRed(current);
    int green = qGreen(current);
    int blue = qBlue(current);
    for (qint64 x = 0; x < count; ++x) {
        const uchar* pixel = pixels + x * bytesPerPixel;
        blue = std::max<int>(blue, pixel[0]);
        green = std::max<int>(green, pixel[1]);
        red = std::max<int>(red, pixel[2]);
    }
    return qRgb(red, green, blue);
}

// The picture pixels [first, end) of a row that thumbnail pixel `tx` stands for.
std::pair<qint64, qint64> stretchOf(int tx, const BmpHeader& header, int thumbnailWidth)
{
    return {qint64{tx} * header.width() / thumbnailWidth, qint64{tx + 1} * header.width() / thumbnailWidth};
}

bool readAt(QFile& file, qint64 position, qint64 bytes, std::vector<uchar>& buffer)
{
    return file.seek(position) && file.read(reinterpret_cast<char*>(buffer.data()), bytes) == bytes;
}

// Merges file row `fileRow` into a thumbnail line: the whole row at once when it fits the
// buffer and the limit, else each thumbnail pixel's stretch of it in pieces, at most
// `stretchLimit` bytes of each stretch. False when the file could not be read.
bool mergeRow(QFile& file, const BmpHeader& header, qint64 fileRow, qint64 stretchLimit, std::vector<uchar>& buffer,
              QRgb* line, int thumbnailWidth)
{
    const auto rowBytes = static_cast<qint64>(header.rowBytes());
    const qint64 rowStart = static_cast<qint64>(header.pixelOffset()) + fileRow * rowBytes;
    const int pixelBytes = header.bytesPerPixel();
    const auto bufferBytes = static_cast<qint64>(buffer.size());
    if (rowBytes <= bufferBytes && rowBytes <= stretchLimit) {
        if (!readAt(file, rowStart, rowBytes, buffer))
            return false;
        for (int tx = 0; tx < thumbnailWidth; ++tx) {
            const auto [first, end] = stretchOf(tx, header, thumbnailWidth);
            line[tx] = brightestOf(buffer.data() + first * pixelBytes, end - first, pixelBytes, line[tx]);
        }
        return true;
    }
    const qint64 piecePixels = bufferBytes / pixelBytes;
    for (int tx = 0; tx < thumbnailWidth; ++tx) {
        const auto [first, end] = stretchOf(tx, header, thumbnailWidth);
        const qint64 last = std::min(end, first + std::max<qint64>(1, stretchLimit / pixelBytes));
        for (qint64 x = first; x < last; x += piecePixels) {
            const qint64 count = std::min(piecePixels, last - x);
            if (!readAt(file, rowStart + x * pixelBytes, count * pixelBytes, buffer))
                return false;
            line[tx] = brightestOf(buffer.data(), count, pixelBytes, line[tx]);
        }
    }
    return true;
}

// Whether a picture of this size decoded whole stays within the decoder's budget.
bool decodableWhole(QSize size)
{
    const qint64 bytes = qint64{size.width()} * size.height() * 4;
    return size.isValid() && bytes <= (qint64{DecodeBudgetMiB} << 20);
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
        const BmpHeader header = BmpHeader::read(file, static_cast<quint64>(file.size()));
        switch (header.verdict()) {
        case BmpHeader::Verdict::Sampled:
            return readSampledBmp(file, header, bound);
        case BmpHeader::Verdict::Decoded:
            break;
        case BmpHeader::Verdict::NotBmp:
        case BmpHeader::Verdict::Refused:
            return {};
        }
    }
    return readWithImageReader(path, format, bound);
}

PictureThumbnail PictureThumbnail::readSampledBmp(QFile& file, const BmpHeader& header, QSize bound)
{
    const QSize pictureSize(header.width(), header.height());
    const QSize size = thumbnailSizeFor(pictureSize, bound);
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(Qt::black);

    // Each thumbnail row stands for a band of picture rows; a few rows of each band are read,
    // as many as the budget allows. Rows so wide that one a band would overrun it are read in
    // part: the start of each thumbnail pixel's stretch.
    const auto rowBytes = static_cast<qint64>(header.rowBytes());
    const qint64 bandRows = (header.height() + size.height() - 1) / size.height();
    const qint64 rowsPerBand = std::clamp<qint64>(ReadBudgetBytes / (rowBytes * size.height()), 1, bandRows);
    const qint64 stretchLimit = rowBytes * size.height() <= ReadBudgetBytes
                                    ? rowBytes
                                    : ReadBudgetBytes / (qint64{size.height()} * size.width());
    std::vector<uchar> buffer(static_cast<std::size_t>(std::min(rowBytes, ChunkBytes)));
    for (int ty = 0; ty < size.height(); ++ty) {
        const qint64 bandTop = qint64{ty} * header.height() / size.height();
        const qint64 bandHeight = qint64{ty + 1} * header.height() / size.height() - bandTop;
        const qint64 samples = std::min(rowsPerBand, bandHeight);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(ty));
        for (qint64 k = 0; k < samples; ++k) {
            const qint64 y = bandTop + k * bandHeight / samples; // counted from the top
            const qint64 fileRow = header.bottomUp() ? header.height() - 1 - y : y;
            if (!mergeRow(file, header, fileRow, stretchLimit, buffer, line, size.width()))
                return {};
        }
    }
    return PictureThumbnail(pictureSize, std::move(image));
}

PictureThumbnail PictureThumbnail::readWithImageReader(const QString& path, const QByteArray& format, QSize bound)
{
    // Read as the kind the name says, so a file that only pretends to be a picture shows none.
    QImageReader reader(path, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(DecodeBudgetMiB);
    if (!reader.canRead())
        return {};
    // These decoders read a picture whole before it is scaled: none larger than the budget.
    const QSize pictureSize = reader.size();
    if (pictureSize.isValid() && !decodableWhole(pictureSize))
        return {};
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
