#include "db/origins.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "db/origin_log.h"
#include "io/paths.h"
#include "io/wording.h"
#include "pcg/layout.h"

namespace pelvaro::db {

using namespace originlog;

namespace {

constexpr std::string_view kUnsavedPcg = "the open PCG, not saved";

// The kinds that have slots in a PCG, in the order a send's record lists them.
constexpr std::array<Kind, 3> kSlotKinds = {Kind::Program, Kind::Combination, Kind::DrumKit};

int markIndex(Kind kind) {
    return kind == Kind::Program ? 0 : kind == Kind::Combination ? 1 : -1;
}

Byte packMarks(Marks m) {
    return static_cast<Byte>((m.favourite ? 1 : 0) | (m.hidden ? 2 : 0) | (m.rating << 2));
}
Marks unpackMarks(Byte b) {
    return {(b & 1) != 0, (b & 2) != 0, (b >> 2) & 7};
}

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
std::size_t nameStart(Kind kind) {
    return kind == Kind::DrumKit ? 0 : pcg::kNameSize;
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

// What the log says, worked out: the files, the slots they sent and where each went, the
// images without their sounds, and the marks.
struct OriginStore::State {
    struct Slot {
        std::int32_t file = 0;
        std::int32_t id = 0;
        std::uint32_t differencesAt = 0;  // where its differences begin in the log
        std::uint16_t hash = 0;           // of the slot's bytes after the name, as sent
        Kind kind = Kind::Program;
        Byte slot = 0;
        std::array<Byte, pcg::kNameSize> tableName{};
        std::array<Byte, pcg::kNameSize> recordName{};
    };
    struct File {
        SentFile sent;
        std::uint32_t blob = 0;
        std::uint64_t hash = 0;
        std::size_t firstSlot = 0, slotCount = 0;
    };
    struct Blob {
        std::size_t at = 0, length = 0;
    };

    std::vector<Byte> log;
    std::size_t written = 0;  // the working file holds log[0, written)
    std::size_t onDisk = 0;   // and is this long
    io::FileStream working;
    std::string path;
    std::string damage;
    std::string memberPath;

    std::vector<File> files;
    std::vector<Slot> slots;
    std::vector<Blob> blobs;
    std::unordered_map<std::uint64_t, std::uint32_t> blobByHash;
    std::array<std::vector<Byte>, 2> marks;

    // By entry, worked out when asked for and forgotten at every change.
    mutable bool tallied = false;
    mutable std::array<std::vector<std::int32_t>, kKindCount> fileCounts;
    mutable std::array<std::vector<std::int64_t>, kKindCount> firstSent;

    void clearWorkedOut() {
        files.clear();
        slots.clear();
        blobs.clear();
        blobByHash.clear();
        marks = {};
        tallied = false;
    }

    Marks marksOf(Kind kind, std::int32_t id) const {
        const int k = markIndex(kind);
        if (k < 0 || id <= 0 || static_cast<std::size_t>(id) >= marks[k].size()) return {};
        return unpackMarks(marks[k][id]);
    }
    void setMarksOf(Kind kind, std::int32_t id, Marks m) {
        const int k = markIndex(kind);
        if (k < 0 || id <= 0) return;
        auto& v = marks[k];
        if (static_cast<std::size_t>(id) >= v.size()) {
            if (m == Marks{}) return;
            v.resize(static_cast<std::size_t>(id) + 1);
        }
        v[id] = packMarks(m);
    }

    // The number of a packed image outside the sounds: one held already, or a new one.
    std::uint32_t blobFor(ConstBytes packed) {
        const std::uint64_t key = hash64(packed);
        if (const auto it = blobByHash.find(key);
            it != blobByHash.end() &&
            std::ranges::equal(
                ConstBytes(log).subspan(blobs[it->second].at, blobs[it->second].length), packed))
            return it->second;
        const auto number = static_cast<std::uint32_t>(blobs.size());
        add(Type::Blob, std::vector<Byte>(packed.begin(), packed.end()));
        return number;
    }

    // Appends one record and takes it into what is worked out.
    void add(Type type, const std::vector<Byte>& fields) {
        const std::size_t start = log.size();
        Writer w(log);
        w.byte(static_cast<Byte>(type));
        w.number(fields.size());
        w.raw(fields);
        Reader r(ConstBytes(log).subspan(start));
        takeIn(r, start);
    }

    // Reads the record at the reader and takes it in; Damaged when it cannot be read.
    void takeIn(Reader& r, std::size_t recordStart) {
        const auto type = static_cast<Type>(r.byte());
        const std::uint64_t length = r.number();
        const std::size_t fieldsAt = recordStart + r.at();
        Reader f(r.raw(length));
        const auto offset = [&] { return static_cast<std::uint32_t>(fieldsAt + f.at()); };
        switch (type) {
            case Type::Blob:
                blobByHash.emplace(hash64(ConstBytes(log).subspan(fieldsAt, length)),
                                   static_cast<std::uint32_t>(blobs.size()));
                blobs.push_back({fieldsAt, length});
                break;
            case Type::Send: {
                File file;
                file.sent.number = static_cast<std::int32_t>(files.size());
                file.sent.name = f.text();
                file.sent.folder = f.text();
                file.sent.sent = f.signedNumber();
                file.blob = static_cast<std::uint32_t>(f.number());
                if (file.blob >= blobs.size())
                    throw Damaged("a send names an image it does not hold");
                file.hash = f.fixed64();
                file.firstSlot = slots.size();
                for (Kind kind : kSlotKinds) {
                    const std::uint64_t count = f.number();
                    std::int64_t id = 0;
                    for (std::uint64_t i = 0; i < count; ++i) {
                        Slot s;
                        s.file = file.sent.number;
                        s.kind = kind;
                        s.slot = f.byte();
                        id += f.signedNumber();
                        s.id = static_cast<std::int32_t>(id);
                        s.hash = f.fixed16();
                        if (kind != Kind::DrumKit) {
                            f.name(s.tableName);
                            if (f.byte() != 0)
                                f.name(s.recordName);
                            else
                                s.recordName = s.tableName;
                        }
                        s.differencesAt = offset();
                        std::array<Byte, pcg::kDrumKitSize> scratch{};
                        applyDifferences(f, scratch);  // read past them, checking they fit
                        const int slotsOfKind =
                            kind == Kind::DrumKit ? pcg::kDrumKitCount : pcg::kSlotCount;
                        if (s.slot >= slotsOfKind || s.id < 0)
                            throw Damaged("a slot is out of range");
                        slots.push_back(s);
                    }
                }
                file.slotCount = slots.size() - file.firstSlot;
                files.push_back(std::move(file));
                break;
            }
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
            case Type::Renumber: {
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
                break;
            }
            case Type::Merge: {
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
                break;
            }
            default:
                throw Damaged("it holds a record of a kind it cannot read");
        }
        tallied = false;
    }

    // Works the log out from its start; a damaged record and what follows it are left out.
    void replay() {
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
                         grouped(static_cast<std::int64_t>(log.size() - at)) +
                         " bytes) is left out";
                log.resize(at);
                return;
            }
            at += r.at();
        }
    }

