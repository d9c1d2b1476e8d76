#include "GrowSummary.h"

#include "OneLineText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

/// A figure as JSON: null when there is none.
nlohmann::ordered_json orNull(const std::optional<double>& figure)
{
    return figure ? nlohmann::ordered_json(*figure) : nlohmann::ordered_json(nullptr);
}

} // namespace

std::string GrowSummary::line() const
{
    char text[256];
    std::snprintf(text, sizeof text, "%s %dx%d, seed %u: %lld wanderers, %lld moves, %s %d, %.2f s, %lld pixels, ",
                  modeName(mode).data(), width, height, seed, static_cast<long long>(wanderers),
                  static_cast<long long>(moves), markerName(mode).data(), marker, seconds,
                  static_cast<long long>(pixels));
    std::string line = text;
    // A figure that cannot be had (no pixel, a cluster too small to estimate) gets no mention.
    if (gyrationRadius) {
        std::snprintf(text, sizeof text, "gyration radius %.2f, ", *gyrationRadius);
        line += text;
    }
    if (dimension) {
        std::snprintf(text, sizeof text, "fractal dimension %.2f, ", *dimension);
        line += text;
    }
    line += "written to " + OneLineText::of(output);
    return particles.empty() ? line : line + ", particles to " + OneLineText::of(particles);
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
    object["pixels"] = pixels;
    object["gyration_radius"] = orNull(gyrationRadius);
    object["dimension"] = orNull(dimension);
    object["output"] = output;
    // A file name need not be valid UTF-8; replace what is not rather than fail.
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
