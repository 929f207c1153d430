#include "db/row_choice.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "db/name_column.h"

namespace pelvaro::db {

namespace {

// Orders the ids by a key worked out once per entry; ties keep the ID order.
template <class Key>
void sortByKey(std::vector<std::int32_t>& ids, Key key) {
    using Value = decltype(key(std::int32_t{}));
    std::vector<std::pair<Value, std::int32_t>> keyed;
    keyed.reserve(ids.size());
    for (const std::int32_t id : ids)
        keyed.emplace_back(key(id), id);
    std::ranges::sort(keyed);
    for (std::size_t i = 0; i < keyed.size(); ++i)
        ids[i] = keyed[i].second;
}

// The names come from memory in one pass over every entry, ascending like the ids.
void sortByName(std::vector<std::int32_t>& ids, Kind kind, NameColumn& names) {
    using Name = std::array<char, pcg::kNameSize>;
    std::vector<std::pair<Name, std::int32_t>> keyed;
    keyed.reserve(ids.size());
    std::size_t next = 0;
    names.forEachName(kind, [&](std::int32_t id, std::string_view upper) {
        while (next < ids.size() && ids[next] < id)
            ++next;
        if (next == ids.size() || ids[next] != id) return;
        Name name{};
        std::copy_n(upper.begin(), std::min(upper.size(), name.size()), name.begin());
        keyed.emplace_back(name, id);
    });
    // Byte order: a name's characters from 128 up come after the letters.
    std::ranges::sort(keyed, [](const auto& a, const auto& b) {
        const int order =
            std::char_traits<char>::compare(a.first.data(), b.first.data(), a.first.size());
        return order != 0 ? order < 0 : a.second < b.second;
    });
    ids.clear();
    for (const auto& [name, id] : keyed)
        ids.push_back(id);
}

}  // namespace

std::vector<std::int32_t> chosenRows(std::vector<std::int32_t> ids, Kind kind,
                                     const RowChoice& choice, const OriginStore& origins,
                                     NameColumn& names) {
    if (!std::ranges::is_sorted(ids)) std::ranges::sort(ids);
    std::erase_if(ids,
                  [&](std::int32_t id) { return !choice.show.admits(origins.marks(kind, id)); });
    switch (choice.order) {
        case RowOrder::Id:
            break;
        case RowOrder::Name:
            sortByName(ids, kind, names);
            break;
        case RowOrder::Rating:
            sortByKey(ids, [&](std::int32_t id) { return -origins.marks(kind, id).rating; });
            break;
        case RowOrder::FirstSent:
            sortByKey(ids, [&](std::int32_t id) {
                const std::int64_t sent = origins.firstSent(kind, id);
                return sent == 0 ? std::numeric_limits<std::int64_t>::max() : sent;
            });
            break;
        case RowOrder::FileCount:
            sortByKey(ids, [&](std::int32_t id) { return -origins.fileCount(kind, id); });
            break;
    }
    return ids;
}

}  // namespace pelvaro::db
