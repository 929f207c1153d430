#pragma once
// An entry a window shows, followed through the changes of the database. Deleting entries gives
// their numbers to the last entries, and an undo gives them back, so an ID alone may come to name
// another sound. The entry is known by its instrument record (its name and sound: the bytes
// before its ID), not by its references or classes, which renumbering other entries rewrites.

#include <cstdint>
#include <vector>

#include "db/name_column.h"
#include "db/record_files.h"

namespace pelvaro::db {

class FollowedEntry {
  public:
    // Entry id of kind (Program or Combination), as it stands now.
    FollowedEntry(const RecordFiles& files, Kind kind, std::int32_t id);

    std::int32_t id() const { return id_; }

    // Finds the entry again after changes: true, with id() its number now, when an entry holds
    // its instrument record (the entry at id() first, else the lowest of the entries of its
    // name); false, with id() as it was, when none does (it was deleted or edited).
    bool findAgain(const RecordFiles& files, NameColumn& names);

  private:
    bool heldBy(const RecordFiles& files, std::int32_t id) const;

    Kind kind_;
    std::int32_t id_;
    std::vector<Byte> record_;  // the instrument record
};

}  // namespace pelvaro::db
