#pragma once
// What the origins log says, worked out: the files, the slots they sent and where each went,
// the images without their sounds, and the marks. Each record of the log is taken in as it is
// appended; Undo and Open Database work the whole log out again from its start.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/origin_log.h"
#include "db/origins.h"

namespace pelvaro::db {

// The kinds that have slots in a PCG, in the order a send's record lists them.
inline constexpr std::array<Kind, 3> kSlotKinds = {Kind::Program, Kind::Combination, Kind::DrumKit};

// Where a slot's bytes after its name begin: a kit has no name.
inline std::size_t nameStart(Kind kind) {
    return kind == Kind::DrumKit ? 0 : pcg::kNameSize;
}

// A slot's flags in a send's record.
namespace slotflags {
// Its name in the name table differs from its record's, and is kept in the image beside the
// sounds; otherwise the table holds the record's name.
inline constexpr Byte kTableNameInImage = 1;
// The slot's sound differs from the stored entry's; the differences follow.
inline constexpr Byte kDifferences = 2;
}  // namespace slotflags

// The stored entries of a send's slots of one kind, side by side in slot order, as recording the
// send reads them; with what reading them works in.
struct SentEntries {
    std::vector<Byte> entries;
    std::vector<std::pair<std::int32_t, std::size_t>> used;  // the entry, its place
    std::vector<Byte> block;
};

struct OriginStore::State {
    struct Slot {
        std::int32_t file = 0;
        std::int32_t id = 0;
        std::uint32_t differencesAt = 0;  // where its differences begin in the log; 0: none
        std::uint32_t nameAt = 0;         // where its record's name is in the log (not a kit's)
        std::uint16_t hash = 0;           // of the slot's bytes after the name, as sent
        Kind kind = Kind::Program;
        Byte slot = 0;
        Byte flags = 0;  // slotflags
    };
    struct File {
        SentFile sent;
        std::uint32_t blob = 0;
        std::uint64_t hash = 0;
        std::size_t firstSlot = 0, slotCount = 0;
    };
    struct Blob {
        std::size_t at = 0, length = 0;
    };

    std::vector<Byte> log;
    std::size_t written = 0;  // the working file holds log[0, written)
    std::size_t onDisk = 0;   // and is this long
    io::FileStream working;
    std::string path;
    std::string damage;
    std::string memberPath;

    std::vector<File> files;
    std::vector<Slot> slots;
    std::vector<Blob> blobs;
    // The images kept, by the hash of their bytes unpacked; those read from a member are added
    // the first time a send looks for its image among them.
    std::unordered_map<std::uint64_t, std::uint32_t> blobByHash;
    std::uint32_t blobsHashed = 0;
    std::array<std::vector<Byte>, 2> marks;

    // By entry, worked out when asked for and forgotten at every change.
    mutable bool tallied = false;
    mutable std::array<std::vector<std::int32_t>, kKindCount> fileCounts;
    mutable std::array<std::vector<std::int64_t>, kKindCount> firstSent;

    // What recording a send works in, kept from send to send.
    pcg::PcgImage outside;
    std::vector<Byte> sendFields;
    SentEntries sentEntries;
    // The last image beside the sounds unpacked, for the names its name table keeps.
    mutable pcg::PcgImage unpacked;
    mutable std::uint32_t unpackedBlob = kNoBlob;
    static constexpr std::uint32_t kNoBlob = 0xffffffff;

    void clearWorkedOut();
    Marks marksOf(Kind kind, std::int32_t id) const;
    void setMarksOf(Kind kind, std::int32_t id, Marks m);

    const pcg::PcgImage& imageOf(std::uint32_t blob) const;
    // The number of an image beside the sounds: the one the last send kept or another kept
    // before when it is the same, or a new one.
    std::uint32_t blobNumberFor(const pcg::PcgImage& image);
    // A slot's name in its record and in the name table, as sent.
    std::array<Byte, pcg::kNameSize> recordNameOf(const Slot& s) const;
    std::array<Byte, pcg::kNameSize> tableNameOf(const Slot& s) const;

    // Appends one record and takes it into what is worked out.
    void add(originlog::Type type, const std::vector<Byte>& fields);
    // Reads the record at the reader and takes it in; originlog::Damaged when it cannot be read.
    void takeIn(originlog::Reader& r, std::size_t recordStart);
    // Works the log out from its start; a damaged record and what follows it are left out.
    void replay();
    void tally() const;
    Origin originOf(const Slot& s) const;

  private:
    void takeInSend(originlog::Reader& f, std::size_t fieldsAt);
    void takeInRenumber(originlog::Reader& f);
    void takeInMerge(originlog::Reader& f);
};

}  // namespace pelvaro::db
