#include "consistency.h"

#include <array>

#include "db/record_scan.h"

namespace pelvaro::testing {

using db::Kind;

namespace {

constexpr std::array<const char*, db::kKindCount> kKindNames = {"program", "combination",
                                                                "drum kit", "class"};

std::string kindName(Kind kind) {
    return kKindNames[static_cast<int>(kind)];
}

void checkClassBytes(std::vector<std::string>& out, Kind kind, std::int32_t n, ConstBytes ids,
                     std::int32_t classes) {
    for (int s = 0; s < db::kClassSlots; ++s) {
        const int id = static_cast<signed char>(ids[s]);
        if (id != 0 && (id < 1 || id > classes))
            out.push_back(kindName(kind) + " " + std::to_string(n) + " carries class " +
                          std::to_string(id) + " of " + std::to_string(classes));
    }
}

}  // namespace

std::vector<std::string> databaseProblems(const db::RecordFiles& files) {
    std::vector<std::string> out;
    if (!files.isOpen()) return {"the working files are closed"};
    for (Kind kind : db::kAllKinds) {
        const db::KindLayout& layout = db::layoutOf(kind);
        const io::FileStream& stream = files.stream(kind);
        const std::int32_t count = files.count(kind);
        std::array<Byte, 4> header{};
        if (stream.readAt(static_cast<std::int64_t>(layout.countOffset), header) != 4) {
            out.push_back("the " + kindName(kind) + " file has no header record");
            continue;
        }
        if (le32(header, 0) != count)
            out.push_back("the " + kindName(kind) + " header says " +
                          std::to_string(le32(header, 0)) + ", the counter " +
                          std::to_string(count));
        if (count < 0) out.push_back("the " + kindName(kind) + " counter is negative");
        const auto needed =
            (static_cast<std::int64_t>(count) + 1) * static_cast<std::int64_t>(layout.recordSize);
        if (stream.size() < needed)
            out.push_back("the " + kindName(kind) + " file ends before entry " +
                          std::to_string(count));
    }
    if (!out.empty()) return out;

    const std::int32_t programs = files.count(Kind::Program);
    const std::int32_t drumKits = files.count(Kind::DrumKit);
    const std::int32_t classes = files.count(Kind::Class);
    const auto ownNumber = [&](Kind kind, std::int32_t n, ConstBytes record) {
        const std::int32_t id = le32(record, db::layoutOf(kind).countOffset);
        if (id != n)
            out.push_back(kindName(kind) + " " + std::to_string(n) + " carries the number " +
                          std::to_string(id));
    };
    db::scanEntries(files, Kind::Program, [&](std::int32_t n, ConstBytes r) {
        ownNumber(Kind::Program, n, r);
        checkClassBytes(out, Kind::Program, n, r.subspan(db::ProgramLayout::kClassIds), classes);
        const std::int32_t kit = le32(r, db::ProgramLayout::kDrumKitId);
        if (kit > drumKits)
            out.push_back("program " + std::to_string(n) + " plays drum kit " +
                          std::to_string(kit) + " of " + std::to_string(drumKits));
        return true;
    });
    db::scanEntries(files, Kind::Combination, [&](std::int32_t n, ConstBytes r) {
        ownNumber(Kind::Combination, n, r);
        checkClassBytes(out, Kind::Combination, n, r.subspan(db::CombinationLayout::kClassIds),
                        classes);
        for (int t = 0; t < 8; ++t) {
            const std::int32_t id = le32(r, db::CombinationLayout::kTimbreProgramIds + 4 * t);
            if (id < -1 || id > programs)
                out.push_back("combination " + std::to_string(n) + " plays program " +
                              std::to_string(id) + " of " + std::to_string(programs));
        }
        return true;
    });
    db::scanEntries(files, Kind::DrumKit, [&](std::int32_t n, ConstBytes r) {
        ownNumber(Kind::DrumKit, n, r);
        return true;
    });
    std::vector<std::int32_t> parent(static_cast<std::size_t>(classes) + 1, 0);
    db::scanEntries(files, Kind::Class, [&](std::int32_t n, ConstBytes r) {
        const std::int32_t p = le32(r, db::ClassEntry::kParentId);
        if (p < 0 || p > classes)
            out.push_back("class " + std::to_string(n) + " has parent " + std::to_string(p) +
                          " of " + std::to_string(classes));
        else
            parent[n] = p;
        return true;
    });
    for (std::int32_t k = 1; k <= classes; ++k) {
        std::int32_t at = k;
        for (std::int32_t steps = 0; at != 0 && steps <= classes; ++steps)
            at = parent[at];
        if (at != 0) out.push_back("class " + std::to_string(k) + " lies in a loop of parents");
    }
    return out;
}

std::vector<std::string> pcgProblems(const pcg::PcgState& pcg) {
    std::vector<std::string> out;
    if (pcg.image.bytes().size() != pcg::kPcgSize)
        out.push_back("the image holds " + std::to_string(pcg.image.bytes().size()) + " bytes");
    const auto flags = [&](const char* what, ConstBytes used) {
        for (std::size_t s = 0; s < used.size(); ++s)
            if (used[s] > 1)
                out.push_back(std::string(what) + " flag " + std::to_string(s) + " is " +
                              std::to_string(used[s]));
    };
    flags("program", pcg.occupancy.programUsed);
    flags("combination", pcg.occupancy.combinationUsed);
    flags("drum kit", pcg.occupancy.drumKitUsed);
    return out;
}

std::string joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& p : problems)
        text += p + "\n";
    return text;
}

}  // namespace pelvaro::testing
