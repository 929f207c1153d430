#include "lists/relations.h"

#include <algorithm>

#include "io/wording.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::lists {

namespace {

constexpr std::size_t kShown = 3;    // entries named on the line
constexpr std::size_t kListed = 40;  // entries named in the tooltip

std::string programText(const db::RecordFiles& files, std::int32_t id) {
    if (id < 1 || id > files.count(db::Kind::Program)) return std::to_string(id);
    return std::to_string(id) + " " +
           latin1ToUtf8(db::entryName(files.read<db::DbProgramEntry>(id)));
}

std::string combinationText(const db::RecordFiles& files, std::int32_t id) {
    return std::to_string(id) + " " +
           latin1ToUtf8(db::entryName(files.read<db::DbCombinationEntry>(id)));
}

// "5 SPLIT, 7 LAYER, 12 PADS, ..." for the line; the tooltip gets its lines.
template <class Id, class Text>
std::string listedNames(const std::vector<Id>& ids, const Text& text,
                        std::vector<std::string>& tip) {
    std::string shown;
    for (std::size_t i = 0; i < ids.size() && (i < kShown || i < kListed); ++i) {
        const std::string one = text(ids[i]);
        if (i < kShown) shown += (i > 0 ? ", " : "") + one;
        tip.push_back(one);
    }
    if (ids.size() > kListed) tip.push_back("... and " + grouped(ids.size() - kListed) + " more");
    if (ids.size() > kShown) shown += ", ...";
    return shown;
}

// "A05 PAD".
std::string slotText(const pcg::PcgState& pcg, pcg::SlotKind kind, int slot) {
    return pcg::slotName(slot) + " " + pcg::nameInText(pcg, kind, slot);
}

}  // namespace

WhereUsed programWhereUsed(const db::RecordFiles& files, db::References& references,
                           std::int32_t program) {
    WhereUsed w;
    const std::vector<std::int32_t> players = references.combinationsPlaying(program);
    const auto combination = [&files](std::int32_t id) { return combinationText(files, id); };
    if (players.empty()) {
        w.line = "Played by no combination";
        w.tip.push_back(w.line);
    } else {
        w.tip.push_back("Played by:");
        w.line = "Played by " + countOf(std::ssize(players), "combination", "combinations") + ": " +
                 listedNames(players, combination, w.tip);
    }
    const std::int32_t kit = files.read<db::DbProgramEntry>(program).drumKitId();
    if (kit > 0) {
        std::vector<std::int32_t> sharing = references.programsOnKit(kit);
        std::erase(sharing, program);
        if (!sharing.empty()) {
            w.tip.push_back("Its drum kit is played by:");
            const auto other = [&files](std::int32_t id) { return programText(files, id); };
            w.line += "; its drum kit also by " +
                      countOf(std::ssize(sharing), "program", "programs") + ": " +
                      listedNames(sharing, other, w.tip);
        }
    }
    return w;
}

WhereUsed combinationPlays(const db::RecordFiles& files, std::int32_t combination) {
    WhereUsed w;
    const auto entry = files.read<db::DbCombinationEntry>(combination);
    std::vector<std::string> plays;
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        const std::int32_t id = entry.timbreProgramId(t);
        const std::string text = id < 1 ? db::timbreText(id) : programText(files, id);
        if (id != 0) plays.push_back(text);
        w.tip.push_back("Timbre " + std::to_string(t + 1) + ": " + text);
    }
    w.line = "Plays no program";
    if (!plays.empty()) {
        w.line = "Plays ";
        for (std::size_t i = 0; i < plays.size(); ++i)
            w.line += (i > 0 ? ", " : "") + plays[i];
    }
    return w;
}

WhereUsed pcgCombinationPlays(const pcg::PcgState& pcg, int slot) {
    WhereUsed w;
    if (pcg.occupancy.combinationUsed[slot] != 1) {
        w.line = "Empty slot";
        w.tip.push_back(w.line);
        return w;
    }
    const pcg::ConstCombinationBytes c = pcg.image.combination(slot);
    std::vector<std::string> plays;
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        const std::string text = pcg::timbreText(pcg, c, t);
        if (!pcg::timbreDisabled(c, t)) plays.push_back(text);
        w.tip.push_back("Timbre " + std::to_string(t + 1) + ": " + text);
    }
    w.line = "Plays no program";
    if (!plays.empty()) {
        w.line = "Plays ";
        for (std::size_t i = 0; i < plays.size(); ++i)
            w.line += (i > 0 ? ", " : "") + plays[i];
    }
    return w;
}

WhereUsed pcgProgramWhereUsed(const pcg::PcgState& pcg, int slot) {
    WhereUsed w;
    const bool used = pcg.occupancy.programUsed[slot] == 1;
    const std::vector<int> players = pcg::combinationsPlaying(pcg, slot);
    const auto combination = [&pcg](int s) { return slotText(pcg, pcg::SlotKind::Combination, s); };
    const std::string played = used ? "Played by" : "Empty slot, played by";
    if (players.empty()) {
        w.line = played + " no combination";
        w.tip.push_back(w.line);
    } else {
        w.tip.push_back(played + ":");
        w.line = played + " " + countOf(std::ssize(players), "combination", "combinations") + ": " +
                 listedNames(players, combination, w.tip);
    }
    const pcg::ConstProgramBytes p = pcg.image.program(slot);
    if (!used || pcg::oscMode(p) != pcg::program::kDrumMode ||
        !pcg::isDrumKitSlot(pcg::drumKitSlot(p)))
        return w;
    std::vector<int> sharing = pcg::drumProgramsPlaying(pcg, pcg::drumKitSlot(p));
    std::erase(sharing, slot);
    if (!sharing.empty()) {
        w.tip.push_back("Its drum kit is played by:");
        const auto other = [&pcg](int s) { return slotText(pcg, pcg::SlotKind::Program, s); };
        w.line += "; its drum kit also by " + countOf(std::ssize(sharing), "program", "programs") +
                  ": " + listedNames(sharing, other, w.tip);
    }
    return w;
}

}  // namespace pelvaro::lists
