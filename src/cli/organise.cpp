#include "cli/organise.h"

#include "cli/commands.h"
#include "lists/csv.h"
#include "lists/tables.h"
#include "transfer/near_duplicates.h"
#include "transfer/similarity.h"

namespace pelvaro::cli {

const char* const kSimilarHelp =
    "Usage: pelvaro-cli similar DB.pvd --program ID|--combination ID [-n 20] [--csv]\n"
    "The other entries of that kind nearest to the one given, nearest first, as the window's\n"
    "\"Find Similar...\" lists them: ID, name, how many compared bytes differ (the bytes the\n"
    "matching rule compares; a drum program's kit and a timbre's program count as one value,\n"
    "compared by content) and which parameters those are. -n: how many (default 20).\n"
    "--csv: the columns ID, Name and Bytes as CSV. The database is only read.\n";

const char* const kDuplicatesHelp =
    "Usage: pelvaro-cli duplicates DB.pvd [--programs|--combinations] [--max-bytes N]\n"
    "                              [--same-name] [--csv]\n"
    "The groups of near-duplicates among the programs (or combinations), as the window's\n"
    "\"Find Near Duplicates...\" lists them: entries whose compared bytes differ in at most N\n"
    "(1 to 8, default 2), joined into one group by a chain of such entries, largest groups\n"
    "first; each member with its group, ID, name and how it differs from the group's lowest\n"
    "ID. --same-name: the groups of entries of one name and different sounds instead.\n"
    "--csv: a row per member with the columns Group, ID and Name. The database is only read.\n";

namespace {

using db::Kind;

// The database the command reads, opened (and checked) as the window opens it.
struct OpenedDatabase {
    PrivateFolder folder;
    db::RecordFiles files;
    explicit OpenedDatabase(const std::string& chosen) {
        files.createRecordFiles(folder.path());
        try {
            db::openDatabase(files, databaseFile(chosen));
        } catch (...) {
            files.removeRecordFiles();
            throw;
        }
    }
    ~OpenedDatabase() { files.removeRecordFiles(); }
    OpenedDatabase(const OpenedDatabase&) = delete;
    OpenedDatabase& operator=(const OpenedDatabase&) = delete;
};

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

std::string text(const std::string& latin1) {
    return latin1ToUtf8(latin1);
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
    const OpenedDatabase opened(a.positional[0]);
    const Kind kind = program ? Kind::Program : Kind::Combination;
    const auto found =
        transfer::findSimilar(opened.files, kind, id, static_cast<std::size_t>(count));
    const bool csv = a.flags.contains("--csv");
    lists::Table table;
    table.headings = {"ID", "Name", "Bytes"};
    if (!csv) table.headings.emplace_back("Differs in");
    for (const transfer::Neighbour& n : found) {
        table.rows.push_back({std::to_string(n.id), text(n.name), std::to_string(n.bytes)});
        if (!csv) table.rows.back().push_back(transfer::parameterText(n.parameters));
    }
    out << (csv ? lists::tableCsv(table) : lists::tableText(table));
    return kDone;
}

int duplicates(const Arguments& a, std::ostream& out, std::ostream& /*err*/) {
    const int most = number(a, "--max-bytes", transfer::kDefaultMaxBytes, transfer::kLeastMaxBytes,
                            transfer::kMostMaxBytes, "number of bytes from 1 to 8");
    const Kind kind = a.flags.contains("--combinations") ? Kind::Combination : Kind::Program;
    const OpenedDatabase opened(a.positional[0]);
    std::vector<std::vector<std::int32_t>> groups;
    if (a.flags.contains("--same-name")) {
        for (auto& g : transfer::sameNameGroups(opened.files, kind))
            groups.push_back(std::move(g.members));
    } else {
        groups = transfer::nearDuplicateGroups(opened.files, kind, most);
    }
    const bool csv = a.flags.contains("--csv");
    lists::Table table;
    table.headings = {"Group", "ID", "Name"};
    if (!csv) table.headings.insert(table.headings.end(), {"Bytes", "Differs in"});
    const transfer::GroupDescriber describer(opened.files, kind);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const transfer::GroupView view = describer.describe(groups[g], groups[g].front());
        for (const transfer::GroupMember& m : view.members) {
            table.rows.push_back({std::to_string(g + 1), std::to_string(m.id), text(m.name)});
            if (!csv)
                table.rows.back().insert(
                    table.rows.back().end(),
                    {std::to_string(m.bytes), transfer::parameterText(m.parameters)});
        }
    }
    out << (csv ? lists::tableCsv(table) : lists::tableText(table));
    return kDone;
}

}  // namespace pelvaro::cli
