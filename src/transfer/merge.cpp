#include "transfer/merge.h"

#include <algorithm>
#include <map>
#include <set>

#include "db/class_tree.h"
#include "db/name_replace.h"
#include "db/record_scan.h"
#include "io/refusal.h"
#include "transfer/distance_parts.h"
#include "transfer/matching.h"
#include "transfer/similarity.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

constexpr const char* kCaption = "Merge";
constexpr int kMostClasses = 9;  // the class assignment fills slots 0-8, never slot 9
namespace cmb = pcg::combination;

using Entry = std::vector<Byte>;

[[noreturn]] void refuse(const std::string& text) {
    throw io::RefusalError(io::Refusal{kCaption, text});
}

// "12 PIANO 1", the name in UTF-8.
std::string named(const db::RecordFiles& files, Kind kind, std::int32_t id) {
    return std::to_string(id) + " " + latin1ToUtf8(db::storedName(files, kind, id));
}

std::string namedList(const db::RecordFiles& files, Kind kind,
                      const std::vector<std::int32_t>& ids) {
    std::string text;
    for (const std::int32_t id : ids)
        text += (text.empty() ? "" : ", ") + named(files, kind, id);
    return text;
}

Entry entryBytes(const db::RecordFiles& files, Kind kind, std::int32_t id) {
    Entry bytes(db::layoutOf(kind).recordSize);
    files.readEntry(kind, id, bytes);
    return bytes;
}

// The combinations that play one of `programs`, ascending, each once.
std::vector<std::int32_t> playersOf(const db::RecordFiles& files,
                                    const std::vector<std::int32_t>& programs,
                                    db::References* references) {
    std::set<std::int32_t> players;
    if (references != nullptr) {
        for (const std::int32_t p : programs)
            for (const std::int32_t c : references->combinationsPlaying(p))
                players.insert(c);
    } else {
        db::scanEntries(files, Kind::Combination, [&](std::int32_t c, ConstBytes r) {
            for (int t = 0; t < cmb::kTimbreCount; ++t)
                if (std::ranges::binary_search(programs, parts::timbreProgramId(r, t)))
                    players.insert(c);
        });
    }
    return {players.begin(), players.end()};
}

std::vector<std::int32_t> programsOnKit(const db::RecordFiles& files, std::int32_t kit,
                                        db::References* references) {
    if (references != nullptr) return references->programsOnKit(kit);
    std::vector<std::int32_t> programs;
    db::scanEntries(files, Kind::Program, [&](std::int32_t n, ConstBytes r) {
        if (le32(r, db::ProgramLayout::kDrumKitId) == kit) programs.push_back(n);
    });
    return programs;
}

void planTimbres(const db::RecordFiles& files, MergePlan& plan, db::References* references,
                 ContentMeter& meter) {
    for (const std::int32_t c : playersOf(files, plan.merged, references)) {
        const auto entry = files.read<db::DbCombinationEntry>(c);
        for (int t = 0; t < cmb::kTimbreCount; ++t) {
            const std::int32_t p = entry.timbreProgramId(t);
            if (!std::ranges::binary_search(plan.merged, p)) continue;
            plan.timbres.push_back({c, t, p, meter.programs(plan.kept, p)});
        }
    }
}

// A merged drum program's kit merges into the kept program's kit only when both are stored
// kits of the same content: then no drum program sounds otherwise for it.
void planKits(const db::RecordFiles& files, MergePlan& plan, db::References* references) {
    const std::int32_t kits = files.count(Kind::DrumKit);
    const auto keptEntry = files.read<db::DbProgramEntry>(plan.kept);
    const std::int32_t keptKit = keptEntry.drumKitId();
    if (!kitCheckApplies(keptEntry, keptEntry.program()) || keptKit > kits) return;
    const auto keptKitEntry = files.read<db::DbDrumKitEntry>(keptKit);
    std::set<std::int32_t> mergedKits;
    for (const std::int32_t m : plan.merged) {
        const auto e = files.read<db::DbProgramEntry>(m);
        const std::int32_t kit = e.drumKitId();
        if (kit == keptKit || kit > kits || !kitCheckApplies(e, e.program())) continue;
        if (sameDrumKit(files.read<db::DbDrumKitEntry>(kit), keptKitEntry.drumKit()))
            mergedKits.insert(kit);
    }
    plan.keptKit = keptKit;
    for (const std::int32_t kit : mergedKits)
        for (const std::int32_t p : programsOnKit(files, kit, references))
            if (!std::ranges::binary_search(plan.merged, p)) plan.kitMoves.push_back({p, kit});
    std::ranges::sort(plan.kitMoves, {}, &MergePlan::KitMove::program);
}

