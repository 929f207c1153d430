#include "transfer/similarity.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <queue>

#include "db/record_scan.h"
#include "io/refusal.h"
#include "io/side_by_side.h"
#include "transfer/matching.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

namespace prg = pcg::program;
namespace cmb = pcg::combination;

constexpr std::size_t kFirst = pcg::kNameSize;  // every compared range starts after the name
constexpr std::uint32_t kStored = 0x80000000u;  // marks a value that names a stored kit or program

// Programs: bytes 10-161 at 0-151, the kit value at 152.
constexpr std::size_t kProgramBytes = pcg::kProgramCompared.end - kFirst;
constexpr std::size_t kKitValueAt = 152;
constexpr std::size_t kKitSlotAt = prg::kDrumKitSlot - kFirst;
// Combinations: bytes 10-131 at 0-121, zeros up to 127, the timbres' program values from 128.
constexpr std::size_t kCombinationBytes = pcg::kCombinationCompared.end - kFirst;
constexpr std::size_t kTimbreValuesAt = 128;

static_assert(kProgramBytes == kKitValueAt && kKitValueAt + 4 <= SoundValues::kSize);
static_assert(kCombinationBytes <= kTimbreValuesAt &&
              kTimbreValuesAt + 4 * cmb::kTimbreCount == SoundValues::kSize);

constexpr std::size_t timbreByteAt(int t) {
    return cmb::timbreOffset(t) + cmb::kTimbreProgram - kFirst;
}
constexpr std::size_t timbreValueAt(int t) {
    return kTimbreValuesAt + 4 * static_cast<std::size_t>(t);
}

std::uint64_t word(const SoundValues& v, std::size_t w) {
    std::uint64_t x;
    std::memcpy(&x, v.bytes.data() + 8 * w, 8);
    return x;
}
std::uint32_t value32(const SoundValues& v, std::size_t at) {
    std::uint32_t x;
    std::memcpy(&x, v.bytes.data() + at, 4);
    return x;
}
void setValue32(SoundValues& v, std::size_t at, std::uint32_t x) {
    std::memcpy(v.bytes.data() + at, &x, 4);
}

constexpr std::uint64_t kLowBits = 0x0101010101010101ull;

// A 1 in the low bit of each byte of x that is not zero, 0 elsewhere.
std::uint64_t nonZeroFlags(std::uint64_t x) {
    x |= x >> 4;
    x |= x >> 2;
    x |= x >> 1;
    return x & kLowBits;
}
// The sum of the eight bytes of flags (up to 255 in all).
int sumOfBytes(std::uint64_t flags) {
    return static_cast<int>((flags * kLowBits) >> 56);
}
// Words are counted in runs of this many (each byte of the flags' sum stays below 256), and the
// count stops once it is above the most asked for.
constexpr std::size_t kRun = 5;

struct Shape {
    std::size_t bytes;     // compared bytes from byte 10 on
    std::size_t words;     // the words that hold them
    std::size_t valuesAt;  // where the values compared by content begin
    int values;            // how many there are
};
Shape shapeOf(Kind kind) {
    return kind == Kind::Program
               ? Shape{kProgramBytes, kProgramBytes / 8, kKitValueAt, 1}
               : Shape{kCombinationBytes, kTimbreValuesAt / 8, kTimbreValuesAt, cmb::kTimbreCount};
}

// Word w of the compared bytes with every byte that is not compared as it stands set to 0: a
// program's kit slot byte, the timbres' program bytes, the bytes after the compared range.
std::uint64_t comparedMask(Kind kind, std::size_t w) {
    using Masks = std::array<std::uint64_t, SoundValues::kSize / 8>;
    const auto masks = [](std::size_t bytes, auto leftOut) {
        Masks m{};
        for (std::size_t i = 0; i < bytes; ++i)
            if (!leftOut(i)) m[i / 8] |= std::uint64_t{0xFF} << (8 * (i % 8));
        return m;
    };
    static const Masks programs =
        masks(kProgramBytes, [](std::size_t i) { return i == kKitSlotAt; });
    static const Masks combinations = masks(kCombinationBytes, [](std::size_t i) {
        for (int t = 0; t < cmb::kTimbreCount; ++t)
            if (i == timbreByteAt(t)) return true;
        return false;
    });
    return (kind == Kind::Program ? programs : combinations)[w];
}

