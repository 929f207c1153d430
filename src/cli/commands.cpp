#include "cli/commands.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>

#include "cli/arrange.h"
#include "cli/command_line.h"
#include "cli/organise.h"
#include "cli/origins.h"
#include "db/database_file.h"
#include "db/listing.h"
#include "io/file_stream.h"
#include "lists/tables.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"
#include "session/batch_send.h"
#include "session/commands.h"
#include "session/given_files.h"
#include "session/merge_databases.h"
#include "session/session.h"

#ifndef PELVARO_INSTALLED_TEMPLATE
#define PELVARO_INSTALLED_TEMPLATE ""
#endif

namespace pelvaro::cli {

namespace fs = std::filesystem;

namespace {

Arguments parse(const Command& command, const std::vector<std::string>& words) {
    Arguments a;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--help" || word == "-h") {
            a.help = true;
        } else if (command.flags.contains(word)) {
            a.flags.insert(word);
        } else if (command.values.contains(word)) {
            if (i + 1 >= words.size()) throw UsageError{word + " needs a value"};
            a.values[word] = words[++i];
        } else if (word.starts_with("-") && word.size() > 1) {
            throw UsageError{"unknown option " + word};
        } else {
            a.positional.push_back(word);
        }
    }
    if (a.help) return a;
    if (a.positional.size() < command.leastPositional) throw UsageError{"missing arguments"};
    if (a.positional.size() > command.mostPositional)
        throw UsageError{"too many arguments: " + a.positional.back()};
    if (a.flags.contains("--programs") && a.flags.contains("--combinations"))
        throw UsageError{"--programs and --combinations exclude each other"};
    return a;
}

std::string templatePath(const Arguments& a) {
    if (const auto it = a.values.find("--template"); it != a.values.end())
        return absolute(it->second);
    std::error_code error;
    const std::string installed = PELVARO_INSTALLED_TEMPLATE;
    if (!installed.empty() && fs::exists(installed, error)) return installed;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) return (self.parent_path() / "bos.dat").string();
    return "bos.dat";
}

// A session in the private folder, closed and its working files removed at the end. The
// template is read only by commands that make or judge a PCG.
struct Work {
    enum class Pcg { Needed, NotNeeded };
    PrivateFolder folder;
    session::Session session;
    explicit Work(const Arguments& a, Pcg pcg = Pcg::Needed)
        : session(folder.path(), pcg == Pcg::Needed ? templatePath(a) : std::string()) {}
    ~Work() { session.shutDown(); }
};

int add(const Arguments& a, std::ostream& out, std::ostream& err) {
    Work work(a);
    const std::string database = databaseFile(a.positional[0]);
    if (fs::exists(database)) work.session.openDatabase(database);
    // Each file's entries are explained "From: " and its path, as the window names it: whole.
    // The PCG files and folders go first, in one run; then the databases among the paths are
    // merged, in their order.
    std::vector<std::string> paths;
    std::vector<std::string> databases;
    for (auto it = a.positional.begin() + 1; it != a.positional.end(); ++it) {
        std::string path = absolute(*it);
        const bool merged = session::givenKind(path) == session::GivenKind::Database;
        (merged ? databases : paths).push_back(std::move(path));
    }
    std::vector<session::FileReport> sent;
    session::BatchTotals sentTotals;
    if (!paths.empty()) {
        session::BatchSend batch(work.session, paths);
        while (!batch.done())
            batch.sendNext();
        // A failing disk: nothing is stored back, and the database file stays as it was.
        if (batch.failure()) throw std::runtime_error(*batch.failure());
        sent = batch.lines();
        sentTotals = batch.totals();
    }
    session::MergeOutcome merged;
    if (!databases.empty()) {
        merged = session::mergeDatabases(work.session, databases);
        if (merged.failure) throw std::runtime_error(*merged.failure);
    }
    work.session.exportDatabase(database);
    if (a.flags.contains("--csv")) {
        out << (databases.empty() ? session::reportCsv(sent)
                                  : session::mergeReportCsv(sent, merged.lines));
    } else {
        if (!paths.empty()) out << session::reportText(sent, sentTotals);
        if (!databases.empty()) out << session::mergeReportText(merged.lines, merged.totals);
    }
    (void)err;
    return kDone;
}

