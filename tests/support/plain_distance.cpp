#include "plain_distance.h"

#include <algorithm>
#include <numeric>

namespace pelvaro::testing {

using db::Kind;

PlainDistance::PlainDistance(const db::RecordFiles& files) {
    for (const Kind kind : {Kind::Program, Kind::Combination, Kind::DrumKit}) {
        auto& all = const_cast<std::vector<Entry>&>(of(kind));
        all.assign(static_cast<std::size_t>(files.count(kind)) + 1,
                   Entry(db::layoutOf(kind).recordSize));
        for (std::int32_t n = 1; n <= files.count(kind); ++n)
            files.readEntry(kind, n, all[static_cast<std::size_t>(n)]);
    }
}

const std::vector<PlainDistance::Entry>& PlainDistance::of(Kind kind) const {
    return kind == Kind::Program ? programs_ : kind == Kind::Combination ? combinations_ : kits_;
}

int PlainDistance::kits(std::int32_t a, std::int32_t b) const {
    if (a == b) return 0;
    const auto count = static_cast<std::int32_t>(kits_.size()) - 1;
    if (a > count || b > count) return 1;
    int d = 0;
    for (std::size_t i = 0; i <= 418; ++i)
        d += kits_[static_cast<std::size_t>(a)][i] != kits_[static_cast<std::size_t>(b)][i];
    return d;
}

int PlainDistance::programs(const Entry& a, const Entry& b, int most) const {
    const auto onKit = [](const Entry& e) { return le32(e, 260) > 0 && e[10] == 2 && e[12] < 4; };
    int d = 0;
    for (std::size_t i = 10; i <= 161 && d <= most; ++i)
        d += i != 12 && a[i] != b[i];
    if (onKit(a) && onKit(b)) return d + kits(le32(a, 260), le32(b, 260));
    if (onKit(a) || onKit(b)) return d + 1;
    return d + (a[12] != b[12]);
}

int PlainDistance::operator()(Kind kind, std::int32_t a, std::int32_t b, int most) const {
    const Entry& x = of(kind)[static_cast<std::size_t>(a)];
    const Entry& y = of(kind)[static_cast<std::size_t>(b)];
    if (kind == Kind::Program) return programs(x, y, most);
    int d = 0;
    for (std::size_t i = 10; i <= 131 && d <= most; ++i)
        d += (i < 40 || (i - 40) % 12 != 0) && x[i] != y[i];
    const auto count = static_cast<std::int32_t>(programs_.size()) - 1;
    for (std::size_t t = 0; t < 8 && d <= most; ++t) {
        const std::int32_t p = le32(x, 232 + 4 * t);
        const std::int32_t q = le32(y, 232 + 4 * t);
        if (p > 0 && q > 0 && p != q && p <= count && q <= count)
            d += programs(programs_[static_cast<std::size_t>(p)],
                          programs_[static_cast<std::size_t>(q)], most - d);
        else if (p > 0 && q > 0)
            d += p != q;
        else
            d += p > 0 || q > 0 ? 1 : x[40 + 12 * t] != y[40 + 12 * t];
    }
    return d;
}

std::vector<std::vector<std::int32_t>> PlainDistance::groups(Kind kind, int most) const {
    const auto count = static_cast<std::int32_t>(of(kind).size()) - 1;
    std::vector<std::int32_t> group(static_cast<std::size_t>(count) + 1);
    std::iota(group.begin(), group.end(), 0);
    for (std::int32_t a = 1; a <= count; ++a)
        for (std::int32_t b = a + 1; b <= count; ++b)
            if (group[a] != group[b] && (*this)(kind, a, b, most) <= most)
                std::ranges::replace(group, std::max(group[a], group[b]),
                                     std::min(group[a], group[b]));
    std::vector<std::vector<std::int32_t>> groups(static_cast<std::size_t>(count) + 1);
    for (std::int32_t n = 1; n <= count; ++n)
        groups[static_cast<std::size_t>(group[n])].push_back(n);
    std::erase_if(groups, [](const auto& g) { return g.size() < 2; });
    std::stable_sort(groups.begin(), groups.end(),
                     [](const auto& a, const auto& b) { return a.size() > b.size(); });
    return groups;
}

}  // namespace pelvaro::testing
