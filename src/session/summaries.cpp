#include "session/summaries.h"

#include <algorithm>
#include <vector>

#include "io/wording.h"

namespace pelvaro::session {

namespace {

std::int32_t usedSlots(const std::array<Byte, pcg::kSlotCount>& used) {
    return static_cast<std::int32_t>(std::ranges::count(used, Byte{1}));
}

}  // namespace

SendCounts& SendCounts::operator+=(const SendCounts& other) {
    for (auto [mine, theirs] :
         {std::pair{&programs, &other.programs}, std::pair{&combinations, &other.combinations},
          std::pair{&drumKits, &other.drumKits}}) {
        mine->sent += theirs->sent;
        mine->fresh += theirs->fresh;
    }
    return *this;
}

SendCounter::SendCounter(const db::RecordFiles& files)
    : programs_(files.count(db::Kind::Program)),
      combinations_(files.count(db::Kind::Combination)),
      drumKits_(files.count(db::Kind::DrumKit)) {}

SendCounts SendCounter::counted(const db::RecordFiles& files, std::int32_t programsSent,
                                std::int32_t combinationsSent, std::int32_t drumKitsSent) const {
    return {{programsSent, files.count(db::Kind::Program) - programs_},
            {combinationsSent, files.count(db::Kind::Combination) - combinations_},
            {drumKitsSent, files.count(db::Kind::DrumKit) - drumKits_}};
}

std::string tallyText(const SendCounts& c) {
    const auto one = [](const Tally& t) {
        return std::to_string(t.fresh) + " new, " + std::to_string(t.stored()) + " stored";
    };
    return "programs " + one(c.programs) + "; combinations " + one(c.combinations) +
           "; drum kits " + one(c.drumKits);
}

std::string sendSummary(const SendCounts& c) {
    if (c.programs.fresh == 0 && c.combinations.fresh == 0 && c.drumKits.fresh == 0)
        return "Nothing new to store";
    const auto sent = [](const Tally& t, const char* one, const char* many) {
        return countOf(t.sent, one, many) + ": " + grouped(t.fresh) + " new, " +
               grouped(t.stored()) + " already stored";
    };
    std::vector<std::string> parts;
    if (c.programs.sent > 0) parts.push_back(sent(c.programs, "program", "programs"));
    if (c.combinations.sent > 0)
        parts.push_back(sent(c.combinations, "combination", "combinations"));
    std::vector<std::string> along;
    if (c.programs.sent == 0 && c.programs.fresh > 0)
        along.push_back(countOf(c.programs.fresh, "program", "programs"));
    if (c.drumKits.fresh > 0) along.push_back(countOf(c.drumKits.fresh, "drum kit", "drum kits"));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "Sent " : "; ") + part;
    if (!along.empty())
        text += (text.empty() ? "Stored " : "; with them ") + listed(along) + " new";
    return text;
}

std::string placeSummary(std::int32_t programs, std::int32_t combinations, std::int32_t drumKits,
                         bool someNotPlaced) {
    std::vector<std::string> parts;
    if (programs > 0) parts.push_back(countOf(programs, "program", "programs"));
    if (combinations > 0) parts.push_back(countOf(combinations, "combination", "combinations"));
    if (drumKits > 0) parts.push_back(countOf(drumKits, "drum kit", "drum kits"));
    if (parts.empty())
        return someNotPlaced ? "Nothing placed; see the event list"
                             : "Nothing placed: the PCG holds these already";
    return "Placed " + listed(parts) +
           (someNotPlaced ? "; some found no place, see the event list" : "");
}

std::string pcgSummary(const pcg::PcgState& pcg) {
    return countOf(usedSlots(pcg.occupancy.programUsed), "program", "programs") + ", " +
           countOf(usedSlots(pcg.occupancy.combinationUsed), "combination", "combinations");
}

std::string databaseSummary(const db::RecordFiles& files) {
    return countOf(files.count(db::Kind::Program), "program", "programs") + ", " +
           countOf(files.count(db::Kind::Combination), "combination", "combinations") + ", " +
           countOf(files.count(db::Kind::DrumKit), "drum kit", "drum kits") + ", " +
           countOf(files.count(db::Kind::Class), "class", "classes");
}

}  // namespace pelvaro::session
