// Find Similar: the entries nearest to one, read in large blocks on two cores. Each entry's
// compared bytes are counted first; what it plays (a kit, the timbres' programs) only while
// the count still leaves it a place among the nearest.
#include <algorithm>
#include <queue>

#include "db/record_scan.h"
#include "transfer/distance_parts.h"
#include "transfer/similarity.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

namespace cmb = pcg::combination;

using Found = std::pair<int, std::int32_t>;  // distance, ID: the lesser is nearer

// The nearest `count` entries of one half, the farthest of them on top.
class Nearest {
  public:
    explicit Nearest(std::size_t count) : count_(count) {}
    // The most an entry may differ in to take a place: the half is read in ascending IDs, so
    // one as far as the farthest kept comes after it and does not.
    int most() const { return queue_.size() < count_ ? kFarthest : queue_.top().first - 1; }
    void offer(int distance, std::int32_t id) {
        if (queue_.size() == count_) queue_.pop();
        queue_.push({distance, id});
    }
    std::vector<Found> found() {
        std::vector<Found> all;
        for (; !queue_.empty(); queue_.pop())
            all.push_back(queue_.top());
        return all;
    }

  private:
    std::size_t count_;
    std::priority_queue<Found> queue_;
};

using Entry = std::array<Byte, db::ProgramLayout::kSize>;

Entry readEntry(const db::RecordFiles& files, Kind kind, std::int32_t id) {
    Entry e{};
    files.readEntry(kind, id, e);
    return e;
}

std::vector<Found> nearestPrograms(const db::RecordFiles& files, const Entry& target,
                                   std::int32_t id, std::size_t count, std::int32_t first,
                                   std::int32_t last) {
    ContentMeter meter(files);
    Nearest nearest(count);
    const parts::KitRef kit = parts::kitOf(target);
    db::scanRecords(files.stream(Kind::Program), db::ProgramLayout::kSize, first, last,
                    [&](std::int32_t n, ConstBytes r) {
                        if (n == id) return;
                        const int most = nearest.most();
                        int d = parts::plainBytes(Kind::Program, target, r);
                        if (d > most) return;
                        d += parts::kitPart(kit, parts::kitOf(r), meter);
                        if (d <= most) nearest.offer(d, n);
                    });
    return nearest.found();
}

// The distances from a few programs to others, straight from the others' records. The kits of
// those that play one are measured against every stored kit first, in one pass over the kits.
class ProgramTargets {
  public:
    static constexpr std::size_t kVectors = 10;  // the compared bytes 10-161

    ProgramTargets(const db::RecordFiles& files, const std::vector<std::int32_t>& ids)
        : kits_(files.count(Kind::DrumKit)) {
        const parts::ByteMask mask = parts::byteMask(Kind::Program);
        std::vector<std::pair<std::size_t, std::array<Byte, db::DrumKitLayout::kSize>>> kits;
        for (const std::int32_t p : ids) {
            const Entry entry = readEntry(files, Kind::Program, p);
            Target& t = targets_.emplace_back();
            for (std::size_t v = 0; v < kVectors; ++v)
                t.bytes[v] = parts::load(entry.data() + parts::kFirst + 16 * v) &
                             parts::load(mask.bytes + 16 * v);
            t.kit = parts::kitOf(entry);
            if (!t.kit.stored || t.kit.id > kits_) continue;
            t.kits.resize(static_cast<std::size_t>(kits_) + 1);
            files.readEntry(
                Kind::DrumKit, t.kit.id,
                kits.emplace_back(targets_.size() - 1, std::array<Byte, db::DrumKitLayout::kSize>{})
                    .second);
        }
        const parts::ByteMask kitMask = parts::kitMask();
        if (!kits.empty())
            db::scanEntries(files, Kind::DrumKit, [&](std::int32_t n, ConstBytes r) {
                for (const auto& [i, kit] : kits)
                    targets_[i].kits[static_cast<std::size_t>(n)] =
                        static_cast<std::uint16_t>(parts::differingBytes(
                            kit.data(), r.data(), kitMask.bytes, kitMask.vectors));
            });
    }
    std::size_t size() const { return targets_.size(); }

