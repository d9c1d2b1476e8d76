#pragma once

#include "files/PictureRows.h"

#include <string>

/// A picture as a PNG file: 8-bit RGB, not interlaced, 3780 pixels per metre like the BMP.
class PngFile {
public:
    /// Writes `picture` to `path` row by row through SafeSave, so the old file stays whole
    /// until the new one is complete. Throws SaveError as SafeSave does.
    static void save(const PictureRows& picture, const std::string& path);
};
