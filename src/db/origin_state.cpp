#include "db/origin_state.h"

#include <algorithm>
#include <limits>

#include "io/wording.h"

namespace pelvaro::db {

using namespace originlog;

namespace {

int markIndex(Kind kind) {
    return kind == Kind::Program ? 0 : kind == Kind::Combination ? 1 : -1;
}

Byte packMarks(Marks m) {
    return static_cast<Byte>((m.favourite ? 1 : 0) | (m.hidden ? 2 : 0) | (m.rating << 2));
}
Marks unpackMarks(Byte b) {
    return {(b & 1) != 0, (b & 2) != 0, (b >> 2) & 7};
}

constexpr std::size_t kLogRoom = std::size_t{64} << 20;
constexpr std::size_t kSlotRoom = std::size_t{1} << 20;

constexpr Byte kAllSlotFlags = slotflags::kTableNameInImage | slotflags::kDifferences;

}  // namespace

void OriginStore::State::clearWorkedOut() {
    files.clear();
    slots.clear();
    blobs.clear();
    blobByHash.clear();
    blobsHashed = 0;
    marks = {};
    tallied = false;
    unpackedBlob = kNoBlob;
}

Marks OriginStore::State::marksOf(Kind kind, std::int32_t id) const {
    const int k = markIndex(kind);
    if (k < 0 || id <= 0 || static_cast<std::size_t>(id) >= marks[k].size()) return {};
    return unpackMarks(marks[k][id]);
}

void OriginStore::State::setMarksOf(Kind kind, std::int32_t id, Marks m) {
    const int k = markIndex(kind);
    if (k < 0 || id <= 0) return;
    auto& v = marks[k];
    if (static_cast<std::size_t>(id) >= v.size()) {
        if (m == Marks{}) return;
        v.resize(static_cast<std::size_t>(id) + 1);
    }
    v[id] = packMarks(m);
}

const pcg::PcgImage& OriginStore::State::imageOf(std::uint32_t blob) const {
    if (unpackedBlob != blob) {
        unpackedBlob = kNoBlob;
        unpackRuns(ConstBytes(log).subspan(blobs[blob].at, blobs[blob].length), unpacked.bytes());
        unpackedBlob = blob;
    }
    return unpacked;
}

std::array<Byte, pcg::kNameSize> OriginStore::State::recordNameOf(const Slot& s) const {
    std::array<Byte, pcg::kNameSize> name{};
    Reader r(ConstBytes(log).subspan(s.nameAt));
    r.name(name);
    return name;
}

std::array<Byte, pcg::kNameSize> OriginStore::State::tableNameOf(const Slot& s) const {
    if ((s.flags & slotflags::kTableNameInImage) == 0) return recordNameOf(s);
    const pcg::PcgImage& image = imageOf(files[static_cast<std::size_t>(s.file)].blob);
    std::array<Byte, pcg::kNameSize> name{};
    std::ranges::copy(
        s.kind == Kind::Program ? image.programName(s.slot) : image.combinationName(s.slot),
        name.begin());
    return name;
}

void OriginStore::State::add(Type type, const std::vector<Byte>& fields) {
    const std::size_t start = log.size();
    // Room for many sends at once: memory the log has not filled yet costs nothing, and moving
    // a log of many megabytes at every doubling would cost more than the sends' records.
    if (const std::size_t needed = start + fields.size() + 16; needed > log.capacity())
        log.reserve(std::max({needed, 2 * log.capacity(), kLogRoom}));
    Writer w(log);
    w.byte(static_cast<Byte>(type));
    w.number(fields.size());
    w.raw(fields);
    Reader r(ConstBytes(log).subspan(start));
    takeIn(r, start);
}

void OriginStore::State::takeIn(Reader& r, std::size_t recordStart) {
    const auto type = static_cast<Type>(r.byte());
    const std::uint64_t length = r.number();
    const std::size_t fieldsAt = recordStart + r.at();
    Reader f(r.raw(length));
    switch (type) {
        case Type::Blob:
            blobs.push_back({fieldsAt, length});
            break;
        case Type::Send:
            takeInSend(f, fieldsAt);
            break;
        case Type::Marks: {
            const auto kind = static_cast<Kind>(f.byte());
            MarkChange change;
            change.what = static_cast<MarkChange::What>(f.byte());
            change.rating = f.byte();
            if (markIndex(kind) < 0 || change.what > MarkChange::What::ToggleHidden)
                throw Damaged("a change of marks is out of range");
            const std::uint64_t count = f.number();
            std::int64_t id = 0;
            for (std::uint64_t i = 0; i < count; ++i) {
                id += f.signedNumber();
                const auto n = static_cast<std::int32_t>(id);
                setMarksOf(kind, n, change.applied(marksOf(kind, n)));
            }
            break;
        }
        case Type::Renumber:
            takeInRenumber(f);
            break;
        case Type::Merge:
            takeInMerge(f);
            break;
        default:
            throw Damaged("it holds a record of a kind it cannot read");
    }
    tallied = false;
}

// A send: the file, then for each kind its used slots as runs (how many runs; the gap before
// each and its length) and each used slot: its entry (as the difference from the one after the
// highest entry of its kind in the send so far), its flags, its hash, its record's name (none
// for a kit) and its differences if the flags say it has any.
void OriginStore::State::takeInSend(Reader& f, std::size_t fieldsAt) {
    File file;
    file.sent.number = static_cast<std::int32_t>(files.size());
    file.sent.name = f.text();
    file.sent.folder = f.text();
    file.sent.sent = f.signedNumber();
    file.blob = static_cast<std::uint32_t>(f.number());
    if (file.blob >= blobs.size()) throw Damaged("a send names an image it does not hold");
    file.hash = f.fixed64();
    file.firstSlot = slots.size();
    // Room for many sends at once, as for the log: the slots are not moved at every doubling,
    // and the sends' other memory is not interleaved with them.
    if (const std::size_t needed = slots.size() + 3 * pcg::kSlotCount; needed > slots.capacity())
        slots.reserve(std::max({needed, 2 * slots.capacity(), kSlotRoom}));
    std::vector<int> used;
    for (Kind kind : kSlotKinds) {
        const std::uint64_t slotsOfKind =
            kind == Kind::DrumKit ? pcg::kDrumKitCount : pcg::kSlotCount;
        used.clear();
        const std::uint64_t runs = f.number();
        std::uint64_t at = 0;
        for (std::uint64_t i = 0; i < runs; ++i) {
            const std::uint64_t gap = f.number();
            const std::uint64_t length = f.number();
            if (gap > slotsOfKind - at || length > slotsOfKind - at - gap)
                throw Damaged("a slot is out of range");
            at += gap;
            for (std::uint64_t n = 0; n < length; ++n)
                used.push_back(static_cast<int>(at + n));
            at += length;
        }
        std::int64_t expected = 1;
        for (int slot : used) {
            Slot s;
            s.file = file.sent.number;
            s.kind = kind;
            s.slot = static_cast<Byte>(slot);
            const std::int64_t id = expected + f.signedNumber();
            if (id < 1 || id > std::numeric_limits<std::int32_t>::max())
                throw Damaged("a slot is out of range");
            s.id = static_cast<std::int32_t>(id);
            expected = std::max(expected, id + 1);
            s.flags = f.byte();
            if ((s.flags & ~kAllSlotFlags) != 0 ||
                (kind == Kind::DrumKit && (s.flags & slotflags::kTableNameInImage) != 0))
                throw Damaged("a slot is out of range");
            s.hash = f.fixed16();
            if (kind != Kind::DrumKit) {
                s.nameAt = static_cast<std::uint32_t>(fieldsAt + f.at());
                std::array<Byte, pcg::kNameSize> name{};
                f.name(name);  // read past it, checking it fits
                if ((s.flags & slotflags::kTableNameInImage) != 0)
                    imageOf(file.blob);  // checks that the image can be unpacked
            }
            if ((s.flags & slotflags::kDifferences) != 0) {
                s.differencesAt = static_cast<std::uint32_t>(fieldsAt + f.at());
                std::array<Byte, pcg::kDrumKitSize> scratch{};
                applyDifferences(f, scratch);  // read past them, checking they fit
            }
            slots.push_back(s);
        }
    }
    file.slotCount = slots.size() - file.firstSlot;
    files.push_back(std::move(file));
}

void OriginStore::State::takeInRenumber(Reader& f) {
    const auto kind = static_cast<Kind>(f.byte());
    std::unordered_map<std::int32_t, std::int32_t> after;
    const std::uint64_t count = f.number();
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto before = static_cast<std::int32_t>(f.number());
        after[before] = static_cast<std::int32_t>(f.number());
    }
    for (Slot& s : slots)
        if (s.kind == kind)
            if (auto it = after.find(s.id); it != after.end()) s.id = it->second;
    if (markIndex(kind) >= 0) {
        std::vector<std::pair<std::int32_t, Marks>> moved;
        for (const auto& [before, to] : after)
            moved.push_back({to, marksOf(kind, before)});
        for (const auto& [before, to] : after)
            setMarksOf(kind, before, {});
        for (const auto& [to, m] : moved)
            if (to > 0) setMarksOf(kind, to, m);
    }
}

