#include "pcg/arrange.h"

#include <algorithm>
#include <numeric>

#include "io/wording.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::pcg {

namespace {

using Verdict = ArrangePlan::Verdict;

// A name shown in a question lists at most this many slots; the rest are counted.
constexpr std::size_t kMostNamed = 20;
// More runs of pushed records than this are counted rather than named.
constexpr std::size_t kMostRuns = 3;

std::string counted(int n, SlotKind kind) {
    return std::to_string(n) + " " + kindWord(kind, n);
}

// "3 Programs", as an undo step is named.
std::string countedName(int n, SlotKind kind) {
    return std::to_string(n) + " " + capitalised(kindWord(kind, n));
}

std::string kindName(SlotKind kind) {
    return capitalised(kindWord(kind, 2));
}

ArrangePlan plan(Verdict verdict, SlotKind kind, std::string why = {}) {
    ArrangePlan p;
    p.verdict = verdict;
    p.kind = kind;
    p.from = identityOrder();
    p.kitFrom = identityKitOrder();
    p.preview = why;
    p.summary = std::move(why);
    return p;
}

// The words of a plan that changes something: "Moves" + rest while dragging, "Moved" + rest
// afterwards.
void describe(ArrangePlan& p, std::string name, const char* present, const char* past,
              const std::string& rest) {
    p.name = std::move(name);
    p.preview = present + rest;
    p.summary = past + rest;
}

// The slots of a selection, in the order given, each once; nothing when one is no slot.
std::optional<std::vector<int>> distinctSlots(const std::vector<int>& slots) {
    std::vector<int> out;
    std::array<bool, kSlotCount> seen{};
    for (const int s : slots) {
        if (!isSlot(s)) return std::nullopt;
        if (!seen[s]) out.push_back(s);
        seen[s] = true;
    }
    return out;
}

std::string noSlot(const std::vector<int>& slots) {
    for (const int s : slots)
        if (!isSlot(s)) return "There is no slot " + std::to_string(s);
    return "There is no slot";
}

std::string follow(int n, const char* one, const char* many) {
    if (n == 0) return {};
    return "; " + std::to_string(n) + (n == 1 ? one : many);
}

// "; 5 combinations follow them", when combinations follow.
std::string combinationsFollow(const PcgState& pcg, const ArrangePlan& p) {
    if (p.kind != SlotKind::Program) return {};
    return follow(combinationsFollowing(pcg, p.from, p.stay), " combination follows them",
                  " combinations follow them");
}

// "; A40-A44 pushed to A45-A49", from the pushed records' old and new slots, ascending.
std::string pushedText(const std::vector<std::pair<int, int>>& pushed, SlotKind kind) {
    if (pushed.empty()) return {};
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < pushed.size();) {
        std::size_t j = i + 1;
        while (j < pushed.size() && pushed[j].first == pushed[j - 1].first + 1 &&
               pushed[j].second == pushed[j - 1].second + 1)
            ++j;
        const auto range = [](int first, int last) {
            return first == last ? slotName(first) : slotName(first) + "-" + slotName(last);
        };
        runs.push_back(range(pushed[i].first, pushed[j - 1].first) + " pushed to " +
                       range(pushed[i].second, pushed[j - 1].second));
        i = j;
    }
    if (runs.size() > kMostRuns)
        return "; " + counted(static_cast<int>(pushed.size()), kind) + " pushed toward B99";
    std::string text;
    for (const std::string& run : runs)
        text += (text.empty() ? "; " : ", ") + run;
    return text;
}

std::string missingText(int missing, int target) {
    return std::to_string(missing) + (missing == 1 ? " free slot is" : " free slots are") +
           " missing from " + slotName(target) + " on";
}

std::vector<int> run(int first, int count) {
    std::vector<int> slots(static_cast<std::size_t>(count));
    std::iota(slots.begin(), slots.end(), first);
    return slots;
}

enum class Verb { Move, Place, Insert };

