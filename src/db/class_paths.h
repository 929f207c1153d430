#pragma once
// The classes of another database brought into this one by their paths: a class is found here
// under the same names from the top down, and made here, below its parent, where this database
// has none. Two classes of one parent may share a name; a path then stands for the first of
// them (the lowest number), and every class of that path counts as that one, so an entry that
// carries either carries the path.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "db/class_tree.h"
#include "db/record_files.h"

namespace pelvaro::db {

class ClassImport {
  public:
    // The classes of `files` as they are now, and the class tree of the database that comes in.
    // mostClasses: no class is made beyond this number, and a class found beyond it cannot be
    // carried by an entry either (an entry's class slot holds 1 to 127).
    ClassImport(RecordFiles& files, ClassTree source, std::int32_t mostClasses);

    // The class here for class k of the database that comes in, found by its path or made (with
    // the parents it lacks); 0 for 0, for a number that is no class there, and for a class that
    // finds no room (leftOff() names it).
    std::int32_t here(std::int32_t k);
    // Every class of the database that comes in that no entry has asked for, in class order.
    void importRest();

    // The class that stands for class k of this database: the first of its path.
    std::int32_t first(std::int32_t k) const;
    // The classes made here, in the order they were made, and the classes of the database that
    // comes in that found no room, in the order they were met.
    const std::vector<std::int32_t>& made() const { return made_; }
    const std::vector<std::int32_t>& leftOff() const { return leftOff_; }
    const ClassTree& source() const { return source_; }

  private:
    // The class of this database under `parent` (a first of its path) named `name`, or 0.
    std::int32_t find(std::int32_t parent, const std::string& name) const;
    void remember(std::int32_t k, std::int32_t parentFirst, const std::string& name);

    RecordFiles& files_;
    ClassTree source_;
    std::int32_t most_;
    std::vector<std::int32_t> first_;  // by class here
    std::map<std::pair<std::int32_t, std::string>, std::int32_t> byPath_;
    // By class of the database that comes in: the class here, found or made (0: none); -1: not
    // met yet.
    std::vector<std::int32_t> at_;
    std::vector<std::int32_t> made_;
    std::vector<std::int32_t> leftOff_;
};

}  // namespace pelvaro::db
