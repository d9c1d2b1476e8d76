#pragma once

#include <cstdint>

/// A seed for a run that was given none: 32 bits from the system's random source, so runs
/// started at the same moment (two ensembles, or many jobs of a batch system) get unrelated
/// seeds. The run still tells the seed it used, and that seed grows it again.
class SystemSeed {
public:
    /// getrandom(2), which waits only while the system's pool has never been seeded (early in
    /// boot); std::random_device should that call be missing.
    static std::uint32_t draw();
};
