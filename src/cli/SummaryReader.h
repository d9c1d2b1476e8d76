#pragma once

#include "EnsembleAggregate.h"
#include "SeedRange.h"

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

/// Reads run summaries, one JSON object a line (JSON Lines, as `dla-grow --json` prints them,
/// from any number of runs and machines), into an aggregate. A summary is read by the keys of
/// SummaryKeys that its mode reports, as the writer writes them.
///
/// Blank lines are passed over, and so are aggregate lines (they sum up runs whose own lines
/// are there too), each checked to be one. Every other line must be a run summary with every
/// key of its kind, each of its type for the mode (null where the mode has none); of the same
/// mode, size and engine as the first one read (a summary written before summaries named their
/// engine only among others of its kind); a run not summed up before (the same seed twice is a
/// file given twice or a run grown again); and one whose figures the sums can hold. Each line
/// that is not is noted as "name:line: reason" and adds nothing. A line longer than any summary
/// ends the reading of its stream.
class SummaryReader {
public:
    /// Notes kept word for word; past this many only their number grows.
    static constexpr std::size_t KeptProblems = 10;
    /// The longest line read: a summary is a few hundred bytes, a few kilobytes with a long file
    /// name; a longer line is "too long" and never held whole.
    static constexpr std::size_t MaximumLineBytes = 64 * 1024;

    /// With `seeds`, a run whose seed lies outside them is a line that is not one of these runs.
    explicit SummaryReader(std::optional<SeedRange> seeds = std::nullopt) : seeds_(seeds) {}

    /// Reads every line of `in` (up to one too long); `name` names it in the notes. Throws std::runtime_error
    /// "Cannot read NAME: reason" when the stream fails.
    void read(std::istream& in, const std::string& name);

    /// The runs read so far.
    std::int64_t runs() const { return aggregate_ ? aggregate_->runs() : 0; }
    /// Their aggregate; only when runs() > 0.
    const EnsembleAggregate& aggregate() const { return *aggregate_; }
    /// The first KeptProblems notes, "name:line: reason".
    const std::vector<std::string>& problems() const { return problems_; }
    std::int64_t problemCount() const { return problemCount_; }

private:
    /// Checks one line and adds its run. Throws std::invalid_argument with the reason.
    void readLine(const std::string& line);
    /// Adds the run's figures to sums_; throws std::invalid_argument, adding nothing, when a
    /// sum of the aggregate could overflow.
    void addToSums(const RunResult& run);

    std::optional<SeedRange> seeds_;
    std::optional<EnsembleAggregate> aggregate_;
    /// The seeds summed up so far: a run is the same run when its mode, size and seed are (a
    /// rerun is identical), and all runs here share mode and size.
    std::unordered_set<std::uint32_t> summed_;
    std::string kind_; ///< "snowflake 1000x1000", from the first summary read
    /// The engine of the first summary read: empty when it names none.
    std::optional<std::string> engine_;
    /// For each figure, the sum of the runs' values (a total's) or of their squares (a mean's),
    /// kept to refuse a run whose figures the aggregate's sums could not hold.
    std::array<double, SummaryKeys::FigureCount> sums_{};
    std::vector<std::string> problems_;
    std::int64_t problemCount_ = 0;
};
