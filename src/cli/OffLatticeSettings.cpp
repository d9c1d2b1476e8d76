#include "OffLatticeSettings.h"

#include "GrowRequest.h"
#include "UsageError.h"

#include <charconv>
#include <cstdio>

namespace {

/// A scale as messages show it: "2", "0.25".
std::string scaleText(double scale)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", scale);
    return text;
}

} // namespace

std::any OffLatticeSettings::read(const ModeOptionTexts& given)
{
    OffLatticeSettings settings;
    if (const auto scale = given.find(ScaleOption); scale != given.end())
        settings.scale = parseScale(scale->second);
    return settings;
}

std::any OffLatticeSettings::readSpace(const ModeOptionTexts& given)
{
    OffLatticeSettings settings;
    settings.scale = SpaceDefaultScale;
    if (const auto scale = given.find(ScaleOption); scale != given.end())
        settings.scale = parseScale(scale->second);
    return settings;
}

OffLatticeSettings OffLatticeSettings::of(const GrowRequest& request)
{
    return request.modeSettings.has_value() ? std::any_cast<OffLatticeSettings>(request.modeSettings)
                                            : OffLatticeSettings{};
}

double OffLatticeSettings::parseScale(const std::string& text)
{
    double scale = 0;
    const char* end = text.data() + text.size();
    // Decimal and scientific spellings alike; from_chars takes no blanks, no sign but minus and
    // no hex, and "inf" and "nan" fall outside the range below.
    const auto [stop, error] = std::from_chars(text.data(), end, scale, std::chars_format::general);
    if (text.empty() || error != std::errc{} || stop != end || !(scale >= MinimumScale && scale <= MaximumScale))
        throw UsageError(std::string(ScaleOption) + " must be a number of pixels per particle diameter from " +
                         scaleText(MinimumScale) + " to " + scaleText(MaximumScale) + ", not '" + text + "'");
    return scale;
}
