#pragma once

#include "ProgramState.h"
#include "RunHost.h"
#include "RunStats.h"

#include <cstdint>

/// The outer loop both growth runs share: menu states at start and end, N + 1 wanderers (or up
/// to 10,000,000 with To Limit), the cancel poll before each wanderer, the host's message
/// processing after a wanderer's walk and before its stamp, and the To-Limit stop after it.
class RunFrame {
public:
    /// The wanderer bound of a To-Limit run; the limit normally ends it much earlier.
    static constexpr std::int32_t ToLimitWanderers = 10'000'000;

    RunFrame(ProgramState& state, RunHost& host) : state_(state), host_(host) {}

    /// Grows the plant-life field.
    RunStats runPlantLife();
    /// Grows the snowflake field.
    RunStats runSnowflake();

private:
    template <class Growth>
    RunStats run(Growth& growth);

    ProgramState& state_;
    RunHost& host_;
};
