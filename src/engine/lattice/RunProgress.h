#pragma once

#include <cstdint>

/// Where a run stands at a message point: after a wanderer's walk, before its stamp.
struct RunProgress {
    /// Wanderers released so far, the one about to be stamped included.
    std::int64_t wanderers = 0;
    /// The growth marker: plantTop for plant life, snowRadius for snowflakes.
    std::int32_t marker = 0;
    /// The marker value at which a To-Limit run ends: plantTop falls to it (1), snowRadius rises
    /// to it (the smallest radius beyond Min(W, H) / 2 - 2).
    std::int32_t markerLimit = 0;
};
