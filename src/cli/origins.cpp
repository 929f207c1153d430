#include "cli/origins.h"

#include <ctime>
#include <filesystem>

#include "cli/commands.h"
#include "cli/organise.h"
#include "lists/csv.h"
#include "lists/tables.h"
#include "session/origin_commands.h"

namespace pelvaro::cli {

const char* const kOriginsHelp =
    "Usage: pelvaro-cli origins DB.pvd [--programs IDS | --combinations IDS | --file NAME]\n"
    "                           [--csv]\n"
    "Where the entries came from: a row for every slot of every PCG file sent into the\n"
    "database (or only for the entries given, or the files whose name holds NAME) with the\n"
    "entry's ID and kind, the file and its folder, the slot, the name the slot had there and\n"
    "when it was sent; tab-separated, or CSV with --csv. The database is only read.\n";
const char* const kRebuildHelp =
    "Usage: pelvaro-cli rebuild DB.pvd NAME -o OUT.pcg [--sent DATE]\n"
    "Writes the PCG file NAME (a file name, or a path as 'origins' lists it) as it was sent\n"
    "into the database: every slot with the sound and the name it had, every byte outside the\n"
    "sounds as it was. With several sends of that name, the newest, or the one sent on DATE\n"
    "(\"2026-12-08\" or \"2026-12-08 14:02\"). A slot whose sound has changed since is named\n"
    "on standard error, one line each; the file is written all the same.\n";
const char* const kMarkHelp =
    "Usage: pelvaro-cli mark DB.pvd --programs IDS|--combinations IDS\n"
    "                        (--favourite|--no-favourite|--rating N|--hide|--show)\n"
    "Sets the musician's marks on the entries given (IDS: numbers and ranges, \"1,4,10-12\"):\n"
    "favourite or not, a rating from 1 to 5 (0 clears it), hidden or shown. Writes the\n"
    "database back to DB.pvd the safe way; nothing when an ID names no entry.\n";

namespace {

using db::Kind;

std::string sentText(std::int64_t sent) {
    const auto t = static_cast<std::time_t>(sent);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

void refuse(const std::string& text) {
    throw io::RefusalError(io::Refusal{"", text});
}

// The entries an option names, each checked against the count.
std::vector<std::int32_t> chosenIds(const session::Session& s, const Arguments& a, Kind kind,
                                    const char* option) {
    const auto it = a.values.find(option);
    if (it == a.values.end()) return {};
    std::vector<std::int32_t> ids = parseIds(it->second);
    for (std::int32_t id : ids)
        if (id < 1 || id > s.files().count(kind))
            refuse("There is no " + db::kindWord(kind) + " with ID " + std::to_string(id) + ".");
    return ids;
}

void tellDamage(const session::Session& s, const std::string& database, const std::string& command,
                std::ostream& err) {
    if (!s.origins().damage().empty())
        err << "pelvaro-cli " << command << ": the origins of " << database << " are damaged ("
            << s.origins().damage() << ")\n";
}

}  // namespace

int origins(const Arguments& a, std::ostream& out, std::ostream& err) {
    Opened opened(a.positional[0]);
    const session::Session& s = opened.session;
    tellDamage(s, databaseFile(a.positional[0]), "origins", err);
    const std::vector<db::SentFile> files = s.origins().files();
    std::vector<db::Origin> rows;
    const auto fileName = a.values.find("--file");
    bool chosen = false;
    for (const auto& [kind, option] :
         {std::pair{Kind::Program, "--programs"}, std::pair{Kind::Combination, "--combinations"}})
        if (a.values.contains(option)) {
            chosen = true;
            for (std::int32_t id : chosenIds(s, a, kind, option))
                for (db::Origin& o : s.origins().originsOf(kind, id))
                    rows.push_back(std::move(o));
        }
    if (!chosen)
        for (const db::SentFile& f : files)
            if (fileName == a.values.end() || f.name.find(fileName->second) != std::string::npos ||
                (std::filesystem::path(f.folder) / f.name).string() == fileName->second)
                for (db::Origin& o : s.origins().originsOfFile(f.number))
                    rows.push_back(std::move(o));
    lists::Table table;
    table.headings = {"ID", "Kind", "File", "Folder", "Slot", "Name there", "Sent"};
    for (const db::Origin& o : rows) {
        const db::SentFile& f = files[static_cast<std::size_t>(o.file)];
        table.rows.push_back({o.id > 0 ? std::to_string(o.id) : std::string("deleted"),
                              db::kindWord(o.kind), f.name, f.folder,
                              db::originSlotText(o.kind, o.slot), latin1ToUtf8(o.nameThere),
                              sentText(f.sent)});
    }
    out << (a.flags.contains("--csv") ? lists::tableCsv(table) : lists::tableText(table));
    return kDone;
}

int rebuild(const Arguments& a, std::ostream& out, std::ostream& err) {
    const auto output = a.values.find("-o");
    if (output == a.values.end()) throw UsageError{"-o OUT.pcg is needed"};
    std::optional<std::string> sentOn;
    if (const auto it = a.values.find("--sent"); it != a.values.end()) sentOn = it->second;
    Opened opened(a.positional[0]);
    session::Session& s = opened.session;
    const std::string database = databaseFile(a.positional[0]);
    tellDamage(s, database, "rebuild", err);
    if (s.origins().files().empty())
        refuse(database +
               " holds no origins: no PCG file was sent into it since PELVARO keeps "
               "them.");
    const std::string& name = a.positional[1];
    const std::optional<std::int32_t> file = session::sentFileNamed(s, name, sentOn);
    if (!file)
        refuse("No send of " + name + (sentOn ? " on " + *sentOn : std::string()) +
               " is recorded in " + database + ".");
    const session::GiveBackResult result = session::giveBackPcg(s, *file, absolute(output->second));
    if (result.failure) throw std::runtime_error(*result.failure);
    for (const std::string& line : result.differences)
        err << line << "\n";
    out << result.summary << "\n";
    return kDone;
}

int mark(const Arguments& a, std::ostream& out, std::ostream& /*err*/) {
    using What = db::MarkChange::What;
    std::vector<db::MarkChange> changes;
    if (a.flags.contains("--favourite")) changes.push_back({What::Favourite});
    if (a.flags.contains("--no-favourite")) changes.push_back({What::NoFavourite});
    if (a.flags.contains("--hide")) changes.push_back({What::Hide});
    if (a.flags.contains("--show")) changes.push_back({What::Show});
    if (a.values.contains("--rating"))
        changes.push_back({What::Rating, number(a, "--rating", 0, 0, 5, "rating from 0 to 5")});
    if (changes.size() != 1)
        throw UsageError{
            "one of --favourite, --no-favourite, --rating N, --hide and --show is needed"};
    const bool programs = a.values.contains("--programs");
    if (programs == a.values.contains("--combinations"))
        throw UsageError{"--programs IDS or --combinations IDS is needed"};
    const Kind kind = programs ? Kind::Program : Kind::Combination;
    Opened opened(a.positional[0]);
    const std::vector<std::int32_t> ids =
        chosenIds(opened.session, a, kind, programs ? "--programs" : "--combinations");
    const session::Outcome done = session::markEntries(opened.session, kind, ids, changes[0]);
    if (done.failure) throw std::runtime_error(*done.failure);
    opened.session.exportDatabase(databaseFile(a.positional[0]));
    out << done.summary << "\n";
    return kDone;
}

db::MarkFilter markFilter(const Arguments& a) {
    db::MarkFilter filter;
    if (a.flags.contains("--all")) filter.show = db::MarkFilter::Show::Everything;
    if (a.flags.contains("--hidden")) filter.show = db::MarkFilter::Show::HiddenOnly;
    if (a.flags.contains("--all") && a.flags.contains("--hidden"))
        throw UsageError{"--hidden and --all cannot go together"};
    return filter;
}

bool listed(const session::Session& s, const Arguments& a, const db::MarkFilter& filter, Kind kind,
            std::int32_t id) {
    const db::Marks m = s.origins().marks(kind, id);
    if (!filter.admits(m)) return false;
    if (a.flags.contains("--favourites") && !m.favourite) return false;
    return m.rating >= number(a, "--min-rating", 0, 0, 5, "rating from 0 to 5");
}

}  // namespace pelvaro::cli
