#include "BmpHeader.h"

#include <QByteArray>
#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr quint64 FileHeaderSize = 14;
constexpr quint32 CoreHeaderSize = 12;   // the oldest info header: 16-bit sides, 3-byte palette
constexpr quint32 InfoHeaderSize = 40;   // the usual one; later versions only add to it
constexpr int LongestHeaders = 54;

enum Compression : quint32 { Uncompressed = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

/// The headers as read, in a buffer of the longest headers' size whose bytes past the file's
/// end are zero: every field is read from memory that exists, whatever the file held.
class HeaderBytes {
public:
    explicit HeaderBytes(const QByteArray& read) : size_(static_cast<int>(read.size()))
    {
        std::memcpy(bytes_.data(), read.constData(), static_cast<std::size_t>(std::min(size_, LongestHeaders)));
    }
    int size() const { return size_; }
    bool hasBmpSignature() const { return size_ >= 2 && bytes_[0] == 'B' && bytes_[1] == 'M'; }

private:
    template <typename T>
    friend T field(const HeaderBytes& bytes, int offset);
    std::array<uchar, LongestHeaders> bytes_{};
    int size_;
};

template <typename T>
T field(const HeaderBytes& bytes, int offset)
{
    return qFromLittleEndian<T>(bytes.bytes_.data() + offset);
}

bool knownDepth(quint64 bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool compressionFitsDepth(quint32 compression, quint64 bits)
{
    switch (compression) {
    case Uncompressed:
        return true;
    case Rle8:
        return bits == 8;
    case Rle4:
        return bits == 4;
    case BitFields:
        return bits == 16 || bits == 32;
    default:
        return false; // JPEG or PNG inside, or no kind at all
    }
}

} // namespace

BmpHeader BmpHeader::refused()
{
    BmpHeader header;
    header.verdict_ = Verdict::Refused;
    return header;
}

BmpHeader BmpHeader::read(QIODevice& file, quint64 fileLength)
{
    const HeaderBytes bytes(file.read(LongestHeaders));
    if (!bytes.hasBmpSignature())
        return {};
    if (bytes.size() < 18)
        return refused();
    BmpHeader header;
    header.pixelOffset_ = field<quint32>(bytes, 10);
    const quint32 infoSize = field<quint32>(bytes, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    quint32 compression = Uncompressed;
    quint32 coloursUsed = 0;
    quint16 planes = 0;
    if (infoSize == CoreHeaderSize && bytes.size() >= 26) {
        width = field<quint16>(bytes, 18);
        height = field<quint16>(bytes, 20);
        planes = field<quint16>(bytes, 22);
        header.bitsPerPixel_ = field<quint16>(bytes, 24);
    } else if (infoSize >= InfoHeaderSize && bytes.size() >= LongestHeaders) {
        width = field<qint32>(bytes, 18);
        height = field<qint32>(bytes, 22);
        planes = field<quint16>(bytes, 26);
        header.bitsPerPixel_ = field<quint16>(bytes, 28);
        compression = field<quint32>(bytes, 30);
        coloursUsed = field<quint32>(bytes, 46);
    } else {
        return refused(); // cut short, or a header size no BMP version has
    }
    // A negative height stores the rows top-down; the sides must fit a picture's int sides.
    if (planes != 1 || width < 1 || height == 0 || width > INT32_MAX || height > INT32_MAX || height < -INT32_MAX)
        return refused();
    header.width_ = static_cast<int>(width);
    header.height_ = static_cast<int>(height > 0 ? height : -height);
    header.bottomUp_ = height > 0;
    header.check(fileLength, infoSize, coloursUsed, compression);
    return header;
}

void BmpHeader::check(quint64 fileLength, quint64 infoSize, quint32 coloursUsed, quint32 compression)
{
    const quint64 bits = static_cast<quint64>(bitsPerPixel_);
    const quint64 headersEnd = FileHeaderSize + infoSize;
    if (!knownDepth(bits) || !compressionFitsDepth(compression, bits) || pixelOffset_ < headersEnd ||
        pixelOffset_ > fileLength) {
        *this = refused();
        return;
    }
    // Between the headers and the pixels: the palette of a picture of 8 bits or fewer, or the
    // three colour masks of one with bit fields.
    const quint64 room = pixelOffset_ - headersEnd;
    quint64 needed = 0;
    if (bits <= 8) {
        const quint64 entries = coloursUsed == 0 ? (quint64{1} << bits) : quint64{coloursUsed};
        if (entries > (quint64{1} << bits)) {
            *this = refused();
            return;
        }
        needed = entries * (infoSize == CoreHeaderSize ? 3 : 4);
    } else if (compression == BitFields && infoSize == InfoHeaderSize) {
        needed = 12;
    }
    // Whole rows of 32-bit words: at most (2^31 - 1) * 32 + 31 bits, far inside 64 bits.
    rowBytes_ = (static_cast<quint64>(width_) * bits + 31) / 32 * 4;
    // Rows that are not compressed must all lie in the file; compared by division, as the
    // product of two claimed sizes may not fit even 64 bits.
    const bool rowsCompressed = compression == Rle8 || compression == Rle4;
    const quint64 pixelBytes = fileLength - pixelOffset_;
    if (needed > room || (!rowsCompressed && rowBytes_ > pixelBytes / static_cast<quint64>(height_))) {
        *this = refused();
        return;
    }
    const bool sampled = compression == Uncompressed && (bits == 24 || bits == 32);
    verdict_ = sampled ? Verdict::Sampled : Verdict::Decoded;
}