int list(const Arguments& a, std::ostream& out, std::ostream& err) {
    Work work(a, Work::Pcg::NotNeeded);
    work.session.openDatabase(databaseFile(a.positional[0]));
    const bool programs = !a.flags.contains("--combinations");
    const auto value = [&](const char* option) {
        const auto it = a.values.find(option);
        return it == a.values.end() ? std::string() : it->second;
    };
    int classIndex = 0;  // the blank choice: no class filter
    if (const std::string cls = value("--class"); !cls.empty()) {
        const std::optional<std::int32_t> id = [&]() -> std::optional<std::int32_t> {
            try {
                std::size_t used = 0;
                const int n = std::stoi(cls, &used);
                if (used == cls.size() && n >= 0) return n;
            } catch (const std::logic_error&) {
            }
            return std::nullopt;
        }();
        if (!id) throw UsageError{"'" + cls + "' is no class ID"};
        classIndex = *id + 1;
    }
    db::SearchParse search;
    if (programs) {
        const std::string sound = value("--sound");
        const std::size_t dash = sound.find('-', 1);
        search = db::parseProgramSearch(
            {.name = value("--name"),
             .drumId = value("--drum"),
             .soundFrom = sound.substr(0, dash),
             .soundTo = dash == std::string::npos ? std::string() : sound.substr(dash + 1),
             .classIndex = classIndex});
    } else {
        search = db::parseCombinationSearch(
            {.name = value("--name"), .programId = value("--program"), .classIndex = classIndex});
    }
    if (search.error) throw UsageError{*search.error};
    const db::Kind kind = programs ? db::Kind::Program : db::Kind::Combination;
    const db::ListRefill rows = db::listRows(work.session.files(), search.filter, kind);
    std::vector<std::int32_t> ids = programs ? rows.programRowIds : rows.combinationRowIds;
    const db::MarkFilter marks = markFilter(a);
    std::erase_if(ids, [&](std::int32_t id) { return !listed(work.session, a, marks, kind, id); });
    const lists::Table table = lists::databaseTable(work.session.files(), kind, ids);
    out << (a.flags.contains("--csv") ? lists::tableCsv(table) : lists::tableText(table));
    (void)err;
    return kDone;
}

int extract(const Arguments& a, std::ostream& out, std::ostream& err) {
    const auto output = a.values.find("-o");
    if (output == a.values.end()) throw UsageError{"-o OUT.pcg is needed"};
    const auto ids = [&](const char* option) {
        const auto it = a.values.find(option);
        return it == a.values.end() ? std::vector<std::int32_t>{} : parseIds(it->second);
    };
    const std::vector<std::int32_t> programs = ids("--programs");
    const std::vector<std::int32_t> combinations = ids("--combinations");
    Work work(a);
    const std::string database = databaseFile(a.positional[0]);
    work.session.openDatabase(database);
    // Entries are numbered 1 to the count without gaps; any other number names nothing.
    for (const auto& [kind, chosen] : {std::pair{db::Kind::Program, &programs},
                                       std::pair{db::Kind::Combination, &combinations}}) {
        const std::int32_t count = work.session.files().count(kind);
        for (const std::int32_t id : *chosen)
            if (id < 1 || id > count)
                throw std::runtime_error(database + " holds no " +
                                         (kind == db::Kind::Program ? "program" : "combination") +
                                         " with ID " + std::to_string(id) + " (it holds " +
                                         std::to_string(count) + ")");
    }
    for (const auto& [kind, chosen] : {std::pair{db::Kind::Program, &programs},
                                       std::pair{db::Kind::Combination, &combinations}}) {
        const session::Outcome placed = session::sendToPcg(work.session, kind, *chosen);
        for (const std::string& line : *placed.events)
            out << line << "\n";
    }
    session::exportPcg(work.session, absolute(output->second));
    (void)err;
    return kDone;
}

int arrange(const Arguments& a, std::ostream& out, std::ostream& err) {
    const auto output = a.values.find("-o");
    if (output == a.values.end()) throw UsageError{"-o OUT.pcg is needed"};
    const ArrangeSteps steps =
        parseArrangeSteps(std::vector<std::string>(a.positional.begin() + 1, a.positional.end()));
    if (!steps.error.empty()) throw UsageError{steps.error};
    Work work(a);
    return arrangePcg(work.session, absolute(a.positional[0]), absolute(output->second),
                      steps.steps, out, err);
}

int show(const Arguments& a, std::ostream& out, std::ostream& /*err*/) {
    Work work(a);
    if (const session::Outcome imported =
            session::importPcg(work.session, absolute(a.positional[0]));
        imported.refusal)
        throw io::RefusalError(*imported.refusal);
    const pcg::PcgState& pcg = work.session.pcg();
    if (a.flags.contains("--csv")) {
        out << lists::tableCsv(lists::pcgTable(pcg, a.flags.contains("--combinations")
                                                        ? pcg::SlotKind::Combination
                                                        : pcg::SlotKind::Program));
        return kDone;
    }
    for (const pcg::SlotKind kind : {pcg::SlotKind::Program, pcg::SlotKind::Combination}) {
        if (kind == pcg::SlotKind::Program && a.flags.contains("--combinations")) continue;
        if (kind == pcg::SlotKind::Combination && a.flags.contains("--programs")) continue;
        out << (kind == pcg::SlotKind::Program ? "Programs\n" : "Combinations\n");
        for (int bank = 0; bank < 2; ++bank)
            for (int line = 0; line < pcg::kBankSize; ++line)
                out << pcg::pcgListLine(pcg, kind, bank, line) << "\n";
    }
    return kDone;
}

