#include "demo_pcg.h"

#include "pcg_builder.h"

namespace pelvaro::synthetic {

using synthetic::off;
using synthetic::outside;
using synthetic::plays;

namespace {
constexpr int A = 0;
constexpr int B = 100;
}  // namespace

pcg::PcgImage makeDemoImage() {
    synthetic::PcgBuilder b;
    b.drumKit(0, 201).drumKit(1, 202).drumKit(2, 203).drumKit(3, 204);

    b.program(A + 0, "Glass Keys", {.osc1 = 12, .voice = 1})
        .program(A + 1, "Warm Pad", {.oscMode = 1, .osc1 = 45, .osc2 = 46, .voice = 2})
        .program(A + 2, "Fat Bass", {.osc1 = 80, .voice = 3})
        .program(A + 3, "Silk Str", {.oscMode = 1, .osc1 = 100, .osc2 = 101, .voice = 4})
        .drumProgram(A + 4, "Kit Rock", 0, 5)
        .drumProgram(A + 5, "Kit Jazz", 1, 6)
        .program(A + 6, "Brass Sec", {.osc1 = 60, .voice = 7})
        .program(A + 7, "Bell Tree", {.oscMode = 1, .osc1 = 10, .osc2 = 200, .voice = 8})
        .drumProgram(A + 8, "Kit Elec", 2, 9)
        .drumProgram(A + 9, "Kit Latin", 3, 10)
        .drumProgram(A + 10, "Kit Odd", 5, 11)
        .program(A + 11, "Flute Air", {.osc1 = 150, .voice = 12})
        .program(A + 12, "Organ One", {.osc1 = 20, .voice = 13})
        .program(A + 13, "Organ Two", {.osc1 = 20, .voice = 13})  // only the name differs
        .program(A + 14, "Choir Ooh", {.oscMode = 1, .osc1 = 120, .osc2 = 121, .voice = 14})
        .program(A + 15, "Sync Lead", {.osc1 = 33, .voice = 15})
        .program(A + 20, "Marimba", {.osc1 = 70, .voice = 16})
        .program(A + 21, "Sitar", {.osc1 = 71, .voice = 17})
        .drumProgram(A + 30, "Kit Rock 2", 0, 18);

    b.program(B + 0, "Analog Bs", {.osc1 = 81, .voice = 19})
        .program(B + 1, "E.Piano", {.oscMode = 1, .osc1 = 13, .osc2 = 14, .voice = 20})
        .program(B + 2, "Vibes", {.osc1 = 72, .voice = 21})
        .program(B + 5, "Harp Gliss", {.osc1 = 90, .voice = 22})
        .drumProgram(B + 10, "Kit Brush", 1, 23)
        .program(B + 11, "Steel Gtr", {.osc1 = 40, .voice = 24})
        .program(B + 12, "Nylon Gtr", {.osc1 = 41, .voice = 25})
        .program(B + 20, "Pan Flute", {.oscMode = 1, .osc1 = 151, .osc2 = 152, .voice = 26})
        .program(B + 40, "Noise FX", {.osc1 = 250, .voice = 27})
        .program(B + 99, "Last One", {.osc1 = 5, .voice = 28});

    b.combination(A + 0, "Piano Str", {plays(A + 0), plays(A + 3)}, 1)
        .combination(A + 1, "Rock Band", {plays(A + 4), plays(A + 2), plays(A + 6), plays(A + 15)},
                     2)
        .combination(A + 2, "Jazz Trio", {plays(A + 5), plays(B + 0), plays(B + 1)}, 3)
        .combination(A + 3, "GM Layer", {plays(A + 1), outside(24)}, 4)
        .combination(A + 4, "Half There", {plays(A + 0), plays(B + 7)}, 5)  // B07 is empty
        .combination(A + 5, "Muted Mix", {plays(A + 11), off(A + 12), plays(A + 14), off(A + 7)}, 6)
        .combination(A + 6, "Orchestra",
                     {plays(A + 3), plays(A + 6), plays(A + 11), plays(B + 5), plays(A + 14),
                      plays(A + 1), plays(B + 2), plays(A + 20)},
                     7)
        .combination(A + 7, "Organ Duo", {plays(A + 12), plays(A + 13)}, 8)
        .combination(A + 8, "Elec Beat", {plays(A + 8), plays(B + 0), plays(A + 15)}, 9)
        .combination(A + 9, "Odd Kit", {plays(A + 10), plays(A + 2)}, 10)
        .combination(A + 10, "Sitar Pad", {plays(A + 21), plays(A + 1)}, 11)
        .combination(A + 11, "Bells Air", {plays(A + 7), outside(10), plays(A + 11)}, 12)
        .combination(A + 12, "Piano Solo", {plays(A + 0)}, 13);

    b.combination(B + 0, "Latin Mix", {plays(A + 9), plays(B + 5), plays(B + 12)}, 14)
        .combination(B + 1, "Guitars", {plays(B + 11), plays(B + 12)}, 15)
        .combination(B + 2, "Brush Trio", {plays(B + 10), plays(B + 0), plays(B + 2)}, 16)
        .combination(B + 3, "Flutes", {plays(A + 11), plays(B + 20), off(B + 40)}, 17)
        .combination(B + 4, "FX Wash", {plays(B + 40), plays(A + 1), outside(99)}, 18)
        .combination(B + 5, "Kit Rock 2", {plays(A + 30), plays(A + 2)}, 19)
        .combination(B + 50, "Last Combi", {plays(B + 99), plays(B + 7), off()}, 20);

    return b.image();
}

}  // namespace pelvaro::synthetic
