#pragma once
// The open database: four working files of fixed-size records in the start directory, held
// open and locked for the whole run. Record 0 of each file is its header and keeps the number
// of entries; entry n is record n, and its idNumber is n.

#include <array>
#include <cstdint>
#include <string>

#include "db/entries.h"
#include "pcg/file_stream.h"

namespace pelvaro::db {

class RecordFiles {
public:
    RecordFiles() = default;
    RecordFiles(const RecordFiles&) = delete;
    RecordFiles& operator=(const RecordFiles&) = delete;
    ~RecordFiles() = default;  // closes the files; only removeRecordFiles deletes them

    // Creates "temp.prg", "temp.cmb", "temp.dru" and "temp.tur" in directory (which becomes the
    // start directory), writes their header records ("No Class" in the class file's) and zeroes
    // the counters. A file that another copy of the program holds, or that cannot be made, fails
    // with "Cannot create file" and nothing is left open.
    void createRecordFiles(const std::string& directory);

    // An empty database in the same, still held, working files (New Database).
    void resetRecordFiles();

    // Closes the four files and deletes them from the start directory (exit). Does nothing for
    // files this copy never created, so a refused second copy leaves the first one's alone.
    void removeRecordFiles();

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
    // Records first .. first + n - 1 in one read, for scans over many entries.
    void readEntries(Kind kind, std::int32_t first, std::int32_t n, Bytes out) const;

    const FileStream& stream(Kind kind) const { return files_[index(kind)]; }
    FileStream& stream(Kind kind) { return files_[index(kind)]; }

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
    void writeHeaders();

    std::string startDirectory_;
    std::array<FileStream, kKindCount> files_;
    std::array<std::int32_t, kKindCount> counts_{};
};

}  // namespace pelvaro::db
