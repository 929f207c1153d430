#include "cli/organise.h"

#include "cli/commands.h"
#include "lists/csv.h"
#include "lists/tables.h"
#include "session/organise_commands.h"
#include "session/session.h"

namespace pelvaro::cli {

const char* const kSimilarHelp =
    "Usage: pelvaro-cli similar DB.pvd --program ID|--combination ID [-n 20] [--csv]\n"
    "The other entries of that kind nearest to the one given, nearest first, as the window's\n"
    "\"Find Similar...\" lists them: ID, name, how many compared values differ (the bytes the\n"
    "matching rule compares; a drum program's kit counts as many bytes as the two kits\n"
    "differ in, a timbre's program as far as the two programs are apart) and which\n"
    "parameters those are (eight at most, then how many more). -n: how many (default 20).\n"
    "--csv: the columns ID, Name and Bytes as CSV. The database is only read.\n";

const char* const kDuplicatesHelp =
    "Usage: pelvaro-cli duplicates DB.pvd [--programs|--combinations] [--max-bytes N]\n"
    "                              [--same-name] [--csv]\n"
    "The groups of near-duplicates among the programs (or combinations), as the window's\n"
    "\"Find Near Duplicates...\" lists them: entries whose compared values differ in at most N\n"
    "(0 to 8, default 2; 0: the same sound stored more than once), joined into one group by a\n"
    "chain of such entries, largest groups first; each member with its group, ID, name and\n"
    "how it differs from the group's lowest ID. --same-name: the groups of entries of one\n"
    "name and different sounds instead. --csv: a row per member with the columns Group, ID,\n"
    "Name and Bytes. The database is only read.\n";

const char* const kDedupeHelp =
    "Usage: pelvaro-cli dedupe DB.pvd [--programs|--combinations] --max-bytes N\n"
    "                          [-o OUT.pvd] [--csv]\n"
    "Merges every group of near-duplicates within N (0 to 8) into its lowest ID, exactly as\n"
    "the window's Merge does: combinations that played a merged program play the kept one,\n"
    "and those that thereby became the same sound are merged as well. Without --programs or\n"
    "--combinations, the programs first, then the groups of combinations found afterwards,\n"
    "so that with N = 0 no sound is stored twice. Prints a row per merged entry: the IDs of\n"
    "the kept and the merged entry as DB.pvd numbers them, the kind, and how many values\n"
    "they differed in (--csv: the columns Kept, Merged, Kind and Bytes). Writes the database\n"
    "back to DB.pvd the safe way, or to OUT.pvd; nothing when the command fails.\n";

namespace {

using db::Kind;

int maxBytes(const Arguments& a) {
    return number(a, "--max-bytes", transfer::kDefaultMaxBytes, 0, transfer::kMostMaxBytes,
                  "number of bytes from 0 to 8");
}

void print(const lists::Table& table, bool csv, std::ostream& out) {
    out << (csv ? lists::tableCsv(table) : lists::tableText(table));
}

}  // namespace

int similar(const Arguments& a, std::ostream& out, std::ostream& /*err*/) {
    const bool program = a.values.contains("--program");
    if (program == a.values.contains("--combination"))
        throw UsageError{program ? "--program and --combination exclude each other"
                                 : "--program ID or --combination ID is needed"};
    const std::string option = program ? "--program" : "--combination";
    const int id = number(a, option, 0, INT32_MIN, INT32_MAX, "entry ID");
    const int count = number(a, "-n", 20, 0, INT32_MAX, "number of entries");
    Opened opened(a.positional[0]);
    const Kind kind = program ? Kind::Program : Kind::Combination;
    const auto found =
        session::findSimilar(opened.session, kind, id, static_cast<std::size_t>(count));
    const bool csv = a.flags.contains("--csv");
    lists::Table table;
    table.headings = {"ID", "Name", "Bytes"};
    if (!csv) table.headings.emplace_back("Differs in");
    for (const transfer::Neighbour& n : found) {
        table.rows.push_back({std::to_string(n.id), n.name, std::to_string(n.bytes)});
        if (!csv) table.rows.back().push_back(transfer::parameterText(n.parameters));
    }
    print(table, csv, out);
    return kDone;
}

int duplicates(const Arguments& a, std::ostream& out, std::ostream& /*err*/) {
    const int most = maxBytes(a);
    const Kind kind = a.flags.contains("--combinations") ? Kind::Combination : Kind::Program;
    Opened opened(a.positional[0]);
    std::vector<std::vector<std::int32_t>> groups;
    if (a.flags.contains("--same-name")) {
        for (auto& g : session::findSameNames(opened.session, kind))
            groups.push_back(std::move(g.members));
    } else {
        groups = session::findNearDuplicates(opened.session, kind, most);
    }
    const bool csv = a.flags.contains("--csv");
    lists::Table table;
    table.headings = {"Group", "ID", "Name", "Bytes"};
    if (!csv) table.headings.emplace_back("Differs in");
    const transfer::GroupDescriber describer(opened.session.files(), kind);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const transfer::GroupView view = describer.describe(groups[g], groups[g].front());
        for (const transfer::GroupMember& m : view.members) {
            table.rows.push_back({std::to_string(g + 1), std::to_string(m.id), latin1ToUtf8(m.name),
                                  std::to_string(m.bytes)});
            if (!csv) table.rows.back().push_back(transfer::parameterText(m.parameters));
        }
    }
    print(table, csv, out);
    return kDone;
}

int dedupe(const Arguments& a, std::ostream& out, std::ostream& /*err*/) {
    if (!a.values.contains("--max-bytes")) throw UsageError{"--max-bytes N is needed"};
    const int most = maxBytes(a);
    const auto output = a.values.find("-o");
    const std::string target =
        databaseFile(output == a.values.end() ? a.positional[0] : output->second);
    const bool programs = !a.flags.contains("--combinations");
    const bool combinations = !a.flags.contains("--programs");
    Opened opened(a.positional[0]);
    const auto rows = session::dedupe(opened.session, programs, combinations, most);
    opened.session.exportDatabase(target);
    const bool csv = a.flags.contains("--csv");
    lists::Table table;
    table.headings = {"Kept", "Merged", "Kind", "Bytes"};
    for (const session::DedupeRow& r : rows)
        table.rows.push_back({std::to_string(r.kept), std::to_string(r.merged),
                              db::kindWord(r.kind), std::to_string(r.bytes)});
    print(table, csv, out);
    return kDone;
}

int number(const Arguments& a, const std::string& option, int otherwise, int least, int most,
           const std::string& what) {
    const auto it = a.values.find(option);
    if (it == a.values.end()) return otherwise;
    try {
        std::size_t used = 0;
        const int n = std::stoi(it->second, &used);
        if (used == it->second.size() && n >= least && n <= most) return n;
    } catch (const std::logic_error&) {
    }
    throw UsageError{"'" + it->second + "' is no " + what};
}

}  // namespace pelvaro::cli
