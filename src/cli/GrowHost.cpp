#include "GrowHost.h"

#include <algorithm>
#include <cstdio>

GrowHost::GrowHost(std::optional<std::int32_t> points, std::string_view markerName, ProgressBar* bar)
    : points_(points), markerName_(markerName), bar_(bar)
{
}

void GrowHost::runStarted()
{
    pace_.start();
    first_ = RunProgress{};
    last_ = RunProgress{};
}

RunSettings GrowHost::settings()
{
    return points_ ? RunSettings{false, *points_} : RunSettings{true, 0};
}

void GrowHost::processPendingMessages(const RunProgress& progress)
{
    // The first message point comes before the first stamp: its marker is where the run starts.
    if (last_.wanderers == 0)
        first_ = progress;
    last_ = progress;
    if (cancelled_ != nullptr && cancelled_->load(std::memory_order_relaxed))
        *stopRequested_ = true;
    if (bar_ == nullptr)
        return;
    if (pace_.due(bar_->shown()))
        bar_->draw(fraction(), progressText(pace_.elapsed()));
}

void GrowHost::finish()
{
    if (bar_ != nullptr)
        bar_->clear();
}

double GrowHost::fraction() const
{
    if (points_)
        return static_cast<double>(last_.wanderers) / (static_cast<double>(*points_) + 1.0);
    const double way = static_cast<double>(last_.markerLimit) - first_.marker;
    if (way == 0)
        return 1.0;
    return std::clamp((last_.marker - first_.marker) / way, 0.0, 1.0);
}

std::string GrowHost::progressText(Clock::duration elapsed) const
{
    const double seconds = std::chrono::duration<double>(elapsed).count();
    char text[160];
    std::snprintf(text, sizeof text, "%lld wanderers  %.*s %d -> %d  %.0f s", static_cast<long long>(last_.wanderers),
                  static_cast<int>(markerName_.size()), markerName_.data(), last_.marker, last_.markerLimit, seconds);
    return text;
}
