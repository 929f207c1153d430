#include "db/record_files.h"

#include "io/side_by_side.h"

#include "io/safe_files.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace pelvaro::db {

namespace {
std::int64_t offsetOf(Kind kind, std::int32_t n) {
    return static_cast<std::int64_t>(n) * static_cast<std::int64_t>(layoutOf(kind).recordSize);
}
}  // namespace

std::string RecordFiles::pathOf(Kind kind) const {
    const std::string name(layoutOf(kind).fileName);
    if (startDirectory_.empty()) return name;
    return startDirectory_ + (startDirectory_.back() == '/' ? "" : "/") + name;
}

void RecordFiles::createRecordFiles(
    const std::string& directory,
    const std::function<void(const std::array<std::string, kKindCount>&)>& leftBehind) {
    const std::string previous = std::exchange(startDirectory_, directory);
    std::array<io::FileStream, kKindCount> files;
    try {
        // A copy that works in this folder stops us here, before anything in it is touched.
        for (Kind kind : kAllKinds)
            if (io::FileStream::isHeld(pathOf(kind)))
                throw io::FileError::cannotCreate(pathOf(kind), io::kAnotherCopyText);
        {
            // What a copy killed here left behind: a swap of working files is taken back, its
            // scratch files (and the ".new" files of earlier versions) go.
            const io::FolderLock lock(directory);
            io::tidyFolder(directory);
            for (Kind kind : kAllKinds)
                io::removeFile(pathOf(kind) + ".new");
        }
        if (leftBehind)
            leftBehind({pathOf(Kind::Program), pathOf(Kind::Combination), pathOf(Kind::DrumKit),
                        pathOf(Kind::Class)});
        for (Kind kind : kAllKinds)
            files[index(kind)] = io::FileStream::openWorkingFile(pathOf(kind));
    } catch (...) {
        // The files made before the failure go again, so a later start finds the folder clean.
        for (Kind kind : kAllKinds)
            if (files[index(kind)].isOpen()) io::removeFile(pathOf(kind));
        startDirectory_ = previous;
        throw;
    }
    files_ = std::move(files);
    writeHeaders();
}

void RecordFiles::resetRecordFiles() {
    // The empty files are made beside the working files and swapped in like an opened
    // database, so a failure on the way (a full disk) keeps the database in use whole instead
    // of leaving some files emptied and others without their header record.
    swapIn([](Kind kind, io::FileStream& fresh) { fresh.writeAt(0, headerRecord(kind)); });
}

void RecordFiles::replaceFiles(const std::array<const io::FileStream*, kKindCount>& sources,
                               const std::function<void()>& check) {
    swapIn([&](Kind kind, io::FileStream& fresh) { fresh.copyFrom(*sources[index(kind)]); }, check);
}

void RecordFiles::swapIn(const std::function<void(Kind, io::FileStream&)>& fill,
                         const std::function<void()>& check) {
    // The swap holds the start folder, so an export into it from another copy cannot take the
    // scratch files and the journal of the swap for those of a killed copy.
    const io::FolderLock lock(startDirectory_);
    std::array<io::FileStream, kKindCount> fresh;
    std::array<io::Replacement, kKindCount> replacements;
    std::array<std::int32_t, kKindCount> freshCounts{};
    const auto discard = [&] {
        for (int i = 0; i < kKindCount; ++i) {
            fresh[i].close();
            if (!replacements[i].temporary.empty()) io::removeFile(replacements[i].temporary);
        }
    };
    const auto copies = [&] {
        for (Kind kind : kAllKinds) {
            const int i = index(kind);
            // A fresh file of its own, held like a working file from the start.
            replacements[i] = {io::scratchName(startDirectory_, "new"), pathOf(kind)};
            fresh[i] = io::FileStream::openWorkingFile(replacements[i].temporary);
            fill(kind, fresh[i]);
            // The count is read now, so that nothing but the renames is left to fail once
            // the first copy has taken its working file's name.
            std::array<Byte, 4> value{};
            fresh[i].readAt(static_cast<std::int64_t>(layoutOf(kind).countOffset), value);
            freshCounts[i] = le32(value, 0);
        }
    };
    try {
        if (check)
            io::sideBySide(check, copies);
        else
            copies();
    } catch (...) {
        discard();
        throw;
    }
    // A rename inside one folder needs no room on the disk, so once the copies are complete
    // little can stop the swap; should one fail all the same, the working files swapped before
    // it are put back, so the four files always belong to one database.
    std::vector<bool> keptNew;
    try {
        io::replaceAll(replacements, &keptNew);
    } catch (const io::FileError&) {
        // A working file that could not be put back holds its new contents: the stream and the
        // counter follow it.
        for (int i = 0; i < kKindCount; ++i) {
            if (!keptNew[i]) continue;
            files_[i] = std::move(fresh[i]);
            counts_[i] = freshCounts[i];
            for (RecordObserver* o : observers_)
                o->fileReplaced(kAllKinds[i]);
        }
        discard();  // the temporaries renamed before the failure have no name of their own left
        throw;
    }
    for (int i = 0; i < kKindCount; ++i) {
        files_[i] = std::move(fresh[i]);
        counts_[i] = freshCounts[i];
    }
    for (Kind kind : kAllKinds)
        for (RecordObserver* o : observers_)
            o->fileReplaced(kind);
}

