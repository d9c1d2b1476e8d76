#include "PictureFile.h"

#include "BmpFile.h"
#include "FieldRows.h"
#include "PngFile.h"

#include <algorithm>
#include <cctype>

bool PictureFile::isPngName(const std::string& path)
{
    constexpr std::string_view extension = ".png";
    if (path.size() < extension.size())
        return false;
    return std::equal(extension.begin(), extension.end(), path.end() - static_cast<std::ptrdiff_t>(extension.size()),
                      [](char wanted, char actual) {
                          return wanted == std::tolower(static_cast<unsigned char>(actual));
                      });
}

void PictureFile::save(const GrowthField& field, const std::string& path)
{
    if (isPngName(path))
        PngFile::save(FieldRows(field), path);
    else
        BmpFile::save(field, path); // the pixel block as it stands, in one write
}

void PictureFile::save(const PictureRows& picture, const std::string& path)
{
    if (isPngName(path))
        PngFile::save(picture, path);
    else
        BmpFile::save(picture, path);
}
