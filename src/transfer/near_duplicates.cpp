#include "transfer/near_duplicates.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <numeric>

#include "db/listing.h"
#include "db/record_scan.h"
#include "io/side_by_side.h"
#include "transfer/similarity.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

// Groups of entries this small are compared pair by pair.
constexpr std::size_t kSmallGroup = 48;

// A value's index in valuePlaces(kind).
using Positions = std::vector<std::uint16_t>;

class Sets {
  public:
    explicit Sets(std::int32_t count) : parent_(static_cast<std::size_t>(count) + 1) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    std::int32_t find(std::int32_t x) {
        while (parent_[at(x)] != x) {
            parent_[at(x)] = parent_[at(parent_[at(x)])];
            x = parent_[at(x)];
        }
        return x;
    }
    void join(std::int32_t a, std::int32_t b) {
        a = find(a);
        b = find(b);
        if (a != b) parent_[at(std::max(a, b))] = std::min(a, b);
    }

  private:
    static std::size_t at(std::int32_t x) { return static_cast<std::size_t>(x); }
    std::vector<std::int32_t> parent_;
};

// The parts of `positions`, in order, as even as they go.
std::vector<Positions> split(const Positions& positions, int parts) {
    std::vector<Positions> blocks(static_cast<std::size_t>(parts));
    for (std::size_t i = 0; i < positions.size(); ++i)
        blocks[i * static_cast<std::size_t>(parts) / positions.size()].push_back(positions[i]);
    return blocks;
}

Positions without(const Positions& all, const Positions& block) {
    Positions rest;
    std::ranges::set_difference(all, block, std::back_inserter(rest));
    return rest;
}

std::size_t widthOf(const std::vector<ValuePlace>& places, const Positions& block) {
    std::size_t n = 0;
    for (const std::uint16_t p : block)
        n += places[p].width;
    return n;
}

// The bytes of the values of block, one after the other.
void gather(const SoundValues& v, const std::vector<ValuePlace>& places, const Positions& block,
            Byte* out) {
    for (const std::uint16_t p : block) {
        std::memcpy(out, v.bytes.data() + places[p].at, places[p].width);
        out += places[p].width;
    }
}

std::uint64_t hashOf(const Byte* bytes, std::size_t n) {
    std::uint64_t h = 0xCBF29CE484222325ull ^ n;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t v;
        std::memcpy(&v, bytes + i, 8);
        h = ((h ^ v) * 0x9E3779B97F4A7C15ull);
        h ^= h >> 32;
    }
    std::uint64_t rest = 0;
    for (std::size_t shift = 0; i < n; ++i, shift += 8)
        rest |= std::uint64_t{bytes[i]} << shift;
    h = (h ^ rest) * 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 29);
}

class Search {
  public:
    Search(const db::RecordFiles& files, Kind kind, int most, SoundCoder coder)
        : files_(files),
          kind_(kind),
          most_(most),
          coder_(std::move(coder)),
          places_(valuePlaces(kind)),
          count_(files.count(kind)),
          sets_(count_) {}

    std::vector<std::vector<std::int32_t>> groups() {
        if (count_ >= 2) everyBlock();
        std::vector<std::int32_t> groupOf(static_cast<std::size_t>(count_) + 1, -1);
        std::vector<std::int32_t> sizes(static_cast<std::size_t>(count_) + 1, 0);
        for (std::int32_t n = 1; n <= count_; ++n)
            ++sizes[static_cast<std::size_t>(sets_.find(n))];
        std::vector<std::vector<std::int32_t>> groups;
        for (std::int32_t n = 1; n <= count_; ++n) {
            const auto root = static_cast<std::size_t>(sets_.find(n));
            if (sizes[root] < 2) continue;
            if (groupOf[root] < 0) {
                groupOf[root] = static_cast<std::int32_t>(groups.size());
                groups.emplace_back().reserve(static_cast<std::size_t>(sizes[root]));
            }
            groups[static_cast<std::size_t>(groupOf[root])].push_back(n);
        }
        std::stable_sort(groups.begin(), groups.end(),
                         [](const auto& a, const auto& b) { return a.size() > b.size(); });
        return groups;
    }

  private:
    // The values of the entries a group holds, read once for it.
    struct Loaded {
        std::vector<std::int32_t> ids;  // ascending
        std::vector<SoundValues> values;
    };

