#pragma once

#include <string_view>

/// Which of the two pictures dla-grow grows.
enum class GrowMode {
    Plant,    ///< plant life: upward from the base strip
    Snowflake ///< outward from the centre pixel
};

/// The mode's name on the command line and in the summary: "plant" or "snowflake".
constexpr std::string_view modeName(GrowMode mode)
{
    return mode == GrowMode::Plant ? "plant" : "snowflake";
}

/// The name of the mode's growth marker: the plant's top row or the flake's radius.
constexpr std::string_view markerName(GrowMode mode)
{
    return mode == GrowMode::Plant ? "plantTop" : "snowRadius";
}
