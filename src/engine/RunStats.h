#pragma once

#include <cstdint>

/// What a run did: wanderers released and moves walked (one draw per move).
struct RunStats {
    std::int64_t wanderers = 0;
    std::int64_t moves = 0;
};
