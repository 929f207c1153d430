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

// The order in which gathered writes reach the files: records of what is referred to before the
// records that refer to it (entries name classes, programs kits, combinations programs).
constexpr std::array<Kind, kKindCount> kReferredFirst = {Kind::Class, Kind::DrumKit, Kind::Program,
                                                         Kind::Combination};
constexpr std::array<Kind, kKindCount> kReferringFirst = {Kind::Combination, Kind::Program,
                                                          Kind::DrumKit, Kind::Class};
}  // namespace

RecordFiles::Batch::Batch(RecordFiles& files)
    : files_(files), exceptions_(std::uncaught_exceptions()) {
    files_.beginBatch();
}

RecordFiles::Batch::~Batch() noexcept(false) {
    files_.endBatch(std::uncaught_exceptions() > exceptions_);
}

void RecordFiles::endBatch(bool quietly) {
    if (batches_ == 0 || --batches_ > 0) return;
    const auto ended = [this] {
        for (RecordObserver* o : observers_)
            o->batchEnded();
    };
    try {
        flush();
    } catch (...) {
        ended();
        // Quietly: the exception that ends the scope goes on; the counters are right (see flush).
        if (!quietly) throw;
        return;
    }
    ended();
}

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
    forgetGathered();
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
    // The files in use get what is gathered first, so a swap that fails keeps them whole.
    flush();
    // The swap holds the start folder, so an export into it from another copy cannot take the
    // scratch files and the journal of the swap for those of a killed copy.
    const io::FolderLock lock(startDirectory_);
    std::array<io::FileStream, kKindCount> fresh;
    std::array<io::Replacement, kKindCount> replacements;
    std::array<std::int32_t, kKindCount> freshCounts{};
    std::array<std::int64_t, kKindCount> freshLengths{};
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
            freshLengths[i] = fresh[i].size();
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
            fileCounts_[i] = freshCounts[i];
            lengths_[i] = freshLengths[i];
            for (RecordObserver* o : observers_)
                o->fileReplaced(kAllKinds[i]);
        }
        discard();  // the temporaries renamed before the failure have no name of their own left
        throw;
    }
    for (int i = 0; i < kKindCount; ++i) {
        files_[i] = std::move(fresh[i]);
        counts_[i] = freshCounts[i];
        fileCounts_[i] = freshCounts[i];
        lengths_[i] = freshLengths[i];
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
    fileCounts_.fill(0);
    lengths_.fill(0);
    for (Kind kind : kAllKinds) {
        const std::vector<Byte> header = headerRecord(kind);
        files_[index(kind)].writeAt(0, header);
        lengths_[index(kind)] = static_cast<std::int64_t>(header.size());
    }
}

void RecordFiles::removeRecordFiles() {
    if (!isOpen()) return;
    forgetGathered();  // the files go
    // Deleted while still locked, so a copy started meanwhile cannot lose its new files to us.
    for (Kind kind : kAllKinds)
        io::removeFile(pathOf(kind));
    for (Kind kind : kAllKinds)
        files_[index(kind)].close();
}

void RecordFiles::closeRecordFiles() {
    // The files stay, with what was gathered when it can still be written; when it cannot, they
    // stay as they are, every counter with its records.
    try {
        flush();
    } catch (...) {
    }
    for (Kind kind : kAllKinds)
        files_[index(kind)].close();
}

void RecordFiles::writeCounter(Kind kind, std::int32_t count) {
    // Only entryCount changes in record 0, so only its four bytes are written.
    const int k = index(kind);
    std::array<Byte, 4> value{};
    setLe32(value, 0, count);
    const auto at = static_cast<std::int64_t>(layoutOf(kind).countOffset);
    try {
        files_[k].writeAt(at, value);
    } catch (...) {
        // A write stopped half way would leave a header that agrees with no counter: the old
        // count goes back (overwriting bytes in place needs no room on a full disk).
        setLe32(value, 0, fileCounts_[k]);
        try {
            files_[k].writeAt(at, value);
        } catch (...) {
        }
        throw;
    }
    fileCounts_[k] = count;
}

void RecordFiles::setCount(Kind kind, std::int32_t count) {
    if (watcher_) watcher_->beforeWrite(kind, 0);
    if (!gathering()) {
        try {
            writeCounter(kind, count);
        } catch (...) {
            notifyWriteFailed(kind);
            throw;
        }
    }
    counts_[index(kind)] = count;
    for (RecordObserver* o : observers_)
        o->countChanged(kind, count);
}