const std::vector<Command>& commands() {
    static const std::vector<Command> all = {
        {"add",
         add,
         "DB.pvd PATH...",
         "send every PCG file found in PATH... to the database (made when\n"
         "missing), merge the databases among them, and store it back",
         "Usage: pelvaro-cli add DB.pvd PATH... [--csv] [--template FILE]\n"
         "Opens DB.pvd (an empty database when it does not exist yet), sends every PCG file\n"
         "given, and every *.pcg below every folder given (in name order), exactly as the\n"
         "window's \"Send PCG Files to Database\" does, then merges every database (*.pvd)\n"
         "given, in the order given, as the window's \"Merge Database\" does: every entry with\n"
         "its explanation and classes, an identical sound stored once. Exports the database\n"
         "back to DB.pvd the safe way. Prints what each file and database brought that was new\n"
         "and what was stored already, or why it was skipped, then the totals (--csv: as CSV).\n",
         {"--csv"},
         {"--template"},
         2,
         SIZE_MAX},
        {"arrange",
         arrange,
         "IN.pcg -o OUT.pcg STEP...",
         "move, swap, sort and empty slots of a PCG file and place database\n"
         "entries in it, every reference following, into a new PCG file",
         kArrangeHelp,
         {},
         {"-o", "--template"},
         2,
         SIZE_MAX},
        {"list",
         list,
         "DB.pvd",
         "the entries of the database, as its lists show them",
         "Usage: pelvaro-cli list DB.pvd [--programs|--combinations] [--name TEXT]\n"
         "                        [--class ID] [--drum ID] [--program ID] [--sound FROM[-TO]]\n"
         "                        [--favourites] [--min-rating N] [--hidden|--all]\n"
         "                        [--csv] [--template FILE]\n"
         "The rows of the database's program list (or combination list) under the filters of\n"
         "its Search: a part of the name, a class (and the classes below it; 0: entries without\n"
         "a class), a drum-kit ID (programs), a program ID (combinations), an oscillator sound\n"
         "or range of sounds (programs); and of the musician's marks: favourites only, a rating\n"
         "of N or more, the hidden entries only (--hidden) or with the others (--all; hidden\n"
         "entries are left out otherwise). Each row: ID, name, class paths, drum-kit ID or the\n"
         "timbres' program IDs, explanation; tab-separated, or CSV with --csv.\n",
         {"--programs", "--combinations", "--csv", "--favourites", "--hidden", "--all"},
         {"--name", "--class", "--drum", "--program", "--sound", "--template", "--min-rating"},
         1,
         1},
        {"extract",
         extract,
         "DB.pvd",
         "a new PCG file of chosen entries",
         "Usage: pelvaro-cli extract DB.pvd [--programs IDS] [--combinations IDS] -o OUT.pcg\n"
         "                           [--template FILE]\n"
         "Writes a new PCG file (the empty PCG of the template) into which the entries are\n"
         "sent exactly as the window's \"Send To PCG\" sends them: the programs first, then the\n"
         "combinations, in the order given. IDS: numbers and ranges, \"1,4,10-12\". Prints\n"
         "the event lines of what could not be placed.\n",
         {},
         {"--programs", "--combinations", "-o", "--template"},
         1,
         1},
        {"show",
         show,
         "FILE.pcg",
         "the banks of a PCG file",
         "Usage: pelvaro-cli show FILE.pcg [--programs|--combinations] [--csv]\n"
         "                        [--template FILE]\n"
         "The banks of a PCG file as the window's PCG tabs show them, banks A and B of the\n"
         "programs, then of the combinations. --csv: the patch list of the programs (or of the\n"
         "combinations) as CSV: slot, name, mode and drum-kit slot, or each timbre's program.\n",
         {"--programs", "--combinations", "--csv"},
         {"--template"},
         1,
         1},
        {"similar",
         similar,
         "DB.pvd",
         "the entries nearest to one",
         kSimilarHelp,
         {"--csv"},
         {"--program", "--combination", "-n"},
         1,
         1},
        {"duplicates",
         duplicates,
         "DB.pvd",
         "the groups of near-duplicates, or of one name",
         kDuplicatesHelp,
         {"--programs", "--combinations", "--same-name", "--csv"},
         {"--max-bytes"},
         1,
         1},
        {"origins",
         origins,
         "DB.pvd",
         "where the entries came from: the slots of the PCG files sent",
         kOriginsHelp,
         {"--csv"},
         {"--programs", "--combinations", "--file", "--template"},
         1,
         1},
        {"rebuild",
         rebuild,
         "DB.pvd NAME -o OUT.pcg",
         "a PCG file sent into the database, given back as it was",
         kRebuildHelp,
         {},
         {"-o", "--sent", "--template"},
         2,
         2},
        {"mark",
         mark,
         "DB.pvd --programs IDS|--combinations IDS MARK",
         "favourite, rate, hide or show entries",
         kMarkHelp,
         {"--favourite", "--no-favourite", "--hide", "--show"},
         {"--programs", "--combinations", "--rating", "--template"},
         1,
         1},
        {"dedupe",
         dedupe,
         "DB.pvd --max-bytes N",
         "merge every group of near-duplicates into its lowest ID",
         kDedupeHelp,
         {"--programs", "--combinations", "--csv"},
         {"--max-bytes", "-o"},
         1,
         1},
    };
    return all;
}