// Element n: the lowest number m whose record is the same as record n's (n itself when none is
// lower). Records of equal key are compared with `same`; records of other keys never are.
std::vector<std::int32_t> lowestOfEqual(
    std::vector<std::pair<std::uint64_t, std::int32_t>> keyed, std::int32_t count,
    const std::function<bool(std::int32_t, std::int32_t)>& same) {
    std::vector<std::int32_t> lowest(static_cast<std::size_t>(count) + 1);
    for (std::int32_t n = 0; n <= count; ++n)
        lowest[static_cast<std::size_t>(n)] = n;
    std::sort(keyed.begin(), keyed.end());
    for (std::size_t b = 0; b < keyed.size();) {
        std::size_t e = b + 1;
        while (e < keyed.size() && keyed[e].first == keyed[b].first)
            ++e;
        std::vector<std::int32_t> heads;  // the lowest record of each content met in the run
        for (std::size_t i = b; i < e && e - b > 1; ++i) {
            const std::int32_t n = keyed[i].second;
            const auto head =
                std::ranges::find_if(heads, [&](std::int32_t h) { return same(h, n); });
            if (head == heads.end())
                heads.push_back(n);
            else
                lowest[static_cast<std::size_t>(n)] = *head;
        }
        b = e;
    }
    return lowest;
}

std::vector<std::int32_t> kitClasses(const db::RecordFiles& files) {
    std::vector<std::pair<std::uint64_t, std::int32_t>> keyed;
    keyed.reserve(static_cast<std::size_t>(files.count(Kind::DrumKit)));
    db::scanEntries(files, Kind::DrumKit, [&](std::int32_t n, ConstBytes r) {
        keyed.emplace_back(drumKitKey(pcg::ConstDrumKitBytes(r.data(), pcg::kDrumKitSize)), n);
    });
    return lowestOfEqual(std::move(keyed), files.count(Kind::DrumKit),
                         [&](std::int32_t a, std::int32_t b) {
                             const auto kit = files.read<db::DbDrumKitEntry>(b);
                             return sameDrumKit(files.read<db::DbDrumKitEntry>(a), kit.drumKit());
                         });
}

std::uint64_t hashValues(const SoundValues& v) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::size_t w = 0; w < SoundValues::kSize / 8; ++w) {
        h ^= word(v, w) * 0xBF58476D1CE4E5B9ull;
        h = (h << 27 | h >> 37) * 0x94D049BB133111EBull;
    }
    return h ^ (h >> 31);
}

// Splits entries 1..count in two halves and runs visit(first, last) on each, on two cores when
// there is enough to read.
void inTwoHalves(std::int32_t count,
                 const std::function<void(std::int32_t, std::int32_t, int)>& visit) {
    if (count < 16384) {
        visit(1, count, 0);
        return;
    }
    const std::int32_t middle = count / 2;
    io::sideBySide([&] { visit(1, middle, 0); }, [&] { visit(middle + 1, count, 1); });
}

}  // namespace

const std::vector<ValuePlace>& valuePlaces(Kind kind) {
    static const std::vector<ValuePlace> programs = [] {
        std::vector<ValuePlace> p;
        for (std::size_t i = 0; i < kProgramBytes; ++i)
            if (i != kKitSlotAt) p.push_back({static_cast<std::uint8_t>(i), 1});
        p.push_back({static_cast<std::uint8_t>(kKitValueAt), 4});
        return p;
    }();
    static const std::vector<ValuePlace> combinations = [] {
        std::vector<ValuePlace> p;
        for (std::size_t i = 0; i < kCombinationBytes; ++i)
            if ((i + kFirst < cmb::kTimbres) ||
                (i + kFirst - cmb::kTimbres) % cmb::kTimbreSize != 0)
                p.push_back({static_cast<std::uint8_t>(i), 1});
        for (int t = 0; t < cmb::kTimbreCount; ++t)
            p.push_back({static_cast<std::uint8_t>(timbreValueAt(t)), 4});
        return p;
    }();
    return kind == Kind::Program ? programs : combinations;
}