void RecordFiles::readEntry(Kind kind, std::int32_t n, Bytes out) const {
    const int k = index(kind);
    if (!gathering()) {
        const std::size_t got = files_[k].readAt(offsetOf(kind, n), out);
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), Byte{0});
        return;
    }
    const Gathered& g = gathered_[k];
    if (const std::size_t at = g.find(n, layoutOf(kind).recordSize);
        at != std::string::npos && out.size() <= layoutOf(kind).recordSize) {
        std::copy_n(g.bytes.begin() + static_cast<std::ptrdiff_t>(at), out.size(), out.begin());
        if (n == 0) overlayGathered(kind, 0, out);  // a header record takes the gathered count
        return;
    }
    const std::size_t got = files_[k].readMappedAt(offsetOf(kind, n), out, lengths_[k]);
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), Byte{0});
    overlayGathered(kind, n, out);
}

void RecordFiles::overlayGathered(Kind kind, std::int32_t first, Bytes block) const {
    const int k = index(kind);
    if (block.empty()) return;
    const std::size_t size = layoutOf(kind).recordSize;
    const std::size_t countAt = layoutOf(kind).countOffset;
    if (first == 0 && counts_[k] != fileCounts_[k] && block.size() >= countAt + 4)
        setLe32(block, countAt, counts_[k]);
    const Gathered& g = gathered_[k];
    if (g.empty()) return;
    const auto records = static_cast<std::int64_t>((block.size() + size - 1) / size);
    for (auto it = g.records.lower_bound(first);
         it != g.records.end() && it->first < first + records; ++it) {
        const std::size_t at = static_cast<std::size_t>(it->first - first) * size;
        const std::size_t length = std::min(size, block.size() - at);
        std::copy_n(g.bytes.begin() + static_cast<std::ptrdiff_t>(it->second), length,
                    block.begin() + static_cast<std::ptrdiff_t>(at));
    }
    // The part of the run of appends that the block holds, in one copy.
    const std::int64_t from = std::max<std::int64_t>(first, g.tailFirst);
    const std::int64_t to = std::min<std::int64_t>(first + records, g.tailFirst + g.tailCount);
    if (g.tailCount == 0 || from >= to) return;
    const auto at = static_cast<std::size_t>(from - first) * size;
    const std::size_t length =
        std::min(static_cast<std::size_t>(to - from) * size, block.size() - at);
    std::copy_n(
        g.bytes.begin() + static_cast<std::ptrdiff_t>(
                              g.tailAt + static_cast<std::size_t>(from - g.tailFirst) * size),
        length, block.begin() + static_cast<std::ptrdiff_t>(at));
}

std::size_t RecordFiles::Gathered::find(std::int32_t n, std::size_t recordSize) const {
    if (tailCount > 0 && n >= tailFirst && n < tailFirst + tailCount)
        return tailAt + static_cast<std::size_t>(n - tailFirst) * recordSize;
    const auto it = records.find(n);
    return it == records.end() ? std::string::npos : it->second;
}

void RecordFiles::writeEntry(Kind kind, std::int32_t n, ConstBytes record) {
    if (watcher_) watcher_->beforeWrite(kind, n);
    if (gathering()) {
        if (record.size() == layoutOf(kind).recordSize) {
            if (gatheredBytes_ + record.size() > kMostGatheredBytes) flush();
            gather(kind, n, record);
            for (RecordObserver* o : observers_)
                o->recordWritten(kind, n, record);
            return;
        }
        // A part of a record is written on its own, after what was gathered before it.
        flush();
    }
    const int k = index(kind);
    try {
        files_[k].writeAt(offsetOf(kind, n), record);
    } catch (...) {
        notifyWriteFailed(kind);
        throw;
    }
    lengths_[k] =
        std::max(lengths_[k], offsetOf(kind, n) + static_cast<std::int64_t>(record.size()));
    for (RecordObserver* o : observers_)
        o->recordWritten(kind, n, record);
}