// The used records among `selection` (for Insert, `count` records yet to come) going to the
// slots from `target` on, the records standing there pushed toward B99.
ArrangePlan planPush(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection,
                     int count, int target, Verb verb, std::vector<int> stay = {}) {
    const auto chosen = distinctSlots(selection);
    if (!chosen) return plan(Verdict::Refused, kind, noSlot(selection));
    if (!isSlot(target)) return plan(Verdict::Refused, kind, noSlot({target}));
    const UsedSlots used = usedSlots(pcg, kind);
    std::vector<int> records;
    for (const int s : *chosen)
        if (used[s]) records.push_back(s);
    const int k = verb == Verb::Insert ? count : static_cast<int>(records.size());
    const std::string doing = verb == Verb::Move ? "move" : "place";
    if (k == 0)
        return plan(Verdict::Refused, kind,
                    "Nothing to " + doing + ": the chosen " + kindWord(kind) + " slots are empty");

    // The selection's own slots are free for the push.
    UsedSlots standing = used;
    for (const int s : records)
        standing[s] = false;
    int room = 0;
    for (int s = target; s < kSlotCount; ++s)
        if (!standing[s]) ++room;
    if (room < k)
        return plan(Verdict::Refused, kind,
                    "Cannot " + doing + " " + counted(k, kind) +
                        (verb == Verb::Move ? " to " : " at ") + slotName(target) + ": " +
                        missingText(k - room, target));

    SlotOrder to = identityOrder();
    for (int i = 0; i < static_cast<int>(records.size()); ++i)
        to[records[i]] = target + i;
    // A record reached by the push goes to the slot after the last one taken; the first one
    // that is not reached ends the push.
    std::vector<std::pair<int, int>> pushed;
    int last = target + k - 1;
    for (int s = target; s < kSlotCount; ++s) {
        if (!standing[s]) continue;
        if (s > last) break;
        to[s] = ++last;
        pushed.emplace_back(s, last);
    }

    ArrangePlan p = plan(Verdict::Changes, kind);
    p.insertAt = target;
    if (verb == Verb::Insert) {
        // Nothing is moved yet: the plan only shows where the entries would go.
        p.preview = "Places " + counted(k, kind) + " at " + slotsText(run(target, k)) +
                    pushedText(pushed, kind);
        p.summary = p.preview;
        return p;
    }
    p.from = completeOrder(used, to);
    p.stay = std::move(stay);
    // Records just placed may have landed where they were to go: that is a placement still.
    if (isIdentity(p.from) && verb == Verb::Move) {
        ArrangePlan same =
            plan(Verdict::Unchanged, kind,
                 counted(k, kind) + (k == 1 ? " stands" : " stand") + " there already");
        same.insertAt = target;
        return same;
    }
    const std::string rest = " " + counted(k, kind) + (verb == Verb::Move ? " to " : " at ") +
                             slotsText(run(target, k)) + combinationsFollow(pcg, p) +
                             pushedText(pushed, kind);
    if (verb == Verb::Move)
        describe(p, "Move " + countedName(k, kind), "Moves", "Moved", rest);
    else
        describe(p, "Place " + countedName(k, kind), "Places", "Placed", rest);
    return p;
}

std::string sortKey(ConstNameBytes name) {
    std::string key = nameText(name);
    for (char& c : key)
        c = upperCase8Bit(c);
    return key;
}

// The used slots among `slots`, ascending, or nothing when one is no slot.
std::optional<std::vector<int>> scopeOf(const std::vector<int>& slots) {
    auto scope = distinctSlots(slots);
    if (scope) std::ranges::sort(*scope);
    return scope;
}

// "A00 SPLIT" for each slot, at most kMostNamed of them, each after `before`; then "and N more".
std::string namedSlots(const PcgState& pcg, SlotKind kind, const std::vector<int>& slots,
                       const char* before) {
    std::string text;
    for (std::size_t i = 0; i < slots.size() && i < kMostNamed; ++i)
        text += (i == 0 ? "" : before) + slotName(slots[i]) + ' ' + nameInText(pcg, kind, slots[i]);
    if (slots.size() > kMostNamed)
        text += before + ("and " + std::to_string(slots.size() - kMostNamed) + " more");
    return text;
}

// The lines of a question: "\nA00 SPLIT\nA01 LAYER".
std::string namedLines(const PcgState& pcg, SlotKind kind, const std::vector<int>& slots) {
    return "\n" + namedSlots(pcg, kind, slots, "\n");
}

// "A, B and C"; past three, "A, B, C and 4 more".
std::string joinedNames(const std::vector<std::string>& names) {
    constexpr std::size_t kMostInLine = 3;
    const std::size_t shown = names.size() > kMostInLine ? kMostInLine : names.size();
    std::string text;
    for (std::size_t i = 0; i < shown; ++i)
        text += (i == 0 ? "" : i + 1 == shown && shown == names.size() ? " and " : ", ") + names[i];
    if (shown < names.size()) text += " and " + std::to_string(names.size() - shown) + " more";
    return text;
}

std::string kitsText(const std::vector<int>& kits) {
    std::string text;
    for (const int k : kits)
        text += (text.empty() ? "" : ", ") + std::to_string(k);
    return text;
}

}  // namespace

std::vector<int> allSlots() {
    return run(0, kSlotCount);
}

