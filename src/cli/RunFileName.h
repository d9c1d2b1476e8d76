#pragma once

#include <cstdint>
#include <string>

/// The names the runs of an ensemble write to, made from the one name given for all of them.
class RunFileName {
public:
    /// Stands for the run's seed in a name.
    static constexpr const char* SeedField = "{seed}";

    /// `name` (the file-name rule already applied) for the run with `seed`: every "{seed}"
    /// replaced by the seed; a name without one gets "-SEED" before its extension when
    /// `markEveryName` is set (an ensemble, whose runs must not write over each other), and is
    /// left as it is otherwise. "flake.png" -> "flake-7.png"; a name whose last part has no
    /// extension gets "-SEED" at its end.
    static std::string forSeed(const std::string& name, std::uint32_t seed, bool markEveryName);
};