void RecordFiles::gather(Kind kind, std::int32_t n, ConstBytes record) {
    Gathered& g = gathered_[index(kind)];
    const std::size_t size = record.size();
    if (const std::size_t at = g.find(n, size); at != std::string::npos) {
        std::ranges::copy(record, g.bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return;
    }
    const bool extends = g.tailCount > 0 && n == g.tailFirst + g.tailCount &&
                         g.tailAt + static_cast<std::size_t>(g.tailCount) * size == g.bytes.size();
    const bool starts = g.tailCount == 0 && (g.records.empty() || n > g.records.rbegin()->first);
    if (extends) {
        ++g.tailCount;
    } else if (starts) {
        g.tailFirst = n;
        g.tailCount = 1;
        g.tailAt = g.bytes.size();
    } else {
        g.records.emplace(n, g.bytes.size());
    }
    g.bytes.insert(g.bytes.end(), record.begin(), record.end());
    gatheredBytes_ += size;
}

void RecordFiles::forgetGathered() {
    for (Gathered& g : gathered_) {
        g.records.clear();
        g.tailCount = 0;
        g.bytes.clear();
    }
    gatheredBytes_ = 0;
}

void RecordFiles::writeGathered(Kind kind) {
    const int k = index(kind);
    const Gathered& g = gathered_[k];
    const std::size_t size = layoutOf(kind).recordSize;
    std::vector<Byte> run;
    for (auto it = g.records.begin(); it != g.records.end();) {
        // A run of neighbouring records; when they were gathered in their order (appends), their
        // bytes lie side by side already and are written from where they are.
        const std::int32_t first = it->first;
        const std::size_t from = it->second;
        bool inPlace = true;
        auto end = it;
        std::int32_t next = first;
        for (; end != g.records.end() && end->first == next; ++end, ++next)
            inPlace =
                inPlace && end->second == from + static_cast<std::size_t>(next - first) * size;
        const auto records = static_cast<std::size_t>(next - first);
        ConstBytes bytes;
        if (inPlace) {
            bytes = ConstBytes(g.bytes).subspan(from, records * size);
        } else {
            run.resize(records * size);
            std::size_t at = 0;
            for (auto r = it; r != end; ++r, at += size)
                std::copy_n(g.bytes.begin() + static_cast<std::ptrdiff_t>(r->second), size,
                            run.begin() + static_cast<std::ptrdiff_t>(at));
            bytes = run;
        }
        files_[k].writeAt(offsetOf(kind, first), bytes);
        lengths_[k] =
            std::max(lengths_[k], offsetOf(kind, first) + static_cast<std::int64_t>(bytes.size()));
        it = end;
    }
    if (g.tailCount > 0) {
        const ConstBytes bytes =
            ConstBytes(g.bytes).subspan(g.tailAt, static_cast<std::size_t>(g.tailCount) * size);
        files_[k].writeAt(offsetOf(kind, g.tailFirst), bytes);
        lengths_[k] = std::max(
            lengths_[k], offsetOf(kind, g.tailFirst) + static_cast<std::int64_t>(bytes.size()));
    }
}

void RecordFiles::flush() {
    bool counted = true;
    for (int k = 0; k < kKindCount; ++k)
        counted = counted && counts_[k] == fileCounts_[k];
    if (gatheredBytes_ == 0 && counted) return;
    std::array<bool, kKindCount> written{};  // the kind's gathered records are in its file
    try {
        for (Kind kind : kReferredFirst) {
            writeGathered(kind);
            written[index(kind)] = true;
        }
        for (Kind kind : kReferringFirst)
            if (counts_[index(kind)] < fileCounts_[index(kind)])
                writeCounter(kind, counts_[index(kind)]);
        for (Kind kind : kReferredFirst)
            if (counts_[index(kind)] > fileCounts_[index(kind)])
                writeCounter(kind, counts_[index(kind)]);
    } catch (...) {
        // What the files hold now is what counts: each counter as its header has it, the records
        // below it as they are.
        for (Kind kind : kAllKinds) {
            const int k = index(kind);
            const bool unwritten = !gathered_[k].empty() && !written[k];
            const bool countBack = counts_[k] != fileCounts_[k];
            if (countBack) {
                counts_[k] = fileCounts_[k];
                for (RecordObserver* o : observers_)
                    o->countChanged(kind, counts_[k]);
            }
            if (unwritten || countBack) notifyWriteFailed(kind);
        }
        forgetGathered();
        throw;
    }
    forgetGathered();
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
    flush();
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
        if (state.size != replaced.size) file.truncate(state.size);
    } catch (...) {
        // The file is at least as long as the shorter of the two lengths.
        lengths_[index(kind)] = std::min(lengths_[index(kind)], state.size);
        notifyWriteFailed(kind);
        throw;
    }
    lengths_[index(kind)] = state.size;
    counts_[index(kind)] = state.count;
    fileCounts_[index(kind)] = state.count;
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
