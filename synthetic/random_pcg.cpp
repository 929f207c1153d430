#include "random_pcg.h"

#include <random>
#include <vector>

#include "pcg/pcg_files.h"
#include "pcg_builder.h"

namespace pelvaro::synthetic {

namespace {

using Random = std::mt19937;

int pick(Random& r, int low, int high) {
    return std::uniform_int_distribution(low, high)(r);
}
bool chance(Random& r, double p) {
    return std::bernoulli_distribution(p)(r);
}

std::string randomName(Random& r) {
    std::string name;
    const int length = pick(r, 1, 10);
    for (int i = 0; i < length; ++i)
        name += static_cast<char>(pick(r, 'A', 'Z'));
    return name;
}

// A program sound from the shared pool: the same shape number gives the same record in every
// image (but for the name).
ProgramParameters programShape(int shape) {
    Random r(static_cast<std::uint32_t>(shape) * 7919u + 17u);
    ProgramParameters description;
    description.voice = static_cast<unsigned>(shape + 1);
    const int mode = pick(r, 0, 5);
    if (mode <= 1) {
        description.oscMode = mode;
        description.osc1 = pick(r, 0, 3) * 256 + pick(r, 0, 3);  // low byte 0-3, like a kit slot
        description.osc2 = pick(r, 0, 500);
    } else {
        description.oscMode = 2;
        description.kitSlot = chance(r, 0.8) ? pick(r, 0, 3) : pick(r, 4, 255);
    }
    return description;
}

std::vector<Timbre> combinationShape(Random& r) {
    std::vector<Timbre> timbres;
    for (int t = 0; t < 8; ++t) {
        switch (pick(r, 0, 9)) {
            case 0:
            case 1:
                timbres.push_back(off(pick(r, 0, 199)));
                break;
            case 2:
                timbres.push_back(outside(pick(r, 0, 127)));
                break;
            case 3:
                timbres.push_back(plays(pick(r, 200, 255)));
                break;
            default:
                timbres.push_back(plays(pick(r, 0, 199)));
                break;
        }
    }
    return timbres;
}

}  // namespace

pcg::PcgState randomPcg(std::uint32_t seed, std::string fileName) {
    Random r(seed);
    PcgBuilder b;

    // Kits: a few voices, some slots repeating another slot's kit, some differing from another
    // only in the uncompared last byte.
    for (int k = 0; k < pcg::kDrumKitCount; ++k)
        b.drumKit(k, static_cast<unsigned>(pick(r, 1, 8)));
    if (chance(r, 0.5)) {
        const int from = pick(r, 0, 3);
        const int to = pick(r, 0, 3);
        std::ranges::copy(b.image().drumKit(from), b.image().drumKit(to).begin());
        if (chance(r, 0.5)) b.image().drumKit(to)[419] ^= 0x5A;
    }

    // Programs: most from the pool of 60 shapes, some fresh to this image, a quarter empty.
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        if (chance(r, 0.25)) continue;
        ProgramParameters description = chance(r, 0.8)
                                            ? programShape(pick(r, 0, 59))
                                            : programShape(1000 + static_cast<int>(r() % 100000));
        // The same drum program on another kit slot: one sound when the kits are equal.
        if (description.oscMode == 2 && chance(r, 0.3))
            description.kitSlot = chance(r, 0.9) ? pick(r, 0, 3) : 9;
        b.program(s, randomName(r), description);
        if (chance(r, 0.15)) {
            b.image().program(s)[162] = static_cast<Byte>(r());
            b.image().program(s)[163] = static_cast<Byte>(r());
        }
    }

    // Combinations: shapes from a shared pool of 40 (each with its timbres), some fresh.
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        if (chance(r, 0.25)) continue;
        const bool pooled = chance(r, 0.75);
        const std::uint32_t shape = pooled ? static_cast<std::uint32_t>(pick(r, 0, 39)) : r();
        Random shaped(shape * 104729u + 3u);
        b.combination(s, randomName(r), combinationShape(shaped), shape % 1000 + 1);
        if (chance(r, 0.15))
            for (int i = 132; i < 136; ++i)
                b.image().combination(s)[i] = static_cast<Byte>(r());
    }
    return stateOf(b, std::move(fileName));
}

