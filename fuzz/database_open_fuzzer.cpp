// Any bytes as the four member files of a database (split as database_input.h says), opened
// over a small database in use. A refused open must leave that database byte for byte as it
// was; an accepted one must be consistent, and then listing it with every filter, showing every
// entry's details and every class path, sending every entry into a new PCG, assigning classes,
// editing, and deleting entries and classes must keep it consistent.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "classes/class_assignment.h"
#include "classes/class_table.h"
#include "database_input.h"
#include "db/class_tree.h"
#include "db/database_file.h"
#include "db/details.h"
#include "db/entry_deletion.h"
#include "db/listing.h"
#include "demo_pcg.h"
#include "fuzz_world.h"
#include "pcg/pcg_lists.h"

using namespace pelvaro;
using namespace pelvaro::fuzzing;
using db::Kind;

namespace {

// Bounds on the per-entry work, so that one large input does not take seconds.
constexpr std::int32_t kMostDetails = 300;
constexpr std::int32_t kMostClassFilters = 40;

struct OpenWorld : FuzzWorld {
    std::string smallDatabase;
    std::string inputDatabase;

    OpenWorld() {
        // The database in use before each open: the demo PCG's sounds with a class.
        const std::string demo = file("demo.pcg");
        writeWhole(demo, synthetic::makeDemoImage().bytes());
        pcg::importPcg(session.pcg(), demo);
        db::EventLines events;
        session.engine().sendPcgToDatabase(events, nullptr);
        classes::addClass(session.files(), "Drums", 0);
        smallDatabase = db::exportDatabase(session.files(), file("small.pvd")).database;
        // The database file that names the fuzzed members; their bytes change per input.
        inputDatabase = file("input.pvd");
        std::array<Byte, db::kDatabaseFileSize> block{};
        const db::DatabasePaths paths = db::databasePaths(file("input"));
        for (int i = 0; i < db::kKindCount; ++i)
            putFieldText(Bytes(block).subspan(i * db::kPathFieldSize, db::kPathFieldSize),
                         paths.members[i]);
        writeWhole(inputDatabase, block);
    }
};

OpenWorld& world() {
    static OpenWorld w;
    return w;
}

struct Snapshot {
    std::array<std::vector<Byte>, db::kKindCount> files;
    std::array<std::int32_t, db::kKindCount> counts{};
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot snapshot(const db::RecordFiles& files) {
    Snapshot s;
    for (Kind kind : db::kAllKinds) {
        s.files[static_cast<int>(kind)] = readWhole(files.stream(kind));
        s.counts[static_cast<int>(kind)] = files.count(kind);
    }
    return s;
}

void consistent(const db::RecordFiles& files, const std::string& where) {
    requireNoProblems(testing::databaseProblems(files), where);
}

std::vector<std::int32_t> idsUpTo(std::int32_t count) {
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 1; id <= count; ++id)
        ids.push_back(id);
    return ids;
}

void checkRows(const db::RecordFiles& files, Kind kind, const std::vector<std::int32_t>& rows) {
    std::int32_t previous = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        require(rows[r] > previous && rows[r] <= files.count(kind), "a row names no entry");
        previous = rows[r];
        require(db::rowLabel(files, kind, rows, r).starts_with(std::to_string(r + 1)),
                "a row label without its number");
    }
}

