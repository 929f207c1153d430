#pragma once
// Which of the rows a refill gives a database list it shows, and in which order: the musician's
// marks choose ("Show:"), a sort orders ("Sort:"). The rows keep their numbers from 1 as shown;
// only which entry stands behind each row changes.

#include <cstdint>
#include <vector>

#include "db/entries.h"
#include "db/origins.h"

namespace pelvaro::db {

class NameColumn;

// The orders of a list: by ID (as the entries are stored); by name (in upper case, byte by
// byte); by rating, highest first; by when the sound first came in, oldest first and sounds
// never sent last; by the number of files it came from, most first. Entries that tie keep their
// ID order.
enum class RowOrder { Id, Name, Rating, FirstSent, FileCount };

struct RowChoice {
    MarkFilter show{};
    RowOrder order = RowOrder::Id;
};

// The entries of `ids` (of kind, ascending) that `choice` shows, in its order.
std::vector<std::int32_t> chosenRows(std::vector<std::int32_t> ids, Kind kind,
                                     const RowChoice& choice, const OriginStore& origins,
                                     NameColumn& names);

}  // namespace pelvaro::db