ClassGain classGain(const db::RecordFiles& files, Kind kind, std::int32_t kept,
                    const std::vector<std::int32_t>& merged) {
    const std::size_t at =
        kind == Kind::Program ? db::ProgramLayout::kClassIds : db::CombinationLayout::kClassIds;
    const auto classOf = [&](const Entry& e, int slot) {
        return static_cast<int>(static_cast<signed char>(e[at + static_cast<std::size_t>(slot)]));
    };
    ClassGain gain;
    const Entry keptEntry = entryBytes(files, kind, kept);
    std::set<int> present;
    int held = 0;
    for (int s = 0; s < db::kClassSlots; ++s) {
        gain.keptClasses[static_cast<std::size_t>(s)] = keptEntry[at + static_cast<std::size_t>(s)];
        if (classOf(keptEntry, s) != 0) {
            present.insert(classOf(keptEntry, s));
            ++held;
        }
    }
    for (const std::int32_t m : merged) {
        const Entry e = entryBytes(files, kind, m);
        for (int s = 0; s < db::kClassSlots; ++s) {
            const int c = classOf(e, s);
            if (c < 1 || !present.insert(c).second) continue;
            if (held >= kMostClasses) {
                gain.leftOut.push_back(c);
                continue;
            }
            auto& slots = gain.keptClasses;
            *std::find(slots.begin(), slots.begin() + kMostClasses, Byte{0}) = static_cast<Byte>(c);
            gain.gained.push_back(c);
            ++held;
        }
    }
    return gain;
}

// A key that combinations of the same sound share: their compared bytes as they stand and,
// for each timbre, whether it plays a stored program or which program byte it holds.
std::uint64_t soundKey(ConstBytes combination) {
    const parts::ByteMask mask = parts::byteMask(Kind::Combination);
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (std::size_t i = 0; i < mask.vectors * 16; ++i)
        h = (h ^ (combination[parts::kFirst + i] & mask.bytes[i])) * 0x100000001B3ull;
    for (int t = 0; t < cmb::kTimbreCount; ++t)
        h = (h ^ (parts::timbreProgramId(combination, t) > 0 ? 0x100u
                                                             : parts::timbreByte(combination, t))) *
            0x100000001B3ull;
    return h;
}

// The combinations the merge makes the same sound as another: a combination that played a
// merged program plays the kept one afterwards, and only the combinations that play a program
// of the kept one's sound (or another of those that change) can be the same sound as it.
void planFolds(const db::RecordFiles& files, MergePlan& plan, db::References* references,
               ContentMeter& meter) {
    if (plan.kind != Kind::Program || plan.timbres.empty()) return;
    std::map<std::int32_t, Entry> after;  // the combinations that change, as they will be
    for (const MergePlan::Timbre& t : plan.timbres) {
        auto [it, added] = after.try_emplace(t.combination);
        if (added) it->second = entryBytes(files, Kind::Combination, t.combination);
        setLe32(it->second,
                db::CombinationLayout::kTimbreProgramIds + 4 * static_cast<std::size_t>(t.timbre),
                plan.kept);
    }
    const Entry kept = entryBytes(files, Kind::Program, plan.kept);
    std::vector<std::int32_t> sameSound{plan.kept};
    db::scanEntries(files, Kind::Program, [&](std::int32_t n, ConstBytes r) {
        if (n != plan.kept && !std::ranges::binary_search(plan.merged, n) &&
            entryDistance(Kind::Program, kept, r, meter, 0) == 0)
            sameSound.push_back(n);
    });
    std::ranges::sort(sameSound);
    std::set<std::int32_t> candidates;
    for (const auto& [c, e] : after)
        candidates.insert(c);
    for (const std::int32_t c : playersOf(files, sameSound, references))
        candidates.insert(c);
    // The candidates by key, ascending by ID within a key; each key's run split into sounds.
    std::vector<std::pair<std::uint64_t, std::int32_t>> keyed;
    std::map<std::int32_t, Entry> entries;
    for (const std::int32_t c : candidates) {
        const auto changed = after.find(c);
        Entry e =
            changed != after.end() ? changed->second : entryBytes(files, Kind::Combination, c);
        keyed.emplace_back(soundKey(e), c);
        entries.emplace(c, std::move(e));
    }
    std::ranges::sort(keyed);
    for (std::size_t b = 0; b < keyed.size();) {
        std::size_t e = b + 1;
        while (e < keyed.size() && keyed[e].first == keyed[b].first)
            ++e;
        std::vector<std::vector<std::int32_t>> sounds;
        for (std::size_t i = b; i < e; ++i) {
            const std::int32_t c = keyed[i].second;
            const auto same = std::ranges::find_if(sounds, [&](const auto& s) {
                return entryDistance(Kind::Combination, entries.at(s.front()), entries.at(c), meter,
                                     0) == 0;
            });
            if (same == sounds.end())
                sounds.push_back({c});
            else
                same->push_back(c);
        }
        for (const auto& s : sounds) {
            const bool changes =
                std::ranges::any_of(s, [&](std::int32_t c) { return after.contains(c); });
            if (s.size() < 2 || !changes) continue;
            MergePlan::Fold fold{s.front(), {s.begin() + 1, s.end()}, {}};
            fold.classes = classGain(files, Kind::Combination, fold.kept, fold.merged);
            plan.folds.push_back(std::move(fold));
        }
        b = e;
    }
    std::ranges::sort(plan.folds, {}, &MergePlan::Fold::kept);
}

