#include "transfer/match_index.h"

#include <algorithm>

#include "db/record_scan.h"
#include "transfer/matching.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

bool indexed(Kind kind) {
    return kind != Kind::Class;
}

}  // namespace

MatchIndex::MatchIndex(db::RecordFiles& files) : files_(files) {
    files_.addObserver(this);
}

MatchIndex::~MatchIndex() {
    files_.removeObserver(this);
}

void MatchIndex::Table::forget() {
    known = false;
    key.assign(1, 0);
    next.assign(1, 0);
    drumKitId.assign(1, 0);
    kitSlotByte.assign(1, 0);
    chains.clear();
}

// Keeps each chain in ascending record order. Appends, the common case, join at the end.
void MatchIndex::Table::link(std::int32_t n) {
    const auto [it, added] = chains.try_emplace(key[n], Chain{n, n});
    next[n] = 0;
    if (added) return;
    Chain& c = it->second;
    if (n > c.last) {
        next[c.last] = n;
        c.last = n;
    } else if (n < c.first) {
        next[n] = c.first;
        c.first = n;
    } else {
        std::int32_t p = c.first;
        while (next[p] < n)
            p = next[p];
        next[n] = next[p];
        next[p] = n;
    }
}

void MatchIndex::Table::unlink(std::int32_t n) {
    const auto it = chains.find(key[n]);
    Chain& c = it->second;
    if (c.first == n) {
        if (c.last == n)
            chains.erase(it);
        else
            c.first = next[n];
    } else {
        std::int32_t p = c.first;
        while (next[p] != n)
            p = next[p];
        next[p] = next[n];
        if (c.last == n) c.last = p;
    }
    next[n] = 0;
}

void MatchIndex::store(Kind kind, Table& t, std::int32_t n, ConstBytes record) {
    if (n <= t.size()) {
        t.unlink(n);
    } else {
        t.key.push_back(0);
        t.next.push_back(0);
        if (kind == Kind::Program) {
            t.drumKitId.push_back(0);
            t.kitSlotByte.push_back(0);
        }
    }
    switch (kind) {
        case Kind::Program: {
            const pcg::ConstProgramBytes program(record.data(), pcg::kProgramSize);
            t.key[n] = programKey(program);
            t.drumKitId[n] = le32(record, db::ProgramLayout::kDrumKitId);
            t.kitSlotByte[n] = program[pcg::program::kDrumKitSlot];
            break;
        }
        case Kind::Combination:
            t.key[n] =
                combinationKey(pcg::ConstCombinationBytes(record.data(), pcg::kCombinationSize));
            break;
        default:
            t.key[n] = drumKitKey(pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize));
            break;
    }
    t.link(n);
}

MatchIndex::Table& MatchIndex::ready(Kind kind) {
    Table& t = table(kind);
    const std::int32_t count = files_.count(kind);
    if (t.known && t.size() >= count) return t;
    if (!t.known) {
        t.forget();
        t.key.reserve(static_cast<std::size_t>(count) + 1);
        t.next.reserve(static_cast<std::size_t>(count) + 1);
        t.chains.reserve(static_cast<std::size_t>(count));
    }
    // Until the read is complete the table counts as unknown, so a failed read is retried.
    t.known = false;
    db::scanRecords(files_.stream(kind), db::layoutOf(kind).recordSize, t.size() + 1, count,
                    [&](std::int32_t n, ConstBytes record) { store(kind, t, n, record); });
    t.known = true;
    return t;
}

void MatchIndex::recordWritten(Kind kind, std::int32_t n, ConstBytes record) {
    if (!indexed(kind) || n < 1) return;  // record 0 is the header, never an entry
    Table& t = table(kind);
    if (!t.known) return;
    if (n > t.size() + 1 || record.size() != db::layoutOf(kind).recordSize) {
        t.known = false;  // a gap the index never saw: read again on the next look-up
        return;
    }
    store(kind, t, n, record);
}

// Look-ups read the count themselves and skip what lies above it; a raised count is caught up
// with on the next look-up.
void MatchIndex::countChanged(Kind, std::int32_t) {}

void MatchIndex::fileReplaced(Kind kind) {
    if (indexed(kind)) table(kind).known = false;
}

void MatchIndex::writeFailed(Kind kind) {
    if (indexed(kind)) table(kind).known = false;
}

std::int32_t MatchIndex::findDrumKit(pcg::ConstDrumKitBytes kit) {
    const Table& t = ready(Kind::DrumKit);
    const auto chain = t.chains.find(drumKitKey(kit));
    if (chain == t.chains.end()) return -1;
    const std::int32_t count = files_.count(Kind::DrumKit);
    for (std::int32_t id = chain->second.first; id != 0 && id <= count; id = t.next[id])
        if (sameDrumKit(files_.read<db::DbDrumKitEntry>(id), kit)) return id;
    return -1;
}

std::int32_t MatchIndex::findCombination(pcg::ConstCombinationBytes combination) {
    const Table& t = ready(Kind::Combination);
    const auto chain = t.chains.find(combinationKey(combination));
    if (chain == t.chains.end()) return -1;
    const std::int32_t count = files_.count(Kind::Combination);
    for (std::int32_t id = chain->second.first; id != 0 && id <= count; id = t.next[id])
        if (sameCombination(files_.read<db::DbCombinationEntry>(id), combination)) return id;
    return -1;
}

std::int32_t MatchIndex::findProgram(pcg::ConstProgramBytes program, const pcg::PcgImage& image) {
    const Table& kits = ready(Kind::DrumKit);
    const Table& t = ready(Kind::Program);
    const auto chain = t.chains.find(programKey(program));
    if (chain == t.chains.end()) return -1;

    const std::int32_t count = files_.count(Kind::Program);
    const std::int32_t kitCount = files_.count(Kind::DrumKit);
    // The key of the kit the program plays, for the candidates under the kit check.
    const std::uint64_t imageKitKey =
        kitCheckApplies(1, program) ? drumKitKey(image.drumKit(pcg::drumKitSlot(program))) : 0;

    for (std::int32_t id = chain->second.first; id != 0 && id <= count; id = t.next[id]) {
        // What the index knows rules most candidates out without reading them: under the kit
        // check the kits' keys must agree, otherwise byte 12 must.
        const std::int32_t kitId = t.drumKitId[id];
        if (kitCheckApplies(kitId, program)) {
            if (kitId > kitCount || kits.key[kitId] != imageKitKey) continue;
        } else if (t.kitSlotByte[id] != program[pcg::program::kDrumKitSlot]) {
            continue;
        }
        if (sameProgram(files_.read<db::DbProgramEntry>(id), program, files_, image)) return id;
    }
    return -1;
}

}  // namespace pelvaro::transfer
