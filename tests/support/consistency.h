#pragma once
// What must hold of the open database and the open PCG whatever was opened, sent, deleted or
// failed on the way: the checks the fuzz targets make after every step and the fault tests
// after every failure. Each returns the problems found as short texts, none when all is well.

#include <string>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::testing {

// The counters agree with the header records, every file holds its records up to its count,
// every entry carries its own number, every reference (a drum kit, a timbre's program, a class,
// a parent class) names an entry that exists, and every chain of parents reaches the top.
std::vector<std::string> databaseProblems(const db::RecordFiles& files);

// Every occupancy flag is 0 or 1, and the image holds exactly one PCG's bytes.
std::vector<std::string> pcgProblems(const pcg::PcgState& pcg);

// The problems joined one a line, for a failure message.
std::string joined(const std::vector<std::string>& problems);

}  // namespace pelvaro::testing