SoundCoder SoundCoder::forPrograms(const db::RecordFiles& files) {
    return SoundCoder(Kind::Program, kitClasses(files));
}

SoundCoder SoundCoder::forCombinations(const db::RecordFiles& files) {
    const SoundCoder programs = forPrograms(files);
    const std::int32_t count = files.count(Kind::Program);
    std::vector<std::pair<std::uint64_t, std::int32_t>> keyed(static_cast<std::size_t>(count));
    inTwoHalves(count, [&](std::int32_t first, std::int32_t last, int) {
        db::scanRecords(
            files.stream(Kind::Program), db::ProgramLayout::kSize, first, last,
            [&](std::int32_t n, ConstBytes r) {
                keyed[static_cast<std::size_t>(n - 1)] = {hashValues(programs.encode(r)), n};
            });
    });
    SoundCoder coder(Kind::Combination, programs.kitClass_);
    coder.programClass_ =
        lowestOfEqual(std::move(keyed), count, [&](std::int32_t a, std::int32_t b) {
            return programs.read(files, a) == programs.read(files, b);
        });
    return coder;
}

SoundCoder SoundCoder::forCombinationsNear(const db::RecordFiles& files,
                                           const std::vector<std::int32_t>& wanted) {
    const SoundCoder programs = forPrograms(files);
    const std::int32_t count = files.count(Kind::Program);
    std::vector<SoundValues> targets;
    for (const std::int32_t p : wanted)
        if (p >= 1 && p <= count) targets.push_back(programs.read(files, p));
    SoundCoder coder(Kind::Combination, programs.kitClass_);
    coder.programClass_.resize(static_cast<std::size_t>(count) + 1);
    // match[n]: which target program n is the same sound as, or -1.
    std::vector<int> match(static_cast<std::size_t>(count) + 1, -1);
    inTwoHalves(count, [&](std::int32_t first, std::int32_t last, int) {
        db::scanRecords(files.stream(Kind::Program), db::ProgramLayout::kSize, first, last,
                        [&](std::int32_t n, ConstBytes r) {
                            coder.programClass_[static_cast<std::size_t>(n)] = n;
                            if (targets.empty()) return;
                            const SoundValues v = programs.encode(r);
                            for (std::size_t t = 0; t < targets.size(); ++t)
                                if (v == targets[t]) {
                                    match[static_cast<std::size_t>(n)] = static_cast<int>(t);
                                    break;
                                }
                        });
    });
    std::vector<std::int32_t> lowest(targets.size(), 0);
    for (std::int32_t n = count; n >= 1; --n)
        if (const int t = match[static_cast<std::size_t>(n)]; t >= 0)
            lowest[static_cast<std::size_t>(t)] = n;
    for (std::int32_t n = 1; n <= count; ++n)
        if (const int t = match[static_cast<std::size_t>(n)]; t >= 0)
            coder.programClass_[static_cast<std::size_t>(n)] = lowest[static_cast<std::size_t>(t)];
    return coder;
}

std::int32_t SoundCoder::kitClass(std::int32_t kit) const {
    return kit < static_cast<std::int32_t>(kitClass_.size())
               ? kitClass_[static_cast<std::size_t>(kit)]
               : kit;
}

std::int32_t SoundCoder::programClass(std::int32_t program) const {
    return program < static_cast<std::int32_t>(programClass_.size())
               ? programClass_[static_cast<std::size_t>(program)]
               : program;
}

std::uint32_t SoundCoder::contentValue(ConstBytes entry, int t) const {
    if (kind_ == Kind::Program) {
        const std::int32_t kit = le32(entry, db::ProgramLayout::kDrumKitId);
        const bool onKit =
            kitCheckApplies(kit, pcg::ConstProgramBytes(entry.data(), pcg::kProgramSize));
        return onKit ? kStored | static_cast<std::uint32_t>(kitClass(kit))
                     : entry[prg::kDrumKitSlot];
    }
    const std::int32_t program =
        le32(entry, db::CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t));
    return program > 0 ? kStored | static_cast<std::uint32_t>(programClass(program))
                       : entry[cmb::timbreOffset(t) + cmb::kTimbreProgram];
}

