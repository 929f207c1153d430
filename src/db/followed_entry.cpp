#include "db/followed_entry.h"

#include <algorithm>

#include "db/listing.h"

namespace pelvaro::db {

namespace {

std::size_t instrumentSize(Kind kind) {
    return kind == Kind::Program ? pcg::kProgramSize : pcg::kCombinationSize;
}

}  // namespace

FollowedEntry::FollowedEntry(const RecordFiles& files, Kind kind, std::int32_t id)
    : kind_(kind), id_(id), record_(layoutOf(kind).recordSize) {
    files.readEntry(kind, id, record_);
    record_.resize(instrumentSize(kind));
}

bool FollowedEntry::heldBy(const RecordFiles& files, std::int32_t id) const {
    if (id < 1 || id > files.count(kind_)) return false;
    std::vector<Byte> record(layoutOf(kind_).recordSize);
    files.readEntry(kind_, id, record);
    return std::equal(record_.begin(), record_.end(), record.begin());
}

bool FollowedEntry::findAgain(const RecordFiles& files, NameColumn& names) {
    if (heldBy(files, id_)) return true;
    std::string upper = fieldText(ConstBytes(record_).first(pcg::kNameSize));
    // A nameless entry would make every entry a candidate.
    if (upper.empty()) return false;
    std::ranges::transform(upper, upper.begin(), upperCase8Bit);
    for (const std::int32_t candidate : names.holding(kind_, upper))
        if (heldBy(files, candidate)) {
            id_ = candidate;
            return true;
        }
    return false;
}

}  // namespace pelvaro::db
