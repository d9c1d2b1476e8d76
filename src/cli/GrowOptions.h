#pragma once

#include "lattice/FieldSize.h"
#include "GrowthMode.h"
#include "SeedRange.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

/// How dla-grow paints the cluster.
enum class PictureColour {
    White, ///< white on black, the picture the desktop program shows
    Age    ///< each wanderer's pixel in the colour of its release order
};

/// What dla-grow was asked to do, read from its command line.
class GrowOptions {
public:
    static constexpr std::uint32_t MaximumRuns = 1'000'000;

    /// An entry of the mode table.
    const GrowthMode* mode = nullptr;
    FieldSize size;
    /// Whether --size was given; else the mode chose the size.
    bool sizeGiven = false;
    /// The number of points N (N + 1 wanderers in a lattice mode, N particles off the lattice);
    /// empty for a run to the limit.
    std::optional<std::int32_t> points;
    std::uint32_t seed = 0;
    /// The file to write, the file-name rule already applied.
    std::string output;
    PictureColour colour = PictureColour::White;
    /// The particle list's file, as given; empty for none.
    std::string particles;
    bool json = false;
    bool quiet = false;
    /// The number of runs of an ensemble, with the seeds seed, seed + 1, ...; empty for one
    /// run as before. When given, "{seed}" in a file name becomes each run's seed, and with more
    /// than one run a name without it gets "-SEED" (RunFileName).
    std::optional<std::uint32_t> runs;
    /// How many runs of an ensemble go at once; empty for the processors this process may use.
    std::optional<int> jobs;
    /// Files of run summaries to sum up instead of growing ("-" for standard input); empty when
    /// dla-grow is to grow.
    std::vector<std::string> aggregate;
    /// With --aggregate: the seeds that must all be summed up, and no other; empty for any.
    std::optional<SeedRange> seeds;
    /// The values of the mode's own options (GrowthMode::options), as typed, by long name.
    std::map<std::string, std::string, std::less<>> modeOptions;

    /// Reads the command line. Help and --version are printed to `out`, and then the result is
    /// empty: there is nothing to grow. Throws UsageError, one line, for anything it cannot
    /// take. The seed, when not given, comes from the clock.
    static std::optional<GrowOptions> parse(int argc, const char* const* argv, std::ostream& out);

    /// "WxH", both whole numbers from FieldSize::MinimumSide to FieldSize::MaximumSide.
    static FieldSize parseSize(const std::string& text);
    /// A whole number from 0 to 4294967295.
    static std::uint32_t parseSeed(const std::string& text);
    /// Any 32-bit signed whole number.
    static std::int32_t parsePoints(const std::string& text);
    /// A whole number from 1 to MaximumRuns.
    static std::uint32_t parseRuns(const std::string& text);
    /// A whole number from JobCount::Minimum to JobCount::Maximum.
    static int parseJobs(const std::string& text);
    /// "FIRST-LAST", two seeds with FIRST <= LAST.
    static SeedRange parseSeeds(const std::string& text);
    /// The name of a mode of the mode table.
    static const GrowthMode& parseMode(const std::string& text);
    /// "white" or "age".
    static PictureColour parseColour(const std::string& text);
};