    // The distance of each target to a program record, into out[0..size()). Safe on two threads
    // at once.
    void distances(ConstBytes program, std::uint16_t* out) const {
        const parts::ByteMask mask = parts::byteMask(Kind::Program);
        std::array<parts::Vector, kVectors> bytes;
        for (std::size_t v = 0; v < kVectors; ++v)
            bytes[v] = parts::load(program.data() + parts::kFirst + 16 * v) &
                       parts::load(mask.bytes + 16 * v);
        const parts::KitRef kit = parts::kitOf(program);
        for (std::size_t i = 0; i < targets_.size(); ++i) {
            const Target& t = targets_[i];
            parts::SignedVector sum{};
            for (std::size_t v = 0; v < kVectors; ++v)
                sum += reinterpret_cast<parts::SignedVector>(bytes[v] != t.bytes[v]);
            int d = parts::countOf(sum);
            if (t.kit.stored && kit.stored)
                d += kit.id == t.kit.id                 ? 0
                     : t.kits.empty() || kit.id > kits_ ? 1
                                                        : t.kits[static_cast<std::size_t>(kit.id)];
            else if (t.kit.stored || kit.stored)
                d += 1;
            else
                d += t.kit.slot != kit.slot;
            out[i] = static_cast<std::uint16_t>(d);
        }
    }

  private:
    struct Target {
        std::array<parts::Vector, kVectors> bytes;  // the compared bytes, those left out 0
        parts::KitRef kit;
        std::vector<std::uint16_t> kits;  // by kit ID: how far from this one's kit
    };
    std::vector<Target> targets_;
    std::int32_t kits_;
};

// The distances of the stored programs a combination plays to every other program: filled in
// one pass over the programs when the combinations will ask for many of them, else left empty
// and each distance measured when asked for.
struct PlayedPrograms {
    std::array<int, cmb::kTimbreCount> index{};  // by timbre: the program played, -1: none stored
    std::vector<std::int32_t> ids;               // each program once
    // By program, a row of its distances to each of ids: up to 254 in `near` (255: more, then
    // `exact` tells), which takes half the memory and so is read sooner.
    std::size_t width = 0;
    std::vector<std::uint8_t> near;
    std::vector<std::uint16_t> exact;

    PlayedPrograms(const db::RecordFiles& files, const Entry& target) {
        const std::int32_t programs = files.count(Kind::Program);
        for (int t = 0; t < cmb::kTimbreCount; ++t) {
            const std::int32_t p = parts::timbreProgramId(target, t);
            index[static_cast<std::size_t>(t)] = -1;
            if (p < 1 || p > programs) continue;
            auto at = std::ranges::find(ids, p);
            if (at == ids.end()) at = ids.insert(ids.end(), p);
            index[static_cast<std::size_t>(t)] = static_cast<int>(at - ids.begin());
        }
        // A program read one by one costs some thirty times what the pass costs a program.
        const auto asked = static_cast<std::int64_t>(files.count(Kind::Combination)) *
                           static_cast<std::int64_t>(ids.size());
        if (ids.empty() || asked * 32 < programs) return;
        width = ids.size();
        near.resize((static_cast<std::size_t>(programs) + 1) * width);
        exact.resize(near.size());
        const ProgramTargets played(files, ids);
        parts::inTwoHalves(programs, [&](std::int32_t first, std::int32_t last, int) {
            db::scanRecords(files.stream(Kind::Program), db::ProgramLayout::kSize, first, last,
                            [&](std::int32_t n, ConstBytes r) {
                                const std::size_t row = static_cast<std::size_t>(n) * width;
                                played.distances(r, &exact[row]);
                                for (std::size_t i = row; i < row + width; ++i)
                                    near[i] = static_cast<std::uint8_t>(
                                        std::min<std::uint16_t>(exact[i], kMany));
                            });
        });
    }
    static constexpr std::uint16_t kMany = 255;
    bool filled() const { return !near.empty(); }
    std::size_t place(int i, std::int32_t q) const {
        return static_cast<std::size_t>(q) * width + static_cast<std::size_t>(i);
    }
};

// A combination whose compared bytes left it a chance: what it still has to count, the programs
// its timbres play where the target's play other stored programs.
struct Pending {
    std::int32_t id;
    int bytes;  // what is counted so far
    int count;  // programs still to count
    std::array<std::int32_t, cmb::kTimbreCount> programs;
    std::array<std::int8_t, cmb::kTimbreCount> played;  // PlayedPrograms::index of each
};