std::vector<int> bankSlots(int bank) {
    return run(bank == 0 ? 0 : kBankSize, kBankSize);
}

ArrangePlan planMove(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection,
                     int target) {
    return planPush(pcg, kind, selection, 0, target, Verb::Move);
}

ArrangePlan planPlace(const PcgState& pcg, SlotKind kind, const std::vector<int>& placed,
                      int target, const UsedSlots& usedBefore) {
    std::vector<int> stay;
    if (kind == SlotKind::Program)
        for (const int s : placed)
            if (isSlot(s) && !usedBefore[s]) stay.push_back(s);
    return planPush(pcg, kind, placed, 0, target, Verb::Place, std::move(stay));
}

ArrangePlan planInsert(const PcgState& pcg, SlotKind kind, int count, int target) {
    return planPush(pcg, kind, {}, count, target, Verb::Insert);
}

ArrangePlan planSwap(const PcgState& pcg, SlotKind kind, const std::vector<int>& first,
                     const std::vector<int>& second) {
    std::vector<int> both = first;
    both.insert(both.end(), second.begin(), second.end());
    const auto distinct = distinctSlots(both);
    if (!distinct) return plan(Verdict::Refused, kind, noSlot(both));
    if (first.empty() && second.empty()) return plan(Verdict::Unchanged, kind, "Nothing to swap");
    if (first.size() != second.size())
        return plan(Verdict::Refused, kind,
                    "Cannot swap " + slotsText(first) + " with " + slotsText(second) +
                        ": both sides need as many slots");
    if (distinct->size() != both.size())
        return plan(
            Verdict::Refused, kind,
            "Cannot swap " + slotsText(first) + " with " + slotsText(second) + ": they overlap");
    const UsedSlots used = usedSlots(pcg, kind);
    ArrangePlan p = plan(Verdict::Changes, kind);
    p.swapWith = second;
    for (std::size_t i = 0; i < first.size(); ++i) {
        // Two empty slots stay exactly as they are.
        if (!used[first[i]] && !used[second[i]]) continue;
        p.from[first[i]] = second[i];
        p.from[second[i]] = first[i];
    }
    if (isIdentity(p.from)) {
        ArrangePlan same = plan(Verdict::Unchanged, kind, "Nothing to swap: the slots are empty");
        same.swapWith = second;
        return same;
    }
    describe(p, "Swap " + kindName(kind), "Swaps", "Swapped",
             " " + slotsText(first) + " with " + slotsText(second) + combinationsFollow(pcg, p));
    return p;
}

ArrangePlan planSwapAt(const PcgState& pcg, SlotKind kind, std::vector<int> selection, int target) {
    std::ranges::sort(selection);
    const int n = static_cast<int>(selection.size());
    if (!isSlot(target)) return plan(Verdict::Refused, kind, noSlot({target}));
    if (target + n > kSlotCount)
        return plan(Verdict::Refused, kind,
                    "Cannot swap " + std::to_string(n) + " slots with the slots from " +
                        slotName(target) + ": they would end after B99");
    return planSwap(pcg, kind, selection, run(target, n));
}

ArrangePlan planCopy(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection,
                     int target) {
    const auto chosen = distinctSlots(selection);
    if (!chosen) return plan(Verdict::Refused, kind, noSlot(selection));
    if (!isSlot(target)) return plan(Verdict::Refused, kind, noSlot({target}));
    const UsedSlots used = usedSlots(pcg, kind);
    std::vector<int> records;
    for (const int s : *chosen)
        if (used[s]) records.push_back(s);
    const int k = static_cast<int>(records.size());
    if (k == 0)
        return plan(Verdict::Refused, kind,
                    "Nothing to copy: the chosen " + kindWord(kind) + " slots are empty");
    std::vector<int> free;
    for (int s = target; s < kSlotCount && static_cast<int>(free.size()) < k; ++s)
        if (!used[s]) free.push_back(s);
    if (static_cast<int>(free.size()) < k)
        return plan(Verdict::Refused, kind,
                    "Cannot copy " + counted(k, kind) + " to " + slotName(target) + ": " +
                        missingText(k - static_cast<int>(free.size()), target));
    ArrangePlan p = plan(Verdict::Changes, kind);
    p.insertAt = target;
    for (int i = 0; i < k; ++i)
        p.copies.emplace_back(records[i], free[i]);
    describe(p, "Copy " + countedName(k, kind), "Copies", "Copied",
             " " + counted(k, kind) + " to " + slotsText(free));
    return p;
}

