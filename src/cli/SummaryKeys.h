#pragma once

#include <array>
#include <cstddef>
#include <string_view>

/// The keys of dla-grow's JSON summaries, for the writer and the reader alike, so a figure
/// cannot be written without being read. A run summary holds mode, engine, width, height and seed,
/// then every figure in the order of the table (null for those its mode does not report), then
/// output (and particle_list, for a run with a particle list); an aggregate holds runs, then
/// its mode's summed figures.
class SummaryKeys {
public:
    static constexpr std::string_view Mode = "mode";
    /// The growth engine's version for the mode (GrowthMode::engine); a summary written before
    /// summaries named their engine has none.
    static constexpr std::string_view Engine = "engine";
    static constexpr std::string_view Width = "width";
    static constexpr std::string_view Height = "height";
    static constexpr std::string_view Seed = "seed";
    static constexpr std::string_view Output = "output";
    /// After output, in the summary of a run with a particle list: its file, or null when it
    /// could not be written.
    static constexpr std::string_view ParticleList = "particle_list";
    /// The number of runs an aggregate sums up (and, within a figure, the runs that have it).
    static constexpr std::string_view Runs = "runs";
    static constexpr std::string_view Mean = "mean";
    static constexpr std::string_view StandardDeviation = "sd";

    /// Every figure a run of some mode reports. A mode reports the ones it names; a new mode's
    /// figure gets a value here and a row in the table.
    enum class Figure : std::size_t {
        Wanderers,
        Moves,
        Marker,
        Seconds,
        Pixels,
        GyrationRadius,
        Dimension,
        Particles,
        Jumps,
        Count ///< not a figure: how many there are
    };
    static constexpr std::size_t FigureCount = static_cast<std::size_t>(Figure::Count);

    /// What a figure's values may be.
    enum class Kind {
        Count,  ///< a whole number from 0 to 2^63, written as one
        Marker, ///< a whole number, written as one
        Real    ///< any number
    };

    /// How an aggregate sums a figure up.
    enum class Sum {
        None,     ///< not at all
        Spread,   ///< mean and sample standard deviation over every run
        SomeRuns, ///< mean and sample standard deviation over the runs that have it, and their number
        Total     ///< added up ("seconds in all"), after the others
    };

    struct FigureKey {
        Figure figure;
        std::string_view key;
        Kind kind;
        /// Whether a run may lack it: null in the JSON, left out of the line. The key is there
        /// either way.
        bool optional;
        /// Whether it is never below 0 (a Real's; a Count is never).
        bool nonNegative;
        /// A figure it can never exceed (pixels: one for each wanderer at most); Count for none.
        Figure atMost;
        Sum sum;
        /// In the one-line summary: the words before and after the value, and its decimals
        /// (a Marker's words before it are the mode's marker name).
        std::string_view lineBefore;
        std::string_view lineAfter;
        int lineDecimals;
        /// The decimals of its mean and deviation in the aggregate's line.
        int aggregateDecimals;
        /// What it counts, for --help: "the wanderers released (...)"; empty for a figure of one
        /// mode alone, whose entry says it (ModeHelp::figures), as it says what differs for it.
        std::string_view meaning;
    };

    /// The table, in the order of the Figure values.
    static const std::array<FigureKey, FigureCount>& figures();
    static const FigureKey& of(Figure figure) { return figures()[static_cast<std::size_t>(figure)]; }
};
