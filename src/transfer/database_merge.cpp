#include "transfer/database_merge.h"

#include <algorithm>
#include <array>

#include "db/record_scan.h"
#include "transfer/matching.h"

namespace pelvaro::transfer {

using db::Kind;
using Gain = GainedExplanation::Gain;

namespace {

constexpr std::ptrdiff_t kExplanationLength = db::kExplanationSize - 1;
constexpr std::string_view kAlsoLine = "\r\nAlso: ";
constexpr std::string_view kAlso = "Also: ";
constexpr std::string_view kCutMark = "...";
// Fewer characters than this of another's explanation tell nothing: they are left off.
constexpr std::ptrdiff_t kLeastGained = 10;
// The class assignment fills slots 0-8, never slot 9.
constexpr int kMostClasses = 9;

std::size_t kindIndex(Kind kind) {
    return static_cast<std::size_t>(kind);
}

// Whether own ends in a gain of other cut before: "Also: ", a beginning of other, "...".
bool gainedCut(std::string_view own, std::string_view other) {
    for (std::size_t at = own.rfind(kAlso); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : own.rfind(kAlso, at - 1)) {
        const std::string_view tail = own.substr(at + kAlso.size());
        if (tail.size() > kCutMark.size() && tail.ends_with(kCutMark) &&
            other.starts_with(tail.substr(0, tail.size() - kCutMark.size())))
            return true;
    }
    return false;
}

// A text field's text up to its zero byte, without a copy.
std::string_view textOf(ConstBytes field) {
    const auto end = std::find(field.begin(), field.end(), Byte{0});
    return {reinterpret_cast<const char*>(field.data()),
            static_cast<std::size_t>(end - field.begin())};
}

// The slots 0-9 of an entry's classes, as signed bytes.
int classAt(ConstBytes slots, int s) {
    return static_cast<signed char>(slots[static_cast<std::size_t>(s)]);
}

template <class E>
constexpr std::size_t explanationAt() {
    if constexpr (E::kind == Kind::Program) return db::ProgramLayout::kExplanation;
    if constexpr (E::kind == Kind::Combination) return db::CombinationLayout::kExplanation;
    return db::DrumKitLayout::kExplanation;
}

template <class E>
constexpr std::size_t classIdsAt() {
    if constexpr (E::kind == Kind::Program) return db::ProgramLayout::kClassIds;
    return db::CombinationLayout::kClassIds;
}

// Brings one database's entries in, kind after kind.
class Merger {
  public:
    Merger(DatabaseSide here, const db::StoredDatabase& source, db::ClassImport& classes,
           DatabaseMergeResult& result)
        : here_(here), source_(source), classes_(classes), result_(result) {}

    void drumKits();
    void programs();
    void combinations();

  private:
    // Calls visit(n, record, key) for every entry of kind there, read in large blocks: the key
    // of each record (matching.h) is worked out for the whole block beside the reading, on a
    // second core while the block before is at work, and the index is told of each look-up a few
    // records ahead, so the memory it needs is on its way meanwhile.
    template <class Key, class Visit>
    void scan(Kind kind, Key keyOf, Visit visit) {
        const std::int32_t count = source_.count(kind);
        result_.entries[kindIndex(kind)] = count;
        const std::size_t size = db::layoutOf(kind).recordSize;
        std::array<std::vector<std::uint64_t>, 2> keys;
        constexpr std::size_t kAhead = 8;
        db::scanRecordBlocksAhead(
            source_.stream(kind), size, 1, count,
            [&](int slot, std::int32_t, ConstBytes block) {
                std::vector<std::uint64_t>& k = keys[static_cast<std::size_t>(slot)];
                k.resize(block.size() / size);
                for (std::size_t i = 0; i < k.size(); ++i)
                    k[i] = keyOf(block.subspan(i * size, size));
            },
            [&](int slot, std::int32_t start, ConstBytes block) {
                const std::vector<std::uint64_t>& k = keys[static_cast<std::size_t>(slot)];
                const std::size_t n = k.size();
                for (std::size_t i = 0; i < n && i < kAhead; ++i)
                    here_.index.prefetch(kind, k[i]);
                for (std::size_t i = 0; i < n; ++i) {
                    if (i + kAhead < n) here_.index.prefetch(kind, k[i + kAhead]);
                    visit(start + static_cast<std::int32_t>(i), block.subspan(i * size, size),
                          k[i]);
                }
            });
    }
    // A new entry: the record there, with its references and class slots set; key: the key of
    // its record, known from its look-up.
    template <class E>
    std::int32_t append(E& entry, std::uint64_t key) {
        here_.index.knownKey(E::kind, here_.files.count(E::kind) + 1, key);
        struct Forget {
            MatchIndex& index;
            ~Forget() { index.forgetKnownKey(); }
        } forget{here_.index};
        const std::int32_t id = here_.files.append(entry);
        ++result_.fresh[kindIndex(E::kind)];
        return id;
    }
    // What an entry stored already gains from the identical entry there: its explanation and
    // its classes. Written only when it changes.
    template <class E>
    void gain(std::int32_t id, ConstBytes theirs);
    // Adds the classes of `theirs` (class slots there) that `slots` (class slots here) do not
    // carry yet, as far as there is room for nine; keepSlots: each in the slot it had there
    // when that is free (a new entry), otherwise in the first free slot.
    void addClasses(Bytes slots, ConstBytes theirs, bool keepSlots, Kind kind, std::int32_t id);
    // Appends a new program or combination entry with the classes of `theirs` (the record
    // there). Returns its ID.
    template <class E>
    std::int32_t appendWithClasses(E& entry, ConstBytes theirs, std::uint64_t key);