ArrangePlan planEmpty(const PcgState& pcg, SlotKind kind, const std::vector<int>& selection) {
    const auto scope = scopeOf(selection);
    if (!scope) return plan(Verdict::Refused, kind, noSlot(selection));
    std::vector<int> records;
    for (const int s : *scope)
        if (slotUsed(pcg, kind, s)) records.push_back(s);
    const int k = static_cast<int>(records.size());
    if (k == 0)
        return plan(Verdict::Unchanged, kind,
                    "Nothing to empty: the chosen " + kindWord(kind) + " slots are empty");
    ArrangePlan p = plan(Verdict::Changes, kind);
    p.emptied = records;
    if (kind == SlotKind::Program) {
        for (const int s : records) {
            const std::vector<int> players = combinationsPlaying(pcg, s);
            p.combinationsLeft.insert(p.combinationsLeft.end(), players.begin(), players.end());
        }
        std::ranges::sort(p.combinationsLeft);
        p.combinationsLeft.erase(std::unique(p.combinationsLeft.begin(), p.combinationsLeft.end()),
                                 p.combinationsLeft.end());
    }
    describe(p, "Empty " + countedName(k, kind), "Empties", "Emptied",
             " " + counted(k, kind) + ": " + slotsText(records));
    return p;
}

ArrangePlan planSortByName(const PcgState& pcg, SlotKind kind, const std::vector<int>& slots) {
    const auto scope = scopeOf(slots);
    if (!scope) return plan(Verdict::Refused, kind, noSlot(slots));
    std::vector<int> records;
    std::vector<std::string> keys(kSlotCount);
    for (const int s : *scope)
        if (slotUsed(pcg, kind, s)) {
            records.push_back(s);
            keys[s] = sortKey(kind == SlotKind::Program ? pcg.image.programName(s)
                                                        : pcg.image.combinationName(s));
        }
    std::vector<int> sorted = records;
    std::ranges::stable_sort(sorted, [&](int a, int b) {
        return std::ranges::lexicographical_compare(keys[a], keys[b], [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
    });
    ArrangePlan p = plan(Verdict::Changes, kind);
    for (std::size_t i = 0; i < records.size(); ++i)
        p.from[records[i]] = sorted[i];
    const std::string where = slotsText(*scope);
    if (isIdentity(p.from))
        return plan(Verdict::Unchanged, kind,
                    "The " + kindWord(kind) + "s of " + where + " are in the order of their names");
    describe(p, "Sort " + kindName(kind) + " by Name", "Sorts", "Sorted",
             " " + counted(static_cast<int>(records.size()), kind) + " of " + where + " by name" +
                 combinationsFollow(pcg, p));
    return p;
}

ArrangePlan planCloseGaps(const PcgState& pcg, SlotKind kind, const std::vector<int>& slots) {
    const auto scope = scopeOf(slots);
    if (!scope) return plan(Verdict::Refused, kind, noSlot(slots));
    const UsedSlots used = usedSlots(pcg, kind);
    SlotOrder to = identityOrder();
    int moved = 0;
    std::size_t next = 0;
    for (const int s : *scope)
        if (used[s]) {
            to[s] = (*scope)[next++];
            if (to[s] != s) ++moved;
        }
    const std::string where = slotsText(*scope);
    if (moved == 0)
        return plan(Verdict::Unchanged, kind,
                    "There are no gaps between the " + kindWord(kind) + "s of " + where);
    ArrangePlan p = plan(Verdict::Changes, kind);
    p.from = completeOrder(used, to);
    describe(p, "Close Gaps", "Moves", "Moved",
             " " + counted(moved, kind) + " up to close the gaps in " + where +
                 combinationsFollow(pcg, p));
    return p;
}

ArrangePlan planSwapDrumKits(const PcgState& pcg, int a, int b) {
    if (!isDrumKitSlot(a) || !isDrumKitSlot(b))
        return plan(Verdict::Refused, SlotKind::Program,
                    "There is no drum kit " + std::to_string(isDrumKitSlot(a) ? b : a));
    if (a == b) {
        ArrangePlan same =
            plan(Verdict::Unchanged, SlotKind::Program, "A drum kit stays where it is");
        same.swapWith = {b};
        return same;
    }
    ArrangePlan p = plan(Verdict::Changes, SlotKind::Program);
    p.swapWith = {b};
    std::swap(p.kitFrom[a], p.kitFrom[b]);
    const int players =
        static_cast<int>(drumProgramsPlaying(pcg, a).size() + drumProgramsPlaying(pcg, b).size());
    describe(p, "Swap Drum Kits", "Swaps", "Swapped",
             " drum kits " + std::to_string(a) + " and " + std::to_string(b) +
                 follow(players, " drum program follows them", " drum programs follow them"));
    return p;
}

ArrangePlan planEmptyDrumKits(const PcgState& pcg, const std::vector<int>& kits) {
    std::vector<int> emptied;
    for (const int k : kits) {
        if (!isDrumKitSlot(k))
            return plan(Verdict::Refused, SlotKind::Program,
                        "There is no drum kit " + std::to_string(k));
        if (std::ranges::find(emptied, k) == emptied.end() &&
            !std::ranges::equal(pcg.image.drumKit(k), pcg.templates.drumKits[k]))
            emptied.push_back(k);
    }
    std::ranges::sort(emptied);
    if (emptied.empty())
        return plan(Verdict::Unchanged, SlotKind::Program,
                    "Nothing to empty: the chosen drum kits are empty");
    ArrangePlan p = plan(Verdict::Changes, SlotKind::Program);
    p.emptiedKits = emptied;
    for (const int k : emptied) {
        const std::vector<int> players = drumProgramsPlaying(pcg, k);
        p.drumProgramsLeft.insert(p.drumProgramsLeft.end(), players.begin(), players.end());
    }
    std::ranges::sort(p.drumProgramsLeft);
    const int n = static_cast<int>(emptied.size());
    describe(p, n == 1 ? "Empty 1 Drum Kit" : "Empty " + std::to_string(n) + " Drum Kits",
             "Empties", "Emptied",
             std::string(n == 1 ? " drum kit " : " drum kits ") + kitsText(emptied));
    return p;
}

void apply(PcgState& pcg, const ArrangePlan& p) {
    if (!p.changes()) return;
    reorderSlots(pcg, p.kind, p.from, p.stay);
    for (const auto& [source, destination] : p.copies) {
        if (p.kind == SlotKind::Program) {
            std::ranges::copy(pcg.image.program(source), pcg.image.program(destination).begin());
            std::ranges::copy(pcg.image.programName(source),
                              pcg.image.programName(destination).begin());
        } else {
            std::ranges::copy(pcg.image.combination(source),
                              pcg.image.combination(destination).begin());
            std::ranges::copy(pcg.image.combinationName(source),
                              pcg.image.combinationName(destination).begin());
        }
    }
    for (const int s : p.emptied)
        emptyPcgSlot(pcg, p.kind, s);
    reorderDrumKits(pcg, p.kitFrom);
    for (const int k : p.emptiedKits)
        std::ranges::copy(pcg.templates.drumKits[k], pcg.image.drumKit(k).begin());
    computeOccupancy(pcg);
    scanDrumKits(pcg);
}

std::string emptyQuestion(const PcgState& pcg, const ArrangePlan& p) {
    if (p.combinationsLeft.empty() && p.drumProgramsLeft.empty()) return {};
    std::string text;
    if (!p.combinationsLeft.empty())
        text += std::string(p.combinationsLeft.size() == 1 ? "This combination plays"
                                                           : "These combinations play") +
                " a program that is to be emptied and will then play an empty slot:" +
                namedLines(pcg, SlotKind::Combination, p.combinationsLeft) + "\n\n";
    if (!p.drumProgramsLeft.empty())
        text += std::string(p.drumProgramsLeft.size() == 1 ? "This drum program plays"
                                                           : "These drum programs play") +
                " a kit that is to be emptied and will then play an empty kit:" +
                namedLines(pcg, SlotKind::Program, p.drumProgramsLeft) + "\n\n";
    if (!p.emptiedKits.empty())
        // The preview of an Empty reads "Empties ...": the question asks "Empty ...?".
        return text + "Empty" + p.preview.substr(std::string_view("Empties").size()) + "?";
    return text + "Empty " + counted(static_cast<int>(p.emptied.size()), p.kind) + ": " +
           namedSlots(pcg, p.kind, p.emptied, ", ") + "?";
}

std::vector<std::string> filledSlotLines(const PcgState& before, const PcgState& after) {
    std::vector<std::string> lines;
    for (int s = 0; s < kSlotCount; ++s) {
        if (slotUsed(before, SlotKind::Program, s) || !slotUsed(after, SlotKind::Program, s))
            continue;
        const std::vector<int> players = combinationsPlaying(before, s);
        if (players.empty()) continue;
        std::vector<std::string> names;
        for (const int c : players)
            names.push_back(nameInText(before, SlotKind::Combination, c));
        lines.push_back(joinedNames(names) + (players.size() == 1 ? " plays" : " play") +
                        " the empty " + slotName(s) + " and will play " +
                        nameInText(after, SlotKind::Program, s));
    }
    return lines;
}

}  // namespace pelvaro::pcg
