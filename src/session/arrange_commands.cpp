#include "session/arrange_commands.h"

#include <algorithm>
#include <optional>

#include "session/session.h"
#include "session/summaries.h"

namespace pelvaro::session {

namespace {

using Verdict = pcg::ArrangePlan::Verdict;

ArrangeResult carryOut(Session& session, const pcg::ArrangePlan& plan) {
    ArrangeResult result;
    result.summary = plan.summary;
    if (plan.verdict == Verdict::Refused) {
        result.verdict = ArrangeResult::Verdict::Refused;
        return result;
    }
    if (!plan.changes()) return result;
    untilFailure(result, [&] {
        const auto step = session.command(plan.name, Session::Changes::DatabaseAndPcg);
        pcg::apply(session.pcg(), plan);
        result.verdict = ArrangeResult::Verdict::Done;
    });
    return result;
}

}  // namespace

ArrangeResult moveSlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                        int target) {
    return carryOut(session, pcg::planMove(session.pcg(), kind, selection, target));
}

ArrangeResult swapSlots(Session& session, pcg::SlotKind kind, const std::vector<int>& first,
                        const std::vector<int>& second) {
    return carryOut(session, pcg::planSwap(session.pcg(), kind, first, second));
}

ArrangeResult swapSlotsAt(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                          int target) {
    return carryOut(session, pcg::planSwapAt(session.pcg(), kind, selection, target));
}

ArrangeResult copySlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                        int target) {
    return carryOut(session, pcg::planCopy(session.pcg(), kind, selection, target));
}

ArrangeResult emptySlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection) {
    return carryOut(session, pcg::planEmpty(session.pcg(), kind, selection));
}

ArrangeResult sortByName(Session& session, pcg::SlotKind kind, const std::vector<int>& slots) {
    return carryOut(session, pcg::planSortByName(session.pcg(), kind, slots));
}

ArrangeResult closeGaps(Session& session, pcg::SlotKind kind, const std::vector<int>& slots) {
    return carryOut(session, pcg::planCloseGaps(session.pcg(), kind, slots));
}

ArrangeResult swapDrumKits(Session& session, int a, int b) {
    return carryOut(session, pcg::planSwapDrumKits(session.pcg(), a, b));
}

ArrangeResult emptyDrumKits(Session& session, const std::vector<int>& kits) {
    return carryOut(session, pcg::planEmptyDrumKits(session.pcg(), kits));
}

namespace {

// Why a placement of these entries cannot begin, or nothing.
std::optional<std::string> placeRefusal(const Session& session, db::Kind kind,
                                        const std::vector<std::int32_t>& ids, int target) {
    if (!pcg::isSlot(target)) return "There is no slot " + std::to_string(target);
    const std::int32_t count = session.files().count(kind);
    for (const std::int32_t id : ids)
        if (id < 1 || id > count)
            return "There is no " + db::kindWord(kind) + " with ID " + std::to_string(id);
    return std::nullopt;
}

}  // namespace

ArrangeResult placeEntries(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                           int target) {
    ArrangeResult result;
    if (const auto refusal = placeRefusal(session, kind, ids, target)) {
        result.verdict = ArrangeResult::Verdict::Refused;
        result.summary = *refusal;
        return result;
    }
    if (ids.empty()) {
        result.summary = "Nothing to place";
        return result;
    }
    const pcg::PcgState before = session.pcg();
    const auto n = static_cast<std::int64_t>(ids.size());
    db::EventLines& events = result.events.emplace();
    untilFailure(result, [&] {
        const auto step =
            session.command("Place " + grouped(n) + " " + capitalised(db::kindWord(kind, n)),
                            Session::Changes::DatabaseAndPcg);
        const transfer::Placement placement =
            session.engine().placeEntriesAt(kind, ids, target, events);
        for (std::string& line : pcg::filledSlotLines(before, session.pcg()))
            events.push_back(std::move(line));
        const bool anyLanded =
            std::ranges::any_of(placement.landed, [](int slot) { return slot >= 0; });
        if (!anyLanded)
            result.summary = "Placed no " + db::kindWord(kind, 2);
        else
            result.summary = placement.move.summary;
        if (!events.empty()) result.summary += "; see the event list";
        if (placement.move.verdict == Verdict::Refused && anyLanded)
            result.verdict = ArrangeResult::Verdict::Refused;
        else if (session.pcg().image != before.image)
            result.verdict = ArrangeResult::Verdict::Done;
    });
    return result;
}

pcg::ArrangePlan placePlan(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                           int target) {
    const pcg::SlotKind slotKind =
        kind == db::Kind::Program ? pcg::SlotKind::Program : pcg::SlotKind::Combination;
    pcg::ArrangePlan plan =
        pcg::planInsert(session.pcg(), slotKind, static_cast<int>(ids.size()), target);
    if (!plan.changes() || placeRefusal(session, kind, ids, target)) return plan;
    pcg::PcgState copy = session.pcg();
    db::EventLines events;
    const transfer::Placement placement =
        transfer::placeEntriesAt(copy, session.files(), kind, ids, target, events);
    // The move of what landed says it exactly; when nothing lands, the drop still goes on and
    // its event lines say why.
    if (std::ranges::any_of(placement.landed, [](int slot) { return slot >= 0; }))
        plan = placement.move;
    for (const std::string& line : pcg::filledSlotLines(session.pcg(), copy))
        plan.preview += "; " + line;
    return plan;
}

}  // namespace pelvaro::session