    DatabaseSide here_;
    const db::StoredDatabase& source_;
    db::ClassImport& classes_;
    DatabaseMergeResult& result_;
};

void Merger::addClasses(Bytes slots, ConstBytes theirs, bool keepSlots, Kind kind,
                        std::int32_t id) {
    // At most ten classes an entry, and ten more there: no allocation per entry.
    std::array<std::int32_t, 2 * db::kClassSlots> carried{};
    std::size_t carriedCount = 0;
    int held = 0;
    for (int s = 0; s < db::kClassSlots; ++s)
        if (const int c = classAt(slots, s); c != 0) {
            carried[carriedCount++] = classes_.first(c);
            ++held;
        }
    std::array<std::int32_t, db::kClassSlots> leftOut{};
    std::size_t leftOutCount = 0;
    for (int s = 0; s < db::kClassSlots; ++s) {
        const int c = classAt(theirs, s);
        if (c == 0) continue;
        const std::int32_t mine = classes_.here(c);  // the first of its path, or 0: no room
        const auto known = carried.begin() + static_cast<std::ptrdiff_t>(carriedCount);
        if (mine == 0 || std::find(carried.begin(), known, mine) != known) continue;
        carried[carriedCount++] = mine;
        if (held >= kMostClasses) {
            leftOut[leftOutCount++] = mine;
            continue;
        }
        int at = s;
        if (!keepSlots || s >= kMostClasses || slots[static_cast<std::size_t>(s)] != 0)
            at = static_cast<int>(std::find(slots.begin(), slots.begin() + kMostClasses, Byte{0}) -
                                  slots.begin());
        slots[static_cast<std::size_t>(at)] = static_cast<Byte>(mine);
        ++held;
    }
    if (leftOutCount > 0)
        result_.classesLeftOut.push_back(
            {kind, id,
             std::vector<std::int32_t>(
                 leftOut.begin(), leftOut.begin() + static_cast<std::ptrdiff_t>(leftOutCount))});
}

template <class E>
std::int32_t Merger::appendWithClasses(E& entry, ConstBytes theirs, std::uint64_t key) {
    const Bytes slots = Bytes(entry.bytes).subspan(classIdsAt<E>(), db::kClassSlots);
    std::ranges::fill(slots, Byte{0});
    // The ID is known once the entry is appended; the entries that lose classes are few.
    const std::size_t leftBefore = result_.classesLeftOut.size();
    addClasses(slots, theirs.subspan(classIdsAt<E>(), db::kClassSlots), true, E::kind, 0);
    const std::int32_t id = append(entry, key);
    if (result_.classesLeftOut.size() > leftBefore) result_.classesLeftOut.back().id = id;
    return id;
}

template <class E>
void Merger::gain(std::int32_t id, ConstBytes theirs) {
    E entry = here_.files.read<E>(id);
    const E before = entry;
    const std::string_view own = textOf(entry.explanationField());
    const std::string_view other = textOf(theirs.subspan(explanationAt<E>(), db::kExplanationSize));
    if (own != other) {
        const GainedExplanation gained = gainExplanation(own, other);
        switch (gained.gain) {
            case Gain::None:
                break;
            case Gain::Whole:
                ++result_.explanationsGained;
                entry.setExplanation(gained.text);
                break;
            case Gain::Cut:
                ++result_.explanationsCut;
                entry.setExplanation(gained.text);
                break;
            case Gain::LeftOff:
                ++result_.explanationsLeftOff;
                break;
        }
    }
    if constexpr (E::kind != Kind::DrumKit)
        addClasses(Bytes(entry.bytes).subspan(classIdsAt<E>(), db::kClassSlots),
                   theirs.subspan(classIdsAt<E>(), db::kClassSlots), false, E::kind, id);
    if (entry != before) here_.files.write(id, entry);
}

void Merger::drumKits() {
    std::vector<std::int32_t>& ids = result_.ids.drumKits;
    ids.assign(static_cast<std::size_t>(source_.count(Kind::DrumKit)) + 1, 0);
    const auto key = [](ConstBytes record) {
        return drumKitKey(pcg::ConstDrumKitBytes(record.data(), pcg::kDrumKitSize));
    };
    scan(Kind::DrumKit, key, [&](std::int32_t n, ConstBytes record, std::uint64_t k) {
        const pcg::ConstDrumKitBytes kit(record.data(), pcg::kDrumKitSize);
        std::int32_t id = here_.index.findDrumKit(kit, k);
        if (id > 0) {
            gain<db::DbDrumKitEntry>(id, record);
        } else {
            db::DbDrumKitEntry entry;
            std::ranges::copy(record, entry.bytes.begin());
            id = append(entry, k);
        }
        ids[static_cast<std::size_t>(n)] = id;
    });
}

void Merger::programs() {
    std::vector<std::int32_t>& ids = result_.ids.programs;
    ids.assign(static_cast<std::size_t>(source_.count(Kind::Program)) + 1, 0);
    const auto key = [](ConstBytes record) {
        return programKey(pcg::ConstProgramBytes(record.data(), pcg::kProgramSize));
    };
    scan(Kind::Program, key, [&](std::int32_t n, ConstBytes record, std::uint64_t k) {
        const pcg::ConstProgramBytes program(record.data(), pcg::kProgramSize);
        // A drum program plays the kit its kit went to; a kit slot of 4 or more keeps its value.
        const std::int32_t kitThere = le32(record, db::ProgramLayout::kDrumKitId);
        const std::int32_t kitHere =
            kitThere > 0 ? result_.ids.drumKits[static_cast<std::size_t>(kitThere)] : kitThere;
        std::int32_t id = here_.index.findProgramOnKit(program, std::max(kitHere, 0), k);
        if (id > 0) {
            gain<db::DbProgramEntry>(id, record);
        } else {
            db::DbProgramEntry entry;
            std::ranges::copy(record, entry.bytes.begin());
            entry.setDrumKitId(kitHere);
            id = appendWithClasses(entry, record, k);
        }
        ids[static_cast<std::size_t>(n)] = id;
    });
}

void Merger::combinations() {
    std::vector<std::int32_t>& ids = result_.ids.combinations;
    ids.assign(static_cast<std::size_t>(source_.count(Kind::Combination)) + 1, 0);
    const auto key = [](ConstBytes record) {
        return combinationKey(pcg::ConstCombinationBytes(record.data(), pcg::kCombinationSize));
    };
    scan(Kind::Combination, key, [&](std::int32_t n, ConstBytes record, std::uint64_t k) {
        const pcg::ConstCombinationBytes combination(record.data(), pcg::kCombinationSize);
        // What each timbre plays here: the program its program went to; 0 and -1 stay.
        TimbreProgramIds plays{};
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const std::int32_t there = le32(
                record, db::CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t));
            plays[static_cast<std::size_t>(t)] =
                there > 0 ? result_.ids.programs[static_cast<std::size_t>(there)] : there;
        }
        std::int32_t id = here_.index.findCombination(combination, &plays, k);
        if (id > 0) {
            gain<db::DbCombinationEntry>(id, record);
        } else {
            db::DbCombinationEntry entry;
            std::ranges::copy(record, entry.bytes.begin());
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
                entry.setTimbreProgramId(t, plays[static_cast<std::size_t>(t)]);
            id = appendWithClasses(entry, record, k);
        }
        ids[static_cast<std::size_t>(n)] = id;
    });
}

}  // namespace

