#include "random_changes.h"

#include "db/database_file.h"
#include "db/entry_deletion.h"
#include "failing_disk.h"
#include "random_pcg.h"
#include "session/commands.h"

namespace pelvaro::testing {

using db::Kind;
using Changes = session::Session::Changes;

namespace {

std::string listed(const std::vector<std::int32_t>& ids) {
    std::string text = "{";
    for (const std::int32_t id : ids)
        text += (text.size() > 1 ? ", " : "") + std::to_string(id);
    return text + "}";
}

std::string word(Kind kind) {
    return kind == Kind::Program ? "program" : kind == Kind::Combination ? "combination" : "kit";
}

// Names as Submit stores them: upper and lower case, Latin-1 letters, one cut at ten bytes.
constexpr std::array<const char*, 8> kNames = {"Pad \xe9x",
                                               "qx 1",
                                               "\xc9LAN",
                                               "stra\xdf"
                                               "e",
                                               "A",
                                               "pad PAD",
                                               "",
                                               "Harpsichord!"};

}  // namespace

RandomChanges::RandomChanges(TestDatabase& db, std::uint32_t seed, const ChangeMix& mix)
    : db_(db), random_(seed), mix_(mix.begin(), mix.end()) {}

std::int32_t RandomChanges::anyEntry(Kind kind) {
    const std::int32_t count = db_.files().count(kind);
    return count < 1 ? 0 : static_cast<std::int32_t>(below(static_cast<std::uint32_t>(count))) + 1;
}

Kind RandomChanges::anyKind(bool withKits) {
    const std::uint32_t k = below(withKits ? 5 : 4);
    return k < 2 ? Kind::Combination : k < 4 ? Kind::Program : Kind::DrumKit;
}

const std::string& RandomChanges::step() {
    return make(static_cast<Change>(mix_(random_)));
}

const std::string& RandomChanges::make(Change change) {
    steps_.emplace_back();
    session::Session& s = db_.session();
    switch (change) {
        case Change::Send:
            send();
            break;
        case Change::Append:
            append();
            break;
        case Change::Overwrite:
            overwrite();
            break;
        case Change::Rename:
            rename();
            break;
        case Change::Delete:
            remove();
            break;
        case Change::Undo: {
            const std::string name = s.undoLog().canUndo() ? s.undoLog().undoName() : "";
            said(name.empty() ? "undo, with nothing to undo" : "undo " + name);
            session::undo(s);
            break;
        }
        case Change::Redo: {
            const std::string name = s.undoLog().canRedo() ? s.undoLog().redoName() : "";
            said(name.empty() ? "redo, with nothing to redo" : "redo " + name);
            session::redo(s);
            break;
        }
        case Change::FailingDisk: {
            // Any other change on a disk whose write of the first few fails, whole or half way.
            constexpr std::array<Change, 9> kOnAFailingDisk = {
                Change::Send,   Change::Append,       Change::Overwrite,
                Change::Rename, Change::Delete,       Change::Undo,
                Change::Redo,   Change::OpenDatabase, Change::NewDatabase};
            const Change what =
                kOnAFailingDisk[below(static_cast<std::uint32_t>(kOnAFailingDisk.size()))];
            const bool half = below(2) == 0;
            const int nth = 1 + static_cast<int>(below(4));
            std::string outcome;
            failing_ = true;
            try {
                const FailNth fail(half ? FailNth::Op::ShortWrite : FailNth::Op::Write, nth);
                steps_.pop_back();
                make(what);
                outcome = fail.pending() ? ", on a disk that did not fail" : ", on a failing disk";
            } catch (const io::FileError&) {
                outcome = ", failed at write " + std::to_string(nth) + (half ? " half way" : "");
            }
            failing_ = false;
            steps_.back() += outcome;
            break;
        }
        case Change::OpenDatabase:
            openDatabase();
            break;
        case Change::NewDatabase:
            said("new database");
            session::newDatabase(s);
            break;
    }
    return steps_.back();
}

void RandomChanges::send() {
    session::Session& s = db_.session();
    const std::uint32_t seed = random_();
    const auto part = static_cast<session::PcgPart>(below(3));
    static constexpr std::array<const char*, 3> kParts = {"", " (programs)", " (combinations)"};
    said("send random PCG " + std::to_string(seed) + kParts[static_cast<std::size_t>(part)]);
    s.pcg() = synthetic::randomPcg(seed);
    session::sendPcgToDatabase(s, part, {});
}

namespace {

// Timbre program IDs as the database holds them: none, outside the banks, a program entry,
// and the same program on two timbres.
void someTimbres(std::mt19937& r, std::int32_t programs, Bytes record) {
    std::int32_t previous = 0;
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        std::int32_t id = 0;
        switch (r() % 4) {
            case 0:
                break;
            case 1:
                id = -1;
                break;
            case 2:
                id = previous;
                break;
            default:
                id = programs < 1 ? 0 : static_cast<std::int32_t>(r() % programs) + 1;
        }
        setLe32(record, db::CombinationLayout::kTimbreProgramIds + 4 * t, id);
        previous = id;
    }
}

// A kit reference: none, a kit entry, or one of the PCG's kit slots beyond the banks.
void someKit(std::mt19937& r, std::int32_t kits, Bytes record) {
    const std::int32_t id = r() % 4 == 0 ? -4 - static_cast<std::int32_t>(r() % 3)
                                         : static_cast<std::int32_t>(r() % (kits + 1));
    setLe32(record, db::ProgramLayout::kDrumKitId, id);
}

// A sound from a pool of a few hundred, some of which the sends bring as well: drum programs
// on each kit slot and beyond them, combinations playing one slot.
std::vector<Byte> newSound(std::mt19937& r, Kind kind) {
    std::vector<Byte> record(db::layoutOf(kind).recordSize);
    const auto voice = static_cast<unsigned>(1 + r() % 300);
    std::vector<Byte> sound;
    if (kind == Kind::Program) {
        sound =
            voice % 3 == 0
                ? makeProgram(
                      "NEW", {.oscMode = 2, .kitSlot = static_cast<int>(voice % 5), .voice = voice})
                : makeProgram("NEW", {.osc1 = static_cast<int>(voice % 250), .voice = voice});
    } else if (kind == Kind::Combination) {
        sound = makeCombination("NEW", {plays(static_cast<int>(voice % 200))}, voice);
    } else {
        sound = makeDrumKit(voice % 40 + 1);
    }
    std::ranges::copy(sound, record.begin());
    return record;
}

}  // namespace

