#pragma once

#include "lattice/FieldPoint.h"
#include "lattice/ProgramState.h"
#include "lattice/RunHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

/// A host with fixed settings that records what the run asked of it and can act, like a menu
/// command would, at chosen message points.
class ScriptedHost : public RunHost {
public:
    bool limit = true;
    std::int32_t points = 0;
    int started = 0;
    int ended = 0;
    int settingsRead = 0;
    int messageCalls = 0;
    /// What the run told at each message point, in order.
    std::vector<RunProgress> progress;
    /// Runs at every message point with the number of the call (from 1).
    std::function<void(int)> onMessages;

    void runStarted() override { ++started; }
    RunSettings settings() override
    {
        ++settingsRead;
        return RunSettings{limit, points};
    }
    void processPendingMessages(const RunProgress& at) override
    {
        ++messageCalls;
        progress.push_back(at);
        if (onMessages)
            onMessages(messageCalls);
    }
    void runEnded() override { ++ended; }
};

/// White pixels of a field, counted through its public reads.
inline int whitePixels(const GrowthField& field, std::int32_t firstRow = 0, std::int32_t lastRow = -1)
{
    if (lastRow < 0)
        lastRow = field.height() - 1;
    int count = 0;
    for (std::int32_t y = firstRow; y <= lastRow; ++y)
        for (std::int32_t x = 0; x < field.width(); ++x)
            count += field.isWhite(x, y) ? 1 : 0;
    return count;
}

/// Whether the touch lookup agrees with the eight reads everywhere a wanderer could stand near
/// the field (and a margin beyond, where both must say no).
inline bool touchLookupAgreesWithReads(const GrowthField& field)
{
    for (std::int32_t y = -3; y < field.height() + 3; ++y)
        for (std::int32_t x = -4; x < field.width() + 4; ++x)
            if (field.touchView().touches(x, y) != field.firstTouchedPixel(x, y).has_value())
                return false;
    return true;
}

/// Walks one wanderer of `Growth` and returns its release point and every later position.
template <class Growth>
std::vector<FieldPoint> tracedWalk(ProgramState& state, std::int64_t& moves)
{
    std::vector<FieldPoint> path;
    Growth(state).walk(moves, [&](std::int32_t x, std::int32_t y) { path.push_back({x, y}); });
    return path;
}

/// Checks that `attempt` throws an E whose message is exactly `message`: a failure that throws
/// for another reason, or says something else, does not pass.
template <class E, class Attempt>
void expectFailure(Attempt&& attempt, const std::string& message)
{
    try {
        attempt();
        ADD_FAILURE() << "nothing was thrown; expected: " << message;
    } catch (const E& error) {
        EXPECT_EQ(std::string(error.what()), message);
    }
}
