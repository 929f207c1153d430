#include "session/commands.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include "db/details.h"
#include "db/entry_deletion.h"
#include "io/paths.h"
#include "io/wording.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "session/given_files.h"
#include "session/recovery.h"
#include "session/summaries.h"

namespace pelvaro::session {

namespace {

using Changes = Session::Changes;

std::int32_t usedSlots(const std::array<Byte, pcg::kSlotCount>& used) {
    return static_cast<std::int32_t>(std::ranges::count(used, Byte{1}));
}

}  // namespace

Outcome sendToPcg(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids) {
    const auto step = session.command("Send To PCG", Changes::DatabaseAndPcg);
    const pcg::PcgState before = session.pcg();
    Outcome outcome{.events = db::EventLines{}};
    // The kit scan and the clearing of the event list run even with nothing to send.
    session.engine().sendEntriesToPcg(kind, ids, *outcome.events);
    // What took a slot: a slot that was empty and is used now, a kit whose bytes changed.
    const pcg::PcgState& after = session.pcg();
    std::int32_t programs = 0;
    std::int32_t combinations = 0;
    std::int32_t kits = 0;
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        programs += before.occupancy.programUsed[s] == 0 && after.occupancy.programUsed[s] == 1;
        combinations +=
            before.occupancy.combinationUsed[s] == 0 && after.occupancy.combinationUsed[s] == 1;
    }
    for (int k = 0; k < pcg::kDrumKitCount; ++k)
        kits += !std::ranges::equal(before.image.drumKit(k), after.image.drumKit(k));
    outcome.summary = placeSummary(programs, combinations, kits, !outcome.events->empty());
    return outcome;
}

Outcome sendSlotToDatabase(Session& session, pcg::SlotKind kind, int slot) {
    Outcome outcome{.events = db::EventLines{}};
    if (!pcg::isSlot(slot)) return outcome;
    const auto step = session.command("Send To Database", Changes::Database);
    const SendCounter counter(session.files());
    session.engine().sendSlotToDatabase(kind, slot, *outcome.events);
    const bool programs = kind == pcg::SlotKind::Program;
    outcome.summary = sendSummary(counter.counted(session.files(), programs, !programs));
    return outcome;
}

Outcome deleteEntries(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids) {
    Outcome outcome{.events = db::EventLines{}};
    if (ids.empty()) return outcome;
    const auto step = session.command("Delete", Changes::Database);
    const std::int32_t before = session.files().count(kind);
    std::vector<db::NewNumber> numbers;
    db::deleteEntries(session.files(), kind, ids, *outcome.events, &numbers);
    session.origins().renumber(kind, numbers);
    const std::int32_t deleted = before - session.files().count(kind);
    outcome.summary = deleted == 0 ? "Deleted nothing" : "Deleted " + db::kindCount(deleted, kind);
    if (!outcome.events->empty()) outcome.summary += "; see the event list";
    return outcome;
}

Outcome emptySlot(Session& session, pcg::SlotKind kind, int slot) {
    Outcome outcome{.events = db::EventLines{}};
    if (!pcg::isSlot(slot)) return outcome;
    const auto step = session.command("Delete", Changes::DatabaseAndPcg);
    pcg::emptyPcgSlot(session.pcg(), kind, slot);
    outcome.summary = std::string("Emptied ") +
                      (kind == pcg::SlotKind::Program ? "program " : "combination ") +
                      pcg::slotName(slot);
    return outcome;
}

Outcome undo(Session& session) {
    UndoLog& log = session.undoLog();
    if (!log.canUndo()) return {};
    const std::string name = log.undoName();
    log.undo();
    return {.summary = "Undid " + latin1ToUtf8(name)};
}

Outcome redo(Session& session) {
    UndoLog& log = session.undoLog();
    if (!log.canRedo()) return {};
    const std::string name = log.redoName();
    log.redo();
    return {.summary = "Redid " + latin1ToUtf8(name)};
}

Outcome submitEntry(Session& session, db::Kind kind, std::int32_t id, std::string_view name,
                    std::string_view memo) {
    const auto step = session.command("Submit", Changes::Database);
    const bool stored = kind == db::Kind::Program
                            ? db::submitProgram(session.files(), id, name, memo)
                            : db::submitCombination(session.files(), id, name, memo);
    if (!stored) return {};
    return {.summary = "Stored " + db::kindWord(kind) + " " + std::to_string(id)};
}

