#include "GrowSummary.h"

#include "OneLineText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

std::string GrowSummary::line() const
{
    char text[256];
    std::snprintf(text, sizeof text, "%s %dx%d, seed %u: %lld wanderers, %lld moves, %s %d, %.2f s, ",
                  modeName(mode).data(), width, height, seed, static_cast<long long>(wanderers),
                  static_cast<long long>(moves), markerName(mode).data(), marker, seconds);
    std::string line = text;
    // A cluster too small for a meaningful estimate gets no mention of one.
    if (dimension) {
        std::snprintf(text, sizeof text, "fractal dimension %.2f, ", *dimension);
        line += text;
    }
    return line + "written to " + OneLineText::of(output);
}

std::string GrowSummary::json() const
{
    // ordered_json keeps the keys in the order they are set, which reads better than sorted.
    nlohmann::ordered_json object;
    object["mode"] = std::string(modeName(mode));
    object["width"] = width;
    object["height"] = height;
    object["seed"] = seed;
    object["wanderers"] = wanderers;
    object["moves"] = moves;
    object["marker"] = marker;
    object["seconds"] = seconds;
    object["output"] = output;
    // A file name need not be valid UTF-8; replace what is not rather than fail.
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