    void everyBlock() {
        Positions all(places_.size());
        std::iota(all.begin(), all.end(), std::uint16_t{0});
        all_ = all;
        blocks_ = split(all, most_ + 1);
        const auto blocks = blocks_.size();
        blockKeys_.assign(blocks, std::vector<std::uint32_t>(static_cast<std::size_t>(count_) + 1));
        const auto hashBlocks = [&](std::int32_t first, std::int32_t last) {
            SoundValues v;
            std::array<Byte, SoundValues::kSize> buffer{};
            db::scanRecords(files_.stream(kind_), db::layoutOf(kind_).recordSize, first, last,
                            [&](std::int32_t n, ConstBytes r) {
                                coder_.encode(r, v);
                                for (std::size_t k = 0; k < blocks; ++k) {
                                    gather(v, places_, blocks_[k], buffer.data());
                                    blockKeys_[k][static_cast<std::size_t>(n)] =
                                        static_cast<std::uint32_t>(
                                            hashOf(buffer.data(), widthOf(places_, blocks_[k])));
                                }
                            });
        };
        if (count_ < 16384) {
            hashBlocks(1, count_);
        } else {
            const std::int32_t middle = count_ / 2;
            io::sideBySide([&] { hashBlocks(1, middle); }, [&] { hashBlocks(middle + 1, count_); });
        }
        std::vector<std::uint64_t> keyed(static_cast<std::size_t>(count_));
        for (std::size_t k = 0; k < blocks; ++k) {
            block_ = k;
            for (std::int32_t n = 1; n <= count_; ++n)
                keyed[static_cast<std::size_t>(n - 1)] =
                    std::uint64_t{blockKeys_[k][static_cast<std::size_t>(n)]} << 32 |
                    static_cast<std::uint32_t>(n);
            std::sort(keyed.begin(), keyed.end());
            for (std::size_t b = 0; b < keyed.size();) {
                std::size_t e = b + 1;
                while (e < keyed.size() && keyed[e] >> 32 == keyed[b] >> 32)
                    ++e;
                if (e - b > 1) {
                    std::vector<std::int32_t> ids;
                    for (std::size_t i = b; i < e; ++i)
                        ids.push_back(static_cast<std::int32_t>(keyed[i] & 0xFFFFFFFFu));
                    if (!allJoined(ids)) sharingBlock(std::move(ids));
                }
                b = e;
            }
        }
    }

    bool allJoined(const std::vector<std::int32_t>& ids) {
        const std::int32_t root = sets_.find(ids[0]);
        return std::ranges::all_of(ids, [&](std::int32_t n) { return sets_.find(n) == root; });
    }

    // Whether an earlier block put x and y among the entries it compared.
    bool sharedEarlierBlock(std::int32_t x, std::int32_t y) const {
        for (std::size_t k = 0; k < block_; ++k)
            if (blockKeys_[k][static_cast<std::size_t>(x)] ==
                blockKeys_[k][static_cast<std::size_t>(y)])
                return true;
        return false;
    }

    void compare(const Loaded& l, std::size_t i, std::size_t j) {
        const std::int32_t x = l.ids[i];
        const std::int32_t y = l.ids[j];
        if (sets_.find(x) == sets_.find(y) || sharedEarlierBlock(x, y)) return;
        if (distanceUpTo(kind_, l.values[i], l.values[j], most_) <= most_) sets_.join(x, y);
    }

    void pairwise(const Loaded& l, const std::vector<std::uint32_t>& members) {
        for (std::size_t a = 0; a < members.size(); ++a)
            for (std::size_t b = a + 1; b < members.size(); ++b)
                compare(l, members[a], members[b]);
    }

    Loaded load(std::vector<std::int32_t> ids) const {
        Loaded l;
        l.values.resize(ids.size());
        if (ids.size() * 64 > static_cast<std::size_t>(count_)) {
            // Many of the file's records: one pass in large blocks reads them sooner.
            std::size_t next = 0;
            db::scanRecords(files_.stream(kind_), db::layoutOf(kind_).recordSize, ids.front(),
                            ids.back(), [&](std::int32_t n, ConstBytes r) {
                                if (ids[next] == n) coder_.encode(r, l.values[next++]);
                            });
        } else {
            for (std::size_t i = 0; i < ids.size(); ++i)
                l.values[i] = coder_.read(files_, ids[i]);
        }
        l.ids = std::move(ids);
        return l;
    }

