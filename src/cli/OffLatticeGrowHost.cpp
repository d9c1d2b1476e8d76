#include "OffLatticeGrowHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

OffLatticeGrowHost::OffLatticeGrowHost(std::function<double()> radius, const OffLatticePlan& plan, ProgressBar* bar,
                                       const std::atomic<bool>* cancelled)
    : radius_(std::move(radius)), plan_(plan), bar_(bar), cancelled_(cancelled)
{
    pace_.start();
}

bool OffLatticeGrowHost::stopWanted()
{
    return cancelled_ != nullptr && cancelled_->load(std::memory_order_relaxed);
}

void OffLatticeGrowHost::progress(std::int64_t arrivals)
{
    if (bar_ != nullptr && pace_.due(bar_->shown()))
        bar_->draw(fraction(arrivals), text(arrivals, std::chrono::duration<double>(pace_.elapsed()).count()));
}

void OffLatticeGrowHost::finish()
{
    if (bar_ != nullptr)
        bar_->clear();
}

double OffLatticeGrowHost::fraction(std::int64_t arrivals) const
{
    if (plan_.particles() > 0)
        return static_cast<double>(arrivals) / static_cast<double>(plan_.particles());
    return std::clamp(radius_() / plan_.edgeRadius(), 0.0, 1.0);
}

std::string OffLatticeGrowHost::text(std::int64_t arrivals, double seconds) const
{
    char text[160];
    if (plan_.particles() > 0)
        std::snprintf(text, sizeof text, "%lld particles of %lld  %.0f s", static_cast<long long>(arrivals),
                      static_cast<long long>(plan_.particles()), seconds);
    else
        std::snprintf(text, sizeof text, "%lld particles  radius %.1f -> %.1f  %.0f s", static_cast<long long>(arrivals),
                      radius_(), plan_.edgeRadius(), seconds);
    return text;
}
