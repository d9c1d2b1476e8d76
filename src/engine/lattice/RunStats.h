#pragma once

#include <cstdint>

/// How a run ended.
enum class RunEnd {
    ByRule,  ///< its own rule: every wanderer released, or the To-Limit stop
    Stopped  ///< stopRequested was set (Cancel, or a close), found before a wanderer or at the end
};

/// What a run did: wanderers released and moves walked (one draw per move), and how it ended.
struct RunStats {
    std::int64_t wanderers = 0;
    std::int64_t moves = 0;
    RunEnd end = RunEnd::ByRule;
};
