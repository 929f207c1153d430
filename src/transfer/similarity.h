#pragma once
// How far apart two sounds of the database are: the number of compared values in which they
// differ, and which parameters those are. The values are the bytes the matching rules compare
// (programs 10-161, combinations 10-131), except where the rules compare by content:
//
// - Programs: when a program plays a stored drum kit (the matching rule's kit check would apply
//   to it: drumKitId above 0, oscMode 2, kit slot byte below 4), its byte 12 is left out and
//   its kit is compared by content. Two programs on stored kits differ there in as many bytes
//   as their kits' compared bytes (0-418) differ: none for kits of equal content. A program on
//   a stored kit and one that is not differ in one value, whatever their byte 12; any other
//   program keeps byte 12 as it stands.
// - Combinations: a timbre that plays a stored program (timbreProgramIds above 0) leaves its
//   timbreProgram byte out. Two timbres that play stored programs differ there as far as the
//   two programs are from each other (0 for the same sound, whatever their slots). A timbre
//   that plays a stored program and one that does not (disabled, "GM" or on a missing program)
//   differ in one value; two that do not compare their timbreProgram bytes as they stand.
//
// So two entries are at distance 0 exactly when the matching rules would take one for the
// other (apart from the slots a combination's programs were sent from), and every other value
// that differs adds one, or as many as the kits or programs it names differ in.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::transfer {

// More than any two entries differ in.
inline constexpr int kFarthest = 1 << 20;

// The distances of the values compared by content: between two stored drum kits (how many of
// their compared bytes differ) and between two stored programs (their own distance). The
// entries are read through RecordFiles::readEntry when first asked for and the distances kept.
// An ID that names no entry differs from every other ID in one value. One meter per thread.
class ContentMeter {
  public:
    explicit ContentMeter(const db::RecordFiles& files) : files_(&files) {}
    int kits(std::int32_t a, std::int32_t b);
    int programs(std::int32_t a, std::int32_t b);
    const db::RecordFiles& files() const { return *files_; }

  private:
    const db::RecordFiles* files_;
    std::unordered_map<std::uint64_t, std::uint16_t> kits_;
    std::unordered_map<std::uint64_t, std::uint16_t> programs_;
};

// How far apart two whole entries of kind (Program or Combination, 264 bytes each) are, as
// above. Counting stops above `most` (returns a number above most then).
int entryDistance(db::Kind kind, ConstBytes a, ConstBytes b, ContentMeter& meter,
                  int most = kFarthest);

// The parameters in which two entries differ, in record order, each named once: "oscMode",
// "osc1Sound", "drumKitSlot", "osc2Sound", "drum kit" (one program on a stored kit, the other
// not), "drum kit: 37 bytes" (two kits of other content), "timbre 3 program" (one timbre on a
// stored program, the other not, or their program bytes), "timbre 1: Harmonica -> Kalimba,
// 148 bytes" (two stored programs of other sounds, a's name first; a name in UTF-8),
// "timbre 3 bank", "timbre 3 flags", otherwise the byte's offset in the record ("byte 57").
std::vector<std::string> differingParameters(db::Kind kind, ConstBytes a, ConstBytes b,
                                             ContentMeter& meter);
// At most this many parameters are named; of more, one fewer and how many more there are.
inline constexpr std::size_t kNamedParameters = 8;
// "oscMode, osc1Sound, byte 57"; of many, "byte 30, byte 55, ... and 140 more".
std::string parameterText(const std::vector<std::string>& parameters);

// The compared values of one entry in a fixed layout, for finding entries that agree on some
// of them: the compared bytes from byte 10 on (the bytes that are compared by content set to
// 0), padded to whole words, then the values compared by content as four bytes each: the
// lowest ID of the kits (or programs) of the same content with the top bit set, so it never
// equals a byte, or the byte as it stands. Equal values: distance 0.
struct SoundValues {
    static constexpr std::size_t kSize = 160;
    static constexpr std::uint32_t kStored = 0x80000000u;  // a value that names a kit or program
    alignas(16) std::array<Byte, kSize> bytes{};
    friend bool operator==(const SoundValues&, const SoundValues&) = default;
};

// One value of the layout: where it lies in SoundValues and how wide it is (1 or 4 bytes).
struct ValuePlace {
    std::uint8_t at;
    std::uint8_t width;
};
// Every value of kind, bytes in record order, then those compared by content (152 of a
// program, 122 of a combination).
const std::vector<ValuePlace>& valuePlaces(db::Kind kind);

// Makes the compared values of entries of one kind and measures the distance between them.
// Drum kits of equal content, and programs that are the same sound, must be told apart from
// the others: the coder learns them from the record files once, when it is made.
class SoundCoder {
  public:
    // Reads the drum kits.
    static SoundCoder forPrograms(const db::RecordFiles& files);
    // Reads the drum kits and every program: each program is known by the lowest ID of the
    // programs that are the same sound.
    static SoundCoder forCombinations(const db::RecordFiles& files);

    db::Kind kind() const { return kind_; }
    // entry: a whole program or combination entry (264 bytes). Safe on two threads at once.
    void encode(ConstBytes entry, SoundValues& out) const;
    SoundValues encode(ConstBytes entry) const {
        SoundValues v;
        encode(entry, v);
        return v;
    }
    // Reads entry id (1 to the count) and encodes it.
    SoundValues read(const db::RecordFiles& files, std::int32_t id) const;
    // The distance of the two entries the values were made of (entryDistance); stops counting
    // above most. Reads kits or programs the first time they are compared: one thread at once.
    int distanceUpTo(const SoundValues& a, const SoundValues& b, int most) const;
    int distance(const SoundValues& a, const SoundValues& b) const {
        return distanceUpTo(a, b, kFarthest);
    }
    // How far apart a and b are in the one value at `place` (one of valuePlaces(kind())).
    int valueDistance(ValuePlace place, const SoundValues& a, const SoundValues& b) const;

  private:
    SoundCoder(const db::RecordFiles& files, db::Kind kind, std::vector<std::int32_t> kitClass)
        : kind_(kind), kitClass_(std::move(kitClass)), meter_(files) {}
    std::int32_t kitClass(std::int32_t kit) const;
    std::int32_t programClass(std::int32_t program) const;
    // The value compared by content: a program's kit, or timbre t's program.
    std::uint32_t contentValue(ConstBytes entry, int t) const;

    db::Kind kind_;
    std::vector<std::int32_t> kitClass_;      // by kit ID: the lowest ID of an equal kit
    std::vector<std::int32_t> programClass_;  // by program ID (combinations only)
    mutable ContentMeter meter_;
};

// The other entry of a kind and how far it lies from the one asked about.
struct Neighbour {
    std::int32_t id = 0;
    std::string name;  // Latin-1
    int bytes = 0;
    std::vector<std::string> parameters;
};
// The `count` entries of kind (Program or Combination) nearest to entry id, never id itself,
// nearest first and, at equal distance, by ascending ID. Reads the file in large blocks, on two
// cores; for a combination that plays stored programs, the distances of those programs to the
// others first, in one pass over the programs when many will be asked for, else one by one as
// the entries whose bytes leave room for them ask. An id that names no entry is refused
// ("There is no program with ID 7.").
std::vector<Neighbour> findSimilar(const db::RecordFiles& files, db::Kind kind, std::int32_t id,
                                   std::size_t count);

// Throws io::RefusalError unless id names an entry of kind.
void requireEntry(const db::RecordFiles& files, db::Kind kind, std::int32_t id,
                  const std::string& caption);

}  // namespace pelvaro::transfer
