#pragma once
// The open database: four working files of fixed-size records in the start directory, held
// open and locked for the whole run. Record 0 of each file is its header and keeps the number
// of entries; entry n is record n, and its idNumber is n.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/entries.h"
#include "io/file_stream.h"

namespace pelvaro::db {

// Told of every change to the record files, whatever made it, so that what is kept beside them
// (an index of their records) stays in step. Called after the change reached the file.
class RecordObserver {
  public:
    virtual ~RecordObserver() = default;
    // Record n of kind now holds these bytes (a write, an append, a move). n may lie beyond the
    // count for a moment: an append writes its record before it raises the count.
    virtual void recordWritten(Kind kind, std::int32_t n, ConstBytes record) = 0;
    // The count of kind is now count; records above it are no entries any more.
    virtual void countChanged(Kind kind, std::int32_t count) = 0;
    // The whole file of kind was replaced (New Database, Open Database).
    virtual void fileReplaced(Kind kind) = 0;
    // A write to the file of kind failed part way: some of its records may no longer hold what
    // the earlier calls said (a record half written by a full disk, a file half copied).
    virtual void writeFailed(Kind /*kind*/) {}
};

// Told before every write to a record file, while the bytes about to be overwritten are still
// there, so an undo log can keep them. Record 0 stands for a change of the count.
class WriteWatcher {
  public:
    virtual ~WriteWatcher() = default;
    virtual void beforeWrite(Kind kind, std::int32_t record) = 0;
};

// A record file as an undo log keeps it: runs of records (each the bytes from its first
// record's start on, as far as the file held them: records beyond the end keep fewer or none),
// the file's length and the count.
struct RecordsRun {
    std::int32_t first = 0;
    std::int32_t records = 0;
    std::vector<Byte> bytes;
};
struct RecordsState {
    std::int64_t size = 0;
    std::int32_t count = 0;
    std::vector<RecordsRun> runs;
};

class RecordFiles {
  public:
    RecordFiles() = default;
    RecordFiles(const RecordFiles&) = delete;
    RecordFiles& operator=(const RecordFiles&) = delete;
    ~RecordFiles() = default;  // closes the files; only removeRecordFiles deletes them

    // Creates "temp.prg", "temp.cmb", "temp.dru" and "temp.tur" in directory (which becomes the
    // start directory), writes their header records ("No Class" in the class file's) and zeroes
    // the counters. Working files that another copy of the program holds stop it with "Cannot
    // create file" and kAnotherCopyText before anything is touched; whatever else stands under
    // the four names is never written through (see FileStream::openWorkingFile). A copy killed
    // in the folder is tidied up after first (io::tidyFolder). A file that cannot be made fails
    // with "Cannot create file", and nothing is left open or behind.
    // leftBehind, when given, is shown the four paths of working files that a copy no longer
    // running left in the folder, before they give way, so they can be kept elsewhere; when it
    // throws, nothing is touched.
    void createRecordFiles(
        const std::string& directory,
        const std::function<void(const std::array<std::string, kKindCount>&)>& leftBehind = {});

    // An empty database in the working files (New Database): four empty files take the
    // working files' names, held as before. All or nothing, like replaceFiles.
    void resetRecordFiles();

    // Closes the four files and deletes them from the start directory (exit). Does nothing for
    // files this copy never created, so a refused second copy leaves the first one's alone.
    void removeRecordFiles();
    // Closes the four files and leaves them where they are.
    void closeRecordFiles();

    bool isOpen() const { return files_[0].isOpen(); }
    const std::string& startDirectory() const { return startDirectory_; }
    std::string pathOf(Kind kind) const;

    std::int32_t count(Kind kind) const { return counts_[index(kind)]; }
    // Sets a counter and the header record's entryCount together.
    void setCount(Kind kind, std::int32_t count);

    // Record n, whole. Bytes past the end of the file read as zero, never as whatever the buffer
    // held before.
    void readEntry(Kind kind, std::int32_t n, Bytes out) const;
    void writeEntry(Kind kind, std::int32_t n, ConstBytes record);
    // Stores a new entry as record count + 1 (with that idNumber, for the kinds that carry one),
    // then raises entryCount and the counter. Returns the new ID. A failure to write the record
    // changes neither the header nor the counter.
    std::int32_t appendEntry(Kind kind, Bytes record);

    // Gives number n to the last entry of kind (with idNumber n, for the kinds that carry one)
    // and lowers the count by one, so entry numbers stay gapless after entry n is taken out.
    // With n equal to the count, only the count is lowered. The file is never shortened: the
    // former last record stays beyond the count. References to the moved entry are the
    // caller's to rewrite.
    void moveLastEntryInto(Kind kind, std::int32_t n);

    // Replaces all four working files by copies of sources (in Kind order) and takes the counts
    // from the copied header records (Open Database). All or nothing: each copy is made in a
    // fresh locked file beside its working file, and only when all four are complete do they
    // take the working files' names; a failed copy (a full disk) leaves the working files and
    // the counters as they were.
    // check, when given, runs beside the copies (on a core of its own): when it throws, the
    // copies are thrown away and its exception goes on, as if it had run first.
    void replaceFiles(const std::array<const io::FileStream*, kKindCount>& sources,
                      const std::function<void()>& check = {});

    void addObserver(RecordObserver* observer);
    void removeObserver(RecordObserver* observer);
    // The one watcher told before every write (null: none).
    void setWriteWatcher(WriteWatcher* watcher) { watcher_ = watcher; }

    // Puts the file of kind back as state says (undo, redo): its records' bytes, then its length
    // and its count, telling the observers of every record and of the count. Returns the state
    // it replaced, for the same records. The watcher is not told.
    RecordsState swapState(Kind kind, const RecordsState& state);

    const io::FileStream& stream(Kind kind) const { return files_[index(kind)]; }
    io::FileStream& stream(Kind kind) { return files_[index(kind)]; }

    template <class E>
    E read(std::int32_t n) const {
        E entry;
        readEntry(E::kind, n, entry.bytes);
        return entry;
    }
    template <class E>
    void write(std::int32_t n, const E& entry) {
        writeEntry(E::kind, n, entry.bytes);
    }
    template <class E>
    std::int32_t append(E& entry) {
        return appendEntry(E::kind, entry.bytes);
    }

  private:
    static int index(Kind kind) { return static_cast<int>(kind); }
    // Record 0 of an empty file of kind: zeros, and "No Class" in the class file's.
    static std::vector<Byte> headerRecord(Kind kind);
    // Four fresh files, each filled by fill and held like a working file, take the working
    // files' names together (replaceFiles, resetRecordFiles).
    void swapIn(const std::function<void(Kind, io::FileStream&)>& fill,
                const std::function<void()>& check = {});
    void writeHeaders();
    void notifyWriteFailed(Kind kind);

    std::vector<RecordObserver*> observers_;
    WriteWatcher* watcher_ = nullptr;
    std::string startDirectory_;
    std::array<io::FileStream, kKindCount> files_;
    std::array<std::int32_t, kKindCount> counts_{};
};

}  // namespace pelvaro::db
