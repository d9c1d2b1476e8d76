#pragma once

#include "lattice/FieldSize.h"
#include "SummaryKeys.h"

#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct GrowRequest;
class GrowthRun;

/// A command-line option of one growth mode alone (`--scale` for a mode that draws its
/// picture after the run). Only its mode reads it (GrowthMode::readSettings).
struct ModeOption {
    std::string_view name;     ///< "--scale"
    std::string_view typeName; ///< "S", shown in the help
    std::string_view help;
};

/// The values of a mode's own options as given on the command line, by long name.
using ModeOptionTexts = std::map<std::string, std::string, std::less<>>;

/// What --help says of one mode beside its name and its own options; an empty text says nothing.
struct ModeHelp {
    /// After the default sizes of --size: when its default size is not a fixed one.
    std::string_view size = {};
    /// In parentheses after --points: what N means for it.
    std::string_view points = {};
    /// In parentheses after --particles: which rows its list has.
    std::string_view particles = {};
    /// Its sentences in the paragraph on the particle list; a text two modes share is told once.
    std::string_view particleList = {};
    /// Example command lines.
    std::vector<std::string_view> examples = {};
    /// What a summary figure means for it where the figure's own meaning (SummaryKeys) does
    /// not say it: told after the mode's name, in parentheses after that meaning.
    struct FigureNote {
        SummaryKeys::Figure figure;
        std::string_view note;
    };
    std::vector<FigureNote> figures = {};
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
    ModeHelp help;
    /// The values --points may take for it.
    std::int64_t fewestPoints = std::numeric_limits<std::int32_t>::min();
    std::int64_t mostPoints = std::numeric_limits<std::int32_t>::max();

    /// Reads the values of its own options, once, into the settings its runs read
    /// (GrowRequest::modeSettings); throws UsageError, one line, for a value it cannot take.
    /// Null for a mode without options of its own.
    std::any (*readSettings)(const ModeOptionTexts& given) = nullptr;
    /// The picture's size when --size is not given, worked out from the rest of the request
    /// (its own settings and the points included); null for defaultSize always. Throws
    /// UsageError.
    FieldSize (*sizeWithoutSizeOption)(const GrowRequest& request) = nullptr;
    /// Refuses before anything grows what a run of `request` could never do: throws
    /// UsageError or FieldSizeError (when one run could never be held in memory).
    void (*checkBeforeRuns)(const GrowRequest& request) = nullptr;
    /// The memory one run of `request` holds at its peak, its thread's stack included: what an
    /// ensemble counts to choose how many runs go at once.
    std::uint64_t (*memoryOfOneRun)(const GrowRequest& request) = nullptr;
    /// The one-line refusal of a run of `request` that the memory cannot hold, naming what it
    /// would have grown ("Not enough memory for a picture of 9000 x 9000 pixels").
    std::string (*memoryRefusal)(const GrowRequest& request) = nullptr;
    /// Makes one run of `request` (its seed and file names set), allocating what it grows on:
    /// throws FieldSizeError when the memory cannot hold it, and nothing is written.
    std::unique_ptr<GrowthRun> (*makeRun)(const GrowRequest& request) = nullptr;

    bool reports(SummaryKeys::Figure figure) const;
};
