#include "session/origin_commands.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <map>

#include "io/wording.h"
#include "pcg/pcg_files.h"

namespace pelvaro::session {

namespace {

using db::Kind;
using db::MarkChange;
using What = MarkChange::What;

constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::tm localTime(std::int64_t sent) {
    const auto t = static_cast<std::time_t>(sent);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// A toggle chosen for several entries: on for all of them unless all have it already.
MarkChange resolved(const db::OriginStore& origins, Kind kind, const std::vector<std::int32_t>& ids,
                    MarkChange change) {
    if (change.what == What::ToggleFavourite) {
        const bool all = std::ranges::all_of(
            ids, [&](std::int32_t id) { return origins.marks(kind, id).favourite; });
        change.what = all ? What::NoFavourite : What::Favourite;
    } else if (change.what == What::ToggleHidden) {
        const bool all = std::ranges::all_of(
            ids, [&](std::int32_t id) { return origins.marks(kind, id).hidden; });
        change.what = all ? What::Show : What::Hide;
    }
    return change;
}

// "bank01.pcg A05 "Warm Pad"": the file, the slot and its name there.
std::string originWords(const db::SentFile& file, const db::Origin& o) {
    std::string words = file.name + " " + db::originSlotText(o.kind, o.slot);
    if (o.kind != Kind::DrumKit) words += " \"" + latin1ToUtf8(o.nameThere) + "\"";
    return words;
}

}  // namespace

std::string markStepName(const MarkChange& change) {
    switch (change.what) {
        case What::Favourite:
            return "Favourite";
        case What::NoFavourite:
            return "No Favourite";
        case What::ToggleFavourite:
            return "Favourite";
        case What::Rating:
            return change.rating == 0 ? "Clear Rating" : "Rate " + std::to_string(change.rating);
        case What::Hide:
            return "Hide";
        case What::Show:
            return "Show";
        case What::ToggleHidden:
            return "Hide";
    }
    return "Mark";
}

Outcome markEntries(Session& session, Kind kind, const std::vector<std::int32_t>& ids,
                    const MarkChange& asked) {
    Outcome outcome;
    db::OriginStore& origins = session.origins();
    std::vector<std::int32_t> chosen;
    for (std::int32_t id : ids)
        if (id >= 1 && id <= session.files().count(kind)) chosen.push_back(id);
    const MarkChange change = resolved(origins, kind, chosen, asked);
    std::erase_if(chosen, [&](std::int32_t id) {
        return change.applied(origins.marks(kind, id)) == origins.marks(kind, id);
    });
    const std::string entries = db::kindCount(static_cast<std::int64_t>(chosen.size()), kind);
    switch (change.what) {
        case What::Favourite:
            outcome.summary = "Marked " + entries + " as favourites";
            break;
        case What::NoFavourite:
            outcome.summary = "Took " + entries + " off the favourites";
            break;
        case What::Rating:
            outcome.summary = change.rating == 0
                                  ? "Cleared the rating of " + entries
                                  : "Rated " + entries + " " + std::to_string(change.rating);
            break;
        case What::Hide:
            outcome.summary = "Hid " + entries;
            break;
        default:
            outcome.summary = "Showed " + entries;
            break;
    }
    if (chosen.empty()) return outcome;
    untilFailure(outcome, [&] {
        const auto step = session.command(markStepName(change), Session::Changes::Database);
        origins.setMarks(kind, chosen, change);
    });
    return outcome;
}

std::string sentDate(std::int64_t sent, bool withTime) {
    const std::tm t = localTime(sent);
    std::string text = std::to_string(t.tm_mday) + " " +
                       kMonths[static_cast<std::size_t>(t.tm_mon)] + " " +
                       std::to_string(t.tm_year + 1900);
    if (withTime) text += " " + twoDigits(t.tm_hour) + ":" + twoDigits(t.tm_min);
    return text;
}

OriginsText originsText(const Session& session, Kind kind, std::int32_t id) {
    OriginsText text;
    const db::OriginStore& origins = session.origins();
    const std::vector<db::Origin> found = origins.originsOf(kind, id);
    if (found.empty()) return text;
    const std::vector<db::SentFile> files = origins.files();
    std::vector<std::int32_t> distinct;
    for (const db::Origin& o : found) {
        const db::SentFile& f = files[static_cast<std::size_t>(o.file)];
        if (std::ranges::find(distinct, o.file) == distinct.end()) distinct.push_back(o.file);
        if (!text.whole.empty()) text.whole += "\n";
        text.whole += originWords(f, o) + ", " + sentDate(f.sent, true);
        if (!f.folder.empty()) text.whole += " (" + f.folder + ")";
    }
    const db::Origin& first = found.front();
    const db::SentFile& f = files[static_cast<std::size_t>(first.file)];
    text.line = "From " + originWords(f, first) + ", " + sentDate(f.sent);
    const auto more = static_cast<std::int64_t>(distinct.size()) - 1;
    if (more > 0) text.line += ", and " + countOf(more, "more file", "more files");
    return text;
}

std::optional<std::int32_t> sentFileNamed(const Session& session, const std::string& name,
                                          const std::optional<std::string>& sentOn) {
    std::optional<db::SentFile> best;
    for (const db::SentFile& f : session.origins().files()) {
        const std::string path = (std::filesystem::path(f.folder) / f.name).string();
        if (name != f.name && name != path) continue;
        if (sentOn) {
            const std::tm t = localTime(f.sent);
            const std::string day = std::to_string(t.tm_year + 1900) + "-" +
                                    twoDigits(t.tm_mon + 1) + "-" + twoDigits(t.tm_mday);
            if (*sentOn != day &&
                *sentOn != day + " " + twoDigits(t.tm_hour) + ":" + twoDigits(t.tm_min))
                continue;
        }
        if (!best || f.sent >= best->sent) best = f;
    }
    if (!best) return std::nullopt;
    return best->number;
}

GiveBackResult giveBackPcg(Session& session, std::int32_t file, const std::string& target) {
    GiveBackResult result;
    const std::vector<db::SentFile> files = session.origins().files();
    if (file < 0 || static_cast<std::size_t>(file) >= files.size()) {
        result.failure = "No file of this database was sent under that number.";
        return result;
    }
    const db::SentFile& sent = files[static_cast<std::size_t>(file)];
    untilFailure(result, [&] {
        session.files().flush();
        db::OriginStore::GivenBack back = session.origins().giveBack(file, session.files());
        pcg::writePcgFile(back.image, target);
        result.path = target;
        result.differences = std::move(back.differences);
        result.summary = "Gave back " + sent.name + " as " + target;
        if (!result.differences.empty())
            result.summary += "; " +
                              countOf(static_cast<std::int64_t>(result.differences.size()),
                                      "slot differs", "slots differ") +
                              " from the file sent";
        result.events = db::EventLines(result.differences.begin(), result.differences.end());
    });
    return result;
}

}  // namespace pelvaro::session