std::vector<Found> nearestCombinations(const db::RecordFiles& files, const Entry& target,
                                       const PlayedPrograms& played, std::int32_t id,
                                       std::size_t count, std::int32_t first, std::int32_t last) {
    ContentMeter meter(files);
    Nearest nearest(count);
    const std::int32_t programs = files.count(Kind::Program);
    std::array<std::int32_t, cmb::kTimbreCount> plays{};
    std::array<Byte, cmb::kTimbreCount> bytes{};
    for (int t = 0; t < cmb::kTimbreCount; ++t) {
        plays[static_cast<std::size_t>(t)] = parts::timbreProgramId(target, t);
        bytes[static_cast<std::size_t>(t)] = parts::timbreByte(target, t);
    }
    // What the programs add, for a batch of combinations at a time: the places in the tables
    // they read are asked for together first, so the memory brings them in side by side.
    constexpr std::size_t kBatch = 128;
    std::vector<Pending> batch;
    batch.reserve(kBatch);
    const auto flush = [&] {
        if (played.filled())
            for (const Pending& p : batch)
                for (int k = 0; k < p.count; ++k)
                    __builtin_prefetch(
                        &played.near[played.place(p.played[static_cast<std::size_t>(k)],
                                                  p.programs[static_cast<std::size_t>(k)])]);
        for (const Pending& p : batch) {
            const int most = nearest.most();
            int d = p.bytes;
            if (played.filled()) {
                int many = 0;  // programs counted as kMany so far
                for (int k = 0; k < p.count; ++k) {
                    const std::uint8_t v =
                        played.near[played.place(p.played[static_cast<std::size_t>(k)],
                                                 p.programs[static_cast<std::size_t>(k)])];
                    d += v;
                    many |= v == PlayedPrograms::kMany ? 1 << k : 0;
                }
                for (int k = 0; k < p.count && many != 0 && d <= most; ++k)
                    if ((many & (1 << k)) != 0)
                        d += played.exact[played.place(p.played[static_cast<std::size_t>(k)],
                                                       p.programs[static_cast<std::size_t>(k)])] -
                             PlayedPrograms::kMany;
            } else {
                for (int k = 0; k < p.count && d <= most; ++k)
                    d += meter.programs(
                        played.ids[static_cast<std::size_t>(p.played[static_cast<std::size_t>(k)])],
                        p.programs[static_cast<std::size_t>(k)]);
            }
            if (d <= most) nearest.offer(d, p.id);
        }
        batch.clear();
    };
    db::scanRecords(
        files.stream(Kind::Combination), db::CombinationLayout::kSize, first, last,
        [&](std::int32_t n, ConstBytes r) {
            if (n == id) return;
            Pending p{n, parts::plainBytes(Kind::Combination, target, r), 0, {}, {}};
            for (int t = 0; t < cmb::kTimbreCount; ++t) {
                const std::int32_t a = plays[static_cast<std::size_t>(t)];
                const std::int32_t q = parts::timbreProgramId(r, t);
                const int i = played.index[static_cast<std::size_t>(t)];
                if (a > 0 && q > 0) {
                    if (a == q) continue;
                    if (i < 0 || q > programs) {
                        ++p.bytes;  // a program that is not stored: one value
                        continue;
                    }
                    p.programs[static_cast<std::size_t>(p.count)] = q;
                    p.played[static_cast<std::size_t>(p.count++)] = static_cast<std::int8_t>(i);
                } else if (a > 0 || q > 0) {
                    ++p.bytes;
                } else {
                    p.bytes += bytes[static_cast<std::size_t>(t)] != parts::timbreByte(r, t);
                }
            }
            // The farthest kept only comes nearer: one beyond it now stays beyond.
            if (p.bytes > nearest.most()) return;
            batch.push_back(p);
            if (batch.size() == kBatch) flush();
        });
    flush();
    return nearest.found();
}

}  // namespace

std::vector<Neighbour> findSimilar(const db::RecordFiles& files, Kind kind, std::int32_t id,
                                   std::size_t count) {
    requireEntry(files, kind, id, "Find Similar");
    const Entry target = readEntry(files, kind, id);
    if (count == 0) return {};
    std::array<std::vector<Found>, 2> halves;
    if (kind == Kind::Program) {
        parts::inTwoHalves(files.count(kind), [&](std::int32_t first, std::int32_t last, int h) {
            halves[static_cast<std::size_t>(h)] =
                nearestPrograms(files, target, id, count, first, last);
        });
    } else {
        const PlayedPrograms played(files, target);
        parts::inTwoHalves(files.count(kind), [&](std::int32_t first, std::int32_t last, int h) {
            halves[static_cast<std::size_t>(h)] =
                nearestCombinations(files, target, played, id, count, first, last);
        });
    }
    std::vector<Found> all = halves[0];
    all.insert(all.end(), halves[1].begin(), halves[1].end());
    std::sort(all.begin(), all.end());
    if (all.size() > count) all.resize(count);
    ContentMeter meter(files);
    std::vector<Neighbour> result;
    for (const auto& [bytes, n] : all) {
        const Entry other = readEntry(files, kind, n);
        result.push_back({n, fieldText(ConstBytes(other).first(pcg::kNameSize)), bytes,
                          differingParameters(kind, target, other, meter)});
    }
    return result;
}

}  // namespace pelvaro::transfer
