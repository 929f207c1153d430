#include "db/class_tree.h"

#include "db/record_scan.h"

namespace pelvaro::db {

ClassTree::ClassTree(std::vector<ClassEntry> classes) : classes_(std::move(classes)) {
    if (classes_.empty()) classes_.emplace_back();
    const std::int32_t n = count();
    const auto size = static_cast<std::size_t>(n) + 1;
    parent_.assign(size, 0);
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t p = classes_[k].parentId();
        if (p >= 0 && p <= n) {
            parent_[k] = p;
        } else if (!damage_) {
            damage_ = Damage{Damage::Kind::MissingParent, k, p};
        }
    }

    // Each walk up from a class either reaches a class known to reach the top, or comes back
    // to a class of its own walk: a loop, cut at its lowest class.
    enum : unsigned char { kUnknown, kOnWalk, kReachesTop };
    std::vector<unsigned char> state(size, kUnknown);
    std::vector<bool> cut(size, false);
    state[0] = kReachesTop;
    std::vector<std::int32_t> walk;
    std::optional<Damage> loop;
    for (std::int32_t i = 1; i <= n; ++i) {
        std::int32_t b = i;
        while (state[b] == kUnknown) {
            state[b] = kOnWalk;
            walk.push_back(b);
            b = parent_[b];
        }
        if (state[b] == kOnWalk) {
            if (!loop) loop = Damage{Damage::Kind::Loop, b, parent_[b]};
            std::int32_t lowest = b;
            for (auto it = walk.rbegin(); *it != b; ++it)
                lowest = std::min(lowest, *it);
            parent_[lowest] = 0;
            cut[lowest] = true;
        }
        for (std::int32_t w : walk)
            state[w] = kReachesTop;
        walk.clear();
    }
    if (!damage_) damage_ = loop;

    children_.assign(size, {});
    for (std::int32_t k = 1; k <= n; ++k)
        if (!cut[k]) children_[parent_[k]].push_back(k);
    for (std::int32_t k = 1; k <= n; ++k)
        if (cut[k]) children_[0].push_back(k);

    // Parents before children, so every path is built from its parent's.
    depth_.assign(size, 0);
    paths_.assign(size, PathRef{0, 0});
    buffers_.push_back(name(0));
    paths_[0] = {0, static_cast<std::uint32_t>(buffers_[0].size())};
    std::vector<std::int32_t> order;
    order.reserve(size);
    order.push_back(0);
    for (std::size_t next = 0; next < order.size(); ++next) {
        const std::int32_t p = order[next];
        for (std::int32_t c : children_[p]) {
            order.push_back(c);
            const std::string own = name(c);
            if (p == 0) {
                depth_[c] = 1;
                paths_[c] = {static_cast<std::uint32_t>(buffers_.size()),
                             static_cast<std::uint32_t>(own.size())};
                buffers_.push_back(own);
                continue;
            }
            depth_[c] = depth_[p] + 1;
            const PathRef from = paths_[p];
            auto buffer = from.buffer;
            if (buffers_[buffer].size() != from.length) {
                // An earlier sibling has grown the parent's text past its path: a copy of its own.
                buffers_.push_back(buffers_[buffer].substr(0, from.length));
                buffer = static_cast<std::uint32_t>(buffers_.size() - 1);
            }
            std::string& text = buffers_[buffer];
            text.append("->").append(own);
            paths_[c] = {buffer, static_cast<std::uint32_t>(text.size())};
        }
    }
}

namespace {
// Classes 0..count, as scan(visit) hands them out.
template <class Scan>
std::vector<ClassEntry> readClasses(std::int32_t count, Scan scan) {
    std::vector<ClassEntry> classes(static_cast<std::size_t>(std::max(count, 0)) + 1);
    scan([&](std::int32_t k, ConstBytes record) {
        std::copy(record.begin(), record.end(), classes[k].bytes.begin());
    });
    return classes;
}
}  // namespace

ClassTree ClassTree::read(const RecordFiles& files) {
    const std::int32_t count = files.count(Kind::Class);
    return ClassTree(
        readClasses(count, [&](auto visit) { scanRecords(files, Kind::Class, 0, count, visit); }));
}

ClassTree ClassTree::read(const io::FileStream& file, std::int32_t count) {
    return ClassTree(readClasses(
        count, [&](auto visit) { scanRecords(file, ClassEntry::kSize, 0, count, visit); }));
}

std::string ClassTree::name(std::int32_t k) const {
    return isClass(k) ? classes_[k].name() : std::string();
}

std::string_view ClassTree::path(std::int32_t k) const {
    if (!isClass(k)) return {};
    const PathRef ref = paths_[k];
    return std::string_view(buffers_[ref.buffer]).substr(0, ref.length);
}

const std::vector<std::int32_t>& ClassTree::children(std::int32_t k) const {
    static const std::vector<std::int32_t> none;
    return isClass(k) ? children_[k] : none;
}

std::vector<std::int32_t> ClassTree::withDescendants(std::int32_t k) const {
    std::vector<std::int32_t> set;
    if (k < 1 || k > count()) return set;
    std::vector<bool> member(classes_.size(), false);
    member[k] = true;
    std::vector<std::int32_t> below{k};
    for (std::size_t next = 0; next < below.size(); ++next)
        for (std::int32_t c : children_[below[next]]) {
            member[c] = true;
            below.push_back(c);
        }
    for (std::int32_t c = 1; c <= count(); ++c)
        if (member[c]) set.push_back(c);
    return set;
}

}  // namespace pelvaro::db
