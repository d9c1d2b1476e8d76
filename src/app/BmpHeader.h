#pragma once

#include <QtGlobal>

class QIODevice;

/// The headers of a BMP file, read and checked against the file's real length before anyone
/// allocates anything for its pixels. Every size the file states is worked with in unsigned
/// 64-bit arithmetic, so no claim, however large, negative or contradictory, can overflow a
/// check into passing.
class BmpHeader {
public:
    enum class Verdict {
        NotBmp,  ///< no "BM" signature: some other kind of file
        Refused, ///< a BMP file whose headers or sizes cannot be true of it, or of a kind no
                 ///< decoder here reads: nothing more of it may be read
        Sampled, ///< uncompressed 24 or 32 bits a pixel: rows that can be read one by one
        Decoded, ///< a sound BMP file of another kind, for an image decoder to read whole
    };

    /// Reads the headers from the start of `file`, which is `fileLength` bytes long.
    static BmpHeader read(QIODevice& file, quint64 fileLength);

    Verdict verdict() const { return verdict_; }
    /// The picture's size; both at least 1 unless the verdict is NotBmp or Refused.
    int width() const { return width_; }
    int height() const { return height_; }
    /// Rows run from the bottom of the picture up (a BMP file's usual order) or from the top.
    bool bottomUp() const { return bottomUp_; }
    int bytesPerPixel() const { return bitsPerPixel_ / 8; }
    /// Where the pixel rows start in the file, and the bytes of one row, padding included.
    quint64 pixelOffset() const { return pixelOffset_; }
    quint64 rowBytes() const { return rowBytes_; }

private:
    static BmpHeader refused();
    /// The checks once the fields are read: header sizes, the picture's size, the palette and,
    /// for uncompressed rows, the pixels' length against the file's.
    void check(quint64 fileLength, quint64 infoSize, quint32 coloursUsed, quint32 compression);

    Verdict verdict_ = Verdict::NotBmp;
    int width_ = 0;
    int height_ = 0;
    bool bottomUp_ = true;
    int bitsPerPixel_ = 0;
    quint64 pixelOffset_ = 0;
    quint64 rowBytes_ = 0;
};