void OriginStore::State::takeInMerge(Reader& f) {
    const auto kind = static_cast<Kind>(f.byte());
    const auto kept = static_cast<std::int32_t>(f.number());
    const std::uint64_t count = f.number();
    Marks together = marksOf(kind, kept);
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto merged = static_cast<std::int32_t>(f.number());
        for (Slot& s : slots)
            if (s.kind == kind && s.id == merged) s.id = kept;
        const Marks m = marksOf(kind, merged);
        together.favourite = together.favourite || m.favourite;
        together.rating = std::max(together.rating, m.rating);
        together.hidden = together.hidden && m.hidden;
    }
    setMarksOf(kind, kept, together);
}

void OriginStore::State::replay() {
    clearWorkedOut();
    damage.clear();
    if (log.size() < kOriginsMagic.size() ||
        !std::equal(kOriginsMagic.begin(), kOriginsMagic.end(), log.begin())) {
        if (!log.empty()) damage = "it does not begin with \"PELVARO ORIGINS 1\"";
        log.assign(kOriginsMagic.begin(), kOriginsMagic.end());
        return;
    }
    std::size_t at = kOriginsMagic.size();
    while (at < log.size()) {
        Reader r(ConstBytes(log).subspan(at));
        const std::size_t filesBefore = files.size(), slotsBefore = slots.size();
        try {
            takeIn(r, at);
        } catch (const Damaged& e) {
            files.resize(filesBefore);
            slots.resize(slotsBefore);
            damage = std::string(e.what()) + "; what it recorded from byte " +
                     grouped(static_cast<std::int64_t>(at)) + " on (" +
                     grouped(static_cast<std::int64_t>(log.size() - at)) + " bytes) is left out";
            log.resize(at);
            return;
        }
        at += r.at();
    }
}

