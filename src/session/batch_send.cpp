#include "session/batch_send.h"

#include <algorithm>
#include <filesystem>

#include "lists/csv.h"
#include "pcg/pcg_files.h"
#include "session/session.h"

namespace pelvaro::session {

namespace fs = std::filesystem;

namespace {

bool isPcgName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::ranges::transform(extension, extension.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".pcg";
}

FileReport skipped(std::string path, std::string why) {
    FileReport line;
    line.path = std::move(path);
    line.skipped = std::move(why);
    return line;
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
                if (it->is_regular_file(entryError) && isPcgName(it->path()))
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
    : session_(session), lines_(filesToSend(chosen)) {}

const FileReport& BatchSend::sendNext(const transfer::Progress& progress) {
    FileReport& line = lines_[next_++];
    if (!line.sent()) return line;
    // The file in an image of its own, read as Import Pcg reads one.
    pcg::PcgState image;
    image.templates = session_.pcg().templates;
    try {
        if (pcg::importPcg(image, line.path) == pcg::ImportResult::NotCompatible) {
            line.skipped = "not a Korg5 Pcg file";
            return line;
        }
    } catch (const io::FileError& e) {
        line.skipped = e.detail().empty() ? e.headline() : e.detail();
        return line;
    }
    db::RecordFiles& files = session_.files();
    const std::int32_t programs = files.count(db::Kind::Program);
    const std::int32_t combinations = files.count(db::Kind::Combination);
    const std::int32_t kits = files.count(db::Kind::DrumKit);
    session_.engine().sendPcgToDatabase(image, line.events, progress);
    line.programsNew = files.count(db::Kind::Program) - programs;
    line.combinationsNew = files.count(db::Kind::Combination) - combinations;
    line.drumKitsNew = files.count(db::Kind::DrumKit) - kits;
    line.programsStored = usedSlots(image.occupancy.programUsed) - line.programsNew;
    line.combinationsStored = usedSlots(image.occupancy.combinationUsed) - line.combinationsNew;
    line.drumKitsStored = pcg::kDrumKitCount - line.drumKitsNew;
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
        t.programsNew += line.programsNew;
        t.programsStored += line.programsStored;
        t.combinationsNew += line.combinationsNew;
        t.combinationsStored += line.combinationsStored;
        t.drumKitsNew += line.drumKitsNew;
        t.drumKitsStored += line.drumKitsStored;
    }
    return t;
}

std::string reportText(const std::vector<FileReport>& lines, const BatchTotals& totals) {
    const auto counts = [](std::int32_t fresh, std::int32_t stored) {
        return std::to_string(fresh) + " new, " + std::to_string(stored) + " stored";
    };
    std::string text;
    for (const FileReport& line : lines) {
        text += line.path + ": ";
        if (!line.sent())
            text += "skipped: " + line.skipped;
        else
            text += "programs " + counts(line.programsNew, line.programsStored) +
                    "; combinations " + counts(line.combinationsNew, line.combinationsStored) +
                    "; drum kits " + counts(line.drumKitsNew, line.drumKitsStored);
        text += "\n";
    }
    text += "Sent " + std::to_string(totals.files) + (totals.files == 1 ? " file" : " files") +
            ", skipped " + std::to_string(totals.skipped) + ": programs " +
            counts(totals.programsNew, totals.programsStored) + "; combinations " +
            counts(totals.combinationsNew, totals.combinationsStored) + "; drum kits " +
            counts(totals.drumKitsNew, totals.drumKitsStored) + "\n";
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
        csv += lists::csvRow(
            {line.path, std::to_string(line.programsNew), std::to_string(line.programsStored),
             std::to_string(line.combinationsNew), std::to_string(line.combinationsStored),
             std::to_string(line.drumKitsNew), std::to_string(line.drumKitsStored), ""});
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