void assignClasses(Session& session, const classes::ClassAssignment& assignment) {
    const auto step = session.command("Edit Classes", Changes::Database);
    assignment.writeClasses(session.files());
}

std::int32_t addClass(Session& session, std::string_view name, int parentChoice) {
    const auto step = session.command("Add Class", Changes::Database);
    return classes::addClass(session.files(), name, parentChoice);
}

classes::ClassDeletion deleteClass(Session& session, std::int32_t classId) {
    const auto step = session.command("Delete Class", Changes::Database);
    return classes::deleteClass(session.files(), classId);
}

namespace {

// "Found 12 of 1,234 programs: name pad, class Pads", or "Showing all 1,234 programs".
std::string searchLine(std::vector<std::string> asked, std::size_t rows, std::int32_t all,
                       db::Kind kind) {
    const std::string entries = db::kindCount(all, kind);
    std::erase_if(asked, [](const std::string& a) { return a.empty(); });
    if (asked.empty()) return "Showing all " + entries;
    std::string line = "Found " + grouped(static_cast<std::int64_t>(rows)) + " of " + entries + ":";
    for (std::size_t i = 0; i < asked.size(); ++i)
        line += (i > 0 ? ", " : " ") + asked[i];
    return line;
}

// "name pad" for a field that holds more than blanks, nothing otherwise.
std::string asked(const char* label, std::string_view typed) {
    const std::string text = db::trimmed(typed);
    return text.empty() ? std::string() : label + latin1ToUtf8(text);
}

// What a Show choice leaves out, in the words of the search's line.
std::string showWords(const db::MarkFilter& show) {
    switch (show.show) {
        case db::MarkFilter::Show::AllButHidden:
            return "all but hidden";
        case db::MarkFilter::Show::Favourites:
            return "favourites";
        case db::MarkFilter::Show::RatedAtLeast:
            return "rated " + std::to_string(show.minRating) + " and up";
        case db::MarkFilter::Show::HiddenOnly:
            return "hidden only";
        case db::MarkFilter::Show::Everything:
            break;
    }
    return {};
}

Search search(Session& session, const db::SearchParse& parse, db::Kind kind,
              std::vector<std::string> askedFor, const db::RowChoice& choice) {
    Search result;
    if (parse.error) {
        result.error = parse.error;
        return result;
    }
    result.rows =
        db::listRows(session.files(), parse.filter, kind, &session.names(), &session.origins());
    const auto& rows =
        kind == db::Kind::Program ? result.rows.programRowIds : result.rows.combinationRowIds;
    result.shown = shownRows(session, kind, rows, choice);
    if (result.shown.size() < rows.size()) askedFor.push_back(showWords(choice.show));
    result.summary =
        searchLine(std::move(askedFor), result.shown.size(), session.files().count(kind), kind);
    return result;
}

}  // namespace

std::vector<std::int32_t> shownRows(Session& session, db::Kind kind, std::vector<std::int32_t> rows,
                                    const db::RowChoice& choice) {
    return db::chosenRows(std::move(rows), kind, choice, session.origins(), session.names());
}

Search searchPrograms(Session& session, const db::ProgramSearchFields& fields,
                      std::string_view className, const db::RowChoice& choice) {
    std::string sound;
    if (!db::trimmed(fields.soundFrom).empty() || !db::trimmed(fields.soundTo).empty())
        sound = "sound " + db::trimmed(fields.soundFrom) + "-" + db::trimmed(fields.soundTo);
    return search(session, db::parseProgramSearch(fields), db::Kind::Program,
                  {asked("name ", fields.name),
                   fields.classIndex > 0 ? asked("class ", className) : std::string(),
                   asked("drum kit ", fields.drumId), sound, asked("from ", fields.fromFile)},
                  choice);
}

