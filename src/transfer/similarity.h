#pragma once
// How far apart two sounds of the database are: the number of compared values in which they
// differ, and which parameters those are. The values are the bytes the matching rules compare
// (programs 10-161, combinations 10-131), except where the rules compare by content:
//
// - Programs: when a program plays a stored drum kit (the matching rule's kit check would apply
//   to it: drumKitId above 0, oscMode 2, kit slot byte below 4), its byte 12 is left out and
//   its kit counts as one value, equal when the two kits' compared bytes are equal. Any other
//   program keeps byte 12 as it stands. A program on a stored kit and one that is not differ
//   in that value, whatever their byte 12.
// - Combinations: a timbre that plays a stored program (timbreProgramIds above 0) leaves its
//   timbreProgram byte out and counts the program it plays as one value, equal when the two
//   programs are the same sound (their distance is 0). A disabled timbre, a "GM" one and one
//   whose program was missing keep their timbreProgram byte as it stands, so they are equal
//   to each other when their bytes are, and differ from a timbre that plays a stored program.
//
// So two entries are at distance 0 exactly when the matching rules would take one for the
// other, and every other value that differs adds one.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::transfer {

// The compared values of one entry in a fixed layout: the compared bytes from byte 10 on (the
// bytes that are compared by content set to 0), padded to whole words, then the values
// compared by content as four bytes each. Values that name a stored kit or program have the top
// bit set, so they never equal a byte.
struct SoundValues {
    static constexpr std::size_t kSize = 160;
    alignas(8) std::array<Byte, kSize> bytes{};
    friend bool operator==(const SoundValues&, const SoundValues&) = default;
};

// One value of the layout: where it lies in SoundValues and how wide it is (1 or 4 bytes).
struct ValuePlace {
    std::uint8_t at;
    std::uint8_t width;
};
// Every value the distance of kind counts, bytes in record order, then those compared by
// content (152 of a program, 122 of a combination).
const std::vector<ValuePlace>& valuePlaces(db::Kind kind);

// Makes the compared values of entries of one kind. Drum kits of equal content, and programs
// that are the same sound, must be told apart from the others: the coder learns them from the
// record files once, when it is made.
class SoundCoder {
  public:
    // Reads the drum kits.
    static SoundCoder forPrograms(const db::RecordFiles& files);
    // Reads the drum kits and every program: each program is known by the lowest ID of the
    // programs that are the same sound.
    static SoundCoder forCombinations(const db::RecordFiles& files);
    // The same, when only the distances to one combination, playing these programs, matter:
    // only the programs that are the same sound as one of them are looked for; every other
    // program counts as a sound of its own.
    static SoundCoder forCombinationsNear(const db::RecordFiles& files,
                                          const std::vector<std::int32_t>& programs);

    db::Kind kind() const { return kind_; }
    // entry: a whole program or combination entry (264 bytes).
    void encode(ConstBytes entry, SoundValues& out) const;
    SoundValues encode(ConstBytes entry) const {
        SoundValues v;
        encode(entry, v);
        return v;
    }
    // Reads entry id (1 to the count) and encodes it.
    SoundValues read(const db::RecordFiles& files, std::int32_t id) const;
    // distanceUpTo(kind(), target, encode(entry), most), straight from the entry's bytes.
    int distanceUpTo(const SoundValues& target, ConstBytes entry, int most) const;

  private:
    SoundCoder(db::Kind kind, std::vector<std::int32_t> kitClass)
        : kind_(kind), kitClass_(std::move(kitClass)) {}
    std::int32_t kitClass(std::int32_t kit) const;
    // The value compared by content: a program's kit, or timbre t's program.
    std::uint32_t contentValue(ConstBytes entry, int t) const;
    std::int32_t programClass(std::int32_t program) const;

    db::Kind kind_;
    std::vector<std::int32_t> kitClass_;      // by kit ID: the lowest ID of an equal kit
    std::vector<std::int32_t> programClass_;  // by program ID (combinations only)
};

// How many values differ.
int distance(db::Kind kind, const SoundValues& a, const SoundValues& b);
// The same, but stops counting above `most` (returns most + 1 then).
int distanceUpTo(db::Kind kind, const SoundValues& a, const SoundValues& b, int most);

// The parameters in which two entries differ, in record order, each named once: "oscMode",
// "osc1Sound", "drumKitSlot", "osc2Sound", "drum kit", "timbre 3 program", "timbre 3 bank",
// "timbre 3 flags", otherwise the byte's offset in the record ("byte 57").
std::vector<std::string> differingParameters(db::Kind kind, const SoundValues& a,
                                             const SoundValues& b);
// "oscMode, osc1Sound, byte 57".
std::string parameterText(const std::vector<std::string>& parameters);

// "program" or "combination", and with a capital letter.
std::string kindWord(db::Kind kind, std::int64_t count = 1);
std::string capitalKindWord(db::Kind kind, std::int64_t count = 1);
// The name of entry id (Latin-1, up to its first zero byte).
std::string entryNameOf(const db::RecordFiles& files, db::Kind kind, std::int32_t id);

// The other entry of a kind and how far it lies from the one asked about.
struct Neighbour {
    std::int32_t id = 0;
    std::string name;  // Latin-1
    int bytes = 0;
    std::vector<std::string> parameters;
};
// The `count` entries of kind (Program or Combination) nearest to entry id, never id itself,
// nearest first and, at equal distance, by ascending ID. Reads the file in large blocks, on two
// cores. An id that names no entry is refused ("There is no program with ID 7.").
std::vector<Neighbour> findSimilar(const db::RecordFiles& files, db::Kind kind, std::int32_t id,
                                   std::size_t count);

// Throws io::RefusalError unless id names an entry of kind.
void requireEntry(const db::RecordFiles& files, db::Kind kind, std::int32_t id,
                  const std::string& caption);

}  // namespace pelvaro::transfer