GainedExplanation gainExplanation(std::string_view own, std::string_view other) {
    GainedExplanation gained{std::string(own), Gain::None};
    if (other.empty() || own.find(other) != std::string_view::npos || gainedCut(own, other))
        return gained;
    const std::string before =
        own.empty() ? std::string() : std::string(own) + std::string(kAlsoLine);
    const std::ptrdiff_t room = kExplanationLength - static_cast<std::ptrdiff_t>(before.size());
    if (static_cast<std::ptrdiff_t>(other.size()) <= room) {
        gained.text = before + std::string(other);
        gained.gain = Gain::Whole;
        return gained;
    }
    std::ptrdiff_t keep = room - static_cast<std::ptrdiff_t>(kCutMark.size());
    if (keep < kLeastGained) {
        gained.gain = Gain::LeftOff;
        return gained;
    }
    // A line break is kept whole or not at all.
    const auto k = static_cast<std::size_t>(keep);
    if (other[k - 1] == '\r' && other[k] == '\n') --keep;
    gained.text = before + std::string(other.substr(0, static_cast<std::size_t>(keep))) +
                  std::string(kCutMark);
    gained.gain = Gain::Cut;
    return gained;
}

DatabaseMergeResult mergeDatabaseEntries(DatabaseSide here, const db::StoredDatabase& source,
                                         db::ClassImport& classes) {
    DatabaseMergeResult result;
    // Gathered, and written before it returns, so what it reports is in the files; a failing
    // disk stops it with the counters right.
    const db::RecordFiles::Batch batch(here.files);
    here.index.prepare();
    for (Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit})
        here.index.expect(kind, source.count(kind));
    Merger merger(here, source, classes, result);
    // What is referred to before what refers to it, as a send stores a kit before the program
    // that plays it and the programs before the combinations.
    merger.drumKits();
    merger.programs();
    merger.combinations();
    here.files.flush();
    return result;
}

}  // namespace pelvaro::transfer
