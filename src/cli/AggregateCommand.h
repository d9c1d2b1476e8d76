#pragma once

#include <ostream>
#include <string>
#include <vector>

/// `dla-grow --aggregate FILE...`: sums up the run summaries in JSON Lines files (or standard
/// input for "-"), as written by any number of ensembles on any number of machines, and prints
/// the aggregate as a line or, with `json`, one JSON object.
///
/// Returns the exit status: 0 with the aggregate printed; 2 when a file cannot be read, a line
/// is not a run summary (each told as "file:line: reason" on `errors`) or there is no run to sum
/// up, and then nothing is printed on `out`.
int aggregateSummaries(const std::vector<std::string>& files, bool json, std::ostream& out, std::ostream& errors);
