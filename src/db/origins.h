#pragma once
// What a database keeps beside its records: where each sound came from (every slot of every PCG
// file sent, with what it takes to give that file back byte for byte) and the musician's own
// marks (favourite, a rating, hidden). Both live in one member file beside the four record
// files (".pvo" beside ".prg"; "temp.pvo" among the working files), written as a log: each
// command appends what it did (a send, marks, a renumbering), so Undo cuts the log back and
// Redo puts the cut part on again. What the store answers is worked out from the log in memory.
//
// A database without the member (every database written before it existed) has no origins
// and no marks; one whose member is damaged keeps what comes before the damage.

#include <array>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/entries.h"
#include "db/entry_deletion.h"
#include "db/record_files.h"
#include "io/file_stream.h"
#include "pcg/pcg_image.h"

namespace pelvaro::db {

inline constexpr std::string_view kOriginsExtension = ".pvo";
inline constexpr std::string_view kOriginsMagic = "PELVARO ORIGINS 1\n";
// The origins member of a database whose programs member is `programsMember`: ".prg" (or the
// last extension) becomes ".pvo".
std::string originsMemberPath(const std::string& programsMember);

// The musician's marks on an entry.
struct Marks {
    bool favourite = false;
    bool hidden = false;
    int rating = 0;  // 0: none, 1-5
    friend bool operator==(const Marks&, const Marks&) = default;
};

// One change of marks, applied to every chosen entry.
struct MarkChange {
    enum class What { Favourite, NoFavourite, ToggleFavourite, Rating, Hide, Show, ToggleHidden };
    What what = What::ToggleFavourite;
    int rating = 0;  // for Rating: 0 clears, 1-5
    Marks applied(Marks m) const;
};

// Which entries a list shows by their marks ("Show:").
struct MarkFilter {
    enum class Show { AllButHidden, Favourites, RatedAtLeast, HiddenOnly, Everything };
    Show show = Show::AllButHidden;
    int minRating = 3;  // for RatedAtLeast
    bool admits(Marks m) const;
};

// A PCG file as a send took it in.
struct SentFile {
    std::int32_t number = 0;  // its place among the sends, from 0
    std::string name;         // the file name ("bank01.pcg"); "the open PCG, not saved"
    std::string folder;       // the folder it was in; empty for a PCG never saved
    std::int64_t sent = 0;    // seconds since 1970 (UTC)
};

// A slot of a sent file and where its sound is stored now.
struct Origin {
    std::int32_t file = 0;  // SentFile::number
    Kind kind = Kind::Program;
    int slot = 0;           // program or combination slot 0-199, kit slot 0-3
    std::int32_t id = 0;    // the entry now; 0: deleted since
    std::string nameThere;  // the slot's name in that file (Latin-1, as stored)
};

// The words of a slot in origins lists and messages: "A05", "B10", "kit 2".
std::string originSlotText(Kind kind, int slot);

class OriginStore {
  public:
    OriginStore();
    ~OriginStore();
    OriginStore(const OriginStore&) = delete;
    OriginStore& operator=(const OriginStore&) = delete;

    // --- The working file: "temp.pvo" in the start directory, made empty at start-up and by
    // New Database; Open Database copies a member in (or none: empty). Each command's log is
    // written at its end.
    void createWorkingFile(const std::string& directory);
    void reset();  // New Database
    // A member as read from the disk. A missing file has no bytes; one that cannot be read
    // throws io::FileError, so that Open Database fails before it replaces anything.
    struct Member {
        std::string path;
        std::vector<Byte> bytes;
    };
    static Member readMember(const std::string& path);
    void adopt(Member member);  // Open Database
    void load(const std::string& path) { adopt(readMember(path)); }
    const std::string& workingPath() const;
    const io::FileStream& stream() const;  // for Export and recovery copies
    void removeWorkingFile();
    void closeWorkingFile();
    // A member that could be read only up to a damaged part: what was left out ("the origins
    // of 3 files and the marks of 12 entries"), for the message naming the file. Empty: whole.
    const std::string& damage() const;
    // The member the log was last taken from (Open Database); empty for a database made here.
    const std::string& memberPath() const;

