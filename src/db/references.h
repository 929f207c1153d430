#pragma once
// Which entries refer to an entry: the combinations that play a program, the programs that play
// a drum kit. Kept beside the record files and told of every change by them. One scan builds it
// the first time it is asked; appended entries (every send) are added as they come, and any
// other change to the referring entries has it scanned again at the next question. So a click
// on a row answers at once however large the database is.

#include <cstdint>
#include <utility>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::db {

class References : public RecordObserver {
  public:
    explicit References(RecordFiles& files);
    ~References() override;
    References(const References&) = delete;
    References& operator=(const References&) = delete;

    // The combination entries whose timbres play program entry n (each once), ascending.
    std::vector<std::int32_t> combinationsPlaying(std::int32_t program);
    // The program entries whose drumKitId is kit, ascending.
    std::vector<std::int32_t> programsOnKit(std::int32_t kit);

    void recordWritten(Kind kind, std::int32_t n, ConstBytes record) override;
    void countChanged(Kind kind, std::int32_t count) override;
    void fileReplaced(Kind kind) override;
    void writeFailed(Kind kind) override;

  private:
    // The entries of one kind (the referrers) that refer to entries of another (the targets),
    // grouped by target: the referrers of target t are items[starts[t]] up to
    // items[starts[t + 1]], then those in added.
    struct Groups {
        bool current = false;
        std::int32_t scanned = 0;  // referrers 1..scanned are in items
        std::int32_t covered = 0;  // referrers 1..covered are in items or in added
        std::vector<std::uint32_t> starts;
        std::vector<std::int32_t> items;
        std::vector<std::pair<std::int32_t, std::int32_t>> added;  // (target, referrer)

        std::vector<std::int32_t> of(std::int32_t target) const;
        // A referrer's record written: an appended one is added, any other makes a scan due.
        template <class Targets>
        void written(std::int32_t n, const Targets& targets);
        void counted(std::int32_t count);
    };
    void build(Kind referrers);

    RecordFiles& files_;
    Groups players_;   // program -> the combinations that play it
    Groups kitUsers_;  // drum kit -> the programs that play it
};

}  // namespace pelvaro::db