void listEverything(const db::RecordFiles& files, std::string_view typed) {
    const db::ListRefill all = db::listRows(files, {}, Kind::Program);
    require(all.programsRefilled && all.combinationsRefilled, "an unfiltered refill left a list");
    require(all.programRowIds == idsUpTo(files.count(Kind::Program)) &&
                all.combinationRowIds == idsUpTo(files.count(Kind::Combination)),
            "the unfiltered lists are not every entry in order");
    require(all.classChoices.size() == static_cast<std::size_t>(files.count(Kind::Class)) + 2,
            "the class choices are not every class");
    checkRows(files, Kind::Program, all.programRowIds);
    checkRows(files, Kind::Combination, all.combinationRowIds);

    const auto search = [&](const db::ListFilter& filter) {
        for (Kind searched : {Kind::Program, Kind::Combination}) {
            const db::ListRefill r = db::listRows(files, filter, searched);
            checkRows(files, Kind::Program, r.programRowIds);
            checkRows(files, Kind::Combination, r.combinationRowIds);
        }
    };
    search({.nameText = std::string(typed)});
    search({.nameText = "A"});
    const std::int32_t classes = std::min(files.count(Kind::Class), kMostClassFilters);
    const db::ClassTree tree = db::ClassTree::read(files);
    for (std::int32_t k = 0; k <= classes; ++k) {
        search({.classId = k});
        const auto set = tree.withDescendants(k);
        // The class itself and those below it, ascending (a class below may have a lower
        // number than its parent), each once.
        require(k == 0 ? set.empty() : std::ranges::find(set, k) != set.end(),
                "the class filter set of class " + std::to_string(k) + " lacks the class");
        require(std::ranges::adjacent_find(set, std::greater_equal<>()) == set.end(),
                "the class filter set of class " + std::to_string(k) + " is not ascending");
    }
    search({.classId = files.count(Kind::Class) + 1});
    for (std::int32_t ref : {1, 2, files.count(Kind::Program), files.count(Kind::DrumKit), -5})
        search({.reference = ref});
    search({.soundFrom = 0});
    search({.soundFrom = 0, .soundTo = 200});
    search({.soundFrom = 300, .soundTo = 2});

    // The search fields as typed, the input's own text among them.
    const std::string text(typed);
    for (const std::string& field : {text, std::string("12"), std::string(" 7 "), std::string("-1"),
                                     std::string("99999999999")}) {
        const db::SearchParse p = db::parseProgramSearch({.name = field,
                                                          .drumId = field,
                                                          .soundFrom = field,
                                                          .soundTo = field,
                                                          .classIndex = 1});
        if (!p.error) search(p.filter);
        const db::SearchParse c =
            db::parseCombinationSearch({.name = field, .programId = field, .classIndex = 2});
        if (!c.error) search(c.filter);
    }
}

void showEverything(const db::RecordFiles& files) {
    const std::int32_t programs = std::min(files.count(Kind::Program), kMostDetails);
    const std::int32_t combinations = std::min(files.count(Kind::Combination), kMostDetails);
    for (std::int32_t id = 1; id <= programs; ++id) {
        const db::ProgramDetails d = db::programDetails(files, id);
        require(d.idNumber == std::to_string(id), "program details of another entry");
        require(d.explanation.size() <= 2 * db::kExplanationSize, "an endless explanation");
    }
    for (std::int32_t id = 1; id <= combinations; ++id) {
        const db::CombinationDetails d = db::combinationDetails(files, id);
        require(d.idNumber == std::to_string(id), "combination details of another entry");
        require(d.timbreIds.size() <= 8, "more than eight timbres");
    }
    const auto first = [](std::int32_t n) {
        return n > 0 ? std::optional<std::int32_t>(1) : std::nullopt;
    };
    db::entryDetails(files, first(programs), first(combinations));

    const db::ClassTree tree = db::ClassTree::read(files);
    for (std::int32_t k = -1; k <= files.count(Kind::Class) + 1; ++k) {
        const std::string_view path = tree.path(k);
        require(tree.isClass(k) || path.empty(), "a path of no class " + std::to_string(k));
        require(path.size() <= static_cast<std::size_t>(tree.depth(k) + 1) * 22,
                "a class path longer than its depth " + std::to_string(k));
    }
    const classes::ClassEditorContent editor = classes::classEditorContent(files);
    require(editor.nodes.size() == static_cast<std::size_t>(files.count(Kind::Class)) + 1,
            "the class tree does not show every class once");
    for (std::size_t n = 1; n < editor.nodes.size(); ++n)
        require(editor.nodes[n].parentNode < static_cast<int>(n), "a class node before its parent");
}