    // --- Undo: the log's length marks a step's start.
    std::int64_t length() const;
    // Cuts the log back to `length` and returns the cut bytes (for redo); append() puts them
    // back on.
    std::vector<Byte> cutTo(std::int64_t length);
    void append(const std::vector<Byte>& bytes);

    // --- What commands record.
    // A send of a whole PCG: for each used program and combination slot and each of the four
    // kits, the entry it went to (0: not stored). `path` names the file ("" for a PCG never
    // saved); `sent` its time.
    struct SentSlots {
        std::array<std::int32_t, pcg::kSlotCount> programs{};
        std::array<std::int32_t, pcg::kSlotCount> combinations{};
        std::array<std::int32_t, pcg::kDrumKitCount> kits{};
        // Programs and combinations numbered from here on were stored by this send: each holds
        // the bytes of the first slot (in slot order) that went to it.
        std::array<std::int32_t, 2> firstNew{INT32_MAX, INT32_MAX};
    };
    void recordSend(const pcg::PcgState& pcg, const SentSlots& slots, const std::string& path,
                    std::int64_t sent, const RecordFiles& files);
    // Whether sends are recorded (always, but in the benchmark that measures what recording
    // costs).
    void setRecording(bool on) { recording_ = on; }
    void setMarks(Kind kind, const std::vector<std::int32_t>& ids, const MarkChange& change);
    // Entries deleted or given other numbers, all at once: each pair is an entry's number
    // before and after (0: deleted).
    using NewNumber = db::NewNumber;
    void renumber(Kind kind, const std::vector<NewNumber>& changed);
    // Near-duplicates merged: each `merged[i]`'s origins and marks go to `kept` (before the
    // renumbering that removes them).
    void mergeInto(Kind kind, std::int32_t kept, const std::vector<std::int32_t>& merged);
    // Another database merged into this one: the files it received, as far as this one has not
    // received them already (a file is known by its name, folder, time and contents), with their
    // slots' entries numbered as here (`idsHere[kind][id there]`, 0: none), and the marks of its
    // entries (favourite when either is, the higher rating, hidden only when both are; an entry
    // made new here by the merge, numbered above `countsBefore`, takes the other's as they are).
    // `readThere` reads an entry of the other database.
    using EntryReader = std::function<void(Kind, std::int32_t, Bytes)>;
    void bringIn(const OriginStore& other, const EntryReader& readThere,
                 const std::array<const std::vector<std::int32_t>*, 3>& idsHere,
                 const std::array<std::int32_t, 2>& countsBefore, const RecordFiles& here);
    // Writes what was recorded since the last flush to the working file.
    void flush();

    // --- What the store answers.
    Marks marks(Kind kind, std::int32_t id) const;
    std::vector<SentFile> files() const;
    // The origins of one entry, in the order of the sends.
    std::vector<Origin> originsOf(Kind kind, std::int32_t id) const;
    // How many different files an entry came from, and when it first came in (0: never sent).
    std::int32_t fileCount(Kind kind, std::int32_t id) const;
    std::int64_t firstSent(Kind kind, std::int32_t id) const;
    // The entries of a kind that came from a file whose name contains `part` (no case).
    std::vector<std::int32_t> entriesFromFiles(Kind kind, std::string_view part) const;
    // Every origin of a file.
    std::vector<Origin> originsOfFile(std::int32_t file) const;

    // --- Giving a file back: the image as it was sent, and each slot whose sound has changed
    // since ("A05: program 12 changed since", "B10: program was deleted; the slot is empty").
    struct GivenBack {
        pcg::PcgImage image;
        std::vector<std::string> differences;
    };
    GivenBack giveBack(std::int32_t file, const RecordFiles& files) const;

  private:
    struct State;
    std::unique_ptr<State> state_;
    bool recording_ = true;
};

}  // namespace pelvaro::db