    // Entries whose keys of the current block are equal: their values of the block are equal
    // too, but for a rare pair of blocks whose keys collide.
    void sharingBlock(std::vector<std::int32_t> ids) {
        const Loaded l = load(std::move(ids));
        std::vector<std::uint32_t> members(l.ids.size());
        std::iota(members.begin(), members.end(), 0u);
        if (members.size() <= kSmallGroup) {
            pairwise(l, members);
            return;
        }
        const std::vector<std::vector<std::uint32_t>> equal = equalOn(l, members, blocks_[block_]);
        // Entries of colliding keys agree on no block here: compared here, as the earlier
        // blocks leave them to this one.
        for (std::size_t g = 0; g < equal.size(); ++g)
            for (std::size_t h = g + 1; h < equal.size(); ++h)
                for (const std::uint32_t a : equal[g])
                    for (const std::uint32_t b : equal[h])
                        compare(l, a, b);
        const Positions rest = without(all_, blocks_[block_]);
        for (const auto& group : equal)
            if (group.size() > 1) alike(l, group, rest);
    }

    // The members split by their values of block: each part agrees on all of them.
    std::vector<std::vector<std::uint32_t>> equalOn(const Loaded& l,
                                                    std::vector<std::uint32_t> members,
                                                    const Positions& block) const {
        const std::size_t width = widthOf(places_, block);
        std::vector<Byte> gathered(l.values.size() * width);
        for (const std::uint32_t m : members)
            gather(l.values[m], places_, block, gathered.data() + m * width);
        const auto bytesOf = [&](std::uint32_t m) { return gathered.data() + m * width; };
        std::sort(members.begin(), members.end(), [&](std::uint32_t a, std::uint32_t b) {
            const int c = std::memcmp(bytesOf(a), bytesOf(b), width);
            return c != 0 ? c < 0 : a < b;
        });
        std::vector<std::vector<std::uint32_t>> parts;
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (i == 0 || std::memcmp(bytesOf(members[i - 1]), bytesOf(members[i]), width) != 0)
                parts.emplace_back();
            parts.back().push_back(members[i]);
        }
        return parts;
    }

    // Members that agree on every value outside `rest`.
    void alike(const Loaded& l, const std::vector<std::uint32_t>& members, const Positions& rest) {
        std::vector<std::int32_t> ids;
        for (const std::uint32_t m : members)
            ids.push_back(l.ids[m]);
        if (allJoined(ids)) return;
        // Values all members share tell them apart no more.
        Positions varying;
        for (const std::uint16_t p : rest) {
            const ValuePlace place = places_[p];
            const Byte* first = l.values[members[0]].bytes.data() + place.at;
            if (std::ranges::any_of(members, [&](std::uint32_t m) {
                    return std::memcmp(l.values[m].bytes.data() + place.at, first, place.width) !=
                           0;
                }))
                varying.push_back(p);
        }
        if (varying.size() <= static_cast<std::size_t>(most_)) {
            // No two of them differ in more values than there are left to differ in.
            for (const std::int32_t id : ids)
                sets_.join(ids[0], id);
            return;
        }
        if (members.size() <= kSmallGroup) {
            pairwise(l, members);
            return;
        }
        for (const Positions& block : split(varying, most_ + 1)) {
            const Positions others = without(varying, block);
            for (const auto& part : equalOn(l, members, block))
                if (part.size() > 1) alike(l, part, others);
        }
    }

    const db::RecordFiles& files_;
    Kind kind_;
    int most_;
    SoundCoder coder_;
    const std::vector<ValuePlace>& places_;
    std::int32_t count_;
    Sets sets_;
    Positions all_;
    std::vector<Positions> blocks_;
    std::vector<std::vector<std::uint32_t>> blockKeys_;  // [block][entry]: the block's key
    std::size_t block_ = 0;                              // the block whose groups are compared
};

SoundCoder coderFor(const db::RecordFiles& files, Kind kind) {
    if (kind != Kind::Program && kind != Kind::Combination)
        throw std::invalid_argument("only programs and combinations are compared");
    return kind == Kind::Program ? SoundCoder::forPrograms(files)
                                 : SoundCoder::forCombinations(files);
}

}  // namespace

