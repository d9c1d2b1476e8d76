#pragma once

#include "lattice/FieldSize.h"
#include "GrowRequest.h"
#include "GrowthMode.h"
#include "SeedRange.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

/// dla-grow's command line, read: the request to grow, or the summaries to sum up instead.
class GrowOptions {
public:
    static constexpr std::uint32_t MaximumRuns = 1'000'000;

    /// What to grow; with --aggregate only its json is set.
    GrowRequest request;
    /// Files of run summaries to sum up instead of growing ("-" for standard input); empty when
    /// dla-grow is to grow.
    std::vector<std::string> aggregate;
    /// With --aggregate: the seeds that must all be summed up, and no other; empty for any.
    std::optional<SeedRange> seeds;

    /// Reads the command line. Help, --version and --engine are printed to `out`, and then the result is
    /// empty: there is nothing to grow. Throws UsageError, one line, for anything it cannot
    /// take. The seed, when not given, is drawn from the system's random source (SystemSeed).
    static std::optional<GrowOptions> parse(int argc, const char* const* argv, std::ostream& out);

    /// "WxH", both whole numbers from FieldSize::MinimumSide to FieldSize::MaximumSide.
    static FieldSize parseSize(const std::string& text);
    /// A whole number from 0 to 4294967295.
    static std::uint32_t parseSeed(const std::string& text);
    /// A whole number in `mode`'s range (GrowthMode::fewestPoints to mostPoints).
    static std::int64_t parsePoints(const std::string& text, const GrowthMode& mode);
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