void RandomChanges::run(bool inCommand, const char* name, const std::function<void()>& work) {
    if (!inCommand) return work();
    const auto step = db_.session().command(name, Changes::Database);
    work();
}

void RandomChanges::append() {
    db::RecordFiles& files = db_.files();
    const Kind kind = anyKind(true);
    const std::int32_t from = below(4) == 0 ? 0 : anyEntry(kind);
    const std::uint32_t copies = 1 + below(4);
    const bool inCommand = below(4) != 0;
    said("append " + std::to_string(copies) + " copies of " +
         (from == 0 ? "a new " + word(kind) : word(kind) + " " + std::to_string(from)) +
         (inCommand ? "" : " outside a command"));
    run(inCommand, "Add", [&] {
        std::vector<Byte> record = newSound(random_, kind);
        if (from != 0) files.readEntry(kind, from, record);
        for (std::uint32_t i = 0; i < copies; ++i) {
            // Some copies play other programs or kits: the same sound with other references.
            if (kind == Kind::Combination && below(2) == 0)
                someTimbres(random_, files.count(Kind::Program), record);
            if (kind == Kind::Program && below(2) == 0)
                someKit(random_, files.count(Kind::DrumKit), record);
            files.appendEntry(kind, record);
        }
    });
}

void RandomChanges::overwrite() {
    db::RecordFiles& files = db_.files();
    const Kind kind = anyKind(true);
    const std::int32_t n = anyEntry(kind);
    if (n == 0) return said("overwrite, with no " + word(kind) + " to overwrite");
    // Another entry's sound (it moves from one chain of equal sounds to another), other
    // references (kits have none), or a new sound.
    std::uint32_t what = below(3);
    if (what == 1 && kind == Kind::DrumKit) what = 0;
    const std::int32_t from = what == 0 ? anyEntry(kind) : n;
    const bool inCommand = below(4) != 0;
    said("overwrite " + word(kind) + " " + std::to_string(n) +
         (what == 0   ? " with the sound of " + std::to_string(from)
          : what == 1 ? " with other references"
                      : " with a new sound") +
         (inCommand ? "" : " outside a command"));
    run(inCommand, "Submit", [&] {
        std::vector<Byte> record = newSound(random_, kind);
        if (what != 2) files.readEntry(kind, from, record);
        if (kind == Kind::Combination && what != 0)
            someTimbres(random_, files.count(Kind::Program), record);
        if (kind == Kind::Program && what != 0)
            someKit(random_, files.count(Kind::DrumKit), record);
        setLe32(record, db::layoutOf(kind).countOffset, n);  // the entry's idNumber
        files.writeEntry(kind, n, record);
    });
}

