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

// The distances of the stored programs a combination plays to every other program: filled in
// one pass over the programs when the combinations will ask for many of them, else left empty
// and each distance measured when asked for.
struct PlayedPrograms {
    std::array<int, cmb::kTimbreCount> index{};  // by timbre: the table, -1: no stored program
    std::vector<std::int32_t> ids;               // each program once
    std::vector<std::vector<std::uint16_t>> tables;

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
        std::vector<Entry> played;
        for (const std::int32_t p : ids)
            played.push_back(readEntry(files, Kind::Program, p));
        tables.assign(ids.size(),
                      std::vector<std::uint16_t>(static_cast<std::size_t>(programs) + 1));
        parts::inTwoHalves(programs, [&](std::int32_t first, std::int32_t last, int) {
            ContentMeter meter(files);
            db::scanRecords(files.stream(Kind::Program), db::ProgramLayout::kSize, first, last,
                            [&](std::int32_t n, ConstBytes r) {
                                for (std::size_t i = 0; i < played.size(); ++i)
                                    tables[i][static_cast<std::size_t>(n)] =
                                        static_cast<std::uint16_t>(
                                            entryDistance(Kind::Program, played[i], r, meter));
                            });
        });
    }
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
    db::scanRecords(
        files.stream(Kind::Combination), db::CombinationLayout::kSize, first, last,
        [&](std::int32_t n, ConstBytes r) {
            if (n == id) return;
            const int most = nearest.most();
            int d = parts::plainBytes(Kind::Combination, target, r);
            int pending = 0;
            for (int t = 0; t < cmb::kTimbreCount; ++t) {
                const std::int32_t p = plays[static_cast<std::size_t>(t)];
                const std::int32_t q = parts::timbreProgramId(r, t);
                if (p > 0 && q > 0)
                    pending |= p != q ? 1 << t : 0;
                else if (p > 0 || q > 0)
                    ++d;
                else
                    d += bytes[static_cast<std::size_t>(t)] != parts::timbreByte(r, t);
            }
            for (int t = 0; t < cmb::kTimbreCount && pending != 0 && d <= most; ++t) {
                if ((pending & (1 << t)) == 0) continue;
                const int i = played.index[static_cast<std::size_t>(t)];
                const std::int32_t q = parts::timbreProgramId(r, t);
                if (i < 0 || q > programs)
                    d += 1;
                else if (!played.tables.empty())
                    d += played.tables[static_cast<std::size_t>(i)][static_cast<std::size_t>(q)];
                else
                    d += meter.programs(plays[static_cast<std::size_t>(t)], q);
            }
            if (d <= most) nearest.offer(d, n);
        });
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
