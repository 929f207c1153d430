#pragma once
// Undo and redo of the commands that change the database or the PCG. Each command is one step:
// while it runs, the log keeps the bytes of every record it is about to overwrite (once per
// record, with the file's length and count before it), and a copy of the PCG image and its
// flags when the command changes the PCG. Undo puts those back and keeps what they replaced,
// for redo. No whole record file is ever copied.

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "db/origins.h"
#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::session {

class UndoLog : public db::WriteWatcher {
  public:
    // The log keeps at most this many steps, and at most this many bytes of them; the oldest
    // step goes first.
    static constexpr std::size_t kMostSteps = 100;
    static constexpr std::size_t kMostBytes = std::size_t{256} << 20;

    // changed is set by every write to the record files, undo and redo included.
    // The origins log (db/origins.h) is cut back by Undo and put on again by Redo with the
    // records of the same step.
    UndoLog(db::RecordFiles& files, pcg::PcgState& pcg, bool& changed, db::OriginStore& origins);
    ~UndoLog() override;
    UndoLog(const UndoLog&) = delete;
    UndoLog& operator=(const UndoLog&) = delete;

    // A command begins: what it changes from now on is one step named `name` ("Delete").
    // changesPcg: the command may change the PCG image (its state is kept now).
    void begin(std::string name, bool changesPcg);
    // The command has ended, done or failed part way: a step that changed something can be
    // undone, and what was undone before can no longer be redone. Steps beyond the limits go.
    // A command that left every byte as it found it (the same lengths, counts and records, the
    // same PCG) is no step: it drops nothing that could be redone, and a database that had not
    // changed before it still has not.
    void end();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    const std::string& undoName() const;
    const std::string& redoName() const;
    // Puts the database and the PCG back as they were before the last step (after, for redo).
    // A failing disk on the way throws io::FileError and ends the history, which can no longer
    // be trusted.
    void undo();
    void redo();
    // Forgets every step (a new database took the place of the one they changed).
    void clear();

    // The bytes the steps keep, for the limits and the benchmarks.
    std::size_t bytes() const { return bytes_; }

    // Told after a step has ended, or an undo or a redo has been made, that changed the PCG.
    // It must not throw.
    void setPcgListener(std::function<void()> listener) { pcgListener_ = std::move(listener); }

    void beforeWrite(db::Kind kind, std::int32_t record) override;

  private:
    // The PCG as a step keeps it (the empty-slot templates never change).
    struct PcgSnapshot {
        pcg::PcgImage image;
        pcg::SlotOccupancy occupancy;
        std::string pcgFileName;
    };
    struct Step {
        std::string name;
        std::array<std::optional<db::RecordsState>, db::kKindCount> files;
        std::optional<PcgSnapshot> pcg;
        // Where the origins log stood when the command began, and what Undo cut from it.
        std::int64_t originsAt = 0;
        std::optional<std::vector<Byte>> originsCut;
        bool originsChanged = false;
        std::size_t bytes = 0;
        bool changedBefore = false;  // the database's changed flag when the command began
    };

    // Swaps the kept state with the one in place; returns whether the PCG changed.
    bool apply(Step& step);
    // Whether the file of kind holds again what `kept` says it held (a failed read: no).
    bool holdsAgain(db::Kind kind, const db::RecordsState& kept) const;
    static std::size_t sizeOf(const Step& step);
    PcgSnapshot snapshot() const;

    db::RecordFiles& files_;
    pcg::PcgState& pcg_;
    db::OriginStore& origins_;
    bool& changed_;
    int depth_ = 0;
    std::optional<Step> current_;
    // The records whose bytes the step in progress keeps, a bit each by record number, so a
    // command that writes a million records asks in no time whether it kept one already.
    struct Captured {
        std::vector<std::uint64_t> bits;
        bool contains(std::int32_t n) const;
        void insert(std::int32_t first, std::int32_t last);
        void clear() { bits.clear(); }
    };
    std::array<Captured, db::kKindCount> captured_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    std::size_t bytes_ = 0;
    std::function<void()> pcgListener_;
};

}  // namespace pelvaro::session
