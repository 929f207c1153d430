#include "transfer/comparison.h"

#include "pcg/pcg_lists.h"

namespace pelvaro::transfer {

namespace {

// The differing bytes after the name, and the verdict counting those the rule compares.
void differ(Comparison& c, pelvaro::ConstBytes left, pelvaro::ConstBytes right,
            pcg::ByteRange compared, int skipped, bool sameName) {
    for (std::size_t i = pcg::kNameSize; i < left.size(); ++i) {
        if (left[i] == right[i]) continue;
        const int offset = static_cast<int>(i);
        const bool counts = offset >= static_cast<int>(compared.begin) &&
                            offset < static_cast<int>(compared.end) && offset != skipped;
        c.bytes.push_back({offset, left[i], right[i], counts});
        c.comparedDifferences += counts;
    }
    if (c.comparedDifferences == 0)
        c.verdict = sameName ? "identical" : "identical apart from the name";
    else
        c.verdict = "different in " + std::to_string(c.comparedDifferences) +
                    (c.comparedDifferences == 1 ? " byte" : " bytes");
}

}  // namespace

Comparison comparePrograms(const ProgramSide& left, const ProgramSide& right, bool kitsEqual) {
    Comparison c;
    const auto side = [](const ProgramSide& s, std::vector<std::string>& values) {
        const int mode = pcg::oscMode(s.record);
        const bool drums = mode == pcg::program::kDrumMode;
        values = {
            s.name, pcg::modeName(mode), drums ? "" : std::to_string(pcg::osc1Sound(s.record)),
            mode == pcg::program::kTwoOscillators ? std::to_string(pcg::osc2Sound(s.record)) : "",
            s.kit};
    };
    c.labels = {"Name", "Mode", "Oscillator 1 sound", "Oscillator 2 sound", "Drum kit"};
    side(left, c.left);
    side(right, c.right);
    // Two drum programs on kits of the same content: where the kit lies is no difference.
    const bool bothDrums = pcg::oscMode(left.record) == pcg::program::kDrumMode &&
                           pcg::oscMode(right.record) == pcg::program::kDrumMode;
    const int skipped = bothDrums && kitsEqual ? static_cast<int>(pcg::program::kDrumKitSlot) : -1;
    differ(c, left.record, right.record, pcg::kProgramCompared, skipped, left.name == right.name);
    if (bothDrums && !kitsEqual) {
        // Kits of another content make other sounds, whatever the bytes of the programs.
        c.verdict = c.comparedDifferences == 0 ? "different in the drum kit"
                                               : c.verdict + " and in the drum kit";
    }
    return c;
}

Comparison compareCombinations(const CombinationSide& left, const CombinationSide& right) {
    Comparison c;
    c.labels = {"Name"};
    c.left = {left.name};
    c.right = {right.name};
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        c.labels.push_back("Timbre " + std::to_string(t + 1));
        c.left.push_back(left.timbres[static_cast<std::size_t>(t)]);
        c.right.push_back(right.timbres[static_cast<std::size_t>(t)]);
    }
    differ(c, left.record, right.record, pcg::kCombinationCompared, -1, left.name == right.name);
    return c;
}

Comparison compareProgramEntries(const db::RecordFiles& files, std::int32_t left,
                                 std::int32_t right) {
    const auto a = files.read<db::DbProgramEntry>(left);
    const auto b = files.read<db::DbProgramEntry>(right);
    const auto kit = [](const db::DbProgramEntry& e) {
        return e.drumKitId() > 0 ? "ID " + std::to_string(e.drumKitId()) : std::string();
    };
    return comparePrograms({latin1ToUtf8(db::entryName(a)), a.program(), kit(a)},
                           {latin1ToUtf8(db::entryName(b)), b.program(), kit(b)},
                           a.drumKitId() > 0 && a.drumKitId() == b.drumKitId());
}

Comparison compareCombinationEntries(const db::RecordFiles& files, std::int32_t left,
                                     std::int32_t right) {
    const auto a = files.read<db::DbCombinationEntry>(left);
    const auto b = files.read<db::DbCombinationEntry>(right);
    const auto side = [&files](const db::DbCombinationEntry& e) {
        std::array<std::string, pcg::combination::kTimbreCount> timbres;
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            const std::int32_t p = e.timbreProgramId(t);
            std::string& text = timbres[static_cast<std::size_t>(t)];
            text = db::timbreText(p);
            if (p < 1) continue;
            text = "ID " + text;
            if (p <= files.count(db::Kind::Program))
                text += " " + latin1ToUtf8(db::entryName(files.read<db::DbProgramEntry>(p)));
        }
        return CombinationSide{latin1ToUtf8(db::entryName(e)), e.combination(), timbres};
    };
    return compareCombinations(side(a), side(b));
}

Comparison comparePcgPrograms(const pcg::PcgState& pcg, int left, int right) {
    const auto kitSlot = [&pcg](int slot) {
        const auto record = pcg.image.program(slot);
        return pcg::oscMode(record) == pcg::program::kDrumMode ? pcg::drumKitSlot(record) : -1;
    };
    const int a = kitSlot(left);
    const int b = kitSlot(right);
    const auto kitText = [](int k) { return k < 0 ? std::string() : "slot " + std::to_string(k); };
    const bool kitsEqual =
        a >= 0 && b >= 0 && a < pcg::kDrumKitCount && b < pcg::kDrumKitCount &&
        pcg::sameRange(pcg.image.drumKit(a), pcg.image.drumKit(b), pcg::kDrumKitCompared);
    const auto name = [&pcg](int slot) {
        return latin1ToUtf8(pcg::nameText(pcg.image.programName(slot)));
    };
    return comparePrograms({name(left), pcg.image.program(left), kitText(a)},
                           {name(right), pcg.image.program(right), kitText(b)}, kitsEqual);
}

Comparison comparePcgCombinations(const pcg::PcgState& pcg, int left, int right) {
    const auto side = [&pcg](int slot) {
        const auto c = pcg.image.combination(slot);
        std::array<std::string, pcg::combination::kTimbreCount> timbres;
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
            timbres[static_cast<std::size_t>(t)] = pcg::timbreText(pcg, c, t);
        return CombinationSide{latin1ToUtf8(pcg::nameText(pcg.image.combinationName(slot))), c,
                               timbres};
    };
    return compareCombinations(side(left), side(right));
}

}  // namespace pelvaro::transfer
