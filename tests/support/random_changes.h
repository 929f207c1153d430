#pragma once
// Random changes to a database, made the ways the commands and the other windows make them, for
// the tests that hold what is kept beside the record files (the references, the names in memory,
// the matching index) against a plain scan of the files after every step.
//
//   TestDatabase db;
//   RandomChanges changes(db, seed);
//   for (int step = 0; step < 100; ++step) {
//       changes.step();
//       ASSERT_EQ(keptAnswer(), scannedAnswer()) << changes.lastSteps();
//   }

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "db_builder.h"

namespace pelvaro::testing {

enum class Change {
    Send,          // a random PCG sent (whole, its programs or its combinations)
    Append,        // copies of a stored entry (or a new sound) appended: equal sounds chain
    Overwrite,     // an entry given another's sound, or other references, or a new sound
    Rename,        // Submit of a name, some with Latin-1 letters
    Delete,        // programs or combinations deleted, often the last; others move into the gaps
    Undo,          //
    Redo,          //
    FailingDisk,   // one of the others on a disk that fails at one of its first writes
    OpenDatabase,  // a database exported earlier (or just now) opened
    NewDatabase,   //
};
inline constexpr std::size_t kChangeKinds = 10;

// How often each change is drawn, by Change.
using ChangeMix = std::array<unsigned, kChangeKinds>;
inline constexpr ChangeMix kEveryChange = {2, 2, 4, 2, 4, 2, 2, 2, 1, 1};

class RandomChanges {
  public:
    RandomChanges(TestDatabase& db, std::uint32_t seed, const ChangeMix& mix = kEveryChange);

    // Makes a change drawn from the mix and returns what it did ("delete programs {3, 7}").
    const std::string& step();
    // Makes a change of this kind.
    const std::string& make(Change change);

    // The last steps made, numbered from 1, for a failure message.
    std::string lastSteps(std::size_t shown = 4) const;

  private:
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : random_() % n; }
    std::int32_t anyEntry(db::Kind kind);  // 1..count, or 0 when there is none
    db::Kind anyKind(bool withKits);
    void said(std::string what) { steps_.back() = std::move(what); }
    // Runs work as a command does (one undo step, its writes gathered), or as a write from
    // outside the commands.
    void run(bool inCommand, const char* name, const std::function<void()>& work);

    void send();
    void append();
    void overwrite();
    void rename();
    void remove();
    void openDatabase();

    TestDatabase& db_;
    std::mt19937 random_;
    std::discrete_distribution<std::size_t> mix_;
    TempDir saved_;                     // databases exported for Open
    std::vector<std::string> exports_;  // the last few of them
    int exported_ = 0;
    bool failing_ = false;  // a change on a failing disk is being made
    std::vector<std::string> steps_;
};

}  // namespace pelvaro::testing