void SoundCoder::encode(ConstBytes entry, SoundValues& out) const {
    out.bytes.fill(0);
    const Shape s = shapeOf(kind_);
    std::copy_n(entry.begin() + kFirst, s.bytes, out.bytes.begin());
    for (std::size_t w = 0; w < s.words; ++w) {
        const std::uint64_t x = word(out, w) & comparedMask(kind_, w);
        std::memcpy(out.bytes.data() + 8 * w, &x, 8);
    }
    for (int t = 0; t < s.values; ++t)
        setValue32(out, s.valuesAt + 4 * static_cast<std::size_t>(t), contentValue(entry, t));
}

int SoundCoder::distanceUpTo(const SoundValues& target, ConstBytes entry, int most) const {
    const Shape s = shapeOf(kind_);
    int d = 0;
    for (int t = 0; t < s.values; ++t)
        d +=
            value32(target, s.valuesAt + 4 * static_cast<std::size_t>(t)) != contentValue(entry, t);
    // The record's bytes from byte 10 on, a word at a time, with those left out masked: the
    // words may run past the compared bytes, never past the entry.
    for (std::size_t w = 0; w < s.words && d <= most; w += kRun) {
        std::uint64_t flags = 0;
        for (std::size_t i = w; i < std::min(s.words, w + kRun); ++i) {
            std::uint64_t x;
            std::memcpy(&x, entry.data() + kFirst + 8 * i, 8);
            flags += nonZeroFlags((x ^ word(target, i)) & comparedMask(kind_, i));
        }
        d += sumOfBytes(flags);
    }
    return std::min(d, most + 1);
}

SoundValues SoundCoder::read(const db::RecordFiles& files, std::int32_t id) const {
    std::array<Byte, db::ProgramLayout::kSize> entry{};
    files.readEntry(kind_, id, entry);
    return encode(entry);
}

int distanceUpTo(Kind kind, const SoundValues& a, const SoundValues& b, int most) {
    const Shape s = shapeOf(kind);
    int d = 0;
    for (int t = 0; t < s.values; ++t)
        d += value32(a, s.valuesAt + 4 * static_cast<std::size_t>(t)) !=
             value32(b, s.valuesAt + 4 * static_cast<std::size_t>(t));
    for (std::size_t w = 0; w < s.words && d <= most; w += kRun) {
        std::uint64_t flags = 0;
        for (std::size_t i = w; i < std::min(s.words, w + kRun); ++i)
            flags += nonZeroFlags(word(a, i) ^ word(b, i));
        d += sumOfBytes(flags);
    }
    return std::min(d, most + 1);
}

int distance(Kind kind, const SoundValues& a, const SoundValues& b) {
    return distanceUpTo(kind, a, b, SoundValues::kSize);
}