Search searchCombinations(Session& session, const db::CombinationSearchFields& fields,
                          std::string_view className, const db::RowChoice& choice) {
    return search(session, db::parseCombinationSearch(fields), db::Kind::Combination,
                  {asked("name ", fields.name),
                   fields.classIndex > 0 ? asked("class ", className) : std::string(),
                   asked("program ", fields.programId), asked("from ", fields.fromFile)},
                  choice);
}

Outcome sendPcgToDatabase(Session& session, PcgPart part, const transfer::Progress& progress) {
    static constexpr std::array<const char*, 3> kNames = {
        "Send PCG to Database", "Send Only Programs of PCG", "Send Only Combinations of PCG"};
    const SendCounter counter(session.files());
    Outcome outcome{.events = db::EventLines{}};
    const bool programs = part != PcgPart::Combinations;
    const bool combinations = part != PcgPart::Programs;
    transfer::TransferEngine& engine = session.engine();
    untilFailure(outcome, [&] {
        const auto step =
            session.command(kNames[static_cast<std::size_t>(part)], Changes::Database);
        transfer::SentSlots slots;
        switch (part) {
            case PcgPart::Everything:
                slots = engine.sendPcgToDatabase(*outcome.events, progress);
                break;
            case PcgPart::Programs:
                slots = engine.sendOnlyProgramsOfPcg(*outcome.events, progress);
                break;
            case PcgPart::Combinations:
                slots = engine.sendOnlyCombinationsOfPcg(*outcome.events, progress);
                break;
        }
        session.origins().recordSend(session.pcg(), slots, session.pcgOnDisk(), session.now(),
                                     session.files());
    });
    // What was sent before a failure stays sent, and is told before the message.
    const pcg::SlotOccupancy& used = session.pcg().occupancy;
    outcome.summary =
        sendSummary(counter.counted(session.files(), programs ? usedSlots(used.programUsed) : 0,
                                    combinations ? usedSlots(used.combinationUsed) : 0));
    return outcome;
}

Outcome importPcg(Session& session, const std::string& path) {
    const auto step = session.command("Import Pcg", Changes::DatabaseAndPcg);
    const std::string name = io::fileNameOf(path);
    if (pcg::importPcg(session.pcg(), path) == pcg::ImportResult::NotCompatible)
        return {.summary = "Not imported: " + name,
                .refusal = io::Refusal{std::string(pcg::kNotCompatibleCaption),
                                       std::string(pcg::kNotCompatibleText)}};
    return {.summary = "Imported " + name + ": " + pcgSummary(session.pcg()), .path = path};
}

Outcome newPcg(Session& session) {
    const auto step = session.command("New Pcg", Changes::DatabaseAndPcg);
    pcg::newPcg(session.pcg(), session.templatePath());
    return {.summary = "New PCG"};
}

Outcome exportPcg(Session& session, const std::string& chosen) {
    const std::string written = session.exportPcg(chosen);
    return {.summary = "Exported " + io::fileNameOf(written), .path = written};
}

namespace {

// A command that replaced a changed database says where the one before was kept: on the status
// line, and in the event list, which keeps the whole path.
Outcome withKeptCopy(const Session& session, Outcome outcome) {
    const std::optional<RecoveryCopy>& kept = session.keptCopy();
    if (!kept || kept->database.empty()) return outcome;
    outcome.summary += "; the database before it was kept as " + io::fileNameOf(kept->database);
    outcome.events = db::EventLines{keptCopyLine(*kept)};
    return outcome;
}

}  // namespace

std::string keptCopyLine(const RecoveryCopy& kept) {
    if (kept.database.empty())
        return "The PCG you were working on was kept as a recovery copy: " + kept.pcg +
               " (File > Recover Database... opens it)";
    if (!kept.pcg.empty())
        return "The database and the PCG you were working on were kept as a recovery copy: " +
               kept.database + " (File > Recover Database... opens them)";
    return "The database you were working on was kept as a recovery copy: " + kept.database +
           " (File > Recover Database... opens it)";
}

Outcome exitProgram(Session& session) {
    try {
        session.endRun();
    } catch (const io::FileError& e) {
        const std::string stays = "Your work stays in the working files in " +
                                  session.startDirectory() +
                                  "; the next start of PELVARO there keeps it as a recovery copy.";
        throw io::FileError(e.headline(), e.detail().empty() ? stays : e.detail() + "\n" + stays);
    }
    const std::optional<RecoveryCopy>& kept = session.keptCopy();
    if (!kept) return {};
    return {.summary = "Kept your work as " + io::fileNameOf(kept->file()) + " before closing",
            .events = db::EventLines{keptCopyLine(*kept)},
            .path = kept->file()};
}

