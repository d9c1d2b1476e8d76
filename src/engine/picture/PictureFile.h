#pragma once

#include "lattice/GrowthField.h"
#include "files/PictureRows.h"

#include <cstdint>
#include <string>

/// The one entry point for saving a picture: the format follows the file's name, PNG for a
/// name ending in ".png" (any case), else BMP.
class PictureFile {
public:
    /// Whether `path` names a PNG file: it ends in ".png", in any case.
    static bool isPngName(const std::string& path);

    /// The most memory a save of a picture `width` pixels wide takes beside the picture: a row
    /// of ours and one of the PNG writer's, the compressor's window and hash tables, the writer's
    /// own state and buffers.
    static std::uint64_t workingBytesFor(std::int64_t width);

    /// Writes the field as it stands (white cluster on black) to `path`. Throws SaveError.
    static void save(const GrowthField& field, const std::string& path);
    /// Writes any picture to `path`. Throws SaveError.
    static void save(const PictureRows& picture, const std::string& path);
};