std::string classList(const db::ClassTree& tree, const std::vector<int>& classes) {
    std::string text;
    for (const int c : classes)
        text += (text.empty() ? "" : ", ") + latin1ToUtf8(tree.path(c));
    return text;
}

void classLines(const db::ClassTree& tree, Kind kind, std::int32_t kept, const ClassGain& gain,
                std::vector<std::string>& lines) {
    if (!gain.gained.empty())
        lines.push_back(capitalKindWord(kind) + " " + std::to_string(kept) +
                        " gains the classes: " + classList(tree, gain.gained) + ".");
    if (!gain.leftOut.empty())
        lines.push_back("No room in " + kindWord(kind) + " " + std::to_string(kept) +
                        " for the classes (nine at most): " + classList(tree, gain.leftOut) + ".");
}

void previewLines(const db::RecordFiles& files, MergePlan& plan) {
    const Kind kind = plan.kind;
    auto& lines = plan.lines;
    lines.push_back("Keeps " + kindWord(kind) + " " + named(files, kind, plan.kept) + ".");
    lines.push_back("Merges and deletes " + std::to_string(plan.merged.size()) + " " +
                    kindWord(kind, static_cast<std::int64_t>(plan.merged.size())) + ": " +
                    namedList(files, kind, plan.merged) + ".");
    if (kind == Kind::Program) {
        int same = 0;
        for (const MergePlan::Timbre& t : plan.timbres) {
            if (t.bytes == 0) {
                ++same;
                continue;
            }
            lines.push_back("Combination " + named(files, Kind::Combination, t.combination) +
                            ", timbre " + std::to_string(t.timbre + 1) + ": plays program " +
                            std::to_string(plan.kept) + " in place of " +
                            std::to_string(t.program) + ", a sound " + std::to_string(t.bytes) +
                            (t.bytes == 1 ? " byte" : " bytes") + " different.");
        }
        if (same > 0)
            lines.push_back(std::to_string(same) + (same == 1 ? " timbre plays" : " timbres play") +
                            " program " + std::to_string(plan.kept) +
                            " in place of the same sound.");
        if (plan.timbres.empty()) lines.push_back("No combination plays the merged programs.");
        for (const MergePlan::KitMove& k : plan.kitMoves)
            lines.push_back("Drum program " + named(files, Kind::Program, k.program) +
                            ": plays drum kit " + std::to_string(plan.keptKit) + " in place of " +
                            std::to_string(k.kit) + ", a kit of the same content.");
    }
    const db::ClassTree tree = db::ClassTree::read(files);
    classLines(tree, kind, plan.kept, plan.classes, lines);
    for (const MergePlan::Fold& f : plan.folds) {
        const auto n = static_cast<std::int64_t>(f.merged.size());
        lines.push_back(
            "Merges and deletes " + std::to_string(n) + " " + kindWord(Kind::Combination, n) +
            (n == 1 ? " that becomes" : " that become") + " the same sound as combination " +
            named(files, Kind::Combination, f.kept) + ": " +
            namedList(files, Kind::Combination, f.merged) + ".");
        classLines(tree, Kind::Combination, f.kept, f.classes, lines);
    }
}

void writeClasses(db::RecordFiles& files, Kind kind, std::int32_t id, const ClassGain& gain) {
    if (gain.gained.empty()) return;
    Entry e = entryBytes(files, kind, id);
    const std::size_t at =
        kind == Kind::Program ? db::ProgramLayout::kClassIds : db::CombinationLayout::kClassIds;
    std::ranges::copy(gain.keptClasses, e.begin() + static_cast<std::ptrdiff_t>(at));
    files.writeEntry(kind, id, e);
}

}  // namespace