    void tally() const {
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

    Origin originOf(const Slot& s) const {
        Origin o;
        o.file = s.file;
        o.kind = s.kind;
        o.slot = s.slot;
        o.id = s.id;
        if (s.kind != Kind::DrumKit) o.nameThere = fieldText(s.tableName);
        return o;
    }
};

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
    // The image without the sounds the send stored: a sent slot takes the bytes of the first
    // slot of its kind that holds no sound, so that files made from one template share it.
    pcg::PcgImage outside = pcg.image;
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
            if (filler.record.empty()) {
                std::fill_n(record, target.record.size(), Byte{0});
                if (!target.tableName.empty())
                    std::fill_n(const_cast<Byte*>(target.tableName.data()), pcg::kNameSize,
                                Byte{0});
            } else {
                std::ranges::copy(filler.record, record);
                std::ranges::copy(filler.tableName, const_cast<Byte*>(target.tableName.data()));
            }
        }
    }
    const std::uint32_t blob = state_->blobFor(packRuns(outside.bytes()));

    std::vector<Byte> fields;
    Writer w(fields);
    const std::filesystem::path p(path);
    w.text(path.empty() ? std::string(kUnsavedPcg) : p.filename().string());
    w.text(path.empty() ? std::string() : p.parent_path().string());
    w.signedNumber(sent);
    w.number(blob);
    w.fixed64(hash64(pcg.image.bytes()));
    std::vector<Byte> entry;
    for (Kind kind : kSlotKinds) {
        const auto ids = idsOf(kind);
        w.number(
            static_cast<std::uint64_t>(std::ranges::count_if(ids, [](auto id) { return id > 0; })));
        std::int64_t last = 0;
        entry.resize(layoutOf(kind).recordSize);
        const std::size_t from = nameStart(kind);
        for (int s = 0; s < static_cast<int>(ids.size()); ++s) {
            if (ids[s] <= 0) continue;
            const SlotBytes here = slotBytes(pcg.image, kind, s);
            files.readEntry(kind, ids[s], entry);
            w.byte(static_cast<Byte>(s));
            w.signedNumber(ids[s] - last);
            last = ids[s];
            const ConstBytes sound = here.record.subspan(from);
            w.fixed16(hash16(sound));
            if (kind != Kind::DrumKit) {
                w.name(here.tableName);
                const bool sameName =
                    std::ranges::equal(here.record.first(pcg::kNameSize), here.tableName);
                w.byte(sameName ? 0 : 1);
                if (!sameName) w.name(here.record.first(pcg::kNameSize));
            }
            writeDifferences(w, ConstBytes(entry).subspan(from, sound.size()), sound);
        }
    }
    state_->add(Type::Send, fields);
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