void RandomChanges::rename() {
    const Kind kind = anyKind(false);
    const std::int32_t n = anyEntry(kind);
    const std::string name = kNames[below(static_cast<std::uint32_t>(kNames.size()))];
    said("rename " + word(kind) + " " + std::to_string(n) + " \"" + name + "\"");
    if (n != 0) session::submitEntry(db_.session(), kind, n, name, "renamed");
}

void RandomChanges::remove() {
    session::Session& s = db_.session();
    const Kind kind = anyKind(false);
    // Some entries at random, often the last one (which moves no other).
    std::vector<std::int32_t> ids;
    const std::int32_t count = s.files().count(kind);
    if (count > 0 && below(2) == 0) ids.push_back(count);
    for (std::uint32_t i = ids.empty() ? 1 + below(2) : below(3); i > 0 && count > 0; --i)
        ids.push_back(anyEntry(kind));
    const bool inCommand = below(4) != 0;
    said("delete " + word(kind) + "s " + listed(ids) + (inCommand ? "" : " outside a command"));
    if (inCommand) {
        session::deleteEntries(s, kind, ids);
        return;
    }
    db::EventLines events;
    if (kind == Kind::Program)
        db::deleteProgramEntries(s.files(), ids, events);
    else
        db::deleteCombinationEntries(s.files(), ids, events);
}

void RandomChanges::openDatabase() {
    session::Session& s = db_.session();
    // Now and then the database in use is exported first, and opened as it is.
    std::string path;
    if (exports_.empty() || (!failing_ && below(2) == 0)) {
        const std::string name = "saved" + std::to_string(exported_++);
        said("export the database as " + name + " and open it");
        path = s.exportDatabase(saved_.file(name)).database;
        exports_.push_back(path);
        if (exports_.size() > 3) exports_.erase(exports_.begin());
    } else {
        path = exports_[below(static_cast<std::uint32_t>(exports_.size()))];
        said("open " + path.substr(saved_.path().size() + 1));
    }
    try {
        session::openDatabase(s, path);
    } catch (const io::RefusalError& refused) {
        // Changes made outside the commands and undone in part can leave a database that the
        // checks of Open refuse (a program playing a kit that an undo took away).
        steps_.back() += ", refused: " + std::string(refused.what());
    }
}

std::string RandomChanges::lastSteps(std::size_t shown) const {
    std::string text;
    for (std::size_t i = steps_.size() > shown ? steps_.size() - shown : 0; i < steps_.size(); ++i)
        text += "  " + std::to_string(i + 1) + " " + steps_[i] + "\n";
    return text;
}

}  // namespace pelvaro::testing
