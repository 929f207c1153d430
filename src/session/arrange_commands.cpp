#include "session/arrange_commands.h"

#include <algorithm>

#include "session/session.h"
#include "session/summaries.h"

namespace pelvaro::session {

namespace {

using Verdict = pcg::ArrangePlan::Verdict;

ArrangeResult run(Session& session, const pcg::ArrangePlan& plan) {
    ArrangeResult result;
    result.summary = plan.summary;
    if (plan.verdict == Verdict::Refused) {
        result.outcome = ArrangeResult::Outcome::Refused;
        return result;
    }
    if (!plan.changes()) return result;
    const auto step = session.command(plan.name, Session::Changes::DatabaseAndPcg);
    pcg::apply(session.pcg(), plan);
    result.outcome = ArrangeResult::Outcome::Done;
    return result;
}

}  // namespace

ArrangeResult moveSlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                        int target) {
    return run(session, pcg::planMove(session.pcg(), kind, selection, target));
}

ArrangeResult swapSlots(Session& session, pcg::SlotKind kind, const std::vector<int>& first,
                        const std::vector<int>& second) {
    return run(session, pcg::planSwap(session.pcg(), kind, first, second));
}

ArrangeResult swapSlotsAt(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                          int target) {
    return run(session, pcg::planSwapAt(session.pcg(), kind, selection, target));
}

ArrangeResult copySlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection,
                        int target) {
    return run(session, pcg::planCopy(session.pcg(), kind, selection, target));
}

ArrangeResult emptySlots(Session& session, pcg::SlotKind kind, const std::vector<int>& selection) {
    return run(session, pcg::planEmpty(session.pcg(), kind, selection));
}

ArrangeResult sortByName(Session& session, pcg::SlotKind kind, const std::vector<int>& slots) {
    return run(session, pcg::planSortByName(session.pcg(), kind, slots));
}

ArrangeResult closeGaps(Session& session, pcg::SlotKind kind, const std::vector<int>& slots) {
    return run(session, pcg::planCloseGaps(session.pcg(), kind, slots));
}

ArrangeResult swapDrumKits(Session& session, int a, int b) {
    return run(session, pcg::planSwapDrumKits(session.pcg(), a, b));
}

ArrangeResult emptyDrumKits(Session& session, const std::vector<int>& kits) {
    return run(session, pcg::planEmptyDrumKits(session.pcg(), kits));
}

ArrangeResult placeEntries(Session& session, db::Kind kind, const std::vector<std::int32_t>& ids,
                           int target) {
    ArrangeResult result;
    const bool programs = kind == db::Kind::Program;
    if (!pcg::isSlot(target)) {
        result.outcome = ArrangeResult::Outcome::Refused;
        result.summary = "There is no slot " + std::to_string(target);
        return result;
    }
    if (ids.empty()) {
        result.summary = "Nothing to place";
        return result;
    }
    const pcg::PcgImage before = session.pcg().image;
    const auto n = static_cast<std::int64_t>(ids.size());
    const auto step =
        session.command("Place " + (programs ? countOf(n, "Program", "Programs")
                                             : countOf(n, "Combination", "Combinations")),
                        Session::Changes::DatabaseAndPcg);
    const transfer::TransferEngine::Placement placement =
        session.engine().placeEntriesAt(kind, ids, target, result.events);
    const bool anyLanded =
        std::ranges::any_of(placement.landed, [](int slot) { return slot >= 0; });
    if (!anyLanded)
        result.summary = std::string("Placed no ") + (programs ? "programs" : "combinations");
    else
        result.summary = placement.move.summary;
    if (!result.events.empty()) result.summary += "; see the event list";
    if (placement.move.verdict == Verdict::Refused && anyLanded)
        result.outcome = ArrangeResult::Outcome::Refused;
    else if (session.pcg().image != before)
        result.outcome = ArrangeResult::Outcome::Done;
    return result;
}

}  // namespace pelvaro::session