std::vector<Byte> RecordFiles::headerRecord(Kind kind) {
    std::vector<Byte> header(layoutOf(kind).recordSize, 0);
    if (kind == Kind::Class) putFieldText(Bytes(header).first(kClassNameSize), kNoClassName);
    return header;
}

void RecordFiles::writeHeaders() {
    counts_.fill(0);
    for (Kind kind : kAllKinds)
        files_[index(kind)].writeAt(0, headerRecord(kind));
}

void RecordFiles::removeRecordFiles() {
    if (!isOpen()) return;
    // Deleted while still locked, so a copy started meanwhile cannot lose its new files to us.
    for (Kind kind : kAllKinds)
        io::removeFile(pathOf(kind));
    for (Kind kind : kAllKinds)
        files_[index(kind)].close();
}

void RecordFiles::closeRecordFiles() {
    for (Kind kind : kAllKinds)
        files_[index(kind)].close();
}

void RecordFiles::setCount(Kind kind, std::int32_t count) {
    // Only entryCount changes in record 0, so only its four bytes are written.
    std::array<Byte, 4> value{};
    setLe32(value, 0, count);
    const auto at = static_cast<std::int64_t>(layoutOf(kind).countOffset);
    if (watcher_) watcher_->beforeWrite(kind, 0);
    try {
        files_[index(kind)].writeAt(at, value);
    } catch (...) {
        // A write stopped half way would leave a header that agrees with no counter: the old
        // count goes back (overwriting bytes in place needs no room on a full disk).
        setLe32(value, 0, counts_[index(kind)]);
        try {
            files_[index(kind)].writeAt(at, value);
        } catch (...) {
        }
        notifyWriteFailed(kind);
        throw;
    }
    counts_[index(kind)] = count;
    for (RecordObserver* o : observers_)
        o->countChanged(kind, count);
}

void RecordFiles::readEntry(Kind kind, std::int32_t n, Bytes out) const {
    const std::size_t got = files_[index(kind)].readAt(offsetOf(kind, n), out);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), Byte{0});
}

void RecordFiles::writeEntry(Kind kind, std::int32_t n, ConstBytes record) {
    if (watcher_) watcher_->beforeWrite(kind, n);
    try {
        files_[index(kind)].writeAt(offsetOf(kind, n), record);
    } catch (...) {
        notifyWriteFailed(kind);
        throw;
    }
    for (RecordObserver* o : observers_)
        o->recordWritten(kind, n, record);
}

void RecordFiles::moveLastEntryInto(Kind kind, std::int32_t n) {
    const std::int32_t last = count(kind);
    if (n < 1 || n > last) throw std::out_of_range("no entry " + std::to_string(n));
    if (n < last) {
        std::vector<Byte> record(layoutOf(kind).recordSize);
        readEntry(kind, last, record);
        if (kind != Kind::Class) setLe32(record, layoutOf(kind).countOffset, n);
        writeEntry(kind, n, record);
    }
    setCount(kind, last - 1);
}

RecordsState RecordFiles::swapState(Kind kind, const RecordsState& state) {
    io::FileStream& file = files_[index(kind)];
    const std::size_t size = layoutOf(kind).recordSize;
    RecordsState replaced;
    replaced.size = file.size();
    replaced.count = counts_[index(kind)];
    replaced.runs.reserve(state.runs.size());
    try {
        for (const RecordsRun& run : state.runs) {
            RecordsRun now{run.first, run.records,
                           std::vector<Byte>(static_cast<std::size_t>(run.records) * size)};
            now.bytes.resize(file.readAt(offsetOf(kind, run.first), now.bytes));
            replaced.runs.push_back(std::move(now));
        }
        for (const RecordsRun& run : state.runs)
            if (!run.bytes.empty()) file.writeAt(offsetOf(kind, run.first), run.bytes);
        file.truncate(state.size);
    } catch (...) {
        notifyWriteFailed(kind);
        throw;
    }
    counts_[index(kind)] = state.count;
    std::vector<Byte> record(size);
    for (const RecordsRun& run : state.runs) {
        for (std::int32_t n = run.first; n < run.first + run.records; ++n) {
            if (n < 1 || offsetOf(kind, n) >= state.size) continue;
            // The bytes just written, where the run held the whole record.
            const std::size_t from = static_cast<std::size_t>(n - run.first) * size;
            ConstBytes now = record;
            if (from + size <= run.bytes.size())
                now = ConstBytes(run.bytes).subspan(from, size);
            else
                readEntry(kind, n, record);
            for (RecordObserver* o : observers_)
                o->recordWritten(kind, n, now);
        }
    }
    for (RecordObserver* o : observers_)
        o->countChanged(kind, state.count);
    return replaced;
}

void RecordFiles::notifyWriteFailed(Kind kind) {
    for (RecordObserver* o : observers_)
        o->writeFailed(kind);
}

void RecordFiles::addObserver(RecordObserver* observer) {
    observers_.push_back(observer);
}

void RecordFiles::removeObserver(RecordObserver* observer) {
    std::erase(observers_, observer);
}

std::int32_t RecordFiles::appendEntry(Kind kind, Bytes record) {
    const std::int32_t id = count(kind) + 1;
    if (kind != Kind::Class) setLe32(record, layoutOf(kind).countOffset, id);
    writeEntry(kind, id, record);
    setCount(kind, id);
    return id;
}

}  // namespace pelvaro::db