void sendEverythingToPcg(OpenWorld& w) {
    db::RecordFiles& files = w.session.files();
    pcg::PcgState& pcg = w.session.pcg();
    db::EventLines events;
    pcg::newPcg(pcg, pcg::templatePathIn(files.startDirectory()));
    w.session.engine().sendEntriesToPcg(Kind::Program, idsUpTo(files.count(Kind::Program)), events);
    requireNoProblems(testing::pcgProblems(pcg), "after sending the programs to the PCG");
    std::vector<std::int32_t> combinations = idsUpTo(files.count(Kind::Combination));
    combinations.push_back(0);
    combinations.push_back(files.count(Kind::Combination) + 1);
    w.session.engine().sendEntriesToPcg(Kind::Combination, combinations, events);
    requireNoProblems(testing::pcgProblems(pcg), "after sending the combinations to the PCG");
    pcg::pcgListLines(pcg, 0, 1);
    pcg::writePcgFile(pcg.image, w.file("out.pcg"));
    require(readWhole(w.file("out.pcg")).size() == pcg::kPcgSize,
            "an exported PCG of another size");
}

void editEverything(db::RecordFiles& files) {
    // Classes for the first entries, one at a time and several together.
    for (Kind kind : {Kind::Program, Kind::Combination}) {
        const std::int32_t count = files.count(kind);
        if (count == 0) continue;
        classes::ClassAssignment one;
        one.load(files, kind, 1, {});
        one.addChosenClass(0);
        one.addChosenClass(files.count(Kind::Class) - 1);
        one.removeChosenSlot(0);
        one.writeClasses(files);
        consistent(files, "after assigning classes to one entry");
        classes::ClassAssignment several;
        several.load(files, kind, 1, idsUpTo(std::min(count, 5)));
        several.addChosenClass(0);
        several.writeClasses(files);
        consistent(files, "after assigning classes to several entries");
    }
    if (files.count(Kind::Program) > 0) db::submitProgram(files, 1, "EDITED NAME", "a\r\nb");
    if (files.count(Kind::Combination) > 0) db::submitCombination(files, 1, "", "");
    consistent(files, "after Submit");
}

void deleteEverything(db::RecordFiles& files) {
    db::EventLines events;
    // Every other combination, then every program (those still played are refused), then the
    // classes from the top number down.
    std::vector<std::int32_t> ids;
    for (std::int32_t id = 1; id <= files.count(Kind::Combination); id += 2)
        ids.push_back(id);
    db::deleteCombinationEntries(files, ids, events);
    consistent(files, "after deleting combinations");
    db::deleteProgramEntries(files, idsUpTo(files.count(Kind::Program)), events);
    consistent(files, "after deleting programs");
    for (std::int32_t k = files.count(Kind::Class); k >= 0; --k) {
        classes::deleteClass(files, k);
        consistent(files, "after deleting class " + std::to_string(k));
    }
    db::deleteCombinationEntries(files, idsUpTo(files.count(Kind::Combination)), events);
    db::deleteProgramEntries(files, idsUpTo(files.count(Kind::Program)), events);
    consistent(files, "after deleting everything");
    require(files.count(Kind::Combination) == 0 && files.count(Kind::Program) == 0,
            "entries left after deleting all");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    OpenWorld& w = world();
    db::RecordFiles& files = w.session.files();

    // Every input is opened over the same small database.
    db::openDatabase(files, w.smallDatabase);
    const Snapshot before = snapshot(files);

    const MemberBytes members = splitDatabaseInput(ConstBytes(data, size));
    const db::DatabasePaths paths = db::databasePaths(w.file("input"));
    for (int i = 0; i < db::kKindCount; ++i)
        writeWhole(paths.members[i], members[i]);

    try {
        db::openDatabase(files, w.inputDatabase);
    } catch (const io::RefusalError&) {
        require(snapshot(files) == before, "a refused open changed the database in use");
        return 0;
    } catch (const io::FileError&) {
        require(snapshot(files) == before, "a failed open changed the database in use");
        return 0;
    }
    for (Kind kind : db::kAllKinds)
        require(readWhole(files.stream(kind)) == members[static_cast<int>(kind)],
                "a working file is not a copy of its member");
    consistent(files, "after the open");

    const std::vector<Byte>& tur = members[3];
    const std::string typed(
        tur.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(tur.size(), 24)),
        tur.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(tur.size(), 34)));
    listEverything(files, typed);
    showEverything(files);
    sendEverythingToPcg(w);
    consistent(files, "after sending to the PCG");
    editEverything(files);
    deleteEverything(files);
    return 0;
}
