#include "session/summaries.h"

#include <algorithm>
#include <vector>

namespace pelvaro::session {

namespace {

std::string grouped(std::int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return n < 0 ? "-" + digits : digits;
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += i + 1 == parts.size() ? " and " : ", ";
        text += parts[i];
    }
    return text;
}

std::int32_t usedSlots(const std::array<Byte, pcg::kSlotCount>& used) {
    return static_cast<std::int32_t>(std::ranges::count(used, Byte{1}));
}

}  // namespace

std::string countOf(std::int64_t n, const char* singular, const char* plural) {
    return grouped(n) + " " + (n == 1 ? singular : plural);
}

std::string sendSummary(const SendCounts& c) {
    if (c.newPrograms == 0 && c.newCombinations == 0 && c.newDrumKits == 0)
        return "Nothing new to store";
    const auto sent = [](std::int32_t count, std::int32_t fresh, const char* one,
                         const char* many) {
        return countOf(count, one, many) + ": " + grouped(fresh) + " new, " +
               grouped(std::max(0, count - fresh)) + " already stored";
    };
    std::vector<std::string> parts;
    if (c.sentPrograms > 0)
        parts.push_back(sent(c.sentPrograms, c.newPrograms, "program", "programs"));
    if (c.sentCombinations > 0)
        parts.push_back(sent(c.sentCombinations, c.newCombinations, "combination", "combinations"));
    std::vector<std::string> along;
    if (c.sentPrograms == 0 && c.newPrograms > 0)
        along.push_back(countOf(c.newPrograms, "program", "programs"));
    if (c.newDrumKits > 0) along.push_back(countOf(c.newDrumKits, "drum kit", "drum kits"));
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
