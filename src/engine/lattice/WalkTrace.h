#pragma once

#include <cstdint>

/// The walks' default observer: sees nothing, and compiles to nothing in the hot loop.
struct NoTrace {
    void operator()(std::int32_t, std::int32_t) const {}
};
