#include "picture/AgePicture.h"

#include "picture/FieldRows.h"

namespace {

void put(std::uint8_t* pixel, ColourMap::Rgb colour)
{
    pixel[0] = colour.blue;
    pixel[1] = colour.green;
    pixel[2] = colour.red;
}

} // namespace

const std::uint8_t* AgePicture::row(std::int32_t y, std::uint8_t* buffer) const
{
    const std::uint8_t* plain = FieldRows(field_).row(y, nullptr);
    const std::uint32_t* order = order_.row(y);
    const auto last = static_cast<std::uint64_t>(order_.lastIndex().value_or(0));
    for (std::int32_t x = 0; x < field_.width(); ++x, plain += 3, buffer += 3) {
        // The cluster is what is white in the plain picture, so both pictures show the same shape.
        const bool white = plain[0] == 0xFF && plain[1] == 0xFF && plain[2] == 0xFF;
        if (!white)
            put(buffer, ColourMap::Rgb{});
        else if (order[x] == 0)
            put(buffer, StartColour);
        else
            put(buffer, ColourMap::entry(ColourMap::entryFor(order[x] - 1, last)));
    }
    return buffer - static_cast<std::ptrdiff_t>(field_.width()) * 3;
}