// A message of the command line: "pelvaro-cli COMMAND: " and the text, with a blank after every
// full stop that ends a sentence (some of the window's own texts run two sentences together:
// "...Pcg file.Please select...", which the window keeps as it always showed them).
std::string message(const std::string& command, std::string text) {
    for (std::size_t at = text.find(".Please"); at != std::string::npos;
         at = text.find(".Please", at))
        text.insert(++at, " ");
    return "pelvaro-cli " + command + ": " + text + "\n";
}

// The usage text, a line or more for each row of the table.
std::string usage() {
    constexpr std::size_t kColumn = 23;  // where the descriptions begin
    std::string text =
        "Usage: pelvaro-cli COMMAND [OPTIONS]\n"
        "PCG files and PELVARO databases, on the command line.\n"
        "\n"
        "Commands:\n";
    for (const Command& c : commands()) {
        std::string head = std::string("  ") + c.name + " " + c.synopsis;
        head += head.size() + 1 < kColumn ? std::string(kColumn - head.size(), ' ')
                                          : "\n" + std::string(kColumn, ' ');
        text += head;
        for (const char* p = c.purpose; *p != 0; ++p) {
            text += *p;
            if (*p == '\n') text += std::string(kColumn, ' ');
        }
        text += "\n";
    }
    return text +
           "\n"
           "Every command takes --template FILE, the empty-PCG template (default: the installed "
           "one,\n"
           "then bos.dat beside pelvaro-cli). 'pelvaro-cli COMMAND --help' tells more.\n"
           "Exit status: 0 done, 1 failed, 2 bad usage.\n";
}

}  // namespace

std::vector<std::int32_t> parseIds(const std::string& text) {
    std::vector<std::int32_t> ids;
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string part = text.substr(at, comma - at);
        const std::size_t dash = part.find('-', 1);
        try {
            std::size_t used = 0;
            const std::string from = part.substr(0, dash);
            const int first = std::stoi(from, &used);
            if (used != from.size()) throw std::invalid_argument(part);
            int last = first;
            if (dash != std::string::npos) {
                const std::string to = part.substr(dash + 1);
                last = std::stoi(to, &used);
                if (used != to.size()) throw std::invalid_argument(part);
            }
            if (last < first || last - first > 1000000) throw std::invalid_argument(part);
            for (int id = first; id <= last; ++id)
                ids.push_back(id);
        } catch (const std::logic_error&) {
            throw UsageError{"'" + part + "' is no entry ID or range of IDs"};
        }
        at = comma + 1;
    }
    return ids;
}

int runCommandLine(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    if (arguments.empty()) {
        err << usage();
        return kBadUsage;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        out << usage();
        return kDone;
    }
    const auto& all = commands();
    const auto command =
        std::ranges::find_if(all, [&](const Command& c) { return arguments[0] == c.name; });
    if (command == all.end()) {
        err << "pelvaro-cli: no command " << arguments[0] << "\n\n" << usage();
        return kBadUsage;
    }
    const std::string name = command->name;
    try {
        const Arguments a =
            parse(*command, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
        if (a.help) {
            out << command->help;
            return kDone;
        }
        return command->handler(a, out, err);
    } catch (const UsageError& e) {
        err << message(name, e.text) << "Try 'pelvaro-cli " << name << " --help'.\n";
        return kBadUsage;
    } catch (const io::RefusalError& e) {
        err << message(name, e.refusal().text);
        return kFailed;
    } catch (const std::exception& e) {
        err << message(name, e.what());
        return kFailed;
    }
}

}  // namespace pelvaro::cli
