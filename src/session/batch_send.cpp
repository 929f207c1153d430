#include "session/batch_send.h"

#include <algorithm>
#include <filesystem>

#include "lists/csv.h"
#include "pcg/pcg_files.h"
#include "session/given_files.h"
#include "session/session.h"

namespace pelvaro::session {

namespace fs = std::filesystem;

namespace {

FileReport skipped(std::string path, std::string why) {
    FileReport line;
    line.path = std::move(path);
    line.skipped = std::move(why);
    return line;
}

// Why a file that could not be read was skipped: "is a folder" (a PCG file a folder took the
// name of since the files were listed), or "cannot be read: " and the system's reason.
std::string whyUnread(const std::string& path, const io::FileError& e) {
    std::error_code error;
    if (fs::is_directory(path, error)) return "is a folder";
    std::string reason = e.detail().empty() ? e.headline() : e.detail();
    // A read error names the file first; the report's line names it already.
    if (reason.starts_with(path + ": ")) reason.erase(0, path.size() + 2);
    return "cannot be read: " + reason;
}

std::int32_t usedSlots(const std::array<Byte, pcg::kSlotCount>& used) {
    return static_cast<std::int32_t>(std::ranges::count(used, Byte{1}));
}

}  // namespace

std::vector<FileReport> filesToSend(const std::vector<std::string>& chosen) {
    std::vector<FileReport> lines;
    for (const std::string& path : chosen) {
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (fs::is_directory(status)) {
            std::vector<std::string> found;
            for (auto it = fs::recursive_directory_iterator(
                     path, fs::directory_options::skip_permission_denied, error);
                 !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
                std::error_code entryError;
                if (it->is_regular_file(entryError) && hasPcgName(it->path().string()))
                    found.push_back(it->path().string());
            }
            if (found.empty()) {
                lines.push_back(skipped(path, "a folder without PCG files"));
                continue;
            }
            std::ranges::sort(found);
            for (std::string& file : found) {
                FileReport line;
                line.path = std::move(file);
                lines.push_back(std::move(line));
            }
        } else {
            // A file given by name is tried whatever it is called; the import says what it is.
            FileReport line;
            line.path = path;
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

BatchSend::BatchSend(Session& session, const std::vector<std::string>& chosen)
    : session_(session),
      step_(session, "Send PCG Files to Database", Session::Changes::Database),
      lines_(filesToSend(chosen)) {}

const FileReport& BatchSend::sendNext(const transfer::Progress& progress) {
    FileReport& line = lines_[next_++];
    if (!line.sent()) return line;
    // The file in an image of its own, read as Import Pcg reads one.
    pcg::PcgState image;
    image.templates = session_.pcg().templates;
    try {
        line.skipped = pcg::importPcgOrSayWhy(image, line.path);
    } catch (const io::FileError& e) {
        line.skipped = whyUnread(line.path, e);
    }
    if (!line.sent()) return line;
    const SendCounter counter(session_.files());
    try {
        const transfer::SentSlots slots =
            session_.engine().sendPcgToDatabase(image, line.events, progress);
        std::error_code error;
        const std::filesystem::path whole = std::filesystem::absolute(line.path, error);
        session_.origins().recordSend(image, slots, error ? line.path : whole.string(),
                                      session_.now(), session_.files());
    } catch (const io::FileError& e) {
        // The file's own send ends with its writes, so what it stored before failing is
        // counted, and the run stops.
        failure_ = e.what();
    }
    line.counts = counter.counted(session_.files(), usedSlots(image.occupancy.programUsed),
                                  usedSlots(image.occupancy.combinationUsed), pcg::kDrumKitCount);
    return line;
}

BatchTotals BatchSend::totals() const {
    BatchTotals t;
    for (std::size_t i = 0; i < next_; ++i) {
        const FileReport& line = lines_[i];
        if (!line.sent()) {
            ++t.skipped;
            continue;
        }
        ++t.files;
        t.counts += line.counts;
    }
    return t;
}

std::string timeLeftText(std::int64_t elapsedMilliseconds, std::int32_t done, std::int32_t total) {
    if (done <= 0) return "Time left: known after the first file";
    const std::int64_t seconds =
        (elapsedMilliseconds * (total - done) / done + 500) / 1000;  // to the nearest second
    if (seconds < 1) return "Less than a second left";
    const auto count = [](std::int64_t n, const char* unit) {
        return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
    };
    const std::int64_t minutes = (seconds + 30) / 60;
    std::string text = "About ";
    if (seconds < 60) {
        text += count(seconds, "second");
    } else if (minutes < 60) {
        text += count(minutes, "minute");
    } else {
        text += count(minutes / 60, "hour");
        if (minutes % 60 > 0) text += " " + count(minutes % 60, "minute");
    }
    return text + " left";
}

std::string reportText(const std::vector<FileReport>& lines, const BatchTotals& totals) {
    const auto counts = [](const SendCounts& c) { return tallyText(c); };
    std::string text;
    for (const FileReport& line : lines) {
        text += line.path + ": ";
        if (!line.sent())
            text += "skipped: " + line.skipped;
        else
            text += counts(line.counts);
        text += "\n";
    }
    text += "Sent " + std::to_string(totals.files) + (totals.files == 1 ? " file" : " files") +
            ", skipped " + std::to_string(totals.skipped) + ": " + counts(totals.counts) + "\n";
    return text;
}

std::string reportCsv(const std::vector<FileReport>& lines) {
    std::string csv =
        lists::csvRow({"File", "Programs new", "Programs stored", "Combinations new",
                       "Combinations stored", "Drum kits new", "Drum kits stored", "Skipped"});
    for (const FileReport& line : lines) {
        if (!line.sent()) {
            csv += lists::csvRow({line.path, "", "", "", "", "", "", line.skipped});
            continue;
        }
        const SendCounts& c = line.counts;
        csv += lists::csvRow(
            {line.path, std::to_string(c.programs.fresh), std::to_string(c.programs.stored()),
             std::to_string(c.combinations.fresh), std::to_string(c.combinations.stored()),
             std::to_string(c.drumKits.fresh), std::to_string(c.drumKits.stored()), ""});
    }
    return csv;
}

db::EventLines reportEvents(const std::vector<FileReport>& lines) {
    db::EventLines events;
    for (const FileReport& line : lines) {
        events.push_back(line.sent() ? line.path : line.path + ": skipped: " + line.skipped);
        events.insert(events.end(), line.events.begin(), line.events.end());
    }
    return events;
}

}  // namespace pelvaro::session
