#pragma once

#include "lattice/FieldSize.h"
#include "SummaryKeys.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class GrowOptions;
class GrowthRun;

/// A command-line option of one growth mode alone (`--scale` for a mode that draws its
/// picture after the run). Its text is kept in GrowOptions::modeOptions under its long name,
/// and only the mode reads it.
struct ModeOption {
    std::string_view name;     ///< "--scale"
    std::string_view typeName; ///< "S", shown in the help
    std::string_view help;
};

/// One growth mode of dla-grow, as the mode table lists it: all the rest of dla-grow (options,
/// plan, ensemble, summaries, aggregate) knows a mode only through this entry.
struct GrowthMode {
    /// The mode's name on the command line and in the summaries: "plant".
    std::string_view name;
    /// The version of the growth engine that grows its runs ("snowflake-1"), written into every
    /// summary: a seed gives the same cluster only under the same engine, so summaries of two
    /// engines are never summed up together.
    std::string_view engine;
    /// The picture's size when --size is not given.
    FieldSize defaultSize;
    /// The name of the growth marker shown in the progress bar and the one-line summary
    /// ("plantTop"); the Marker figure's value is its position.
    std::string_view markerName;
    /// The figures its summaries report, in their order; the others are not its own.
    std::vector<SummaryKeys::Figure> figures;
    /// Its own command-line options, beside those of every mode.
    std::vector<ModeOption> options;

    /// Refuses before anything grows what a run with `options` could never do: throws
    /// UsageError for a value of the mode's own options, FieldSizeError when one run could
    /// never be held in memory.
    void (*checkBeforeRuns)(const GrowOptions& options);
    /// The memory one run with `options` holds at its peak, its thread's stack included: what
    /// an ensemble counts to choose how many runs go at once.
    std::uint64_t (*memoryOfOneRun)(const GrowOptions& options);
    /// The one-line refusal of a run with `options` that the memory cannot hold, naming what
    /// it would have grown ("Not enough memory for a picture of 9000 x 9000 pixels").
    std::string (*memoryRefusal)(const GrowOptions& options);
    /// Makes one run with `options` (its seed and file names set), allocating what it grows
    /// on: throws FieldSizeError when the memory cannot hold it, and nothing is written.
    std::unique_ptr<GrowthRun> (*makeRun)(const GrowOptions& options);
    /// The picture's size when --size is not given, worked out from the other options (its
    /// mode's own and --points included); null for defaultSize always. Throws UsageError.
    FieldSize (*sizeWithoutSizeOption)(const GrowOptions& options) = nullptr;

    bool reports(SummaryKeys::Figure figure) const;
};
