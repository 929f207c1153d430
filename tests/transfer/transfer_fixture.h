#pragma once
// A session in a fresh folder: a database, an open PCG and the engine over both.

#include <string>
#include <vector>

#include "db_builder.h"
#include "transfer/engine.h"

namespace pelvaro::testing {

// Entry fields that name only a kit, or only the timbres' programs.
inline EntryFields kitRef(std::int32_t drumKitId) {
    EntryFields f;
    f.drumKitId = drumKitId;
    return f;
}
inline EntryFields plan(std::array<std::int32_t, 8> timbreProgramIds) {
    EntryFields f;
    f.timbreProgramIds = timbreProgramIds;
    return f;
}

struct TransferSetup {
    TestDatabase db;
    pcg::PcgState& pcg = db.session().pcg();
    transfer::TransferEngine& engine = db.session().engine();
    std::vector<std::string> events;

    explicit TransferSetup(const PcgBuilder& b = PcgBuilder(),
                           std::string fileName = "/music/set.pcg") {
        pcg = stateOf(b, std::move(fileName));
    }

    // A new PCG imported into the same state the engine holds.
    void import(const PcgBuilder& b, std::string fileName = "/music/next.pcg") {
        pcg = stateOf(b, std::move(fileName));
    }
    std::int32_t count(db::Kind kind) { return db.files().count(kind); }
    std::vector<Byte> file(db::Kind kind) const { return db.fileBytes(kind); }
};

}  // namespace pelvaro::testing
