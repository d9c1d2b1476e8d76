#include "files/PngFile.h"

#include "files/BmpFile.h"
#include "files/SafeSave.h"

#include <png.h>

#include <csetjmp>
#include <vector>

namespace {

// libpng reports errors by a long jump back into writeRows(); nothing with a destructor may
// live in the frames it jumps over, so these callbacks and writeRows() hold only plain values.

void onError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void onWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* save = static_cast<SafeSave*>(png_get_io_ptr(png));
    if (!save->write(data, length))
        png_error(png, "short write"); // stop compressing a file that cannot be completed
}

void onFlush(png_structp) {}

/// The PNG stream of `picture` into `save`; false when a write fell short. `buffer` holds one
/// row for pictures that paint their rows.
bool writeRows(png_structp png, png_infop info, SafeSave& save, const PictureRows& picture, std::uint8_t* buffer)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &save, onWrite, onFlush);
    // Our sides reach 1,000,000 pixels; libpng's default limit is meant for readers.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()), static_cast<png_uint_32>(picture.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_pHYs(png, info, BmpFile::PixelsPerMetre, BmpFile::PixelsPerMetre, PNG_RESOLUTION_METER);
    // Cluster pictures are mostly black runs: unfiltered rows compress about as well as
    // filtered ones and several times faster.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    png_set_bgr(png); // our rows hold blue, green, red
    for (std::int32_t y = 0; y < picture.height(); ++y)
        png_write_row(png, picture.row(y, buffer));
    png_write_end(png, info);
    return true;
}

} // namespace

void PngFile::save(const PictureRows& picture, const std::string& path)
{
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(picture.width()) * 3);
    SafeSave save(path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool written = info != nullptr && writeRows(png, info, save, picture, buffer.data());
    png_destroy_write_struct(&png, &info);
    if (!written)
        save.fail();
    save.commit();
}
