#pragma once
// The one scan over many records: a file of fixed-size records read in blocks of about a
// mebibyte rather than one read per record, the records handed out in ascending order. List
// refills, the checks of an opened database, the matching index, reference checks and class
// renumbering all read the record files through it.

#include <algorithm>
#include <array>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "db/record_files.h"
#include "io/progress.h"
#include "io/side_by_side.h"

namespace pelvaro::db {

inline constexpr std::size_t kScanBlockBytes = std::size_t{1} << 20;

namespace detail {
// The scan, with fill(start, part) putting records start.. into part and visitBlock(start, part)
// handed each block; visitBlock may return bool: false stops the scan.
template <class Fill, class VisitBlock>
void scanWholeBlocks(std::size_t recordSize, std::int32_t first, std::int32_t last, Fill fill,
                     VisitBlock visitBlock) {
    if (first > last) return;
    const auto perBlock =
        static_cast<std::int32_t>(std::max<std::size_t>(1, kScanBlockBytes / recordSize));
    std::vector<Byte> block(static_cast<std::size_t>(std::min(perBlock, last - first + 1)) *
                            recordSize);
    for (std::int32_t start = first; start <= last; start += perBlock) {
        const std::int32_t n = std::min(perBlock, last - start + 1);
        const Bytes part = Bytes(block).first(static_cast<std::size_t>(n) * recordSize);
        fill(start, part);
        io::reportProgress(static_cast<std::int64_t>(part.size()));
        if constexpr (std::is_same_v<decltype(visitBlock(start, ConstBytes(part))), bool>) {
            if (!visitBlock(start, ConstBytes(part))) return;
        } else {
            visitBlock(start, ConstBytes(part));
        }
    }
}

// The same, visit(n, record) handed each record.
template <class Fill, class Visit>
void scanBlocks(std::size_t recordSize, std::int32_t first, std::int32_t last, Fill fill,
                Visit visit) {
    scanWholeBlocks(recordSize, first, last, fill, [&](std::int32_t start, ConstBytes part) {
        const auto n = static_cast<std::int32_t>(part.size() / recordSize);
        for (std::int32_t i = 0; i < n; ++i) {
            const ConstBytes record =
                part.subspan(static_cast<std::size_t>(i) * recordSize, recordSize);
            if constexpr (std::is_same_v<decltype(visit(start + i, record)), bool>) {
                if (!visit(start + i, record)) return false;
            } else {
                visit(start + i, record);
            }
        }
        return true;
    });
}

inline void readBlock(const io::FileStream& file, std::size_t recordSize, std::int32_t start,
                      Bytes part) {
    const std::size_t got =
        file.readAt(static_cast<std::int64_t>(start) * static_cast<std::int64_t>(recordSize), part);
    std::fill(part.begin() + static_cast<std::ptrdiff_t>(got), part.end(), Byte{0});
}
}  // namespace detail

// Calls visit(n, record) for records first..last of a file whose records are recordSize bytes,
// ascending. visit may return bool: false stops the scan. Bytes past the end of the file read
// as zero.
template <class Visit>
void scanRecords(const io::FileStream& file, std::size_t recordSize, std::int32_t first,
                 std::int32_t last, Visit visit) {
    detail::scanBlocks(
        recordSize, first, last,
        [&](std::int32_t start, Bytes part) { detail::readBlock(file, recordSize, start, part); },
        visit);
}

// The same scan handing out whole blocks: visit(start, block) with records start.. side by side
// in block, for work that looks ahead within a block.
template <class Visit>
void scanRecordBlocks(const io::FileStream& file, std::size_t recordSize, std::int32_t first,
                      std::int32_t last, Visit visit) {
    detail::scanWholeBlocks(
        recordSize, first, last,
        [&](std::int32_t start, Bytes part) { detail::readBlock(file, recordSize, start, part); },
        visit);
}

// The scan of whole blocks with the block after the one in work read on a second core, and
// prepared there (prepare(slot, start, block)), while visit(slot, start, block) works on the one
// before; slot (0 or 1) tells which of two buffers a block is in, for what prepare leaves beside
// it. For work whose reading and preparing take as long as a good part of the rest.
template <class Prepare, class Visit>
void scanRecordBlocksAhead(const io::FileStream& file, std::size_t recordSize, std::int32_t first,
                           std::int32_t last, Prepare prepare, Visit visit) {
    if (first > last) return;
    // Larger blocks than the other scans', so the second core is started seldom.
    const auto perBlock =
        static_cast<std::int32_t>(std::max<std::size_t>(1, 4 * kScanBlockBytes / recordSize));
    std::array<std::vector<Byte>, 2> blocks;
    std::array<Bytes, 2> parts;
    const auto read = [&](int slot, std::int32_t start) {
        const std::int32_t n = std::min(perBlock, last - start + 1);
        blocks[slot].resize(static_cast<std::size_t>(n) * recordSize);
        parts[slot] = Bytes(blocks[slot]);
        detail::readBlock(file, recordSize, start, parts[slot]);
        prepare(slot, start, ConstBytes(parts[slot]));
    };
    read(0, first);
    int slot = 0;
    for (std::int32_t start = first; start <= last; start += perBlock, slot ^= 1) {
        const std::int32_t next = start + perBlock;
        io::sideBySide(
            [&] {
                if (next <= last) read(slot ^ 1, next);
            },
            [&] {
                io::reportProgress(static_cast<std::int64_t>(parts[slot].size()));
                visit(slot, start, ConstBytes(parts[slot]));
            });
    }
}

// The same over the record file of kind as RecordFiles holds it: the writes it has gathered
// and not written yet (RecordFiles::Batch) are seen as written.
template <class Visit>
void scanRecords(const RecordFiles& files, Kind kind, std::int32_t first, std::int32_t last,
                 Visit visit) {
    const std::size_t recordSize = layoutOf(kind).recordSize;
    detail::scanBlocks(
        recordSize, first, last,
        [&](std::int32_t start, Bytes part) {
            detail::readBlock(files.stream(kind), recordSize, start, part);
            if (files.gathering()) files.overlayGathered(kind, start, part);
        },
        visit);
}

// Every entry of kind, 1 to its count.
template <class Visit>
void scanEntries(const RecordFiles& files, Kind kind, Visit visit) {
    scanRecords(files, kind, 1, files.count(kind), visit);
}

}  // namespace pelvaro::db
