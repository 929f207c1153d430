#include "transfer/near_duplicates.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <numeric>

#include "db/listing.h"
#include "db/name_replace.h"
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

// The positions dealt in turn to `parts` blocks, like cards: each block takes a share of the
// positions from all over the order they come in, so a run of values that rarely differ (a
// region of zeros, defaults left alone) never makes a block of its own that half the entries
// share. Each block ascending.
std::vector<Positions> deal(const Positions& positions, int parts) {
    std::vector<Positions> blocks(static_cast<std::size_t>(parts));
    for (std::size_t i = 0; i < positions.size(); ++i)
        blocks[i % static_cast<std::size_t>(parts)].push_back(positions[i]);
    for (Positions& b : blocks)
        std::ranges::sort(b);
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
        blocks_ = deal(all, most_ + 1);
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
        if (near(l, i, j)) sets_.join(x, y);
    }

    bool near(const Loaded& l, std::size_t i, std::size_t j) const {
        return coder_.distanceUpTo(l.values[i], l.values[j], most_) <= most_;
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
            if (group.size() > 1) alike(l, group, rest, most_);
    }

    // The members split by their values of block: each part agrees on all of them, its members
    // in the order given.
    std::vector<std::vector<std::uint32_t>> equalOn(const Loaded& l,
                                                    const std::vector<std::uint32_t>& members,
                                                    const Positions& block) const {
        const std::size_t width = widthOf(places_, block);
        std::vector<Byte> gathered(members.size() * width);
        std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed(members.size());
        for (std::size_t i = 0; i < members.size(); ++i) {
            Byte* row = gathered.data() + i * width;
            gather(l.values[members[i]], places_, block, row);
            keyed[i] = {hashOf(row, width), static_cast<std::uint32_t>(i)};
        }
        std::sort(keyed.begin(), keyed.end());
        std::vector<std::vector<std::uint32_t>> parts;
        for (std::size_t b = 0; b < keyed.size();) {
            std::size_t e = b + 1;
            while (e < keyed.size() && keyed[e].first == keyed[b].first)
                ++e;
            // Equal keys: equal values, but for a collision, which makes a part of its own.
            const std::size_t first = parts.size();
            std::vector<const Byte*> heads;  // the values of each part of the run
            for (std::size_t i = b; i < e; ++i) {
                const Byte* row = gathered.data() + keyed[i].second * width;
                std::size_t part = 0;
                while (part < heads.size() && std::memcmp(heads[part], row, width) != 0)
                    ++part;
                if (part == heads.size()) {
                    heads.push_back(row);
                    parts.emplace_back();
                }
                parts[first + part].push_back(members[keyed[i].second]);
            }
            b = e;
        }
        return parts;
    }

    struct Common {
        std::uint16_t position;
        std::uint32_t value;
        std::size_t count;  // how many members hold it
    };

    // Members that agree on every value outside `rest`: joins every two of them whose values in
    // rest differ in at most `most`, each value counting one but a kit or program as far as it
    // is from the other's (the caller has counted the rest of their distance).
    void alike(const Loaded& l, const std::vector<std::uint32_t>& members, const Positions& rest,
               int most) {
        std::vector<std::int32_t> ids;
        for (const std::uint32_t m : members)
            ids.push_back(l.ids[m]);
        if (allJoined(ids)) return;
        // The value most members have at each position, and how many have it. Positions where
        // all agree tell them apart no more.
        std::vector<Common> common;
        std::vector<std::uint32_t> values(members.size());
        std::array<std::size_t, 256> counts{};
        for (const std::uint16_t p : rest) {
            const ValuePlace place = places_[p];
            Common c{p, 0, 0};
            if (place.width == 1) {
                counts.fill(0);
                for (const std::uint32_t m : members)
                    ++counts[l.values[m].bytes[place.at]];
                for (std::uint32_t v = 0; v < counts.size(); ++v)
                    if (counts[v] > c.count) c = {p, v, counts[v]};
            } else {
                for (std::size_t i = 0; i < members.size(); ++i)
                    values[i] = valueAt(l.values[members[i]], place);
                std::ranges::sort(values);
                for (std::size_t b = 0; b < values.size();) {
                    std::size_t e = b + 1;
                    while (e < values.size() && values[e] == values[b])
                        ++e;
                    if (e - b > c.count) c = {p, values[b], e - b};
                    b = e;
                }
            }
            if (c.count < members.size()) common.push_back(c);
        }
        if (const Positions content = contentPlaces(l, members, common); !content.empty()) {
            splitByContent(l, members, rest, content, most);
            return;
        }
        // From here on every value that differs counts one.
        if (common.size() <= static_cast<std::size_t>(most)) {
            // No two of them differ in more values than there are left to differ in.
            for (const std::int32_t id : ids)
                sets_.join(ids[0], id);
            return;
        }
        if (members.size() <= kSmallGroup) {
            pairwise(l, members);
            return;
        }
        const std::vector<int> off = offTheCommonValues(l, members, common);
        if (joinNearTheCommonValues(l, members, off, most)) return;
        // Blocks of the varying positions, each with its share of those that rarely vary.
        std::ranges::sort(common,
                          [](const Common& a, const Common& b) { return a.count > b.count; });
        Positions varying;
        for (const Common& c : common)
            varying.push_back(c.position);
        const std::vector<Positions> blocks = deal(varying, most + 1);
        // Members that mostly hold the common values share nearly every block, and the parts
        // would stay nearly as large as the group: then the pairs that differ from the common
        // values at a same position are compared instead, when there are fewer of them.
        const auto size = static_cast<double>(members.size());
        double largestPart = 0;
        double pairs = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            double agree = 1;
            for (std::size_t i = b; i < common.size(); i += blocks.size())
                agree *= static_cast<double>(common[i].count) / size;
            largestPart = std::max(largestPart, agree);
        }
        for (const Common& c : common)
            pairs += (size - static_cast<double>(c.count)) *
                     (size - static_cast<double>(c.count) - 1) / 2;
        if (largestPart >= 0.5 && pairs < size * size / 4) {
            aroundTheCommonValues(l, members, common, off, most);
            return;
        }
        std::ranges::sort(varying);
        for (const Positions& block : blocks) {
            const Positions others = without(varying, block);
            for (const auto& part : equalOn(l, members, block))
                if (part.size() > 1) alike(l, part, others, most);
        }
    }

    // The places among `common` where members hold two stored kits (or programs) of other
    // content: the only places where a value can count more than one.
    Positions contentPlaces(const Loaded& l, const std::vector<std::uint32_t>& members,
                            const std::vector<Common>& common) const {
        Positions content;
        for (const Common& c : common) {
            const ValuePlace place = places_[c.position];
            if (place.width != 4) continue;
            std::uint32_t stored = 0;
            for (const std::uint32_t m : members) {
                const std::uint32_t v = valueAt(l.values[m], place);
                if ((v & SoundValues::kStored) == 0 || v == stored) continue;
                if (stored != 0) {
                    content.push_back(c.position);
                    break;
                }
                stored = v;
            }
        }
        std::ranges::sort(content);
        return content;
    }

    // The members split by what they hold at the content places: in each part those agree, and
    // every other value counts one. Two parts are searched together for the pairs whose other
    // values leave room for what their kits or programs at those places count.
    void splitByContent(const Loaded& l, const std::vector<std::uint32_t>& members,
                        const Positions& rest, const Positions& content, int most) {
        const Positions others = without(rest, content);
        const auto parts = equalOn(l, members, content);
        for (const auto& part : parts)
            if (part.size() > 1) alike(l, part, others, most);
        for (std::size_t g = 0; g < parts.size(); ++g)
            for (std::size_t h = g + 1; h < parts.size(); ++h) {
                int apart = 0;
                for (const std::uint16_t p : content) {
                    apart += coder_.valueDistance(places_[p], l.values[parts[g][0]],
                                                  l.values[parts[h][0]]);
                    if (apart > most) break;
                }
                if (apart > most) continue;
                std::vector<std::uint32_t> both = parts[g];
                both.insert(both.end(), parts[h].begin(), parts[h].end());
                alike(l, both, others, most - apart);
            }
    }

    static std::uint32_t valueAt(const SoundValues& v, ValuePlace place) {
        std::uint32_t x = 0;
        std::memcpy(&x, v.bytes.data() + place.at, place.width);
        return x;
    }

    // In how many of the common values each member differs from them.
    std::vector<int> offTheCommonValues(const Loaded& l, const std::vector<std::uint32_t>& members,
                                        const std::vector<Common>& common) const {
        std::vector<int> off(members.size(), 0);
        for (const Common& c : common) {
            const ValuePlace place = places_[c.position];
            for (std::size_t i = 0; i < members.size(); ++i)
                off[i] += valueAt(l.values[members[i]], place) != c.value;
        }
        return off;
    }

    // Two members off the common values in a and b places differ from each other in at most
    // a + b: those off in at most half the limit are all near each other, and near the member
    // nearest the common values; so is every member whose places and that member's add up to
    // the limit at most. Every pair within the limit by a + b is thus joined. Returns whether
    // all members are then one group.
    bool joinNearTheCommonValues(const Loaded& l, const std::vector<std::uint32_t>& members,
                                 const std::vector<int>& off, int most) {
        const auto nearest = static_cast<std::size_t>(std::ranges::min_element(off) - off.begin());
        const std::int32_t centre = l.ids[members[nearest]];
        bool all = true;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const bool near = off[i] <= most / 2 || off[i] + off[nearest] <= most;
            if (near) sets_.join(centre, l.ids[members[i]]);
            all = all && near;
        }
        return all;
    }

    // Two members whose places off the common values add up to more than the limit can only be
    // near when they are off at a same position: those pairs alone are compared.
    void aroundTheCommonValues(const Loaded& l, const std::vector<std::uint32_t>& members,
                               const std::vector<Common>& common, const std::vector<int>& off,
                               int most) {
        std::vector<std::uint32_t> differing;
        for (const Common& c : common) {
            const ValuePlace place = places_[c.position];
            differing.clear();
            for (std::size_t i = 0; i < members.size(); ++i)
                if (valueAt(l.values[members[i]], place) != c.value)
                    differing.push_back(static_cast<std::uint32_t>(i));
            for (std::size_t a = 0; a < differing.size(); ++a)
                for (std::size_t b = a + 1; b < differing.size(); ++b)
                    if (off[differing[a]] + off[differing[b]] > most)
                        compare(l, members[differing[a]], members[differing[b]]);
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
    if (maxBytes < 0 || maxBytes > kMostMaxBytes)
        throw std::invalid_argument("at most 0 to 8 differing bytes");
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
                NameGroup g{db::trimmed(db::storedName(files, kind, named[b].id)), {}};
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
    : files_(files), kind_(kind), meter_(files) {
    if (kind != Kind::Program && kind != Kind::Combination)
        throw std::invalid_argument("only programs and combinations are compared");
}

GroupView GroupDescriber::describe(const std::vector<std::int32_t>& members,
                                   std::int32_t kept) const {
    for (const std::int32_t m : members)
        requireEntry(files_, kind_, m, "Find Near Duplicates");
    requireEntry(files_, kind_, kept, "Find Near Duplicates");
    std::array<Byte, db::ProgramLayout::kSize> keptEntry{};
    files_.readEntry(kind_, kept, keptEntry);
    GroupView view;
    for (const std::int32_t m : members) {
        std::array<Byte, db::ProgramLayout::kSize> entry{};
        files_.readEntry(kind_, m, entry);
        view.members.push_back({m, fieldText(ConstBytes(entry).first(pcg::kNameSize)),
                                entryDistance(kind_, keptEntry, entry, meter_),
                                differingParameters(kind_, keptEntry, entry, meter_)});
    }
    return view;
}

}  // namespace pelvaro::transfer
