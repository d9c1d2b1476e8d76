#pragma once

#include "GrowthField.h"
#include "PictureRows.h"

#include <string>

/// The one entry point for saving a picture: the format follows the file's name, PNG for a
/// name ending in ".png" (any case), else BMP.
class PictureFile {
public:
    /// Whether `path` names a PNG file: it ends in ".png", in any case.
    static bool isPngName(const std::string& path);

    /// Writes the field as it stands (white cluster on black) to `path`. Throws SaveError.
    static void save(const GrowthField& field, const std::string& path);
    /// Writes any picture to `path`. Throws SaveError.
    static void save(const PictureRows& picture, const std::string& path);
};
