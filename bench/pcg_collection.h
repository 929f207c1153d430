#pragma once
// Random sounds for the benchmarks of sends, and a collection of a thousand PCG files made of
// them, written once for the process.

#include <cstdint>
#include <cstdio>
#include <string>

#include "pcg/layout.h"
#include "pcg/pcg_files.h"
#include "pcg_builder.h"
#include "temp_dir.h"

namespace pelvaro::bench {

class Noise {
  public:
    explicit Noise(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    Byte byte() { return static_cast<Byte>(next()); }
    void fill(Bytes bytes) {
        for (Byte& b : bytes)
            b = byte();
    }

  private:
    std::uint64_t state_;
};

inline void randomProgram(Noise& noise, Bytes p, bool drum) {
    noise.fill(p);
    p[pcg::program::kOscMode] = drum ? 2 : static_cast<Byte>(noise.next() % 2);
    if (drum) p[pcg::program::kDrumKitSlot] = static_cast<Byte>(noise.next() % 4);
}

inline void randomCombination(Noise& noise, Bytes c, int slots) {
    noise.fill(c);
    for (int t = 0; t < 8; ++t) {
        const std::size_t at = pcg::combination::timbreOffset(t);
        const bool on = t < 4;
        c[at] = static_cast<Byte>(noise.next() % static_cast<std::uint64_t>(slots));
        c[at + pcg::combination::kTimbreBank] = 0;
        c[at + pcg::combination::kTimbreFlags] = on ? 0 : 0x10;
    }
}

// A collection of PCG files as users keep them: each file full (200 programs, 200
// combinations, four kits), half of its sounds taken from earlier files and half its own.
class Collection {
  public:
    static constexpr int kFiles = 1000;

    Collection() {
        for (int file = 0; file < kFiles; ++file) {
            synthetic::PcgBuilder b;
            pcg::PcgImage& image = b.image();
            for (int k = 0; k < pcg::kDrumKitCount; ++k) {
                Noise noise(sound(3, file, k));
                noise.fill(image.drumKit(k));
            }
            for (int s = 0; s < pcg::kSlotCount; ++s) {
                const std::uint64_t program = sound(1, file, s);
                Noise noise(program);
                randomProgram(noise, image.program(s), program % 10 == 1);
                Noise combination(sound(2, file, s));
                randomCombination(combination, image.combination(s), 200);
            }
            pcg::writePcgFile(image, path(file));
        }
    }

    std::string path(int file) const {
        char name[32];
        std::snprintf(name, sizeof name, "/set%04d.pcg", file);
        return dir_.path() + name;
    }
    const std::string& folder() const { return dir_.path(); }

  private:
    // The sound in a slot of a file: half the slots of every file but the first (chosen by a
    // hash) play the sound of the same slot in an earlier file, the others a sound of its own.
    static std::uint64_t sound(int kind, int file, int slot) {
        const auto mix = [](std::uint64_t f, std::uint64_t s) {
            return (f * 0x9E3779B97F4A7C15ull + s * 0xC2B2AE3D27D4EB4Full) >> 33;
        };
        std::uint64_t f = static_cast<std::uint64_t>(file);
        const auto s = static_cast<std::uint64_t>(slot);
        while (f > 0 && (mix(f, s + kind * 1000) & 1) == 0)
            f = mix(f, s) % f;
        return (static_cast<std::uint64_t>(kind) << 40) + f * 256 + s;
    }

    testing::TempDir dir_;
};

inline const Collection& collection() {
    static const Collection files;
    return files;
}

}  // namespace pelvaro::bench