std::vector<std::vector<std::int32_t>> nearDuplicateGroups(const db::RecordFiles& files, Kind kind,
                                                           int maxBytes) {
    if (maxBytes < kLeastMaxBytes || maxBytes > kMostMaxBytes)
        throw std::invalid_argument("at most 1 to 8 differing bytes");
    return Search(files, kind, maxBytes, coderFor(files, kind)).groups();
}

std::vector<NameGroup> sameNameGroups(const db::RecordFiles& files, Kind kind) {
    const SoundCoder coder = coderFor(files, kind);
    struct Named {
        std::array<char, pcg::kNameSize> key;  // upper case, zeros after the name
        std::int32_t id;
        std::uint64_t sound;
    };
    const std::int32_t count = files.count(kind);
    std::vector<Named> named(static_cast<std::size_t>(count));
    const auto read = [&](std::int32_t first, std::int32_t last) {
        SoundValues v;
        db::scanRecords(files.stream(kind), db::layoutOf(kind).recordSize, first, last,
                        [&](std::int32_t n, ConstBytes r) {
                            Named& e = named[static_cast<std::size_t>(n - 1)];
                            e.key.fill(0);
                            const std::string name =
                                db::trimmed(fieldText(r.first(pcg::kNameSize)));
                            std::ranges::transform(name, e.key.begin(), db::upperCase8Bit);
                            e.id = name.empty() ? 0 : n;
                            coder.encode(r, v);
                            e.sound = hashOf(v.bytes.data(), v.bytes.size());
                        });
    };
    if (count < 16384) {
        read(1, count);
    } else {
        io::sideBySide([&] { read(1, count / 2); }, [&] { read(count / 2 + 1, count); });
    }
    std::erase_if(named, [](const Named& e) { return e.id == 0; });
    std::sort(named.begin(), named.end(), [](const Named& a, const Named& b) {
        return a.key != b.key ? a.key < b.key : a.id < b.id;
    });
    std::vector<NameGroup> groups;
    for (std::size_t b = 0; b < named.size();) {
        std::size_t e = b + 1;
        while (e < named.size() && named[e].key == named[b].key)
            ++e;
        if (e - b > 1) {
            bool different = false;
            for (std::size_t i = b + 1; i < e && !different; ++i)
                different = named[i].sound != named[b].sound;
            if (!different) {
                // Equal keys of the sounds: the values themselves tell.
                const SoundValues first = coder.read(files, named[b].id);
                for (std::size_t i = b + 1; i < e && !different; ++i)
                    different = !(coder.read(files, named[i].id) == first);
            }
            if (different) {
                NameGroup g{db::trimmed(entryNameOf(files, kind, named[b].id)), {}};
                for (std::size_t i = b; i < e; ++i)
                    g.members.push_back(named[i].id);
                groups.push_back(std::move(g));
            }
        }
        b = e;
    }
    std::stable_sort(groups.begin(), groups.end(), [](const NameGroup& a, const NameGroup& b) {
        return a.members.size() > b.members.size();
    });
    return groups;
}

GroupDescriber::GroupDescriber(const db::RecordFiles& files, Kind kind)
    : files_(files), kind_(kind), coder_(coderFor(files, kind)) {}

GroupView GroupDescriber::describe(const std::vector<std::int32_t>& members,
                                   std::int32_t kept) const {
    for (const std::int32_t m : members)
        requireEntry(files_, kind_, m, "Find Near Duplicates");
    requireEntry(files_, kind_, kept, "Find Near Duplicates");
    const SoundValues keptValues = coder_.read(files_, kept);
    // The kept values with every value some member has otherwise: they differ from the kept
    // ones wherever the group does, and name those places in record order.
    SoundValues anyOther = keptValues;
    GroupView view;
    for (const std::int32_t m : members) {
        const SoundValues v = coder_.read(files_, m);
        for (const ValuePlace& p : valuePlaces(kind_))
            if (std::memcmp(v.bytes.data() + p.at, keptValues.bytes.data() + p.at, p.width) != 0)
                std::memcpy(anyOther.bytes.data() + p.at, v.bytes.data() + p.at, p.width);
        view.members.push_back({m, entryNameOf(files_, kind_, m), distance(kind_, keptValues, v),
                                differingParameters(kind_, keptValues, v)});
    }
    view.parameters = differingParameters(kind_, keptValues, anyOther);
    return view;
}

}  // namespace pelvaro::transfer