std::int64_t MergePlan::foldedCount() const {
    std::int64_t n = 0;
    for (const Fold& f : folds)
        n += static_cast<std::int64_t>(f.merged.size());
    return n;
}

MergePlan planMerge(const db::RecordFiles& files, Kind kind,
                    const std::vector<std::int32_t>& members, std::int32_t kept,
                    db::References* references) {
    if (kind != Kind::Program && kind != Kind::Combination)
        refuse("Only programs and combinations can be merged.");
    std::vector<std::int32_t> all = members;
    std::ranges::sort(all);
    all.erase(std::unique(all.begin(), all.end()), all.end());
    if (all.size() < 2) refuse("Choose at least two entries to merge.");
    for (const std::int32_t m : all)
        requireEntry(files, kind, m, kCaption);
    if (!std::ranges::binary_search(all, kept))
        refuse("The " + kindWord(kind) + " to keep must be one of those merged.");
    MergePlan plan;
    plan.kind = kind;
    plan.kept = kept;
    for (const std::int32_t m : all)
        if (m != kept) plan.merged.push_back(m);
    ContentMeter meter(files);
    plan.seen.push_back(entryBytes(files, kind, kept));
    for (const std::int32_t m : plan.merged) {
        plan.seen.push_back(entryBytes(files, kind, m));
        plan.distances.push_back(entryDistance(kind, plan.seen.front(), plan.seen.back(), meter));
    }
    if (kind == Kind::Program) {
        planTimbres(files, plan, references, meter);
        planKits(files, plan, references);
        planFolds(files, plan, references, meter);
    }
    plan.classes = classGain(files, kind, kept, plan.merged);
    previewLines(files, plan);
    return plan;
}

MergeOutcome merge(db::RecordFiles& files, const MergePlan& plan, db::References* references) {
    std::vector<std::int32_t> members{plan.kept};
    members.insert(members.end(), plan.merged.begin(), plan.merged.end());
    const std::string changed = "The database has changed since these " + kindWord(plan.kind, 2) +
                                " were found. Please find them again.";
    for (std::size_t i = 0; i < members.size(); ++i)
        if (members[i] > files.count(plan.kind) || i >= plan.seen.size() ||
            entryBytes(files, plan.kind, members[i]) != plan.seen[i])
            refuse(changed);
    const MergePlan now = planMerge(files, plan.kind, members, plan.kept, references);
    if (now.folds != plan.folds) refuse(changed);

    MergeOutcome outcome;
    std::int32_t written = 0;
    for (std::size_t i = 0; i < now.timbres.size(); ++i) {
        const std::int32_t c = now.timbres[i].combination;
        if (c == written) continue;
        written = c;
        auto entry = files.read<db::DbCombinationEntry>(c);
        for (std::size_t j = i; j < now.timbres.size() && now.timbres[j].combination == c; ++j) {
            entry.setTimbreProgramId(now.timbres[j].timbre, now.kept);
            outcome.soundChanges += now.timbres[j].bytes > 0;
        }
        files.write(c, entry);
        ++outcome.combinations;
    }
    for (const MergePlan::KitMove& k : now.kitMoves) {
        auto entry = files.read<db::DbProgramEntry>(k.program);
        entry.setDrumKitId(now.keptKit);
        files.write(k.program, entry);
        ++outcome.drumPrograms;
    }
    writeClasses(files, now.kind, now.kept, now.classes);
    for (const MergePlan::Fold& f : now.folds)
        writeClasses(files, Kind::Combination, f.kept, f.classes);
    outcome.kept = now.kept;
    const std::int32_t before = files.count(now.kind);
    auto& moved = outcome.renumbered[now.kind == Kind::Program ? 0 : 1];
    moved = db::deleteEntries(files, now.kind, now.merged, outcome.events,
                              &outcome.numbers[now.kind == Kind::Program ? 0 : 1]);
    for (const db::Renumbering& r : moved)
        if (r.from == outcome.kept) outcome.kept = r.to;
    outcome.merged = before - files.count(now.kind);
    std::vector<std::int32_t> folded;
    for (const MergePlan::Fold& f : now.folds)
        folded.insert(folded.end(), f.merged.begin(), f.merged.end());
    if (!folded.empty()) {
        std::ranges::sort(folded);
        const std::int32_t combinations = files.count(Kind::Combination);
        outcome.renumbered[1] = db::deleteEntries(files, Kind::Combination, folded, outcome.events,
                                                  &outcome.numbers[1]);
        outcome.folded = combinations - files.count(Kind::Combination);
    }
    outcome.classesGained = now.classes.gained;
    outcome.classesLeftOut = now.classes.leftOut;
    return outcome;
}

}  // namespace pelvaro::transfer
