#include "transfer/similarity.h"

#include <algorithm>
#include <functional>

#include "db/listing.h"
#include "db/name_replace.h"
#include "db/record_scan.h"
#include "io/refusal.h"
#include "io/side_by_side.h"
#include "transfer/distance_parts.h"
#include "transfer/matching.h"

namespace pelvaro::transfer {

using db::Kind;
using parts::kFirst;

namespace prg = pcg::program;
namespace cmb = pcg::combination;

namespace parts {

void inTwoHalves(std::int32_t count,
                 const std::function<void(std::int32_t, std::int32_t, int)>& visit) {
    if (count < 16384) {
        visit(1, count, 0);
        return;
    }
    const std::int32_t middle = count / 2;
    io::sideBySide([&] { visit(1, middle, 0); }, [&] { visit(middle + 1, count, 1); });
}

}  // namespace parts

namespace {

// Programs: bytes 10-161 at 0-151, the kit value at 152.
constexpr std::size_t kProgramBytes = pcg::kProgramCompared.end - kFirst;
constexpr std::size_t kKitValueAt = 152;
// Combinations: bytes 10-131 at 0-121, zeros up to 127, the timbres' program values from 128.
constexpr std::size_t kCombinationBytes = pcg::kCombinationCompared.end - kFirst;
constexpr std::size_t kTimbreValuesAt = 128;
constexpr std::uint32_t kStored = SoundValues::kStored;

static_assert(kProgramBytes == kKitValueAt && kKitValueAt + 4 <= SoundValues::kSize);
static_assert(kCombinationBytes <= kTimbreValuesAt &&
              kTimbreValuesAt + 4 * cmb::kTimbreCount == SoundValues::kSize);

std::uint64_t pairKey(std::int32_t a, std::int32_t b) {
    const auto [low, high] = std::minmax(a, b);
    return std::uint64_t{static_cast<std::uint32_t>(low)} << 32 | static_cast<std::uint32_t>(high);
}

std::uint32_t value32(const SoundValues& v, std::size_t at) {
    std::uint32_t x;
    std::memcpy(&x, v.bytes.data() + at, 4);
    return x;
}

std::uint64_t hashValues(const SoundValues& v) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::size_t w = 0; w < SoundValues::kSize / 8; ++w) {
        std::uint64_t x;
        std::memcpy(&x, v.bytes.data() + 8 * w, 8);
        h ^= x * 0xBF58476D1CE4E5B9ull;
        h = (h << 27 | h >> 37) * 0x94D049BB133111EBull;
    }
    return h ^ (h >> 31);
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

// A program's name as a parameter shows it: without the blanks around it, in UTF-8, or its ID
// when it has none.
std::string programLabel(const db::RecordFiles& files, std::int32_t id) {
    const std::string name = db::trimmed(db::storedName(files, Kind::Program, id));
    return name.empty() ? "program " + std::to_string(id) : latin1ToUtf8(name);
}

std::string bytesText(int n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

}  // namespace

int ContentMeter::kits(std::int32_t a, std::int32_t b) {
    if (a == b) return 0;
    const std::int32_t count = files_->count(Kind::DrumKit);
    if (a < 1 || b < 1 || a > count || b > count) return 1;
    if (const auto it = kits_.find(pairKey(a, b)); it != kits_.end()) return it->second;
    std::array<Byte, db::DrumKitLayout::kSize> x{};
    std::array<Byte, db::DrumKitLayout::kSize> y{};
    files_->readEntry(Kind::DrumKit, a, x);
    files_->readEntry(Kind::DrumKit, b, y);
    const parts::ByteMask m = parts::kitMask();
    const int d = parts::differingBytes(x.data(), y.data(), m.bytes, m.vectors);
    kits_[pairKey(a, b)] = static_cast<std::uint16_t>(d);
    return d;
}

int ContentMeter::programs(std::int32_t a, std::int32_t b) {
    if (a == b) return 0;
    const std::int32_t count = files_->count(Kind::Program);
    if (a < 1 || b < 1 || a > count || b > count) return 1;
    if (const auto it = programs_.find(pairKey(a, b)); it != programs_.end()) return it->second;
    std::array<Byte, db::ProgramLayout::kSize> x{};
    std::array<Byte, db::ProgramLayout::kSize> y{};
    files_->readEntry(Kind::Program, a, x);
    files_->readEntry(Kind::Program, b, y);
    const int d = entryDistance(Kind::Program, x, y, *this);
    programs_[pairKey(a, b)] = static_cast<std::uint16_t>(d);
    return d;
}

int entryDistance(Kind kind, ConstBytes a, ConstBytes b, ContentMeter& meter, int most) {
    int d = parts::plainBytes(kind, a, b);
    if (kind == Kind::Program) return d + parts::kitPart(parts::kitOf(a), parts::kitOf(b), meter);
    int pending = 0;  // timbres on other stored programs, counted once the cheap parts allow
    for (int t = 0; t < cmb::kTimbreCount; ++t) {
        const int part = parts::cheapTimbrePart(a, b, t);
        if (part < 0)
            pending |= 1 << t;
        else
            d += part;
    }
    for (int t = 0; t < cmb::kTimbreCount && pending != 0 && d <= most; ++t)
        if ((pending & (1 << t)) != 0)
            d += meter.programs(parts::timbreProgramId(a, t), parts::timbreProgramId(b, t));
    return d;
}

std::vector<std::string> differingParameters(Kind kind, ConstBytes a, ConstBytes b,
                                             ContentMeter& meter) {
    const parts::ByteMask mask = parts::byteMask(kind);
    std::vector<std::pair<std::size_t, std::string>> found;  // record offset, name
    const auto drums = [](ConstBytes e) {
        return static_cast<signed char>(e[prg::kOscMode]) == prg::kDrumMode;
    };
    const bool anyDrums = kind == Kind::Program && (drums(a) || drums(b));
    for (std::size_t i = 0; i < mask.vectors * 16; ++i) {
        const std::size_t offset = i + kFirst;
        if (mask.bytes[i] == 0 || a[offset] == b[offset]) continue;
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
    if (kind == Kind::Program) {
        const parts::KitRef x = parts::kitOf(a);
        const parts::KitRef y = parts::kitOf(b);
        if (const int d = parts::kitPart(x, y, meter); d > 0)
            found.emplace_back(prg::kDrumKitSlot, x.stored && y.stored ? "drum kit: " + bytesText(d)
                                                  : x.stored || y.stored ? "drum kit"
                                                  : anyDrums             ? "drumKitSlot"
                                                                         : "osc1Sound");
    } else {
        for (int t = 0; t < cmb::kTimbreCount; ++t) {
            const int part = parts::cheapTimbrePart(a, b, t);
            const std::string timbre = "timbre " + std::to_string(t + 1);
            if (part > 0) found.emplace_back(cmb::timbreOffset(t), timbre + " program");
            if (part >= 0) continue;
            const std::int32_t p = parts::timbreProgramId(a, t);
            const std::int32_t q = parts::timbreProgramId(b, t);
            const int d = meter.programs(p, q);
            const db::RecordFiles& files = meter.files();
            if (d == 0) continue;
            if (p > files.count(Kind::Program) || q > files.count(Kind::Program))
                found.emplace_back(cmb::timbreOffset(t), timbre + " program");
            else
                found.emplace_back(cmb::timbreOffset(t), timbre + ": " + programLabel(files, p) +
                                                             " -> " + programLabel(files, q) +
                                                             ", " + bytesText(d));
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> names;
    for (auto& [offset, name] : found)
        if (std::ranges::find(names, name) == names.end()) names.push_back(std::move(name));
    return names;
}

std::string parameterText(const std::vector<std::string>& parameters) {
    const std::size_t named =
        parameters.size() > kNamedParameters ? kNamedParameters - 1 : parameters.size();
    std::string text;
    for (std::size_t i = 0; i < named; ++i)
        text += (i == 0 ? "" : ", ") + parameters[i];
    if (named < parameters.size())
        text += " and " + std::to_string(parameters.size() - named) + " more";
    return text;
}

const std::vector<ValuePlace>& valuePlaces(Kind kind) {
    static const auto placesOf = [](Kind k, std::size_t valuesAt, int values) {
        std::vector<ValuePlace> p;
        const parts::ByteMask mask = parts::byteMask(k);
        for (std::size_t i = 0; i < mask.vectors * 16; ++i)
            if (mask.bytes[i] != 0) p.push_back({static_cast<std::uint8_t>(i), 1});
        for (int t = 0; t < values; ++t)
            p.push_back({static_cast<std::uint8_t>(valuesAt + 4 * static_cast<std::size_t>(t)), 4});
        return p;
    };
    static const std::vector<ValuePlace> programs = placesOf(Kind::Program, kKitValueAt, 1);
    static const std::vector<ValuePlace> combinations =
        placesOf(Kind::Combination, kTimbreValuesAt, cmb::kTimbreCount);
    return kind == Kind::Program ? programs : combinations;
}

SoundCoder SoundCoder::forPrograms(const db::RecordFiles& files) {
    return SoundCoder(files, Kind::Program, kitClasses(files));
}

SoundCoder SoundCoder::forCombinations(const db::RecordFiles& files) {
    const SoundCoder programs = forPrograms(files);
    const std::int32_t count = files.count(Kind::Program);
    std::vector<std::pair<std::uint64_t, std::int32_t>> keyed(static_cast<std::size_t>(count));
    parts::inTwoHalves(count, [&](std::int32_t first, std::int32_t last, int) {
        db::scanRecords(
            files.stream(Kind::Program), db::ProgramLayout::kSize, first, last,
            [&](std::int32_t n, ConstBytes r) {
                keyed[static_cast<std::size_t>(n - 1)] = {hashValues(programs.encode(r)), n};
            });
    });
    SoundCoder coder(files, Kind::Combination, programs.kitClass_);
    coder.programClass_ =
        lowestOfEqual(std::move(keyed), count, [&](std::int32_t a, std::int32_t b) {
            return programs.read(files, a) == programs.read(files, b);
        });
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
        const parts::KitRef kit = parts::kitOf(entry);
        return kit.stored ? kStored | static_cast<std::uint32_t>(kitClass(kit.id)) : kit.slot;
    }
    const std::int32_t program = parts::timbreProgramId(entry, t);
    return program > 0 ? kStored | static_cast<std::uint32_t>(programClass(program))
                       : parts::timbreByte(entry, t);
}

void SoundCoder::encode(ConstBytes entry, SoundValues& out) const {
    const parts::ByteMask mask = parts::byteMask(kind_);
    out.bytes.fill(0);
    for (std::size_t i = 0; i < mask.vectors * 16; ++i)
        out.bytes[i] = entry[kFirst + i] & mask.bytes[i];
    const bool programs = kind_ == Kind::Program;
    const std::size_t at = programs ? kKitValueAt : kTimbreValuesAt;
    for (int t = 0; t < (programs ? 1 : cmb::kTimbreCount); ++t) {
        const std::uint32_t v = contentValue(entry, t);
        std::memcpy(out.bytes.data() + at + 4 * static_cast<std::size_t>(t), &v, 4);
    }
}

SoundValues SoundCoder::read(const db::RecordFiles& files, std::int32_t id) const {
    std::array<Byte, db::ProgramLayout::kSize> entry{};
    files.readEntry(kind_, id, entry);
    return encode(entry);
}

int SoundCoder::distanceUpTo(const SoundValues& a, const SoundValues& b, int most) const {
    const parts::ByteMask mask = parts::byteMask(kind_);
    int d = parts::differingBytes(a.bytes.data(), b.bytes.data(), mask.bytes, mask.vectors);
    const bool programs = kind_ == Kind::Program;
    const std::size_t at = programs ? kKitValueAt : kTimbreValuesAt;
    int pending = 0;
    for (int t = 0; t < (programs ? 1 : cmb::kTimbreCount); ++t) {
        const std::uint32_t x = value32(a, at + 4 * static_cast<std::size_t>(t));
        const std::uint32_t y = value32(b, at + 4 * static_cast<std::size_t>(t));
        if (x == y) continue;
        if ((x & y & kStored) != 0)
            pending |= 1 << t;
        else
            ++d;
    }
    // Values of stored kits (or programs) of other content: as far as those are apart.
    for (int t = 0; t < cmb::kTimbreCount && pending != 0 && d <= most; ++t) {
        if ((pending & (1 << t)) == 0) continue;
        const auto x =
            static_cast<std::int32_t>(value32(a, at + 4 * static_cast<std::size_t>(t)) & ~kStored);
        const auto y =
            static_cast<std::int32_t>(value32(b, at + 4 * static_cast<std::size_t>(t)) & ~kStored);
        d += programs ? meter_.kits(x, y) : meter_.programs(x, y);
    }
    return std::min(d, most + 1);
}

int SoundCoder::valueDistance(ValuePlace place, const SoundValues& a, const SoundValues& b) const {
    if (place.width == 1) return a.bytes[place.at] != b.bytes[place.at];
    const std::uint32_t x = value32(a, place.at);
    const std::uint32_t y = value32(b, place.at);
    if (x == y) return 0;
    if ((x & y & kStored) == 0) return 1;
    const auto p = static_cast<std::int32_t>(x & ~kStored);
    const auto q = static_cast<std::int32_t>(y & ~kStored);
    return kind_ == Kind::Program ? meter_.kits(p, q) : meter_.programs(p, q);
}

void requireEntry(const db::RecordFiles& files, Kind kind, std::int32_t id,
                  const std::string& caption) {
    if ((kind == Kind::Program || kind == Kind::Combination) && id >= 1 && id <= files.count(kind))
        return;
    throw io::RefusalError(io::Refusal{
        caption, "There is no " + kindWord(kind) + " with ID " + std::to_string(id) + "."});
}

}  // namespace pelvaro::transfer
