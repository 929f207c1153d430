#include "session/merge_databases.h"

#include "classes/class_table.h"
#include "db/class_paths.h"
#include "db/database_file.h"
#include "db/origins.h"
#include "io/wording.h"
#include "lists/csv.h"

namespace pelvaro::session {

namespace {

// Classes beyond this many are named by count, not one by one: a class file can hold thousands.
constexpr std::size_t kNamedClasses = 50;
// Entries beyond this many that had no room for classes are counted, not named.
constexpr std::size_t kNamedEntries = 20;

std::string failureText(const io::FileError& e) {
    return e.detail().empty() ? e.headline() : e.headline() + ": " + e.detail();
}

// "A->B, C and 3 more": paths, Latin-1 in the class file, as UTF-8.
std::string pathList(const db::ClassTree& tree, const std::vector<std::int32_t>& classes) {
    std::vector<std::string> named;
    for (std::size_t i = 0; i < classes.size() && i < kNamedClasses; ++i)
        named.push_back(latin1ToUtf8(tree.path(classes[i])));
    if (classes.size() > kNamedClasses)
        named.push_back(grouped(static_cast<std::int64_t>(classes.size() - kNamedClasses)) +
                        " more");
    return listed(named);
}

const char* entryWord(db::Kind kind) {
    return kind == db::Kind::Program ? "program" : "combination";
}

// The notes of one database merged: what did not come in whole.
std::vector<std::string> notesOf(const transfer::DatabaseMergeResult& merged,
                                 const db::ClassImport& classes, const db::ClassTree& here) {
    std::vector<std::string> notes;
    if (!classes.leftOff().empty())
        notes.push_back(
            "No room for these classes (an entry can carry classes 1 to 127 only); their entries "
            "came in without them: " +
            pathList(classes.source(), classes.leftOff()) + ".");
    std::vector<std::string> explained;
    if (merged.explanationsGained > 0)
        explained.push_back(grouped(merged.explanationsGained) + " whole");
    if (merged.explanationsCut > 0)
        explained.push_back(grouped(merged.explanationsCut) + " cut to fit 79 characters");
    if (merged.explanationsLeftOff > 0)
        explained.push_back(grouped(merged.explanationsLeftOff) + " left off for want of room");
    if (!explained.empty())
        notes.push_back("Explanations gained by entries stored already after \"Also: \": " +
                        listed(explained) + ".");
    const auto& entries = merged.classesLeftOut;
    for (std::size_t i = 0; i < entries.size() && i < kNamedEntries; ++i)
        notes.push_back(std::string("No room in ") + entryWord(entries[i].kind) + " " +
                        std::to_string(entries[i].id) + " for the classes (nine at most): " +
                        pathList(here, entries[i].classes) + ".");
    if (entries.size() > kNamedEntries)
        notes.push_back("No room for the classes in " +
                        countOf(static_cast<std::int64_t>(entries.size() - kNamedEntries),
                                "more entry", "more entries") +
                        " (nine at most).");
    return notes;
}

}  // namespace

MergeOutcome mergeDatabases(Session& session, const std::vector<std::string>& databases) {
    MergeOutcome outcome;
    db::RecordFiles& files = session.files();
    try {
        const auto step = session.command("Merge Database", Session::Changes::Database);
        for (const std::string& path : databases) {
            MergeReport line;
            line.path = path;
            std::optional<db::StoredDatabase> source;
            try {
                source.emplace(path, &files);
            } catch (const io::FileError& e) {
                line.skipped = failureText(e);
            } catch (const io::RefusalError& e) {
                line.skipped = e.refusal().text;
            }
            if (!source) {
                outcome.lines.push_back(std::move(line));
                continue;
            }
            const SendCounter counter(files);
            const auto counted = [&] {
                line.counts = counter.counted(files, source->count(db::Kind::Program),
                                              source->count(db::Kind::Combination),
                                              source->count(db::Kind::DrumKit));
            };
            const std::int32_t classesBefore = files.count(db::Kind::Class);
            const std::array<std::int32_t, 2> countsBefore = {files.count(db::Kind::Program),
                                                              files.count(db::Kind::Combination)};
            try {
                db::ClassImport classes(files,
                                        db::ClassTree::read(source->stream(db::Kind::Class),
                                                            source->count(db::Kind::Class)),
                                        classes::kMaxClasses);
                transfer::DatabaseMergeResult merged = transfer::mergeDatabaseEntries(
                    session.engine().databaseSide(), *source, classes);
                // The classes no entry carries come along too, after those that entries carry.
                classes.importRest();
                files.flush();
                // Where the entries came from, and their marks, follow them here.
                db::OriginStore there;
                there.load(db::originsMemberPath(source->memberPath(db::Kind::Program)));
                session.origins().bringIn(
                    there,
                    [&](db::Kind kind, std::int32_t id, Bytes out) {
                        source->stream(kind).readExactAt(
                            static_cast<std::int64_t>(id) *
                                static_cast<std::int64_t>(db::layoutOf(kind).recordSize),
                            out);
                    },
                    {&merged.ids.programs, &merged.ids.combinations, &merged.ids.drumKits},
                    countsBefore, files);
                const db::ClassTree here = db::ClassTree::read(files);
                for (const std::int32_t k : classes.made())
                    line.classesCreated.push_back(latin1ToUtf8(here.path(k)));
                line.notes = notesOf(merged, classes, here);
                if (!there.damage().empty())
                    line.notes.push_back("The origins and marks it keeps cannot all be read (" +
                                         there.damage() + "); what could be read came in.");
                line.ids = std::move(merged.ids);
            } catch (const io::FileError&) {
                // What was stored before the failure is in the files and stays, told as merged.
                counted();
                const db::ClassTree here = db::ClassTree::read(files);
                for (std::int32_t k = classesBefore + 1; k <= files.count(db::Kind::Class); ++k)
                    line.classesCreated.push_back(latin1ToUtf8(here.path(k)));
                outcome.lines.push_back(std::move(line));
                throw;
            }
            counted();
            outcome.lines.push_back(std::move(line));
        }
    } catch (const io::FileError& e) {
        outcome.failure = e.what();
    }
    outcome.totals = totalsOf(outcome.lines);
    outcome.summary = mergeReportText({}, outcome.totals);
    if (!outcome.summary.empty() && outcome.summary.back() == '\n') outcome.summary.pop_back();
    outcome.events = mergeReportEvents(outcome.lines);
    return outcome;
}

MergeTotals totalsOf(const std::vector<MergeReport>& lines) {
    MergeTotals t;
    for (const MergeReport& line : lines) {
        if (!line.merged()) {
            ++t.skipped;
            continue;
        }
        ++t.databases;
        t.counts += line.counts;
        t.classesCreated += static_cast<std::int32_t>(line.classesCreated.size());
    }
    return t;
}

std::string mergeReportText(const std::vector<MergeReport>& lines, const MergeTotals& totals) {
    const auto counts = [](const SendCounts& c, std::int32_t classes) {
        return tallyText(c) + "; classes " + std::to_string(classes) + " created";
    };
    std::string text;
    for (const MergeReport& line : lines) {
        text += line.path + ": ";
        if (!line.merged()) {
            text += "skipped: " + line.skipped + "\n";
            continue;
        }
        text += counts(line.counts, static_cast<std::int32_t>(line.classesCreated.size())) + "\n";
        if (!line.classesCreated.empty())
            text += "  Classes created: " + listed(line.classesCreated) + "\n";
        for (const std::string& note : line.notes)
            text += "  " + note + "\n";
    }
    text += "Merged " + countOf(totals.databases, "database", "databases") + ", skipped " +
            std::to_string(totals.skipped) + ": " + counts(totals.counts, totals.classesCreated) +
            "\n";
    return text;
}

std::string mergeReportCsv(const std::vector<FileReport>& files,
                           const std::vector<MergeReport>& databases) {
    std::string csv = lists::csvRow({"File", "Programs new", "Programs stored", "Combinations new",
                                     "Combinations stored", "Drum kits new", "Drum kits stored",
                                     "Classes created", "Notes", "Skipped"});
    const auto row = [&](const std::string& path, const SendCounts& c, const std::string& classes,
                         const std::string& notes) {
        csv += lists::csvRow(
            {path, std::to_string(c.programs.fresh), std::to_string(c.programs.stored()),
             std::to_string(c.combinations.fresh), std::to_string(c.combinations.stored()),
             std::to_string(c.drumKits.fresh), std::to_string(c.drumKits.stored()), classes, notes,
             ""});
    };
    const auto skipped = [&](const std::string& path, const std::string& why) {
        csv += lists::csvRow({path, "", "", "", "", "", "", "", "", why});
    };
    for (const FileReport& file : files) {
        if (file.sent())
            row(file.path, file.counts, "", "");
        else
            skipped(file.path, file.skipped);
    }
    for (const MergeReport& line : databases) {
        if (!line.merged()) {
            skipped(line.path, line.skipped);
            continue;
        }
        std::string notes;
        if (!line.classesCreated.empty()) notes = "Classes created: " + listed(line.classesCreated);
        for (const std::string& note : line.notes)
            notes += (notes.empty() ? "" : "\n") + note;
        row(line.path, line.counts, std::to_string(line.classesCreated.size()), notes);
    }
    return csv;
}

db::EventLines mergeReportEvents(const std::vector<MergeReport>& lines) {
    db::EventLines events;
    for (const MergeReport& line : lines) {
        if (!line.merged()) {
            events.push_back(line.path + ": skipped: " + line.skipped);
            continue;
        }
        events.push_back(line.path);
        if (!line.classesCreated.empty())
            events.push_back("Classes created: " + listed(line.classesCreated));
        events.insert(events.end(), line.notes.begin(), line.notes.end());
    }
    return events;
}

}  // namespace pelvaro::session
