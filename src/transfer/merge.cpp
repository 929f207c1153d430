#include "transfer/merge.h"

#include <algorithm>
#include <set>

#include "db/class_tree.h"
#include "db/entry_deletion.h"
#include "db/record_scan.h"
#include "io/refusal.h"
#include "transfer/matching.h"
#include "transfer/similarity.h"

namespace pelvaro::transfer {

using db::Kind;

namespace {

constexpr const char* kCaption = "Merge";
constexpr int kMostClasses = 9;  // the class assignment fills slots 0-8, never slot 9

[[noreturn]] void refuse(const std::string& text) {
    throw io::RefusalError(io::Refusal{kCaption, text});
}

std::string named(const db::RecordFiles& files, Kind kind, std::int32_t id) {
    return std::to_string(id) + " " + entryNameOf(files, kind, id);
}

std::vector<Byte> entryBytes(const db::RecordFiles& files, Kind kind, std::int32_t id) {
    std::vector<Byte> bytes(db::layoutOf(kind).recordSize);
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
            for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
                if (std::ranges::binary_search(
                        programs, le32(r, db::CombinationLayout::kTimbreProgramIds + 4 * t)))
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

void planTimbres(const db::RecordFiles& files, MergePlan& plan, db::References* references) {
    const SoundCoder programs = SoundCoder::forPrograms(files);
    const SoundValues kept = programs.read(files, plan.kept);
    for (const std::int32_t c : playersOf(files, plan.merged, references)) {
        const auto entry = files.read<db::DbCombinationEntry>(c);
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const std::int32_t p = entry.timbreProgramId(t);
            if (!std::ranges::binary_search(plan.merged, p)) continue;
            plan.timbres.push_back(
                {c, t, p, distance(Kind::Program, kept, programs.read(files, p))});
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

template <class E>
void planClasses(const db::RecordFiles& files, MergePlan& plan) {
    const E kept = files.read<E>(plan.kept);
    std::set<int> present;
    int held = 0;
    for (int s = 0; s < db::kClassSlots; ++s) {
        plan.keptClasses[static_cast<std::size_t>(s)] = static_cast<Byte>(kept.classId(s));
        if (kept.classId(s) != 0) {
            present.insert(kept.classId(s));
            ++held;
        }
    }
    for (const std::int32_t m : plan.merged) {
        const E e = files.read<E>(m);
        for (int s = 0; s < db::kClassSlots; ++s) {
            const int c = e.classId(s);
            if (c < 1 || !present.insert(c).second) continue;
            if (held >= kMostClasses) {
                plan.classesLeftOut.push_back(c);
                continue;
            }
            auto& slots = plan.keptClasses;
            *std::find(slots.begin(), slots.begin() + kMostClasses, Byte{0}) = static_cast<Byte>(c);
            plan.classesGained.push_back(c);
            ++held;
        }
    }
}

std::string classList(const db::ClassTree& tree, const std::vector<int>& classes) {
    std::string text;
    for (const int c : classes)
        text += (text.empty() ? "" : ", ") + std::string(tree.path(c));
    return text;
}

void previewLines(const db::RecordFiles& files, MergePlan& plan) {
    const Kind kind = plan.kind;
    auto& lines = plan.lines;
    lines.push_back("Keeps " + kindWord(kind) + " " + named(files, kind, plan.kept) + ".");
    std::string merged;
    for (const std::int32_t m : plan.merged)
        merged += (merged.empty() ? "" : ", ") + named(files, kind, m);
    lines.push_back("Merges and deletes " + std::to_string(plan.merged.size()) + " " +
                    kindWord(kind, static_cast<std::int64_t>(plan.merged.size())) + ": " + merged +
                    ".");
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
    const std::string keptName = kindWord(kind) + " " + std::to_string(plan.kept);
    if (!plan.classesGained.empty())
        lines.push_back(capitalKindWord(kind) + " " + std::to_string(plan.kept) +
                        " gains the classes: " + classList(tree, plan.classesGained) + ".");
    if (!plan.classesLeftOut.empty())
        lines.push_back("No room in " + keptName + " for the classes (nine at most): " +
                        classList(tree, plan.classesLeftOut) + ".");
}

}  // namespace

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
    plan.seen.push_back(entryBytes(files, kind, kept));
    for (const std::int32_t m : plan.merged)
        plan.seen.push_back(entryBytes(files, kind, m));
    if (kind == Kind::Program) {
        planTimbres(files, plan, references);
        planKits(files, plan, references);
        planClasses<db::DbProgramEntry>(files, plan);
    } else {
        planClasses<db::DbCombinationEntry>(files, plan);
    }
    previewLines(files, plan);
    return plan;
}

MergeOutcome merge(db::RecordFiles& files, const MergePlan& plan, db::References* references) {
    std::vector<std::int32_t> members{plan.kept};
    members.insert(members.end(), plan.merged.begin(), plan.merged.end());
    for (std::size_t i = 0; i < members.size(); ++i)
        if (members[i] > files.count(plan.kind) || i >= plan.seen.size() ||
            entryBytes(files, plan.kind, members[i]) != plan.seen[i])
            refuse("The database has changed since these " + kindWord(plan.kind, 2) +
                   " were found. Please find them again.");
    const MergePlan now = planMerge(files, plan.kind, members, plan.kept, references);

    MergeOutcome outcome;
    std::int32_t changed = 0;
    for (std::size_t i = 0; i < now.timbres.size(); ++i) {
        const std::int32_t c = now.timbres[i].combination;
        if (c == changed) continue;
        changed = c;
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
    if (!now.classesGained.empty()) {
        std::vector<Byte> kept = entryBytes(files, now.kind, now.kept);
        const std::size_t at = now.kind == Kind::Program ? db::ProgramLayout::kClassIds
                                                         : db::CombinationLayout::kClassIds;
        std::ranges::copy(now.keptClasses, kept.begin() + static_cast<std::ptrdiff_t>(at));
        files.writeEntry(now.kind, now.kept, kept);
    }
    outcome.kept = now.kept;
    const std::int32_t before = files.count(now.kind);
    for (const db::Renumbering& r : db::deleteEntries(files, now.kind, now.merged, outcome.events))
        if (r.from == outcome.kept) outcome.kept = r.to;
    outcome.merged = before - files.count(now.kind);
    outcome.classesGained = now.classesGained;
    outcome.classesLeftOut = now.classesLeftOut;
    return outcome;
}

}  // namespace pelvaro::transfer
