#pragma once
// Groups of near-duplicates: entries whose compared values (see similarity.h) differ in at most
// a few bytes, joined into one group when a chain of entries, each that near the next, leads
// from one to the other. And groups of entries that share a name but are not one sound.
//
// No pair of entries is compared unless it can be near: every value that differs adds at least
// one to the distance, so two entries within N agree exactly on at least one of N + 1 disjoint
// blocks of their values (a kit or program by the lowest ID of its content), and only entries
// that share a block are compared. Every join is measured by the whole distance, where a kit or
// program counts as far as it is from the other. The blocks take their values from all over the
// record, so a run of zeros is no block of its own. When many entries share a block all the same,
// they are split again on blocks of the values in which they vary, down to groups that are small
// (compared pair by pair) or so alike that they are near without a comparison; entries that mostly
// hold the values most of them hold are compared only where they differ from those at a same place.
// Pairs already in one group are never compared again. Every way gives the groups a comparison
// of every pair gives; an extreme collection (a hundred thousand entries all within a few bytes
// of one sound) costs seconds rather than a fraction of one.

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"
#include "transfer/similarity.h"

namespace pelvaro::transfer {

inline constexpr int kLeastMaxBytes = 1;
inline constexpr int kMostMaxBytes = 8;
inline constexpr int kDefaultMaxBytes = 2;

// The groups of entries of kind (Program or Combination) within maxBytes (0-8; the window asks
// for 1 to 8, 0 finds the same sound stored more than once) of each other,
// largest first, then by their lowest ID; the members of each ascending. Reads the file in large
// blocks, on two cores, and then only the records that share a block with another.
std::vector<std::vector<std::int32_t>> nearDuplicateGroups(const db::RecordFiles& files,
                                                           db::Kind kind, int maxBytes);

// Entries that share a name (as the search compares names: in upper case, without the blanks
// around it; an empty name is none) but are not all one sound: largest groups first, then by
// name; the members of each ascending.
struct NameGroup {
    std::string name;  // the lowest member's, without the blanks around it (Latin-1)
    std::vector<std::int32_t> members;
};
std::vector<NameGroup> sameNameGroups(const db::RecordFiles& files, db::Kind kind);

// A group as a list shows it: every member, with its name and how it differs from the member
// chosen to keep.
struct GroupMember {
    std::int32_t id = 0;
    std::string name;  // Latin-1
    int bytes = 0;     // compared values that differ from the kept member's
    std::vector<std::string> parameters;
};
struct GroupView {
    std::vector<GroupMember> members;  // in the order given
};
// Describes the groups of one kind. Keeps the distances of the kits and programs it measured:
// make one for a list of groups, not one per group.
class GroupDescriber {
  public:
    GroupDescriber(const db::RecordFiles& files, db::Kind kind);
    // kept must be one of members, all entries of the kind (refused otherwise).
    GroupView describe(const std::vector<std::int32_t>& members, std::int32_t kept) const;

  private:
    const db::RecordFiles& files_;
    db::Kind kind_;
    mutable ContentMeter meter_;
};

}  // namespace pelvaro::transfer
