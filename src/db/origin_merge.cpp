// Another database's origins and marks brought into this one (Merge Database).
#include <set>

#include "db/origin_state.h"

namespace pelvaro::db {

using namespace originlog;

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
        std::vector<Byte> fields;
        Writer w(fields);
        w.text(f.sent.name);
        w.text(f.sent.folder);
        w.signedNumber(f.sent.sent);
        w.number(s.blobNumberFor(o.imageOf(f.blob)));
        w.fixed64(f.hash);
        std::size_t i = f.firstSlot;
        for (Kind kind : kSlotKinds) {
            // The slots whose sound is still stored there, with their entries here; a slot
            // whose entry went there is left out, and is given back as the image holds it.
            std::vector<std::pair<const State::Slot*, std::int32_t>> kept;
            for (; i < f.firstSlot + f.slotCount && o.slots[i].kind == kind; ++i)
                if (const std::int32_t id = idHere(kind, o.slots[i].id); id > 0)
                    kept.push_back({&o.slots[i], id});
            std::vector<std::pair<int, int>> runs;  // [from, to) of the slots kept
            for (const auto& [slot, id] : kept) {
                if (!runs.empty() && runs.back().second == slot->slot)
                    ++runs.back().second;
                else
                    runs.push_back({slot->slot, slot->slot + 1});
            }
            w.number(runs.size());
            int end = 0;
            for (const auto& [from, to] : runs) {
                w.number(static_cast<std::uint64_t>(from - end));
                w.number(static_cast<std::uint64_t>(to - from));
                end = to;
            }
            const std::size_t size = layoutOf(kind).recordSize;
            const std::size_t from = nameStart(kind);
            const std::size_t sound = (kind == Kind::Program       ? pcg::kProgramSize
                                       : kind == Kind::Combination ? pcg::kCombinationSize
                                                                   : pcg::kDrumKitSize) -
                                      from;
            std::int64_t expected = 1;
            for (const auto& [slot, id] : kept) {
                w.signedNumber(id - expected);
                expected = std::max<std::int64_t>(expected, id + 1);
                // The slot as it was sent, from the entry there, told as it differs from here.
                there.assign(size, 0);
                readThere(kind, slot->id, there);
                if ((slot->flags & slotflags::kDifferences) != 0) {
                    Reader r(ConstBytes(o.log).subspan(slot->differencesAt));
                    applyDifferences(r, Bytes(there).subspan(from, sound));
                }
                entry.resize(size);
                here.readEntry(kind, id, entry);
                const ConstBytes was = ConstBytes(there).subspan(from, sound);
                const ConstBytes stored = ConstBytes(entry).subspan(from, sound);
                Byte flags = slot->flags & slotflags::kTableNameInImage;
                if (!std::ranges::equal(stored, was)) flags |= slotflags::kDifferences;
                w.byte(flags);
                w.fixed16(slot->hash);
                if (kind != Kind::DrumKit) w.name(o.recordNameOf(*slot));
                if ((flags & slotflags::kDifferences) != 0) writeDifferences(w, stored, was);
            }
        }
        s.add(Type::Send, fields);
    }
    // The marks, a change each, as the user would make them.
    for (Kind kind : {Kind::Program, Kind::Combination}) {
        const int k = kind == Kind::Program ? 0 : 1;  // the marks of programs, of combinations
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

}  // namespace pelvaro::db
