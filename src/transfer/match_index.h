#pragma once
// Finds the lowest-numbered stored entry that matches a record, as a scan from entry 1 upwards
// would, without reading the database. Each kind keeps, per entry, the hash of the bytes its
// rule compares, and chains the entries of equal hash in ascending order; the chains' first
// entries lie in an open-addressed table of record numbers (about 24 bytes an entry in all, no
// allocation per entry). A candidate is confirmed byte for byte against the file before it is
// returned.
//
// The index follows every change made through RecordFiles (appends, writes, moves, counts,
// replaced files), whoever makes it. After a replaced file or a failed write it forgets the
// kind and reads the file again, in large blocks, on the next look-up.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::transfer {

// What each timbre of a combination entry plays (timbreProgramIds).
using TimbreProgramIds = std::array<std::int32_t, pcg::combination::kTimbreCount>;

class MatchIndex : public db::RecordObserver {
  public:
    explicit MatchIndex(db::RecordFiles& files);
    ~MatchIndex() override;
    MatchIndex(const MatchIndex&) = delete;
    MatchIndex& operator=(const MatchIndex&) = delete;

    // The ID of the lowest-numbered matching entry, or -1. Never an ID above the kind's count.
    // A program's kit is looked up in image (the image the program lies in).
    std::int32_t findDrumKit(pcg::ConstDrumKitBytes kit);
    // A combination entry matches only when it also plays these program entries, when given.
    std::int32_t findCombination(pcg::ConstCombinationBytes combination,
                                 const TimbreProgramIds* plays = nullptr);
    std::int32_t findProgram(pcg::ConstProgramBytes program, const pcg::PcgImage& image);
    // The same for a program that lies in no image (an entry of another database): kit is the
    // kit it plays, by content, when it is a drum program on kit slots 0-3 (see matching.h).
    std::int32_t findProgram(pcg::ConstProgramBytes program,
                             std::optional<pcg::ConstDrumKitBytes> kit);

    // The same look-ups with the record's key worked out already (matching.h: drumKitKey,
    // combinationKey, programKey), and a word that the look-up of a key is coming, so the memory
    // it needs is fetched while other work is done: a merge looks ahead in what it reads.
    std::int32_t findDrumKit(pcg::ConstDrumKitBytes kit, std::uint64_t key);
    std::int32_t findCombination(pcg::ConstCombinationBytes combination,
                                 const TimbreProgramIds* plays, std::uint64_t key);
    std::int32_t findProgram(pcg::ConstProgramBytes program,
                             std::optional<pcg::ConstDrumKitBytes> kit, std::uint64_t key);
    // A program whose kit is an entry here already: kitEntry, the drum-kit entry that holds the
    // kit it plays (0: none). Its kit is read only to confirm a candidate.
    std::int32_t findProgramOnKit(pcg::ConstProgramBytes program, std::int32_t kitEntry,
                                  std::uint64_t key);
    void prefetch(db::Kind kind, std::uint64_t key) const;
    // Record n of kind is about to be written, and its key is known already (a merge worked it
    // out to look the record up): the index takes it rather than working it out again. Good for
    // that one write; forgetKnownKey() after it, however the write went.
    void knownKey(db::Kind kind, std::int32_t n, std::uint64_t key) { known_ = {kind, n, key}; }
    void forgetKnownKey() { known_.record = 0; }

    // Room for `more` entries of kind to come, so that storing them grows nothing (a merge of
    // databases knows how many it may store). Reads what the index does not know yet of kind.
    void expect(db::Kind kind, std::int32_t more);

    // Reads what the index does not know yet of all three kinds, the programs beside the
    // combinations and kits on two cores: the first send after Open pays this once.
    void prepare();

    void recordWritten(db::Kind kind, std::int32_t n, ConstBytes record) override;
    void countChanged(db::Kind kind, std::int32_t count) override;
    void fileReplaced(db::Kind kind) override;
    void writeFailed(db::Kind kind) override;

  private:
    // One kind's index over records 1..size(). It may know records beyond the count (an append
    // writes its record first; a deletion leaves the old last record behind); look-ups skip them.
    struct Table {
        bool known = false;
        std::vector<std::uint64_t> key{0};       // by record number; [0] unused
        std::vector<std::int32_t> next{0};       // next higher record with the same key, 0: none
        std::vector<std::int32_t> last{0};       // of a chain's first record: its last record
        std::vector<std::int32_t> drumKitId{0};  // programs: the entry's kit reference
        std::vector<Byte> kitSlotByte{0};        // programs: byte 12 as stored
        // combinations: the timbres' program IDs as stored, in 32 bits (playsKey), so a look-up
        // passes over the same bytes playing other programs without reading them.
        std::vector<std::uint32_t> playsKey{0};
        // The first record of every chain, at the place its key hashes to or the next free
        // one after it, with the key's high half, so a look-up rarely reads a key it does not
        // want; record 0 marks a free place. At most half the places are taken.
        struct Head {
            std::uint32_t tag = 0;
            std::int32_t record = 0;
        };
        std::vector<Head> heads = std::vector<Head>(16);
        std::size_t chains = 0;

        std::int32_t size() const { return static_cast<std::int32_t>(key.size()) - 1; }
        void forget();
        void reserve(std::size_t records);  // for a file of this many records, and more
        // Where the chain of `k` would lie in an empty table.
        std::size_t home(std::uint64_t k) const;
        // The place of the chain of `k`, or the free place where it would go.
        std::size_t place(std::uint64_t k) const;
        // The first record of the chain of `k`, or 0.
        std::int32_t first(std::uint64_t k) const;
        void link(std::int32_t n);
        void unlink(std::int32_t n);
        // Twice the places, or at least `places`.
        void grow(std::size_t places = 0);
        void removeHead(std::size_t at);
    };

    Table& table(db::Kind kind) { return tables_[static_cast<int>(kind)]; }
    const Table& table(db::Kind kind) const { return tables_[static_cast<int>(kind)]; }
    // Brings the table up to the kind's count, reading what it does not know.
    Table& ready(db::Kind kind);
    void store(db::Kind kind, Table& t, std::int32_t n, ConstBytes record);
    // What the table keeps of record n (its key; a program's kit fields), without linking it.
    void keep(db::Kind kind, Table& t, std::int32_t n, ConstBytes record);

    db::RecordFiles& files_;
    std::array<Table, 3> tables_;  // programs, combinations, drum kits
    struct KnownKey {
        db::Kind kind = db::Kind::Program;
        std::int32_t record = 0;  // 0: none
        std::uint64_t key = 0;
    };
    KnownKey known_;
};

}  // namespace pelvaro::transfer