std::vector<std::string> differingParameters(Kind kind, const SoundValues& a,
                                             const SoundValues& b) {
    std::vector<std::pair<std::size_t, std::string>> found;  // record offset, name
    const bool anyDrums =
        kind == Kind::Program && (static_cast<signed char>(a.bytes[0]) == prg::kDrumMode ||
                                  static_cast<signed char>(b.bytes[0]) == prg::kDrumMode);
    for (const ValuePlace& p : valuePlaces(kind)) {
        if (p.width == 4) {
            if (value32(a, p.at) == value32(b, p.at)) continue;
            if (kind == Kind::Program) {
                const bool kits = ((value32(a, p.at) | value32(b, p.at)) & kStored) != 0;
                found.emplace_back(prg::kDrumKitSlot, kits       ? "drum kit"
                                                      : anyDrums ? "drumKitSlot"
                                                                 : "osc1Sound");
            } else {
                const int t = static_cast<int>((p.at - kTimbreValuesAt) / 4);
                found.emplace_back(cmb::timbreOffset(t),
                                   "timbre " + std::to_string(t + 1) + " program");
            }
            continue;
        }
        if (a.bytes[p.at] == b.bytes[p.at]) continue;
        const std::size_t offset = p.at + kFirst;
        std::string name = "byte " + std::to_string(offset);
        if (kind == Kind::Program) {
            if (offset == prg::kOscMode)
                name = "oscMode";
            else if (offset == prg::kOsc1Sound + 1 && !anyDrums)
                name = "osc1Sound";
            else if (offset == prg::kOsc2Sound || offset == prg::kOsc2Sound + 1)
                name = "osc2Sound";
        } else if (offset >= cmb::kTimbres) {
            const std::size_t t = (offset - cmb::kTimbres) / cmb::kTimbreSize;
            const std::size_t at = (offset - cmb::kTimbres) % cmb::kTimbreSize;
            if (at == cmb::kTimbreBank) name = "timbre " + std::to_string(t + 1) + " bank";
            if (at == cmb::kTimbreFlags) name = "timbre " + std::to_string(t + 1) + " flags";
        }
        found.emplace_back(offset, std::move(name));
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> names;
    for (auto& [offset, name] : found)
        if (std::ranges::find(names, name) == names.end()) names.push_back(std::move(name));
    return names;
}

std::string parameterText(const std::vector<std::string>& parameters) {
    std::string text;
    for (const std::string& p : parameters)
        text += (text.empty() ? "" : ", ") + p;
    return text;
}

std::string kindWord(Kind kind, std::int64_t count) {
    return std::string(kind == Kind::Program ? "program" : "combination") + (count == 1 ? "" : "s");
}

std::string capitalKindWord(Kind kind, std::int64_t count) {
    std::string word = kindWord(kind, count);
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    return word;
}

std::string entryNameOf(const db::RecordFiles& files, Kind kind, std::int32_t id) {
    std::array<Byte, db::ProgramLayout::kSize> entry{};
    files.readEntry(kind, id, entry);
    return fieldText(ConstBytes(entry).first(pcg::kNameSize));
}

void requireEntry(const db::RecordFiles& files, Kind kind, std::int32_t id,
                  const std::string& caption) {
    if ((kind == Kind::Program || kind == Kind::Combination) && id >= 1 && id <= files.count(kind))
        return;
    throw io::RefusalError(io::Refusal{
        caption, "There is no " + kindWord(kind) + " with ID " + std::to_string(id) + "."});
}

std::vector<Neighbour> findSimilar(const db::RecordFiles& files, Kind kind, std::int32_t id,
                                   std::size_t count) {
    requireEntry(files, kind, id, "Find Similar");
    SoundCoder coder = SoundCoder::forPrograms(files);
    if (kind == Kind::Combination) {
        const auto entry = files.read<db::DbCombinationEntry>(id);
        std::vector<std::int32_t> programs;
        for (int t = 0; t < cmb::kTimbreCount; ++t)
            programs.push_back(entry.timbreProgramId(t));
        coder = SoundCoder::forCombinationsNear(files, programs);
    }
    const SoundValues target = coder.read(files, id);
    using Found = std::pair<int, std::int32_t>;  // distance, ID: the lesser is nearer
    std::array<std::vector<Found>, 2> halves;
    if (count > 0)
        inTwoHalves(files.count(kind), [&](std::int32_t first, std::int32_t last, int half) {
            std::priority_queue<Found> nearest;  // the farthest kept on top
            db::scanRecords(files.stream(kind), db::layoutOf(kind).recordSize, first, last,
                            [&](std::int32_t n, ConstBytes r) {
                                if (n == id) return;
                                const bool full = nearest.size() == count;
                                const int most = full ? nearest.top().first : SoundValues::kSize;
                                const Found f{coder.distanceUpTo(target, r, most), n};
                                if (!full) {
                                    nearest.push(f);
                                } else if (f < nearest.top()) {
                                    nearest.pop();
                                    nearest.push(f);
                                }
                            });
            auto& kept = halves[static_cast<std::size_t>(half)];
            for (; !nearest.empty(); nearest.pop())
                kept.push_back(nearest.top());
        });
    std::vector<Found> all = halves[0];
    all.insert(all.end(), halves[1].begin(), halves[1].end());
    std::sort(all.begin(), all.end());
    if (all.size() > count) all.resize(count);
    std::vector<Neighbour> result;
    for (const auto& [bytes, n] : all) {
        const SoundValues v = coder.read(files, n);
        result.push_back(
            {n, entryNameOf(files, kind, n), bytes, differingParameters(kind, target, v)});
    }
    return result;
}

}  // namespace pelvaro::transfer
