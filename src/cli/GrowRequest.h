#pragma once

#include "lattice/FieldSize.h"
#include "PictureColour.h"

#include <any>
#include <cstdint>
#include <optional>
#include <string>

struct GrowthMode;

/// What dla-grow is asked to grow, how many times, and which files to write: the one thing the
/// plan, the runs and their results read. It holds values only; the command line is read into
/// it by GrowOptions, and a program that grows without a command line can fill it itself.
struct GrowRequest {
    /// An entry of the mode table.
    const GrowthMode* mode = nullptr;
    FieldSize size;
    /// Whether the size was asked for; else the mode chose it.
    bool sizeGiven = false;
    /// The number of points N (N + 1 wanderers in a lattice mode, N particles off the lattice),
    /// within the mode's range (GrowthMode::fewestPoints, mostPoints); empty for a run to the
    /// limit.
    std::optional<std::int64_t> points;
    /// The mode's own settings, of the type its entry reads them into (GrowthMode::readSettings);
    /// empty for a mode without options of its own.
    std::any modeSettings;
    std::uint32_t seed = 0;
    /// The picture's file, the file-name rule already applied; empty for no picture.
    std::string output;
    PictureColour colour = PictureColour::White;
    /// The particle list's file; empty for none.
    std::string particles;
    bool json = false;
    bool quiet = false;
    /// The number of runs of an ensemble, with the seeds seed, seed + 1, ...; empty for one
    /// run. With it, "{seed}" in a file name becomes each run's seed, and with more than one run
    /// a name without it gets "-SEED" (RunFileName).
    std::optional<std::uint32_t> runs;
    /// How many runs of an ensemble go at once; empty for the processors this process may use.
    std::optional<int> jobs;

    bool wantsPicture() const { return !output.empty(); }
};
