#include "transfer/match_index.h"

#include <algorithm>

#include "db/record_scan.h"
#include "io/side_by_side.h"
#include "transfer/matching.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

bool indexed(Kind kind) {
    return kind != Kind::Class;
}

// The programs a combination's timbres play, in 32 bits: equal IDs give equal keys.
std::uint32_t playsKey(const TimbreProgramIds& plays) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const std::int32_t id : plays) {
        h ^= static_cast<std::uint32_t>(id);
        h *= 0x100000001B3ull;
    }
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

TimbreProgramIds playsOf(ConstBytes record) {
    TimbreProgramIds plays{};
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
        plays[static_cast<std::size_t>(t)] = le32(
            record, db::CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t));
    return plays;
}

bool playsThese(const db::DbCombinationEntry& entry, const TimbreProgramIds& plays) {
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
        if (entry.timbreProgramId(t) != plays[static_cast<std::size_t>(t)]) return false;
    return true;
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
    last.assign(1, 0);
    drumKitId.assign(1, 0);
    kitSlotByte.assign(1, 0);
    playsKey.assign(1, 0);
    heads.assign(16, Head{});
    chains = 0;
}

void MatchIndex::Table::reserve(std::size_t records) {
    // Room for the sends to come as well: a vector that grows past its room copies itself
    // into one twice its size, which at a million entries is many megabytes for a moment.
    const std::size_t room = records + records / 8 + 4096;
    key.reserve(room);
    next.reserve(room);
    last.reserve(room);
    drumKitId.reserve(room);
    kitSlotByte.reserve(room);
    playsKey.reserve(room);
    std::size_t places = 16;
    while (places < 2 * records)
        places *= 2;
    if (places > heads.size() && chains == 0) heads.assign(places, Head{});
}

std::size_t MatchIndex::Table::home(std::uint64_t k) const {
    // The keys are hashes already; the multiply spreads their low bits over the table.
    return static_cast<std::size_t>((k * 0x9E3779B97F4A7C15ull) >> 32) & (heads.size() - 1);
}

std::size_t MatchIndex::Table::place(std::uint64_t k) const {
    const std::size_t mask = heads.size() - 1;
    const auto tag = static_cast<std::uint32_t>(k >> 32);
    std::size_t at = home(k);
    while (heads[at].record != 0 &&
           (heads[at].tag != tag || key[static_cast<std::size_t>(heads[at].record)] != k))
        at = (at + 1) & mask;
    return at;
}

std::int32_t MatchIndex::Table::first(std::uint64_t k) const {
    return heads[place(k)].record;
}

void MatchIndex::Table::grow(std::size_t places) {
    std::vector<Head> old(std::max(places, heads.size() * 2));
    old.swap(heads);
    for (const Head& head : old)
        if (head.record != 0) heads[place(key[static_cast<std::size_t>(head.record)])] = head;
}

// Takes the head at `at` out of the table and moves the heads after it that belong nearer
// their own place back, so every head stays reachable from its place without a free gap.
void MatchIndex::Table::removeHead(std::size_t at) {
    const std::size_t mask = heads.size() - 1;
    std::size_t gap = at;
    heads[gap] = Head{};
    for (std::size_t i = (gap + 1) & mask; heads[i].record != 0; i = (i + 1) & mask) {
        const std::size_t own = home(key[static_cast<std::size_t>(heads[i].record)]);
        // The head at i may move into the gap when its own place does not lie between the gap
        // and i.
        const bool between = gap <= i ? (gap < own && own <= i) : (gap < own || own <= i);
        if (!between) {
            heads[gap] = heads[i];
            heads[i] = Head{};
            gap = i;
        }
    }
    --chains;
}

// Keeps each chain in ascending record order. Appends, the common case, join at the end.
void MatchIndex::Table::link(std::int32_t n) {
    const std::size_t un = static_cast<std::size_t>(n);
    next[un] = 0;
    std::size_t at = place(key[un]);
    const std::int32_t head = heads[at].record;
    if (head == 0) {
        if (2 * (chains + 1) > heads.size()) {
            grow();
            at = place(key[un]);
        }
        heads[at] = Head{static_cast<std::uint32_t>(key[un] >> 32), n};
        last[un] = n;
        ++chains;
        return;
    }
    const std::size_t uh = static_cast<std::size_t>(head);
    if (n > last[uh]) {
        next[static_cast<std::size_t>(last[uh])] = n;
        last[uh] = n;
    } else if (n < head) {
        next[un] = head;
        last[un] = last[uh];
        heads[at].record = n;
    } else {
        std::int32_t p = head;
        while (next[static_cast<std::size_t>(p)] < n)
            p = next[static_cast<std::size_t>(p)];
        next[un] = next[static_cast<std::size_t>(p)];
        next[static_cast<std::size_t>(p)] = n;
    }
}

