#include "db/references.h"

#include <algorithm>

#include "db/record_scan.h"

namespace pelvaro::db {

namespace {

// The program entries a combination record plays, each once: 0 plays no entry, -1 a program
// outside the banks.
std::vector<std::int32_t> playedPrograms(ConstBytes record) {
    std::vector<std::int32_t> ids;
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        const std::int32_t id = le32(record, CombinationLayout::kTimbreProgramIds + 4 * t);
        if (id >= 1 && std::ranges::find(ids, id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

std::vector<std::int32_t> playedKit(ConstBytes record) {
    const std::int32_t kit = le32(record, ProgramLayout::kDrumKitId);
    return kit >= 1 ? std::vector<std::int32_t>{kit} : std::vector<std::int32_t>{};
}

// Referrers appended since the scan, beyond which the lists are scanned again.
constexpr std::size_t kMostAdded = 1 << 16;

}  // namespace

References::References(RecordFiles& files) : files_(files) {
    files_.addObserver(this);
}

References::~References() {
    files_.removeObserver(this);
}

std::vector<std::int32_t> References::Groups::of(std::int32_t target) const {
    std::vector<std::int32_t> referrers;
    if (target >= 0 && static_cast<std::size_t>(target) + 1 < starts.size())
        referrers.assign(items.begin() + starts[static_cast<std::size_t>(target)],
                         items.begin() + starts[static_cast<std::size_t>(target) + 1]);
    const auto scannedEnd = static_cast<std::ptrdiff_t>(referrers.size());
    for (const auto& [t, from] : added)
        if (t == target) referrers.push_back(from);
    std::sort(referrers.begin() + scannedEnd, referrers.end());
    return referrers;
}

template <class Targets>
void References::Groups::written(std::int32_t n, const Targets& targets) {
    if (!current) return;
    // Only the record right after those it knows, or one of those appended since the scan,
    // can be taken in; anything else has it scan again.
    if (n <= scanned || n > covered + 1 || added.size() >= kMostAdded) {
        current = false;
        return;
    }
    // An appended record may be written again before its count is raised.
    std::erase_if(added, [n](const auto& pair) { return pair.second == n; });
    for (const std::int32_t target : targets)
        added.emplace_back(target, n);
    covered = std::max(covered, n);
}

void References::Groups::counted(std::int32_t count) {
    // A count below the scanned entries has lost some of them; one above the records it was
    // told of brings back records it never saw (an undone deletion only raises the count).
    if (count < scanned || count > covered) {
        current = false;
        return;
    }
    std::erase_if(added, [count](const auto& pair) { return pair.second > count; });
    covered = count;
}

std::vector<std::int32_t> References::combinationsPlaying(std::int32_t program) {
    if (!players_.current) build(Kind::Combination);
    return players_.of(program);
}

std::vector<std::int32_t> References::programsOnKit(std::int32_t kit) {
    if (!kitUsers_.current) build(Kind::Program);
    return kitUsers_.of(kit);
}

void References::build(Kind referrers) {
    const bool players = referrers == Kind::Combination;
    Groups& groups = players ? players_ : kitUsers_;
    std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
    std::int32_t highest = 0;
    scanEntries(files_, referrers, [&](std::int32_t n, ConstBytes record) {
        for (const std::int32_t target : players ? playedPrograms(record) : playedKit(record)) {
            pairs.emplace_back(target, n);
            highest = std::max(highest, target);
        }
    });
    // A counting sort by target; the referrers of each stay ascending.
    groups.starts.assign(static_cast<std::size_t>(highest) + 2, 0);
    for (const auto& pair : pairs)
        ++groups.starts[static_cast<std::size_t>(pair.first) + 1];
    for (std::size_t t = 1; t < groups.starts.size(); ++t)
        groups.starts[t] += groups.starts[t - 1];
    groups.items.assign(pairs.size(), 0);
    std::vector<std::uint32_t> next(groups.starts.begin(), groups.starts.end() - 1);
    for (const auto& [target, from] : pairs)
        groups.items[next[static_cast<std::size_t>(target)]++] = from;
    groups.added.clear();
    groups.scanned = files_.count(referrers);
    groups.covered = groups.scanned;
    groups.current = true;
}

void References::recordWritten(Kind kind, std::int32_t n, ConstBytes record) {
    // Lists not built yet are built when asked: a write costs them nothing.
    if (kind == Kind::Combination && players_.current) players_.written(n, playedPrograms(record));
    if (kind == Kind::Program && kitUsers_.current) kitUsers_.written(n, playedKit(record));
}

void References::countChanged(Kind kind, std::int32_t count) {
    if (kind == Kind::Combination) players_.counted(count);
    if (kind == Kind::Program) kitUsers_.counted(count);
}

void References::fileReplaced(Kind kind) {
    if (kind == Kind::Combination) players_.current = false;
    if (kind == Kind::Program) kitUsers_.current = false;
}

void References::writeFailed(Kind kind) {
    fileReplaced(kind);
}

}  // namespace pelvaro::db
