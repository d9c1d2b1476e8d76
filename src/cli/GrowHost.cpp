#include "GrowHost.h"

#include "PlantLifeGrowth.h"
#include "SnowflakeGrowth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

GrowHost::GrowHost(ProgramState& state, GrowMode mode, std::optional<std::int32_t> points, ProgressBar* bar)
    : state_(state), mode_(mode), points_(points), bar_(bar)
{
}

void GrowHost::runStarted()
{
    started_ = Clock::now();
    lastDrawn_ = started_;
    wanderers_ = 0;
    lastInterval_ = 0;
}

void GrowHost::processPendingMessages()
{
    countMessagePoint();
    if (bar_ == nullptr)
        return;
    const Clock::time_point now = Clock::now();
    if (now - started_ < FirstDraw || (bar_->shown() && now - lastDrawn_ < Redraw))
        return;
    lastDrawn_ = now;
    // With a number of points the bar follows the wanderers, else the marker on its way.
    const double fraction = points_ ? static_cast<double>(wanderers_) / (static_cast<double>(*points_) + 1.0)
                                    : markerProgress();
    bar_->draw(fraction, progressText(now - started_));
}

void GrowHost::finish()
{
    if (bar_ != nullptr)
        bar_->clear();
}

void GrowHost::countMessagePoint()
{
    // The run calls at the counts that are multiples of the interval it reads at that moment;
    // the interval never shrinks during a run, so an unchanged interval means exactly one step.
    const std::int64_t interval = messageInterval();
    if (lastInterval_ == 0)
        wanderers_ = 0;
    else if (interval == lastInterval_)
        wanderers_ += interval;
    else
        wanderers_ = (wanderers_ / interval + 1) * interval;
    lastInterval_ = interval;
}

std::int64_t GrowHost::messageInterval() const
{
    if (mode_ == GrowMode::Plant)
        return PlantLifeGrowth(state_).messageDivisor();
    return SnowflakeGrowth(state_).messageDivisor();
}

std::int32_t GrowHost::marker() const
{
    return mode_ == GrowMode::Plant ? state_.plantTop : state_.snowRadius;
}

std::int32_t GrowHost::markerLimit() const
{
    if (mode_ == GrowMode::Plant)
        return 1;
    const FieldSize size = state_.snowSize();
    return static_cast<std::int32_t>(std::floor(std::min(size.width, size.height) / 2.0 - 2)) + 1;
}

double GrowHost::markerProgress() const
{
    // plantTop falls from height - 5 to 1; snowRadius rises from 1.
    const double start = mode_ == GrowMode::Plant ? state_.plantSize().height - 5 : 1;
    const double way = markerLimit() - start;
    if (way == 0)
        return 1.0;
    return std::clamp((marker() - start) / way, 0.0, 1.0);
}

std::string GrowHost::progressText(Clock::duration elapsed) const
{
    const double seconds = std::chrono::duration<double>(elapsed).count();
    char text[160];
    std::snprintf(text, sizeof text, "%lld wanderers  %s %d -> %d  %.0f s",
                  static_cast<long long>(wanderers_), markerName(mode_).data(), marker(), markerLimit(),
                  seconds);
    return text;
}