void MatchIndex::Table::unlink(std::int32_t n) {
    const std::size_t un = static_cast<std::size_t>(n);
    const std::size_t at = place(key[un]);
    const std::int32_t head = heads[at].record;
    if (head == n) {
        if (last[un] == n) {
            removeHead(at);
        } else {
            const std::int32_t second = next[un];
            heads[at].record = second;
            last[static_cast<std::size_t>(second)] = last[un];
        }
    } else {
        std::int32_t p = head;
        while (next[static_cast<std::size_t>(p)] != n)
            p = next[static_cast<std::size_t>(p)];
        next[static_cast<std::size_t>(p)] = next[un];
        if (last[static_cast<std::size_t>(head)] == n) last[static_cast<std::size_t>(head)] = p;
    }
    next[un] = 0;
}

void MatchIndex::store(Kind kind, Table& t, std::int32_t n, ConstBytes record) {
    if (n > t.size()) {
        keep(kind, t, n, record);
        t.link(n);
        return;
    }
    // A record written again with the same compared bytes (a new name, explanation or class)
    // keeps its place in its chain.
    const auto un = static_cast<std::size_t>(n);
    const std::uint64_t before = t.key[un];
    keep(kind, t, n, record);
    const std::uint64_t now = t.key[un];
    if (now == before) return;
    t.key[un] = before;  // the chain it leaves is found by the key it had
    t.unlink(n);
    t.key[un] = now;
    t.link(n);
}

void MatchIndex::keep(Kind kind, Table& t, std::int32_t n, ConstBytes record) {
    if (n > t.size()) {
        t.key.push_back(0);
        t.next.push_back(0);
        t.last.push_back(0);
        if (kind == Kind::Program) {
            t.drumKitId.push_back(0);
            t.kitSlotByte.push_back(0);
        }
        if (kind == Kind::Combination) t.playsKey.push_back(0);
    }
    const bool known = known_.record == n && known_.kind == kind;
    switch (kind) {
        case Kind::Program: {
            const pcg::ConstProgramBytes program(record.data(), pcg::kProgramSize);
            t.key[n] = known ? known_.key : programKey(program);
            t.drumKitId[n] = le32(record, db::ProgramLayout::kDrumKitId);
            t.kitSlotByte[n] = program[pcg::program::kDrumKitSlot];
            break;
        }
        case Kind::Combination:
            t.key[n] = known ? known_.key
                             : combinationKey(pcg::ConstCombinationBytes(record.data(),
                                                                         pcg::kCombinationSize));
            t.playsKey[n] = playsKey(playsOf(record));
            break;
        default:
            t.key[n] = known ? known_.key
                             : drumKitKey(pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize));
            break;
    }
}

MatchIndex::Table& MatchIndex::ready(Kind kind) {
    Table& t = table(kind);
    const std::int32_t count = files_.count(kind);
    if (t.known && t.size() >= count) return t;
    if (!t.known) {
        t.forget();
        t.reserve(static_cast<std::size_t>(count));
    }
    // Until the read is complete the table counts as unknown, so a failed read is retried.
    t.known = false;
    const std::int32_t from = t.size() + 1;
    // The keys of what is new first, in one pass over the file; then the records join their
    // chains, each looking ahead to the place a later one will need, so the table's memory is
    // fetched while the earlier ones are linked.
    db::scanRecords(files_, kind, from, count,
                    [&](std::int32_t n, ConstBytes record) { keep(kind, t, n, record); });
    constexpr std::int32_t kAhead = 16;
    for (std::int32_t n = from; n <= count; ++n) {
        if (n + kAhead <= count)
            __builtin_prefetch(&t.heads[t.home(t.key[static_cast<std::size_t>(n + kAhead)])]);
        t.link(n);
    }
    t.known = true;
    return t;
}

void MatchIndex::expect(Kind kind, std::int32_t more) {
    if (!indexed(kind) || more <= 0) return;
    Table& t = ready(kind);
    const std::size_t records = t.key.size() + static_cast<std::size_t>(more);
    // Grown by half at least, so many merges in turn do not copy the index each time.
    const auto room = [&](auto& v) {
        if (v.capacity() < records) v.reserve(std::max(records, v.capacity() + v.capacity() / 2));
    };
    room(t.key);
    room(t.next);
    room(t.last);
    if (kind == Kind::Program) {
        room(t.drumKitId);
        room(t.kitSlotByte);
    }
    std::size_t places = t.heads.size();
    while (places < 2 * (t.chains + static_cast<std::size_t>(more)))
        places *= 2;
    if (places > t.heads.size()) t.grow(places);
}

void MatchIndex::prepare() {
    // A second core pays off only for a long read: an index in step (every later send) or a
    // few thousand records to read are done on this thread.
    std::int64_t toRead = 0;
    for (Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit}) {
        const Table& t = table(kind);
        toRead += t.known ? std::max(0, files_.count(kind) - t.size()) : files_.count(kind);
    }
    constexpr std::int64_t kWorthASecondCore = 16384;
    if (toRead < kWorthASecondCore) {
        for (Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit})
            ready(kind);
        return;
    }
    io::sideBySide([this] { ready(Kind::Program); },
                   [this] {
                       ready(Kind::Combination);
                       ready(Kind::DrumKit);
                   });
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
    return findDrumKit(kit, drumKitKey(kit));
}

