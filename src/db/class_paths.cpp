#include "db/class_paths.h"

#include <algorithm>
#include <numeric>

namespace pelvaro::db {

ClassImport::ClassImport(RecordFiles& files, ClassTree source, std::int32_t mostClasses)
    : files_(files), source_(std::move(source)), most_(mostClasses) {
    const ClassTree tree = ClassTree::read(files);
    // Parents before children, and within a depth by number: the first class met under a path
    // is the lowest of it.
    std::vector<std::int32_t> order(static_cast<std::size_t>(tree.count()));
    std::iota(order.begin(), order.end(), 1);
    std::ranges::stable_sort(order, {}, [&](std::int32_t k) { return tree.depth(k); });
    first_.assign(static_cast<std::size_t>(tree.count()) + 1, 0);
    for (const std::int32_t k : order)
        remember(k, first_[static_cast<std::size_t>(tree.parent(k))], tree.name(k));
    at_.assign(static_cast<std::size_t>(source_.count()) + 1, -1);
    at_[0] = 0;
}

void ClassImport::remember(std::int32_t k, std::int32_t parentFirst, const std::string& name) {
    const auto [it, added] = byPath_.try_emplace({parentFirst, name}, k);
    first_[static_cast<std::size_t>(k)] = it->second;
}

std::int32_t ClassImport::find(std::int32_t parent, const std::string& name) const {
    const auto it = byPath_.find({parent, name});
    return it == byPath_.end() ? 0 : it->second;
}

std::int32_t ClassImport::first(std::int32_t k) const {
    if (k < 0 || static_cast<std::size_t>(k) >= first_.size()) return k;
    return first_[static_cast<std::size_t>(k)];
}

std::int32_t ClassImport::here(std::int32_t k) {
    if (k < 1 || k > source_.count()) return 0;
    const auto at = [&](std::int32_t c) -> std::int32_t& {
        return at_[static_cast<std::size_t>(c)];
    };
    if (at(k) < 0) {
        // The classes of the path not met yet, from k up; then each below its parent, from the
        // top down, so a chain thousands of classes deep costs no deep recursion.
        std::vector<std::int32_t> chain;
        for (std::int32_t c = k; c != 0 && at(c) < 0; c = source_.parent(c))
            chain.push_back(c);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const std::int32_t c = *it;
            const std::int32_t parent = source_.parent(c);
            std::int32_t found = 0;
            // Below a parent without room there is none either.
            if (parent == 0 || at(parent) != 0) {
                const std::int32_t parentHere = at(parent);
                const std::string name = source_.name(c);
                found = find(parentHere, name);
                if (found == 0 && files_.count(Kind::Class) < most_) {
                    ClassEntry entry;
                    entry.setName(name);
                    entry.setParentId(parentHere);
                    found = files_.append(entry);
                    first_.resize(static_cast<std::size_t>(found) + 1, 0);
                    remember(found, parentHere, name);
                    made_.push_back(found);
                }
            }
            at(c) = found;
            if (found == 0 || found > most_) leftOff_.push_back(c);
        }
    }
    return at(k) <= most_ ? at(k) : 0;
}

void ClassImport::importRest() {
    for (std::int32_t k = 1; k <= source_.count(); ++k)
        here(k);
}

}  // namespace pelvaro::db
