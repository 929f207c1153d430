#pragma once
// What a running copy keeps up to date in the recovery folder, beside the copies, so that a
// crash or a kill loses nothing that the working files do not hold themselves: the PCG while it
// differs from every file on disk (with the name of the file it was imported from), and the
// database file the working files were opened from or exported to. And what the last run left:
// a mark naming the recovery copy that its Exit kept, or that a start saved from what a killed
// copy left, which every start reads until that copy is opened (or a newer mark replaces it).
//
// Each start folder has names of its own in the recovery folder (".live-<key>.pcg",
// ".live-<key>.from", ".last-<key>"), so copies running in different folders never meet, and
// the next start in a folder finds what a copy killed there left.

#include <optional>
#include <string>

#include "pcg/pcg_image.h"

namespace pelvaro::session {

class LiveState {
  public:
    // Keeps nothing when recoveryFolder is empty.
    LiveState(std::string recoveryFolder, const std::string& startDirectory);

    bool keeps() const { return !folder_.empty(); }

    // The PCG, written the safe way over the one kept before.
    void keepPcg(const pcg::PcgImage& image, const std::string& pcgFileName);
    void forgetPcg();
    // The database file in use; an empty path (a new database) forgets it.
    void keepDatabasePath(const std::string& path);

    // What a copy that is no longer running left (only asked while this folder's working files
    // are held by this copy, or by none).
    struct Left {
        std::optional<pcg::PcgImage> pcg;
        std::string pcgFileName;
        std::string databasePath;
    };
    Left left() const;
    // Forgets the PCG and the database path.
    void forget();

    // The mark of what this run left: the copy's database or PCG file, and whether the copy was
    // saved at a start from what a killed copy left (otherwise by an Exit). The newest mark wins.
    struct Mark {
        std::string copy;
        bool killed = false;
    };
    void markLastRun(const Mark& mark);
    // The mark the previous runs left.
    std::optional<Mark> lastRun() const;
    // Removes the mark when it names this copy.
    void unmarkLastRun(const std::string& copy);

  private:
    std::string path(std::string_view what) const;
    void write(const std::string& path, const std::string& text);

    std::string folder_;
    std::string key_;
};

}  // namespace pelvaro::session