std::int32_t MatchIndex::findDrumKit(pcg::ConstDrumKitBytes kit, std::uint64_t key) {
    const Table& t = ready(Kind::DrumKit);
    const std::int32_t count = files_.count(Kind::DrumKit);
    for (std::int32_t id = t.first(key); id != 0 && id <= count; id = t.next[id])
        if (sameDrumKit(files_.read<db::DbDrumKitEntry>(id), kit)) return id;
    return -1;
}

std::int32_t MatchIndex::findCombination(pcg::ConstCombinationBytes combination,
                                         const TimbreProgramIds* plays) {
    return findCombination(combination, plays, combinationKey(combination));
}

std::int32_t MatchIndex::findCombination(pcg::ConstCombinationBytes combination,
                                         const TimbreProgramIds* plays, std::uint64_t key) {
    const Table& t = ready(Kind::Combination);
    const std::int32_t count = files_.count(Kind::Combination);
    const std::uint32_t wanted = plays ? playsKey(*plays) : 0;
    for (std::int32_t id = t.first(key); id != 0 && id <= count; id = t.next[id]) {
        // The same bytes over other programs, told apart without a read.
        if (plays && t.playsKey[id] != wanted) continue;
        const auto entry = files_.read<db::DbCombinationEntry>(id);
        if (sameCombination(entry, combination) && (!plays || playsThese(entry, *plays))) return id;
    }
    return -1;
}

std::int32_t MatchIndex::findProgram(pcg::ConstProgramBytes program, const pcg::PcgImage& image) {
    if (!kitCheckApplies(1, program)) return findProgram(program, std::nullopt);
    return findProgram(program, image.drumKit(pcg::drumKitSlot(program)));
}

std::int32_t MatchIndex::findProgram(pcg::ConstProgramBytes program,
                                     std::optional<pcg::ConstDrumKitBytes> kit) {
    return findProgram(program, kit, programKey(program));
}

std::int32_t MatchIndex::findProgram(pcg::ConstProgramBytes program,
                                     std::optional<pcg::ConstDrumKitBytes> kit, std::uint64_t key) {
    const Table& kits = ready(Kind::DrumKit);
    const Table& t = ready(Kind::Program);
    const std::int32_t head = t.first(key);
    if (head == 0) return -1;

    const std::int32_t count = files_.count(Kind::Program);
    const std::int32_t kitCount = files_.count(Kind::DrumKit);
    // The key of the kit the program plays, for the candidates under the kit check.
    const std::uint64_t programKitKey = kitCheckApplies(1, program) && kit ? drumKitKey(*kit) : 0;

    for (std::int32_t id = head; id != 0 && id <= count; id = t.next[id]) {
        // What the index knows rules most candidates out without reading them: under the kit
        // check the kits' keys must agree, otherwise byte 12 must.
        const std::int32_t kitId = t.drumKitId[id];
        if (kitCheckApplies(kitId, program)) {
            if (!kit || kitId > kitCount || kits.key[kitId] != programKitKey) continue;
        } else if (t.kitSlotByte[id] != program[pcg::program::kDrumKitSlot]) {
            continue;
        }
        if (sameProgram(files_.read<db::DbProgramEntry>(id), program, files_, kit)) return id;
    }
    return -1;
}

std::int32_t MatchIndex::findProgramOnKit(pcg::ConstProgramBytes program, std::int32_t kitEntry,
                                          std::uint64_t key) {
    const Table& kits = ready(Kind::DrumKit);
    const Table& t = ready(Kind::Program);
    const std::int32_t head = t.first(key);
    if (head == 0) return -1;
    const std::int32_t count = files_.count(Kind::Program);
    const std::int32_t kitCount = files_.count(Kind::DrumKit);
    const bool known = kitEntry > 0 && kitEntry <= kitCount;
    std::optional<db::DbDrumKitEntry> kit;
    for (std::int32_t id = head; id != 0 && id <= count; id = t.next[id]) {
        const std::int32_t kitId = t.drumKitId[id];
        if (kitCheckApplies(kitId, program)) {
            if (!known || kitId > kitCount || kits.key[kitId] != kits.key[kitEntry]) continue;
            if (!kit) kit = files_.read<db::DbDrumKitEntry>(kitEntry);
        } else if (t.kitSlotByte[id] != program[pcg::program::kDrumKitSlot]) {
            continue;
        }
        const std::optional<pcg::ConstDrumKitBytes> plays =
            kit ? std::optional<pcg::ConstDrumKitBytes>(kit->drumKit()) : std::nullopt;
        if (sameProgram(files_.read<db::DbProgramEntry>(id), program, files_, plays)) return id;
    }
    return -1;
}

void MatchIndex::prefetch(Kind kind, std::uint64_t key) const {
    const Table& t = table(kind);
    __builtin_prefetch(&t.heads[t.home(key)]);
}

}  // namespace pelvaro::transfer