void OriginStore::bringIn(const OriginStore& other, const EntryReader& readThere,
                          const std::array<const std::vector<std::int32_t>*, 3>& idsHere,
                          const std::array<std::int32_t, 2>& countsBefore,
                          const RecordFiles& here) {
    const State& o = *other.state_;
    State& s = *state_;
    const auto idHere = [&](Kind kind, std::int32_t there) -> std::int32_t {
        const std::vector<std::int32_t>& ids = *idsHere[static_cast<std::size_t>(kind)];
        return there > 0 && static_cast<std::size_t>(there) < ids.size() ? ids[there] : 0;
    };
    // The files: each once, with the image outside its sounds shared as a send shares it.
    const auto keyOf = [](const State::File& f) {
        return f.sent.name + '\n' + f.sent.folder + '\n' + std::to_string(f.sent.sent) + '\n' +
               std::to_string(f.hash);
    };
    std::set<std::string> known;
    for (const State::File& f : s.files)
        known.insert(keyOf(f));
    std::vector<Byte> there, entry;
    for (const State::File& f : o.files) {
        if (!known.insert(keyOf(f)).second) continue;
        const State::Blob& blob = o.blobs[f.blob];
        const std::uint32_t blobHere = s.blobFor(ConstBytes(o.log).subspan(blob.at, blob.length));
        std::vector<Byte> fields;
        Writer w(fields);
        w.text(f.sent.name);
        w.text(f.sent.folder);
        w.signedNumber(f.sent.sent);
        w.number(blobHere);
        w.fixed64(f.hash);
        std::size_t i = f.firstSlot;
        for (Kind kind : kSlotKinds) {
            std::vector<const State::Slot*> ofKind;
            for (; i < f.firstSlot + f.slotCount && o.slots[i].kind == kind; ++i)
                ofKind.push_back(&o.slots[i]);
            w.number(ofKind.size());
            std::int64_t last = 0;
            const std::size_t size = layoutOf(kind).recordSize;
            const std::size_t from = nameStart(kind);
            const std::size_t sound = (kind == Kind::Program       ? pcg::kProgramSize
                                       : kind == Kind::Combination ? pcg::kCombinationSize
                                                                   : pcg::kDrumKitSize) -
                                      from;
            for (const State::Slot* slot : ofKind) {
                const std::int32_t id = idHere(kind, slot->id);
                w.byte(slot->slot);
                w.signedNumber(id - last);
                last = id;
                w.fixed16(slot->hash);
                if (kind != Kind::DrumKit) {
                    w.name(slot->tableName);
                    const bool sameName = slot->recordName == slot->tableName;
                    w.byte(sameName ? 0 : 1);
                    if (!sameName) w.name(slot->recordName);
                }
                if (id == 0) {
                    w.number(0);  // a slot whose sound is gone there is empty here too
                    continue;
                }
                // The slot as it was sent, from the entry there, told as it differs from here.
                there.assign(size, 0);
                readThere(kind, slot->id, there);
                Reader r(ConstBytes(o.log).subspan(slot->differencesAt));
                applyDifferences(r, Bytes(there).subspan(from, sound));
                entry.resize(size);
                here.readEntry(kind, id, entry);
                writeDifferences(w, ConstBytes(entry).subspan(from, sound),
                                 ConstBytes(there).subspan(from, sound));
            }
        }
        s.add(Type::Send, fields);
    }
    // The marks, a change each, as the user would make them.
    for (Kind kind : {Kind::Program, Kind::Combination}) {
        const int k = markIndex(kind);
        std::vector<std::int32_t> favourites, hide, show;
        std::array<std::vector<std::int32_t>, 6> rated;
        const std::vector<std::int32_t>& ids = *idsHere[static_cast<std::size_t>(kind)];
        for (std::size_t id = 1; id < ids.size(); ++id) {
            const std::int32_t to = ids[id];
            if (to <= 0) continue;
            const Marks m = o.marksOf(kind, static_cast<std::int32_t>(id));
            const Marks mine = s.marksOf(kind, to);
            const bool fresh = to > countsBefore[static_cast<std::size_t>(k)];
            if (m.favourite && !mine.favourite) favourites.push_back(to);
            if (m.rating > mine.rating) rated[static_cast<std::size_t>(m.rating)].push_back(to);
            if (fresh && m.hidden && !mine.hidden) hide.push_back(to);
            if (!fresh && mine.hidden && !m.hidden) show.push_back(to);
        }
        const auto apply = [&](const std::vector<std::int32_t>& chosen, MarkChange change) {
            if (!chosen.empty()) setMarks(kind, chosen, change);
        };
        apply(favourites, {MarkChange::What::Favourite});
        for (int r = 1; r <= 5; ++r)
            apply(rated[static_cast<std::size_t>(r)], {MarkChange::What::Rating, r});
        apply(hide, {MarkChange::What::Hide});
        apply(show, {MarkChange::What::Show});
    }
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
            std::ranges::copy(slot.recordName, record.begin());
            std::ranges::copy(slot.tableName, const_cast<Byte*>(target.tableName.data()));
        }
        Reader r(ConstBytes(s.log).subspan(slot.differencesAt));
        applyDifferences(r, record.subspan(from));
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
