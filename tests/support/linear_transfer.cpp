#include "linear_transfer.h"

#include <algorithm>
#include <array>

namespace pelvaro::testing {

using namespace pelvaro::db;

namespace {

bool equalBytes(ConstBytes a, ConstBytes b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

bool sameKit(const DbDrumKitEntry& e, ConstBytes kit) {
    return equalBytes(e.drumKit(), kit, 0, 419);
}

bool sameComb(const DbCombinationEntry& e, ConstBytes c) {
    return equalBytes(e.combination(), c, 10, 132);
}

bool sameProg(const RecordFiles& files, const pcg::PcgImage& image, const DbProgramEntry& e,
              ConstBytes p) {
    const auto a = e.program();
    if (!equalBytes(a, p, 10, 12) || !equalBytes(a, p, 13, 162)) return false;
    const bool kitCheck = e.drumKitId() > 0 && static_cast<signed char>(p[10]) == 2 && p[12] < 4;
    if (!kitCheck) return a[12] == p[12];
    // Equal kits by content: byte 12, the kit slot, does not count.
    if (e.drumKitId() > files.count(Kind::DrumKit)) return false;
    DbDrumKitEntry kit;
    files.readEntry(Kind::DrumKit, e.drumKitId(), kit.bytes);
    return sameKit(kit, image.drumKit(p[12]));
}

}  // namespace

template <class Entry, class Match>
std::int32_t LinearTransfer::scan(Match match) const {
    const std::int32_t count = files_.count(Entry::kind);
    std::vector<Byte>& all = wholeFile_;
    if (reads_ == Reads::WholeFile) {
        if (all.size() < static_cast<std::size_t>(count) * Entry::kSize)
            all.resize(static_cast<std::size_t>(count) * Entry::kSize * 2);
        if (count > 0)
            files_.stream(Entry::kind)
                .readExactAt(Entry::kSize,
                             Bytes(all).first(static_cast<std::size_t>(count) * Entry::kSize));
    }
    for (std::int32_t i = 1; i <= count; ++i) {
        Entry e;
        if (reads_ == Reads::WholeFile)
            std::copy_n(all.begin() + static_cast<std::ptrdiff_t>(i - 1) * Entry::kSize,
                        Entry::kSize, e.bytes.begin());
        else
            files_.readEntry(Entry::kind, i, e.bytes);
        if (match(e)) return e.idNumber();
    }
    return -1;
}

std::string LinearTransfer::explanation() const {
    const std::string& path = pcg_.pcgFileName;
    if (path.size() <= 73) return "From: " + path;
    return "From: ..." + path.substr(path.size() - 70);
}

std::int32_t LinearTransfer::sendDrumKitToDatabase(int kit) {
    if (kit < 0 || kit > 3) return -1;
    const auto bytes = pcg_.image.drumKit(kit);
    if (const std::int32_t id = scan<DbDrumKitEntry>([&](auto& e) { return sameKit(e, bytes); });
        id != -1)
        return id;
    DbDrumKitEntry e;
    std::ranges::copy(bytes, e.bytes.begin());
    e.setExplanation(explanation());
    return files_.append(e);
}

std::int32_t LinearTransfer::sendProgramToDatabase(int slot) {
    if (slot < 0 || slot > 199 || pcg_.occupancy.programUsed[slot] != 1) return -1;
    const auto bytes = pcg_.image.program(slot);
    if (const std::int32_t id =
            scan<DbProgramEntry>([&](auto& e) { return sameProg(files_, pcg_.image, e, bytes); });
        id != -1)
        return id;
    DbProgramEntry e;
    std::ranges::copy(bytes, e.bytes.begin());
    e.setExplanation(explanation());
    if (static_cast<signed char>(bytes[10]) == 2) {
        const std::int32_t kit = sendDrumKitToDatabase(bytes[12]);
        e.setDrumKitId(kit == -1 ? -static_cast<std::int32_t>(bytes[12]) : kit);
    }
    return files_.append(e);
}

std::int32_t LinearTransfer::sendCombinationToDatabase(int slot, std::vector<std::string>& events) {
    if (slot < 0 || slot > 199 || pcg_.occupancy.combinationUsed[slot] != 1) return -1;
    const auto bytes = pcg_.image.combination(slot);
    // What each timbre plays, its programs sent first; the lines count only for a new entry.
    std::array<std::int32_t, 8> plays{};
    std::vector<std::string> lines;
    for (int t = 0; t < 8; ++t) {
        const Byte program = bytes[40 + 12 * t];
        if (bytes[40 + 12 * t + 11] & 0x10) {
            plays[t] = 0;
        } else if ((bytes[40 + 12 * t + 10] & 0xC0) == 0xC0) {
            plays[t] = -1;
        } else {
            plays[t] = program < 200 ? sendProgramToDatabase(program) : -1;
            if (plays[t] == -1) {
                plays[t] = 0;
                std::string line = program < 100 ? "Program A" : "Program B";
                line += std::to_string(program < 100 ? program : program - 100);
                line += " of this combination is not present.";
                lines.push_back(line);
            }
        }
    }
    if (const std::int32_t id = scan<DbCombinationEntry>([&](auto& e) {
            if (!sameComb(e, bytes)) return false;
            for (int t = 0; t < 8; ++t)
                if (e.timbreProgramId(t) != plays[t]) return false;
            return true;
        });
        id != -1)
        return id;
    DbCombinationEntry e;
    std::ranges::copy(bytes, e.bytes.begin());
    e.setExplanation(explanation());
    for (int t = 0; t < 8; ++t)
        e.setTimbreProgramId(t, plays[t]);
    events.insert(events.end(), lines.begin(), lines.end());
    return files_.append(e);
}

void LinearTransfer::sendPcgToDatabase(std::vector<std::string>& events) {
    events.clear();
    for (int s = 0; s < 200; ++s)
        sendProgramToDatabase(s);
    for (int s = 0; s < 200; ++s)
        sendCombinationToDatabase(s, events);
    for (int k = 0; k < 4; ++k)
        sendDrumKitToDatabase(k);
}

void LinearTransfer::sendOnlyProgramsOfPcg(std::vector<std::string>& events) {
    events.clear();
    for (int s = 0; s < 200; ++s)
        sendProgramToDatabase(s);
}

void LinearTransfer::sendOnlyCombinationsOfPcg(std::vector<std::string>& events) {
    events.clear();
    for (int s = 0; s < 200; ++s)
        sendCombinationToDatabase(s, events);
}

}  // namespace pelvaro::testing
