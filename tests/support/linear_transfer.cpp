#include "linear_transfer.h"

#include <algorithm>

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
    std::array<Byte, 164> a;
    std::array<Byte, 164> b;
    std::ranges::copy(e.program(), a.begin());
    std::ranges::copy(p, b.begin());
    const bool kitCheck = e.drumKitId() > 0 && static_cast<signed char>(p[10]) == 2 && p[12] < 4;
    if (kitCheck) {
        if (e.drumKitId() > files.count(Kind::DrumKit)) return false;
        DbDrumKitEntry kit;
        files.readEntry(Kind::DrumKit, e.drumKitId(), kit.bytes);
        if (!sameKit(kit, image.drumKit(p[12]))) return false;
        a[12] = 0;
        b[12] = 0;
    }
    return equalBytes(a, b, 10, 162);
}

}  // namespace

std::string LinearTransfer::explanation() const {
    const std::string& path = pcg_.pcgFileName;
    if (path.size() <= 73) return "From: " + path;
    return "From: ..." + path.substr(path.size() - 70);
}

std::int32_t LinearTransfer::sendDrumKitToDatabase(int kit) {
    if (kit < 0 || kit > 3) return -1;
    const auto bytes = pcg_.image.drumKit(kit);
    for (std::int32_t i = 1; i <= files_.count(Kind::DrumKit); ++i) {
        DbDrumKitEntry e;
        files_.readEntry(Kind::DrumKit, i, e.bytes);
        if (sameKit(e, bytes)) return e.idNumber();
    }
    DbDrumKitEntry e;
    std::ranges::copy(bytes, e.bytes.begin());
    e.setExplanation(explanation());
    return files_.append(e);
}

std::int32_t LinearTransfer::sendProgramToDatabase(int slot) {
    if (slot < 0 || slot > 199 || pcg_.occupancy.programUsed[slot] != 1) return -1;
    const auto bytes = pcg_.image.program(slot);
    for (std::int32_t i = 1; i <= files_.count(Kind::Program); ++i) {
        DbProgramEntry e;
        files_.readEntry(Kind::Program, i, e.bytes);
        if (sameProg(files_, pcg_.image, e, bytes)) return e.idNumber();
    }
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
    for (std::int32_t i = 1; i <= files_.count(Kind::Combination); ++i) {
        DbCombinationEntry e;
        files_.readEntry(Kind::Combination, i, e.bytes);
        if (sameComb(e, bytes)) return e.idNumber();
    }
    DbCombinationEntry e;
    std::ranges::copy(bytes, e.bytes.begin());
    e.setExplanation(explanation());
    for (int t = 0; t < 8; ++t) {
        const Byte program = bytes[40 + 12 * t];
        std::int32_t id;
        if (bytes[40 + 12 * t + 11] & 0x10) {
            id = 0;
        } else if ((bytes[40 + 12 * t + 10] & 0xC0) == 0xC0) {
            id = -1;
        } else {
            id = program < 200 ? sendProgramToDatabase(program) : -1;
            if (id == -1) {
                id = 0;
                events.push_back("Program " +
                                 (program < 100 ? "A" + std::to_string(program)
                                                : "B" + std::to_string(program - 100)) +
                                 " of this combination is not present.");
            }
        }
        e.setTimbreProgramId(t, id);
    }
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
