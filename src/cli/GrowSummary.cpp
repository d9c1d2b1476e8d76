#include "GrowSummary.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

/// A figure with two decimals, or "n/a" when there is none.
std::string twoDecimals(const std::optional<double>& figure)
{
    if (!figure)
        return "n/a";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", *figure);
    return text;
}

/// A figure as JSON: null when there is none.
nlohmann::ordered_json orNull(const std::optional<double>& figure)
{
    return figure ? nlohmann::ordered_json(*figure) : nlohmann::ordered_json(nullptr);
}

} // namespace

std::string GrowSummary::line() const
{
    char text[320];
    std::snprintf(text, sizeof text, "%s %dx%d, seed %u: %lld wanderers, %lld moves, %s %d, %.2f s, "
                  "%lld pixels, gyration radius %s, fractal dimension %s, written to ",
                  modeName(mode).data(), width, height, seed, static_cast<long long>(wanderers),
                  static_cast<long long>(moves), markerName(mode).data(), marker, seconds,
                  static_cast<long long>(pixels), twoDecimals(gyrationRadius).c_str(), twoDecimals(dimension).c_str());
    return text + output + (particles.empty() ? "" : ", particles to " + particles);
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