pcg::PcgState stagePcg(std::uint32_t seed, int freeSlots, bool everyProgramPlayed) {
    Random r(seed);
    PcgBuilder b;
    for (int k = 0; k < pcg::kDrumKitCount; ++k)
        b.drumKit(k, seed * 4u + static_cast<unsigned>(k) + 1u);
    const auto freeOnes = [&] {
        std::vector<bool> free(pcg::kSlotCount, false);
        for (int placed = 0; placed < freeSlots && placed < pcg::kSlotCount;) {
            const int s = pick(r, 0, pcg::kSlotCount - 1);
            if (!free[s]) ++placed;
            free[s] = true;
        }
        return free;
    };
    static const char* const kNames[] = {"Piano",   "PIANO",    "piano 2", "\xC9lan", "\xE9lan",
                                         "Bass",    "Strings",  "Pad",     "organ",   "Zither",
                                         "Brass",   "Choir",    "Lead",    "Drums",   "bells",
                                         "Stage 1", "Stage 10", "Stage 2", "Ac. Gtr", "Harp"};
    const auto name = [&] {
        std::string n = kNames[pick(r, 0, static_cast<int>(std::size(kNames)) - 1)];
        if (chance(r, 0.3)) n += static_cast<char>(pick(r, 'A', 'Z'));
        return n.substr(0, pcg::kNameSize);
    };

    const std::vector<bool> freePrograms = freeOnes();
    std::vector<int> used;
    unsigned voice = seed * 1000u + 1u;
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        if (freePrograms[s]) continue;
        used.push_back(s);
        ProgramParameters shape;
        shape.voice = voice++;
        // Each kit gets a drum program in the first slots; later ones at random, a few on a kit
        // slot byte that names no kit.
        const int n = static_cast<int>(used.size());
        if (n <= pcg::kDrumKitCount || chance(r, 0.15)) {
            shape.oscMode = pcg::program::kDrumMode;
            shape.kitSlot = n <= pcg::kDrumKitCount ? n - 1 : (chance(r, 0.1) ? 7 : pick(r, 0, 3));
        } else {
            shape.oscMode = pick(r, 0, 1);
            shape.osc1 = pick(r, 0, 900);
            shape.osc2 = pick(r, 0, 900);
        }
        b.program(s, name(), shape);
    }

    // The programs the combinations play: half of the used ones.
    std::vector<int> played;
    for (const int s : used)
        if (chance(r, 0.5)) played.push_back(s);
    if (played.empty() && !used.empty()) played.push_back(used.front());
    const std::vector<bool> freeCombinations = freeOnes();
    int next = 0;
    for (int s = 0; s < pcg::kSlotCount; ++s) {
        if (freeCombinations[s]) continue;
        std::vector<Timbre> timbres;
        for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
            if (everyProgramPlayed) {
                timbres.push_back(plays(next++ % pcg::kSlotCount));
                continue;
            }
            const int kind = pick(r, 0, 19);
            if (kind < 12 && !played.empty())
                timbres.push_back(plays(played[pick(r, 0, static_cast<int>(played.size()) - 1)]));
            else if (kind < 15)
                timbres.push_back(off(pick(r, 0, 199)));
            else if (kind < 17)
                timbres.push_back(outside(pick(r, 0, 127)));
            else if (kind < 18)
                timbres.push_back(plays(pick(r, 200, 255)));
            else
                timbres.push_back(plays(pick(r, 0, 199)));  // used or empty, as it falls
        }
        b.combination(s, name(), timbres, voice++);
    }
    return stateOf(b);
}

void writeRandomPcgFile(const std::string& path, std::uint32_t seed) {
    pcg::writePcgFile(randomPcg(seed).image, path);
}

}  // namespace pelvaro::synthetic
