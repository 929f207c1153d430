#pragma once
// How far apart two stored sounds are, counted plainly from their entries as the rule reads, one
// byte after the other, with no index, cache or block: for the tests that hold the fast ways of
// measuring it (Find Similar, Find Near Duplicates, Merge) against it.
//
// A program: its bytes 10-161 that differ, byte 12 left out when either plays a stored kit;
// two stored kits count their differing bytes 0-418, one stored kit and none count one. A
// combination: its bytes 10-131 that differ, the timbres' program bytes left out where a timbre
// plays a stored program; two stored programs count their own distance, one and none count one.

#include <cstdint>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::testing {

class PlainDistance {
  public:
    // Reads every entry of the database as it is now.
    explicit PlainDistance(const db::RecordFiles& files);

    // Stops counting above `most` (returns a number above it then).
    int operator()(db::Kind kind, std::int32_t a, std::int32_t b, int most = 1 << 20) const;
    // Every pair compared: the groups of chains within `most`, largest first, then by lowest ID.
    std::vector<std::vector<std::int32_t>> groups(db::Kind kind, int most) const;

  private:
    using Entry = std::vector<Byte>;
    const std::vector<Entry>& of(db::Kind kind) const;
    int kits(std::int32_t a, std::int32_t b) const;
    int programs(const Entry& a, const Entry& b, int most) const;

    std::vector<Entry> programs_, combinations_, kits_;  // [0] unused
};

}  // namespace pelvaro::testing
