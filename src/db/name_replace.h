#pragma once
// Names changed in bulk on chosen entries: a text found and replaced in every name, or the
// names numbered ("Pad 01", "Pad 02", ...). A plan lists the names that change, old and new,
// before any is written; a name that would grow past its ten bytes is cut and marked, and so is
// a new name that would be the same as another name.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/name_column.h"
#include "db/record_files.h"

namespace pelvaro::db {

// What to do to the names. Texts are single-byte (Latin-1), as the records hold them.
struct NameEdit {
    enum class Mode { Replace, Number };
    Mode mode = Mode::Replace;
    // Replace: every occurrence of `find`, left to right, becomes `replacement`; without
    // matchCase the two are compared in upper case, as the search compares names. An empty
    // `find` changes nothing.
    std::string find{};
    std::string replacement{};
    bool matchCase = false;
    // Number: `base` as typed, then the entry's number (from `start`, in the order the entries
    // are given) with as many digits as the last number needs, at least two: "Pad " and 1 give
    // "Pad 01", "Pad 02", ...
    std::string base{};
    std::int32_t start = 1;
};

struct NameChange {
    std::int32_t id = 0;
    std::string oldName;
    std::string newName;  // as it is written: ten characters at most
    std::string wanted;   // the name before it was cut; equal to newName when not cut
    // The new name is the same as another name (see NamesInUse).
    bool sameAsAnother = false;
    bool cut() const { return wanted != newName; }
    friend bool operator==(const NameChange&, const NameChange&) = default;
};

struct NamesPlan {
    std::vector<NameChange> changes;  // in the order the entries were given
    std::int32_t unchanged = 0;       // entries whose name stays as it is
    std::int32_t cut = 0;             // changes cut to ten characters
    std::int32_t same = 0;            // changes whose new name is the same as another
};

// The names of one kind in the database, gathered once for the plans a window previews: a plan
// marks each new name that is the same as another name in the database. Names are the same as
// the search and "Same name, different sounds" compare them: in upper case, without the blanks
// around them; a blank name is the same as none.
class NamesInUse {
  public:
    // A name as names are compared, zero-padded.
    using Key = std::array<char, pcg::kNameSize>;
    static Key keyOf(std::string_view name);

    NamesInUse() = default;
    NamesInUse(NameColumn& names, Kind kind);
    // How many entries have a name the same as this one.
    std::int32_t count(std::string_view name) const { return count(keyOf(name)); }
    std::int32_t count(const Key& key) const;

  private:
    std::vector<Key> keys_;  // sorted
};

// The name of each entry (its first ten bytes up to a zero byte), in the order of ids; an ID
// that names no entry of kind gives no name and is left out of the plan.
struct NamedEntry {
    std::int32_t id = 0;
    std::string name;
};
std::vector<NamedEntry> storedNames(const RecordFiles& files, Kind kind,
                                    const std::vector<std::int32_t>& ids);
// The name of one entry as stored (Latin-1, up to its first zero byte), "" for an ID that names
// none: the one reading of an entry's name.
std::string storedName(const RecordFiles& files, Kind kind, std::int32_t id);

// The names that change, from names read by storedNames. Nothing is written. With inUse (the
// names of the entries' kind), a change is marked sameAsAnother when its new name is the same as
// the new name of another change, or as the name of an entry of the kind whose name stays (every
// entry but the changed ones).
NamesPlan planNames(const std::vector<NamedEntry>& entries, const NameEdit& edit,
                    const NamesInUse* inUse = nullptr);

// "Replace in Names": writes every changed name as Submit writes a name (db/details.h), each
// entry once; nothing else of an entry changes and unchanged names are not written. kind is
// Program or Combination. Returns the plan it carried out.
NamesPlan replaceNames(RecordFiles& files, Kind kind, const std::vector<std::int32_t>& ids,
                       const NameEdit& edit);

// A name with every occurrence of the edit's text replaced, not yet cut.
std::string replacedName(std::string_view name, const NameEdit& edit);

// The mark of a cut name in the list of changes: "cut from "GRANDPIANO 1"", else "".
std::string cutMark(const NameChange& change);
// What the list of changes notes of a change: its cut mark and "same as another name", joined
// by "; "; "" for neither.
std::string changeNote(const NameChange& change);

}  // namespace pelvaro::db