std::optional<std::string> replacedWorkQuestion(const Session& session,
                                                const std::vector<std::string>& opened) {
    const auto isDatabase = [](const std::string& path) {
        return givenKind(path) == GivenKind::Database;
    };
    const auto database = std::ranges::find_if(opened, isDatabase);
    const auto pcg = std::ranges::find_if_not(opened, isDatabase);
    std::string question;
    if (database != opened.end() && session.databaseChanged()) {
        const std::string& own = session.databasePath();
        question += "Opening " + io::fileNameOf(*database) +
                    " replaces the database you are working on (" +
                    (own.empty() ? std::string("a new database") : io::fileNameOf(own)) + ", " +
                    countOf(session.files().count(db::Kind::Program), "program", "programs") +
                    "), changed since it was last saved. ";
    }
    if (pcg != opened.end() && session.pcgChanged()) {
        const std::string& own = session.pcg().pcgFileName;
        question += "Importing " + io::fileNameOf(*pcg) + " replaces the PCG you are working on (" +
                    (own.empty() ? std::string("a new PCG") : io::fileNameOf(own)) +
                    "), changed and not exported since. ";
    }
    if (question.empty()) return std::nullopt;
    return question +
           (session.recoveryFolder().empty()
                ? "What is replaced is not kept anywhere. "
                : "What is replaced is kept as a recovery copy first (File > Recover Database... "
                  "opens it). ") +
           "Take the files?";
}

Outcome newDatabase(Session& session) {
    session.newDatabase();
    return withKeptCopy(session, {.summary = "New database"});
}

Outcome openDatabase(Session& session, const std::string& path) {
    session.openDatabase(path);
    Outcome outcome = withKeptCopy(session, {.summary = "Opened " + io::fileNameOf(path) + ": " +
                                                        databaseSummary(session.files()),
                                             .path = path});
    // A damaged origins member costs the origins and marks it could not read, nothing else.
    if (const db::OriginStore& origins = session.origins(); !origins.damage().empty())
        outcome.refusal = io::Refusal{
            std::string(db::kDatabaseErrorCaption),
            "The origins and marks of this database cannot all be read: " + origins.memberPath() +
                ": " + origins.damage() + ". The database is open without them."};
    return outcome;
}

Outcome openRecoveryCopy(Session& session, const std::string& path) {
    Outcome outcome;
    untilFailure(outcome, [&] {
        const std::optional<RecoveryCopy> copy = recoveryCopy(path);
        if (!copy) throw io::FileError::cannotOpen(path, ENOENT);
        if (!copy->database.empty()) {
            session.openRecoveryCopy(*copy);
            outcome = withKeptCopy(
                session,
                {.summary = "Opened the recovery copy " + io::fileNameOf(copy->database) + " of " +
                            (copy->cameFrom.empty() ? std::string("a new database")
                                                    : io::fileNameOf(copy->cameFrom))});
        }
        if (copy->pcg.empty()) return;
        if (session.recoverPcg(*copy) == pcg::ImportResult::NotCompatible) {
            outcome.refusal = io::Refusal{std::string(pcg::kNotCompatibleCaption),
                                          std::string(pcg::kNotCompatibleText)};
            return;
        }
        const std::string pcgName = copy->pcgFileName.empty()
                                        ? std::string("the new PCG")
                                        : "the PCG " + io::fileNameOf(copy->pcgFileName);
        if (outcome.summary.empty())
            outcome.summary =
                "Put back " + pcgName + " from the recovery copy " + io::fileNameOf(copy->pcg);
        else
            outcome.summary += ", with " + pcgName;
    });
    return outcome;
}

Outcome exportDatabase(Session& session, const std::string& chosen) {
    const db::DatabasePaths written = session.exportDatabase(chosen);
    return {.summary = "Exported " + io::fileNameOf(written.database), .path = written.database};
}

}  // namespace pelvaro::session
