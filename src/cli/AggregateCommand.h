#pragma once

#include "SeedRange.h"

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

/// `dla-grow --aggregate FILE...`: sums up the run summaries in JSON Lines files (or standard
/// input for "-"), as written by any number of ensembles on any number of machines, and prints
/// the aggregate as a line or, with `json`, one JSON object.
///
/// With `seeds`, every seed of the range must be summed up, and no other: the missing ones are
/// named. `standardInput` is null when the process's standard input is closed.
///
/// Returns the exit status: 0 with the aggregate printed; 2 when a file cannot be read, a line
/// is not a run summary (each told as "file:line: reason" on `errors`), seeds are missing or
/// there is no run to sum up, and then nothing is printed on `out`.
int aggregateSummaries(const std::vector<std::string>& files, std::optional<SeedRange> seeds, bool json,
                       std::istream* standardInput, std::ostream& out, std::ostream& errors);
