#pragma once
// Databases the size of a large collection, written in blocks rather than appended entry by
// entry, for benchmarks.

#include <cstdint>
#include <functional>
#include <string>

#include "db/database_file.h"
#include "pcg/pcg_image.h"

namespace pelvaro::synthetic {

// Writes a whole record file: record 0 with the count, then entries 1 to count, each filled by
// fill(n, record) and given idNumber n afterwards (for the kinds that carry one).
void writeRecordFile(const std::string& path, db::Kind kind, std::int32_t count,
                     const std::function<void(std::int32_t, Bytes)>& fill);

// A class file of `count` classes chained one below the other: class k is named "Class k" and
// lies below class k - 1, so class 10,000 sits 10,000 levels deep.
void writeChainedClasses(const std::string& path, std::int32_t count);

// A stored database under base (base + ".pvd" and its four members): named programs of
// sixteen different sounds, a third of them drum programs on 40 kits, combinations playing two
// programs each, 30 classes in a small tree, and entries spread over the classes.
db::DatabasePaths writeLargeDatabase(const std::string& base, std::int32_t programs,
                                     std::int32_t combinations);

// An archive of every sound ever shared, deduplicated: every record different from every other
// (drawn from a seeded generator), names from a small vocabulary with numbers ("Pad 4711"), a
// third of the programs drum programs on `drumKits` kits, combinations playing four programs
// each, 30 classes in a small tree. The same arguments give the same bytes.
db::DatabasePaths writeArchiveDatabase(const std::string& base, std::int32_t programs,
                                       std::int32_t combinations, std::int32_t drumKits);

// A collection of one musician among several: records drawn as the archive's are, its first
// `shared` programs and combinations the same sounds (and its drum kits the same kits) in every
// collection made by this function, the others its own (drawn from `own`). Every entry is
// explained "From: " a file of its own folder, so a shared entry's explanation differs from
// collection to collection. Combinations play shared programs only, so a shared combination is
// the same sound everywhere. The same arguments give the same bytes.
db::DatabasePaths writeCollectionDatabase(const std::string& base, std::int32_t programs,
                                          std::int32_t combinations, std::int32_t drumKits,
                                          std::int32_t shared, std::uint32_t own);

// A full PCG to send into an archive (at least 1,000,000 programs and combinations, 112 kits):
// half its programs and combinations taken from it (every 4999th entry), half new; two kits
// from it, two new.
pcg::PcgState archivePcg(const db::RecordFiles& files);

}  // namespace pelvaro::synthetic
