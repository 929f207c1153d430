#include "transfer/comparison.h"

namespace pelvaro::transfer {

namespace {

std::string modeText(int mode) {
    if (mode == pcg::program::kDrumMode) return "Drums";
    if (mode == pcg::program::kTwoOscillators) return "Double";
    return "Single";
}

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
            s.name, modeText(mode), drums ? "" : std::to_string(pcg::osc1Sound(s.record)),
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

}  // namespace pelvaro::transfer
