#pragma once
// Scans over every entry of a kind, reading the working file in large blocks rather than one
// read per record; entries come in ascending record order, as the linear scans of the
// database have always seen them.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::db {

inline constexpr std::int32_t kScanBlockRecords = 4096;

// Calls visit(n, record) for entries 1..count of kind; visit returns false to stop the scan.
template <class Visit>
void scanEntries(const RecordFiles& files, Kind kind, Visit visit) {
    const std::int32_t count = files.count(kind);
    const std::size_t recordSize = layoutOf(kind).recordSize;
    std::vector<Byte> block(static_cast<std::size_t>(std::min(count, kScanBlockRecords)) *
                            recordSize);
    for (std::int32_t first = 1; first <= count; first += kScanBlockRecords) {
        const std::int32_t n = std::min(kScanBlockRecords, count - first + 1);
        files.readEntries(kind, first, n, block);
        for (std::int32_t i = 0; i < n; ++i) {
            const ConstBytes record =
                ConstBytes(block).subspan(static_cast<std::size_t>(i) * recordSize, recordSize);
            if (!visit(first + i, record)) return;
        }
    }
}

}  // namespace pelvaro::db
