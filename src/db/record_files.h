#pragma once
// The open database: four working files of fixed-size records in the start directory, held
// open and locked for the whole run. Record 0 of each file is its header and keeps the number
// of entries; entry n is record n, and its idNumber is n.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "db/entries.h"
#include "io/file_stream.h"

namespace pelvaro::db {

// Told of every change to the record files, whatever made it, so that what is kept beside them
// (an index of their records) stays in step. Called after the change reached the file, or, while
// writes are gathered (RecordFiles::Batch), as soon as it is gathered: from then on every read
// through RecordFiles returns the new bytes, in the same order of calls as without gathering. A
// gathered change that then cannot be written is undone by the calls that follow a failed write:
// countChanged with the count the file still holds, where the gathered one differed, and
// writeFailed.
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
    // The outermost batch of gathered writes has ended: what it told of is in the files, or was
    // undone by the calls above. A command's changes are complete from here on, so an observer
    // that shows them (a window) waits for this while RecordFiles::gathering() holds.
    virtual void batchEnded() {}
};

// Told before every write to a record file, while the bytes about to be overwritten are still
// there, so an undo log can keep them. Record 0 stands for a change of the count. While writes
// are gathered it is told before the write is gathered: the old bytes are then in the file
// unless the same batch has gathered a write of that record before (through readEntry they are
// always there). Session::Command writes what is gathered before its undo step begins, so during
// a step the file holds the old bytes of every record the step has not written yet.
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

    // --- Gathered writes. A command writes many records and counters; one system call each
    // would cost far more than the work. While a batch is open, every write (writeEntry,
    // appendEntry, setCount, moveLastEntryInto) is gathered in memory, and the observers and the
    // watcher are told as if it had been written. What is gathered goes to the files when the
    // outermost batch ends, when flush() is called, or when more than kMostGatheredBytes are
    // gathered: first the records (the class file's, the kits', the programs', then the
    // combinations', so what is referred to lies in its file before what refers to it), one write
    // per run of neighbouring records, and only then the counters that changed (those that went
    // down, referring kinds first, then those that went up, referred kinds first). So a crash or a
    // failing disk can leave records beyond a counter, never a counter above its records, and a
    // reference only on a counted entry, as when each write went to the file on its own.
    // Reads through RecordFiles (readEntry, scanRecords on RecordFiles, count) see what is
    // gathered; the streams (stream()) hold it only once it is written. Inside a batch, single
    // records (readEntry) are read from the file mapped into memory rather than with a call each.
    //
    // A scope of gathered writes. Batches nest: an inner one joins the outermost, which writes
    // everything when it ends. When it ends by an exception, what was gathered is still written
    // (as each write would have been before the exception), and a failure to write it is
    // swallowed so the first exception goes on; otherwise a failure to write is thrown from the
    // end of the scope, as io::FileError.
    class Batch {
      public:
        explicit Batch(RecordFiles& files);
        ~Batch() noexcept(false);
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        RecordFiles& files_;
        int exceptions_;
    };
    void beginBatch() { ++batches_; }
    // The end of a batch; the outermost writes what is gathered. quietly: a failure to write is
    // swallowed (the scope ends by an exception already).
    void endBatch(bool quietly = false);
    bool gathering() const { return batches_ > 0; }
    // Writes what is gathered now; the batch stays open. A write that fails throws io::FileError
    // after putting the counters back to what the files hold (the observers are told, as of a
    // failed write), so everything below the counters is right; nothing stays gathered.
    void flush();
    // Gathered bytes beyond which the gathered writes are written at once.
    static constexpr std::size_t kMostGatheredBytes = std::size_t{4} << 20;
    // Puts what is gathered into bytes read from the file of kind from record first on (the
    // records gathered among them, and the gathered count in record 0), for readers of whole
    // blocks (scanRecords).
    void overlayGathered(Kind kind, std::int32_t first, Bytes block) const;

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
    // it replaced, for the same records. The watcher is not told. What is gathered is written
    // first.
    RecordsState swapState(Kind kind, const RecordsState& state);

    // The file of kind as it stands: writes gathered in a batch are not in it until they are
    // written (flush()). Copies of the files (an export, a recovery copy) flush first.
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
    // Writes count into the header record of kind; a write that fails puts back the count the
    // file held (overwriting bytes in place needs no room on a full disk) and throws.
    void writeCounter(Kind kind, std::int32_t count);
    // Writes the gathered records of kind, a run of neighbouring records at a time.
    void writeGathered(Kind kind);
    void gather(Kind kind, std::int32_t n, ConstBytes record);
    void forgetGathered();

    std::vector<RecordObserver*> observers_;
    WriteWatcher* watcher_ = nullptr;
    std::string startDirectory_;
    std::array<io::FileStream, kKindCount> files_;
    // The counts of the entries; with gathered writes, the count the header record in the file
    // holds may still be another (fileCounts_).
    std::array<std::int32_t, kKindCount> counts_{};
    std::array<std::int32_t, kKindCount> fileCounts_{};
    // How long each file is at least, as this object wrote it: mapped reads stay below it.
    std::array<std::int64_t, kKindCount> lengths_{};

    // The gathered records of one file: record number -> where its bytes lie in bytes. Appends,
    // the common case, come one after the other and are kept as one run instead: records
    // tailFirst to tailFirst + tailCount - 1 side by side from tailAt, none of them in records.
    struct Gathered {
        std::map<std::int32_t, std::size_t> records;
        std::int32_t tailFirst = 0;
        std::int32_t tailCount = 0;
        std::size_t tailAt = 0;
        std::vector<Byte> bytes;
        bool empty() const { return records.empty() && tailCount == 0; }
        // Where the bytes of record n lie, or npos when it is not gathered.
        std::size_t find(std::int32_t n, std::size_t recordSize) const;
    };
    std::array<Gathered, kKindCount> gathered_;
    std::size_t gatheredBytes_ = 0;
    int batches_ = 0;
};

}  // namespace pelvaro::db
