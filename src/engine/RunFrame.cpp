#include "RunFrame.h"

#include "PlantLifeGrowth.h"
#include "SnowflakeGrowth.h"

template <class Growth>
RunStats RunFrame::run(Growth& growth)
{
    RunStats stats;
    host_.runStarted();
    const bool toLimit = host_.toLimit();
    growth.startRun();
    const std::int64_t lastCount = toLimit ? ToLimitWanderers : host_.numberOfPoints();

    for (std::int64_t count = 0; count <= lastCount; ++count) {
        if (state_.stopRequested) {
            // Cancelled: Cancel has already put the menu back, so leave it alone.
            state_.stopRequested = false;
            return stats;
        }
        const FieldPoint stuck = growth.walk(stats.moves);
        ++stats.wanderers;
        if (count % growth.messageDivisor() == 0)
            host_.processPendingMessages();
        growth.stick(stuck);
        if (toLimit && growth.limitReached())
            break;
    }
    // A Cancel handled at the last wanderer's message point finds no later poll; the run has
    // ended anyway, so the request is spent here rather than stopping the next run.
    state_.stopRequested = false;
    host_.runEnded();
    return stats;
}

RunStats RunFrame::runPlantLife()
{
    PlantLifeGrowth growth(state_);
    return run(growth);
}

RunStats RunFrame::runSnowflake()
{
    SnowflakeGrowth growth(state_);
    return run(growth);
}
