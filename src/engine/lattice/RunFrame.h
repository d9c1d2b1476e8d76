#pragma once

#include "lattice/PlantLifeGrowth.h"
#include "lattice/ProgramState.h"
#include "lattice/RunHost.h"
#include "lattice/RunStats.h"
#include "lattice/SnowflakeGrowth.h"
#include "lattice/StuckWanderer.h"

#include <cstdint>
#include <type_traits>

/// The outer loop both growth runs share: menu states at start and end, N + 1 wanderers (or up
/// to 10,000,000 with To Limit), the cancel poll before each wanderer, the host's message
/// processing after a wanderer's walk and before its stamp, and the To-Limit stop after it.
///
/// An observer, if given, sees every wanderer the run stamps; without one the run pays nothing.
class RunFrame {
public:
    /// The wanderer bound of a To-Limit run; the limit normally ends it much earlier.
    static constexpr std::int32_t ToLimitWanderers = 10'000'000;

    RunFrame(ProgramState& state, RunHost& host) : state_(state), host_(host) {}

    /// Grows the plant-life field.
    template <class Observer = NoObserver>
    RunStats runPlantLife(Observer&& observer = Observer{})
    {
        PlantLifeGrowth growth(state_);
        return run(growth, observer);
    }

    /// Grows the snowflake field.
    template <class Observer = NoObserver>
    RunStats runSnowflake(Observer&& observer = Observer{})
    {
        SnowflakeGrowth growth(state_);
        return run(growth, observer);
    }

private:
    template <class Growth, class Observer>
    RunStats run(Growth& growth, Observer& observer);

    ProgramState& state_;
    RunHost& host_;
};

template <class Growth, class Observer>
RunStats RunFrame::run(Growth& growth, Observer& observer)
{
    constexpr bool observed = !std::is_same_v<std::remove_cvref_t<Observer>, NoObserver>;
    RunStats stats;
    host_.runStarted();
    const RunSettings settings = host_.settings();
    growth.startRun();
    const std::int64_t lastCount = settings.toLimit ? ToLimitWanderers : settings.numberOfPoints;

    for (std::int64_t count = 0; count <= lastCount; ++count) {
        if (state_.stopRequested) {
            // Cancelled: Cancel has already put the menu back, so leave it alone.
            state_.stopRequested = false;
            stats.end = RunEnd::Stopped;
            return stats;
        }
        const std::uint64_t generation = growth.field().generation();
        const FieldPoint stuck = growth.walk(stats.moves);
        ++stats.wanderers;
        if (count % growth.messageInterval() == 0)
            host_.processPendingMessages(RunProgress{count + 1, growth.marker(), growth.markerLimit()});
        // A Reset or a new size at the message point cleared the picture this wanderer found its
        // place on: stamping it would leave a stray pixel (and marker) on the fresh picture.
        if (growth.field().generation() == generation) {
            if constexpr (observed) {
                StuckWanderer wanderer{count, stuck, growth.field().firstTouchedPixel(stuck.x, stuck.y),
                                       growth.field().inside(stuck.x, stuck.y) &&
                                           !growth.field().isWhite(stuck.x, stuck.y)};
                growth.stick(stuck);
                observer(wanderer);
            } else {
                growth.stick(stuck);
            }
        }
        if (settings.toLimit && growth.limitReached())
            break;
    }
    // A Cancel handled at the last wanderer's message point finds no later poll; the run has
    // ended anyway, so the request is spent here rather than stopping the next run. The user
    // still stopped this run, so nothing may follow it as if it had run its course.
    if (state_.stopRequested)
        stats.end = RunEnd::Stopped;
    state_.stopRequested = false;
    host_.runEnded();
    return stats;
}
