#pragma once
// Classes as the user sees them: by their path from the top of the class tree.

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::db {

// Records 0 ("No Class") to the class count, in one read: element k is class k.
std::vector<ClassEntry> readClassTable(const RecordFiles& files);

// "X->Y->Z": the names of the class's ancestors from the top down, then its own, joined by
// "->" with no blanks; "No Class" (the name of record 0) for 0. Names end at their zero byte.
// A chain of parents is followed at most as many steps as there are classes, and a number that
// is no class gives an empty text, so a damaged table cannot stop the program.
std::string classPath(const RecordFiles& files, std::int32_t classId);
std::string classPath(const std::vector<ClassEntry>& table, std::int32_t classId);

}  // namespace pelvaro::db
