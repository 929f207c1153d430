#pragma once
// Databases from a few lines: a fresh set of working files in a folder of their own, and entries
// appended with just the fields a test cares about.
//
//   TestDatabase db;
//   int kit = db.addDrumKit(3);
//   int piano = db.addProgram("PIANO 1", {.osc1 = 10});
//   int drums = db.addProgram("DRUMS", {.oscMode = 2, .kitSlot = 1}, {.drumKitId = kit});
//   db.addCombination("SPLIT", {plays(0), plays(1)}, {.timbreProgramIds = {piano, drums}});
//   int pianos = db.addClass("Pianos");

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"
#include "pcg_builder.h"
#include "session/session.h"
#include "temp_dir.h"

namespace pelvaro::testing {

// The synthetic builders, under the names the tests use.
using namespace pelvaro::synthetic;

struct EntryFields {
    std::int32_t drumKitId = 0;                      // programs
    std::array<std::int32_t, 8> timbreProgramIds{};  // combinations
    std::vector<int> classIds{};                     // up to ten class slots, in order
    std::string explanation{};
};

class TestDatabase {
  public:
    TestDatabase();  // a session started in a fresh folder, with the shipped template

    session::Session& session() { return session_; }
    db::RecordFiles& files() { return session_.files(); }
    const db::RecordFiles& files() const { return session_.files(); }
    const TempDir& dir() const { return dir_; }

    // Each returns the new entry's ID.
    int addProgram(std::string_view name, const ProgramParameters& program = {},
                   const EntryFields& fields = {});
    int addCombination(std::string_view name, const std::vector<Timbre>& timbres,
                       const EntryFields& fields = {}, unsigned voice = 1);
    int addDrumKit(unsigned voice, std::string_view explanation = "");
    int addClass(std::string_view name, int parentId = 0);

    db::DbProgramEntry program(int id) const { return files().read<db::DbProgramEntry>(id); }
    db::DbCombinationEntry combination(int id) const {
        return files().read<db::DbCombinationEntry>(id);
    }
    db::DbDrumKitEntry drumKit(int id) const { return files().read<db::DbDrumKitEntry>(id); }
    db::ClassEntry classEntry(int id) const { return files().read<db::ClassEntry>(id); }

    // The whole working file of a kind, as bytes.
    std::vector<Byte> fileBytes(db::Kind kind) const;

  private:
    TempDir dir_;
    session::Session session_;
};

// An Open Database of one member file: the working file of kind takes a copy of the file at
// path and its count, the other three keep their bytes.
void replaceWorkingFile(db::RecordFiles& files, db::Kind kind, const std::string& path);

// Everything of a database in use: the bytes of the four working files and the counters, to
// show that a refused or failed command changed nothing.
struct DatabaseSnapshot {
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    std::array<std::int32_t, db::kKindCount> counts{};
    explicit DatabaseSnapshot(const db::RecordFiles& files);
    explicit DatabaseSnapshot(const TestDatabase& db) : DatabaseSnapshot(db.files()) {}
    bool operator==(const DatabaseSnapshot&) const = default;
};

}  // namespace pelvaro::testing
