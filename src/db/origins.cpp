#include "db/origins.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "db/origin_log.h"
#include "db/origin_state.h"
#include "io/paths.h"
#include "io/wording.h"
#include "pcg/layout.h"

namespace pelvaro::db {

using namespace originlog;

namespace {

constexpr std::string_view kUnsavedPcg = "the open PCG, not saved";

// A slot's record in an image, and its name in the name table (none for a kit).
struct SlotBytes {
    ConstBytes record;
    ConstBytes tableName;
};
SlotBytes slotBytes(const pcg::PcgImage& image, Kind kind, int slot) {
    switch (kind) {
        case Kind::Program:
            return {image.program(slot), image.programName(slot)};
        case Kind::Combination:
            return {image.combination(slot), image.combinationName(slot)};
        default:
            return {image.drumKit(slot), {}};
    }
}
// Whether a slot's name in the name table is its record's own, so that only the record's needs
// keeping; a kit has no name.
bool tableNameIsRecordName(const SlotBytes& slot) {
    return slot.tableName.empty() ||
           std::ranges::equal(slot.tableName, slot.record.first(pcg::kNameSize));
}

// The stored entries of a kind's used slots (ids[s] > 0), side by side in slot order. The
// entries a send added follow one another: each run of four or more is read in one piece.
void readSentEntries(const RecordFiles& files, Kind kind, std::span<const std::int32_t> ids,
                     std::int32_t firstNew, SentEntries& read) {
    const std::size_t size = layoutOf(kind).recordSize;
    auto& [entries, used, block] = read;
    used.clear();
    for (std::int32_t id : ids)
        if (id > 0 && (id < firstNew || id - firstNew >= pcg::kSlotCount))
            used.push_back({id, used.size()});
    entries.resize(used.size() * size);
    std::ranges::sort(used);
    for (std::size_t i = 0; i < used.size();) {
        std::size_t end = i + 1;
        while (end < used.size() && used[end].first - used[end - 1].first <= 1)
            ++end;
        const std::int32_t first = used[i].first;
        const auto count = static_cast<std::size_t>(used[end - 1].first - first) + 1;
        if (count < 4) {
            for (std::size_t k = i; k < end; ++k)
                files.readEntry(kind, used[k].first,
                                Bytes(entries).subspan(used[k].second * size, size));
        } else {
            block.resize(count * size);
            const std::size_t got = files.stream(kind).readAt(
                static_cast<std::int64_t>(first) * static_cast<std::int64_t>(size), block);
            std::fill(block.begin() + static_cast<std::ptrdiff_t>(got), block.end(), Byte{0});
            files.overlayGathered(kind, first, block);
            for (std::size_t k = i; k < end; ++k)
                std::copy_n(
                    block.begin() + static_cast<std::ptrdiff_t>(
                                        static_cast<std::size_t>(used[k].first - first) * size),
                    size, entries.begin() + static_cast<std::ptrdiff_t>(used[k].second * size));
        }
        i = end;
    }
}

std::uint16_t hash16(ConstBytes bytes) {
    const std::uint64_t h = hash64(bytes);
    return static_cast<std::uint16_t>(h ^ (h >> 16) ^ (h >> 32) ^ (h >> 48));
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

std::string originsMemberPath(const std::string& programsMember) {
    std::filesystem::path path(programsMember);
    path.replace_extension(kOriginsExtension);
    return path.string();
}

Marks MarkChange::applied(Marks m) const {
    switch (what) {
        case What::Favourite:
            m.favourite = true;
            break;
        case What::NoFavourite:
            m.favourite = false;
            break;
        case What::ToggleFavourite:
            m.favourite = !m.favourite;
            break;
        case What::Rating:
            m.rating = std::clamp(rating, 0, 5);
            break;
        case What::Hide:
            m.hidden = true;
            break;
        case What::Show:
            m.hidden = false;
            break;
        case What::ToggleHidden:
            m.hidden = !m.hidden;
            break;
    }
    return m;
}

bool MarkFilter::admits(Marks m) const {
    switch (show) {
        case Show::AllButHidden:
            return !m.hidden;
        case Show::Favourites:
            return m.favourite && !m.hidden;
        case Show::RatedAtLeast:
            return m.rating >= minRating && !m.hidden;
        case Show::HiddenOnly:
            return m.hidden;
        case Show::Everything:
            return true;
    }
    return true;
}

std::string originSlotText(Kind kind, int slot) {
    if (kind == Kind::DrumKit) return "kit " + std::to_string(slot);
    const char bank = slot < pcg::kBankSize ? 'A' : 'B';
    const int n = slot % pcg::kBankSize;
    return std::string(1, bank) + (n < 10 ? "0" : "") + std::to_string(n);
}

OriginStore::OriginStore() : state_(std::make_unique<State>()) {
    state_->replay();
}
OriginStore::~OriginStore() = default;

void OriginStore::createWorkingFile(const std::string& directory) {
    state_->path = (std::filesystem::path(directory) / "temp.pvo").string();
    state_->working = io::FileStream::openWorkingFile(state_->path);
    state_->onDisk = 0;
    reset();
}

const std::string& OriginStore::memberPath() const {
    return state_->memberPath;
}

void OriginStore::reset() {
    state_->memberPath.clear();
    state_->log.clear();
    state_->replay();
    state_->written = 0;
    if (state_->working.isOpen()) flush();
}

OriginStore::Member OriginStore::readMember(const std::string& path) {
    Member member;
    member.path = path;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return member;
    const io::FileStream in = io::FileStream::openRead(path);
    member.bytes.resize(static_cast<std::size_t>(in.size()));
    in.readExactAt(0, member.bytes);
    return member;
}

void OriginStore::adopt(Member member) {
    state_->memberPath = std::move(member.path);
    state_->log = std::move(member.bytes);
    state_->replay();
    state_->written = 0;
    if (state_->working.isOpen()) flush();
}

const std::string& OriginStore::workingPath() const {
    return state_->path;
}
const io::FileStream& OriginStore::stream() const {
    return state_->working;
}
const std::string& OriginStore::damage() const {
    return state_->damage;
}

void OriginStore::removeWorkingFile() {
    if (!state_->working.isOpen()) return;
    state_->working.close();
    std::error_code error;
    std::filesystem::remove(state_->path, error);
}

void OriginStore::closeWorkingFile() {
    state_->working.close();
}

std::int64_t OriginStore::length() const {
    return static_cast<std::int64_t>(state_->log.size());
}

std::vector<Byte> OriginStore::cutTo(std::int64_t length) {
    auto& log = state_->log;
    const auto at = static_cast<std::size_t>(
        std::clamp<std::int64_t>(length, static_cast<std::int64_t>(kOriginsMagic.size()),
                                 static_cast<std::int64_t>(log.size())));
    std::vector<Byte> cut(log.begin() + static_cast<std::ptrdiff_t>(at), log.end());
    if (cut.empty()) return cut;
    log.resize(at);
    state_->written = std::min(state_->written, at);
    state_->replay();
    return cut;
}

void OriginStore::append(const std::vector<Byte>& bytes) {
    if (bytes.empty()) return;
    auto& log = state_->log;
    std::size_t at = log.size();
    log.insert(log.end(), bytes.begin(), bytes.end());
    try {
        while (at < log.size()) {
            Reader r(ConstBytes(log).subspan(at));
            state_->takeIn(r, at);
            at += r.at();
        }
    } catch (const Damaged&) {
        state_->replay();
    }
}

void OriginStore::recordSend(const pcg::PcgState& pcg, const SentSlots& sentSlots,
                             const std::string& path, std::int64_t sent, const RecordFiles& files) {
    if (!recording_) return;
    State& state = *state_;
    // The image without the sounds the send stored: a sent slot takes the bytes of the first
    // slot of its kind that holds no sound, so that files made from one template share it.
    pcg::PcgImage& outside = state.outside;
    std::ranges::copy(pcg.image.bytes(), outside.bytes().begin());
    const auto idsOf = [&](Kind kind) -> std::span<const std::int32_t> {
        if (kind == Kind::Program) return sentSlots.programs;
        if (kind == Kind::Combination) return sentSlots.combinations;
        return sentSlots.kits;
    };
    for (Kind kind : kSlotKinds) {
        const auto ids = idsOf(kind);
        SlotBytes filler{};
        if (kind != Kind::DrumKit) {
            const auto& used =
                kind == Kind::Program ? pcg.occupancy.programUsed : pcg.occupancy.combinationUsed;
            for (int s = 0; s < pcg::kSlotCount; ++s)
                if (ids[s] == 0 && used[s] == 0) {
                    filler = slotBytes(pcg.image, kind, s);
                    break;
                }
        }
        for (int s = 0; s < static_cast<int>(ids.size()); ++s) {
            if (ids[s] == 0) continue;
            const SlotBytes target = slotBytes(outside, kind, s);
            const auto record = const_cast<Byte*>(target.record.data());
            const auto tableName = const_cast<Byte*>(target.tableName.data());
            // A name in the table that is not the record's stays in the image.
            const bool tableNameFollows = tableNameIsRecordName(slotBytes(pcg.image, kind, s));
            if (filler.record.empty()) {
                std::fill_n(record, target.record.size(), Byte{0});
                if (tableNameFollows) std::fill_n(tableName, target.tableName.size(), Byte{0});
            } else {
                std::ranges::copy(filler.record, record);
                if (tableNameFollows) std::ranges::copy(filler.tableName, tableName);
            }
        }
    }
    const std::uint32_t blob = state.blobNumberFor(outside);

    std::vector<Byte>& fields = state.sendFields;
    fields.clear();
    Writer w(fields);
    const std::filesystem::path p(path);
    w.text(path.empty() ? std::string(kUnsavedPcg) : p.filename().string());
    w.text(path.empty() ? std::string() : p.parent_path().string());
    w.signedNumber(sent);
    w.number(blob);
    w.fixed64(hash64(pcg.image.bytes()));
    SentEntries& read = state.sentEntries;
    for (Kind kind : kSlotKinds) {
        const auto ids = idsOf(kind);
        std::vector<std::pair<int, int>> runs;  // [from, to) of used slots
        for (int s = 0; s < static_cast<int>(ids.size()); ++s) {
            if (ids[s] <= 0) continue;
            if (!runs.empty() && runs.back().second == s)
                ++runs.back().second;
            else
                runs.push_back({s, s + 1});
        }
        w.number(runs.size());
        int end = 0;
        for (const auto& [from, to] : runs) {
            w.number(static_cast<std::uint64_t>(from - end));
            w.number(static_cast<std::uint64_t>(to - from));
            end = to;
        }
        std::int64_t expected = 1;
        const std::size_t recordSize = layoutOf(kind).recordSize;
        const std::size_t from = nameStart(kind);
        // An entry this send stored holds the bytes of its first slot: it is not read back.
        const std::int32_t firstNew =
            kind == Kind::DrumKit ? INT32_MAX : sentSlots.firstNew[kind == Kind::Program ? 0 : 1];
        readSentEntries(files, kind, ids, firstNew, read);
        std::array<int, pcg::kSlotCount> storedFrom;  // by ID from firstNew: the slot that did
        storedFrom.fill(-1);
        std::size_t used = 0;
        for (int s = 0; s < static_cast<int>(ids.size()); ++s) {
            if (ids[s] <= 0) continue;
            const SlotBytes here = slotBytes(pcg.image, kind, s);
            const ConstBytes sound = here.record.subspan(from);
            ConstBytes stored;
            if (ids[s] >= firstNew && ids[s] - firstNew < pcg::kSlotCount) {
                int& first = storedFrom[static_cast<std::size_t>(ids[s] - firstNew)];
                if (first < 0) first = s;
                stored = slotBytes(pcg.image, kind, first).record.subspan(from);
            } else {
                stored = ConstBytes(read.entries)
                             .subspan(used++ * recordSize, recordSize)
                             .subspan(from, sound.size());
            }
            w.signedNumber(ids[s] - expected);
            expected = std::max<std::int64_t>(expected, ids[s] + 1);
            Byte flags = 0;
            if (!tableNameIsRecordName(here)) flags |= slotflags::kTableNameInImage;
            if (!std::ranges::equal(stored, sound)) flags |= slotflags::kDifferences;
            w.byte(flags);
            w.fixed16(hash16(sound));
            if (kind != Kind::DrumKit) w.name(here.record.first(pcg::kNameSize));
            if ((flags & slotflags::kDifferences) != 0) writeDifferences(w, stored, sound);
        }
    }
    state.add(Type::Send, fields);
}

void OriginStore::setMarks(Kind kind, const std::vector<std::int32_t>& ids,
                           const MarkChange& change) {
    std::vector<std::int32_t> sorted = ids;
    std::ranges::sort(sorted);
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    std::vector<Byte> fields;
    Writer w(fields);
    w.byte(static_cast<Byte>(kind));
    w.byte(static_cast<Byte>(change.what));
    w.byte(static_cast<Byte>(change.rating));
    w.number(sorted.size());
    std::int64_t last = 0;
    for (std::int32_t id : sorted) {
        w.signedNumber(id - last);
        last = id;
    }
    state_->add(Type::Marks, fields);
}

void OriginStore::renumber(Kind kind, const std::vector<NewNumber>& changed) {
    if (changed.empty()) return;
    std::vector<Byte> fields;
    Writer w(fields);
    w.byte(static_cast<Byte>(kind));
    w.number(changed.size());
    for (const NewNumber& n : changed) {
        w.number(static_cast<std::uint64_t>(n.before));
        w.number(static_cast<std::uint64_t>(n.after));
    }
    state_->add(Type::Renumber, fields);
}

void OriginStore::mergeInto(Kind kind, std::int32_t kept, const std::vector<std::int32_t>& merged) {
    if (merged.empty()) return;
    std::vector<Byte> fields;
    Writer w(fields);
    w.byte(static_cast<Byte>(kind));
    w.number(static_cast<std::uint64_t>(kept));
    w.number(merged.size());
    for (std::int32_t id : merged)
        w.number(static_cast<std::uint64_t>(id));
    state_->add(Type::Merge, fields);
}

void OriginStore::flush() {
    State& s = *state_;
    if (!s.working.isOpen() || (s.written == s.log.size() && s.onDisk == s.written)) return;
    if (s.onDisk > s.written) s.working.truncate(static_cast<std::int64_t>(s.written));
    s.onDisk = s.written;
    s.working.writeAt(static_cast<std::int64_t>(s.written), ConstBytes(s.log).subspan(s.written));
    s.written = s.onDisk = s.log.size();
}

Marks OriginStore::marks(Kind kind, std::int32_t id) const {
    return state_->marksOf(kind, id);
}

std::vector<SentFile> OriginStore::files() const {
    std::vector<SentFile> all;
    all.reserve(state_->files.size());
    for (const auto& f : state_->files)
        all.push_back(f.sent);
    return all;
}

std::vector<Origin> OriginStore::originsOf(Kind kind, std::int32_t id) const {
    std::vector<Origin> found;
    for (const auto& s : state_->slots)
        if (s.id == id && s.kind == kind) found.push_back(state_->originOf(s));
    return found;
}

std::int32_t OriginStore::fileCount(Kind kind, std::int32_t id) const {
    state_->tally();
    const auto& v = state_->fileCounts[static_cast<int>(kind)];
    return id > 0 && static_cast<std::size_t>(id) < v.size() ? v[id] : 0;
}

std::int64_t OriginStore::firstSent(Kind kind, std::int32_t id) const {
    state_->tally();
    const auto& v = state_->firstSent[static_cast<int>(kind)];
    return id > 0 && static_cast<std::size_t>(id) < v.size() ? v[id] : 0;
}

std::vector<std::int32_t> OriginStore::entriesFromFiles(Kind kind, std::string_view part) const {
    const std::string wanted = lowerCase(part);
    std::vector<bool> matching;
    for (const auto& f : state_->files)
        matching.push_back(lowerCase(f.sent.name).find(wanted) != std::string::npos);
    std::vector<std::int32_t> ids;
    for (const auto& s : state_->slots)
        if (s.kind == kind && s.id > 0 && matching[static_cast<std::size_t>(s.file)])
            ids.push_back(s.id);
    std::ranges::sort(ids);
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

std::vector<Origin> OriginStore::originsOfFile(std::int32_t file) const {
    std::vector<Origin> found;
    if (file < 0 || static_cast<std::size_t>(file) >= state_->files.size()) return found;
    const auto& f = state_->files[static_cast<std::size_t>(file)];
    for (std::size_t i = f.firstSlot; i < f.firstSlot + f.slotCount; ++i)
        found.push_back(state_->originOf(state_->slots[i]));
    return found;
}

OriginStore::GivenBack OriginStore::giveBack(std::int32_t file, const RecordFiles& records) const {
    const State& s = *state_;
    const auto& f = s.files.at(static_cast<std::size_t>(file));
    GivenBack back;
    const auto& blob = s.blobs[f.blob];
    unpackRuns(ConstBytes(s.log).subspan(blob.at, blob.length), back.image.bytes());
    std::vector<Byte> entry;
    for (std::size_t i = f.firstSlot; i < f.firstSlot + f.slotCount; ++i) {
        const State::Slot& slot = s.slots[i];
        const std::string where = originSlotText(slot.kind, slot.slot) + ": ";
        const std::string kind = kindWord(slot.kind);
        if (slot.id <= 0 || slot.id > records.count(slot.kind)) {
            back.differences.push_back(where + kind + " was deleted; the slot is empty");
            continue;
        }
        const SlotBytes target = slotBytes(back.image, slot.kind, slot.slot);
        const auto record = Bytes(const_cast<Byte*>(target.record.data()), target.record.size());
        entry.resize(layoutOf(slot.kind).recordSize);
        records.readEntry(slot.kind, slot.id, entry);
        std::copy_n(entry.begin(), record.size(), record.begin());
        const std::size_t from = nameStart(slot.kind);
        if (slot.kind != Kind::DrumKit) {
            // The image holds the name in the table where it is not the record's.
            const std::array<Byte, pcg::kNameSize> name = s.recordNameOf(slot);
            std::ranges::copy(name, record.begin());
            if ((slot.flags & slotflags::kTableNameInImage) == 0)
                std::ranges::copy(name, const_cast<Byte*>(target.tableName.data()));
        }
        if (slot.differencesAt != 0) {
            Reader r(ConstBytes(s.log).subspan(slot.differencesAt));
            applyDifferences(r, record.subspan(from));
        }
        if (hash16(record.subspan(from)) != slot.hash)
            back.differences.push_back(where + kind + " " + std::to_string(slot.id) +
                                       " changed since");
    }
    // Every slot as it was, yet not the file: the bytes kept beside the sounds are not those sent.
    if (back.differences.empty() && hash64(back.image.bytes()) != f.hash)
        back.differences.push_back("the file differs from the one sent");
    return back;
}

}  // namespace pelvaro::db
