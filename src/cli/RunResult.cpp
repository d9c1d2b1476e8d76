#include "RunResult.h"

#include "GrowRequest.h"
#include "GrowthMode.h"
#include "OneLineText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace {

/// A figure's value as the one-line summary shows it, with the words around it.
std::string lineText(const SummaryKeys::FigureKey& key, double value, std::string_view markerName)
{
    char text[64];
    if (key.kind == SummaryKeys::Kind::Real)
        std::snprintf(text, sizeof text, "%.*f", key.lineDecimals, value);
    else
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    if (key.kind == SummaryKeys::Kind::Marker)
        return std::string(markerName) + " " + text;
    return std::string(key.lineBefore) + text + std::string(key.lineAfter);
}

nlohmann::ordered_json jsonValue(const SummaryKeys::FigureKey& key, std::optional<double> value)
{
    if (!value)
        return nullptr;
    if (key.kind == SummaryKeys::Kind::Real)
        return *value;
    return static_cast<std::int64_t>(*value);
}

} // namespace

RunResult RunResult::of(const GrowRequest& request)
{
    RunResult result;
    result.mode = request.mode;
    result.size = request.size;
    result.seed = request.seed;
    result.output = request.output;
    result.particles = request.particles;
    return result;
}

std::string RunResult::kind() const
{
    return std::string(mode->name) + " " + std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::string RunResult::line() const
{
    std::vector<std::string> parts;
    // A figure that cannot be had (no pixel, a cluster too small to estimate) gets no mention.
    for (const SummaryKeys::Figure which : mode->figures)
        if (const auto value = figure(which))
            parts.push_back(lineText(SummaryKeys::of(which), *value, mode->markerName));
    if (!output.empty())
        parts.push_back("written to " + OneLineText::of(output));
    if (particlesWritten)
        parts.push_back("particles to " + OneLineText::of(particles));
    std::string line = kind() + ", seed " + std::to_string(seed) + ":";
    for (std::size_t i = 0; i < parts.size(); ++i)
        line += (i == 0 ? " " : ", ") + parts[i];
    return line;
}

std::string RunResult::json() const
{
    // ordered_json keeps the keys in the order they are set, which reads better than sorted.
    nlohmann::ordered_json object;
    object[SummaryKeys::Mode] = std::string(mode->name);
    object[SummaryKeys::Engine] = std::string(mode->engine);
    object[SummaryKeys::Width] = size.width;
    object[SummaryKeys::Height] = size.height;
    object[SummaryKeys::Seed] = seed;
    for (const SummaryKeys::FigureKey& key : SummaryKeys::figures())
        object[key.key] = jsonValue(key, figure(key.figure)); // null for another mode's figure
    object[SummaryKeys::Output] = output.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(output);
    if (!particles.empty())
        object[SummaryKeys::ParticleList] = particlesWritten ? nlohmann::ordered_json(particles) : nullptr;
    // A file name need not be valid UTF-8; replace what is not rather than fail.
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}
