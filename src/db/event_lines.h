#pragma once

#include <string>
#include <vector>

namespace pelvaro::db {

// The event list: one line for each thing a transfer or a deletion could not do. The commands
// that clear the list clear it themselves when they start.
using EventLines = std::vector<std::string>;

}  // namespace pelvaro::db