void OriginStore::State::tally() const {
    if (tallied) return;
    for (auto& v : fileCounts)
        v.clear();
    for (auto& v : firstSent)
        v.clear();
    std::array<std::vector<std::int32_t>, kKindCount> lastFile;
    for (const Slot& s : slots) {
        if (s.id <= 0) continue;
        const int k = static_cast<int>(s.kind);
        const auto at = static_cast<std::size_t>(s.id);
        if (fileCounts[k].size() <= at) {
            fileCounts[k].resize(at + 1);
            firstSent[k].resize(at + 1);
            lastFile[k].resize(at + 1, -1);
        }
        if (lastFile[k].size() <= at) lastFile[k].resize(at + 1, -1);
        if (lastFile[k][at] != s.file) {
            lastFile[k][at] = s.file;
            ++fileCounts[k][at];
        }
        const std::int64_t sent = files[static_cast<std::size_t>(s.file)].sent.sent;
        if (firstSent[k][at] == 0 || sent < firstSent[k][at]) firstSent[k][at] = sent;
    }
    tallied = true;
}

Origin OriginStore::State::originOf(const Slot& s) const {
    Origin o;
    o.file = s.file;
    o.kind = s.kind;
    o.slot = s.slot;
    o.id = s.id;
    if (s.kind != Kind::DrumKit) o.nameThere = fieldText(tableNameOf(s));
    return o;
}

std::uint32_t OriginStore::State::blobNumberFor(const pcg::PcgImage& image) {
    const auto same = [&](std::uint32_t b) {
        try {
            return b < blobs.size() && std::ranges::equal(imageOf(b).bytes(), image.bytes());
        } catch (const Damaged&) {
            return false;
        }
    };
    // Files sent one after another mostly share theirs with the one before.
    if (!files.empty() && same(files.back().blob)) return files.back().blob;
    for (; blobsHashed < blobs.size(); ++blobsHashed) {
        try {
            blobByHash.emplace(hash64(imageOf(blobsHashed).bytes()), blobsHashed);
        } catch (const Damaged&) {
            // An image that cannot be unpacked is shared by nothing.
        }
    }
    const std::uint64_t key = hash64(image.bytes());
    if (const auto it = blobByHash.find(key); it != blobByHash.end() && same(it->second))
        return it->second;
    const auto number = static_cast<std::uint32_t>(blobs.size());
    add(Type::Blob, packRuns(image.bytes()));
    blobByHash[key] = number;
    blobsHashed = number + 1;
    return number;
}

}  // namespace pelvaro::db
