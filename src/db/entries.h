#pragma once
// The four record kinds of the database files. An entry is its bytes; the accessors below read
// and write its fields in place, so a record read and written back keeps every byte it had.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "io/bytes.h"
#include "io/wording.h"
#include "pcg/pcg_image.h"

namespace pelvaro::db {

enum class Kind { Program = 0, Combination = 1, DrumKit = 2, Class = 3 };
inline constexpr int kKindCount = 4;
// The four kinds in the order of their files everywhere: working files, database file fields,
// member files.
inline constexpr std::array<Kind, kKindCount> kAllKinds = {Kind::Program, Kind::Combination,
                                                           Kind::DrumKit, Kind::Class};

// The one wording of the kinds: "program", "combination", "drum kit", "class", plural for any
// count but one; with a capital letter; and counted ("1,234 programs").
inline std::string kindWord(Kind kind, std::int64_t count = 1) {
    static constexpr std::array<const char*, kKindCount> kOne = {"program", "combination",
                                                                 "drum kit", "class"};
    static constexpr std::array<const char*, kKindCount> kMany = {"programs", "combinations",
                                                                  "drum kits", "classes"};
    return (count == 1 ? kOne : kMany)[static_cast<std::size_t>(kind)];
}
inline std::string capitalKindWord(Kind kind, std::int64_t count = 1) {
    return capitalised(kindWord(kind, count));
}
inline std::string kindCount(std::int64_t count, Kind kind) {
    return grouped(count) + " " + kindWord(kind, count);
}

struct KindLayout {
    std::string_view fileName;  // the working file in the start directory
    std::size_t recordSize;
    std::size_t countOffset;  // where record 0 keeps entryCount (idNumber's place, parentId's)
};

inline constexpr std::array<KindLayout, kKindCount> kLayouts = {{
    {"temp.prg", 264, 164},
    {"temp.cmb", 264, 136},
    {"temp.dru", 504, 420},
    {"temp.tur", 24, 20},
}};

constexpr const KindLayout& layoutOf(Kind kind) {
    return kLayouts[static_cast<int>(kind)];
}

inline constexpr int kClassSlots = 10;
inline constexpr std::size_t kExplanationSize = 80;  // 79 characters and the zero byte
inline constexpr std::size_t kClassNameSize = 20;    // 19 characters and the zero byte
inline constexpr std::string_view kNoClassName = "No Class";

struct ProgramLayout {
    static constexpr Kind kind = Kind::Program;
    static constexpr std::size_t kSize = 264;
    static constexpr std::size_t kIdNumber = 164;
    static constexpr std::size_t kExplanation = 168;
    static constexpr std::size_t kClassIds = 248;
    static constexpr std::size_t kDrumKitId = 260;
};
struct CombinationLayout {
    static constexpr Kind kind = Kind::Combination;
    static constexpr std::size_t kSize = 264;
    static constexpr std::size_t kIdNumber = 136;
    static constexpr std::size_t kExplanation = 140;
    static constexpr std::size_t kClassIds = 220;
    static constexpr std::size_t kTimbreProgramIds = 232;
};
struct DrumKitLayout {
    static constexpr Kind kind = Kind::DrumKit;
    static constexpr std::size_t kSize = 504;
    static constexpr std::size_t kIdNumber = 420;
    static constexpr std::size_t kExplanation = 424;
};

static_assert(pcg::kProgramSize == ProgramLayout::kIdNumber);
static_assert(ProgramLayout::kExplanation + kExplanationSize == ProgramLayout::kClassIds);
static_assert(ProgramLayout::kDrumKitId + 4 == ProgramLayout::kSize);
static_assert(pcg::kCombinationSize == CombinationLayout::kIdNumber);
static_assert(CombinationLayout::kExplanation + kExplanationSize == CombinationLayout::kClassIds);
static_assert(CombinationLayout::kTimbreProgramIds + pcg::combination::kTimbreCount * 4 ==
              CombinationLayout::kSize);
static_assert(pcg::kDrumKitSize == DrumKitLayout::kIdNumber);
static_assert(DrumKitLayout::kExplanation + kExplanationSize == DrumKitLayout::kSize);
static_assert(layoutOf(Kind::Program).recordSize == ProgramLayout::kSize);
static_assert(layoutOf(Kind::Combination).recordSize == CombinationLayout::kSize);
static_assert(layoutOf(Kind::DrumKit).recordSize == DrumKitLayout::kSize);

// What program, combination and drum-kit entries share: the instrument record at byte 0, then
// the ID (= record number) and the explanation.
template <class L>
struct EntryRecord {
    static constexpr Kind kind = L::kind;
    static constexpr std::size_t kSize = L::kSize;
    std::array<Byte, L::kSize> bytes{};

    std::int32_t idNumber() const { return le32(bytes, L::kIdNumber); }
    void setIdNumber(std::int32_t id) { setLe32(bytes, L::kIdNumber, id); }

    Bytes explanationField() { return Bytes(bytes).subspan(L::kExplanation, kExplanationSize); }
    ConstBytes explanationField() const {
        return ConstBytes(bytes).subspan(L::kExplanation, kExplanationSize);
    }
    std::string explanation() const { return fieldText(explanationField()); }
    // At most 79 characters and a zero byte; the bytes after it keep what they held.
    void setExplanation(std::string_view text) { putFieldText(explanationField(), text); }

    // Class slots, each a signed byte: 0 empty, 1-127 a class.
    int classId(int slot) const requires requires { L::kClassIds; }
    { return static_cast<signed char>(bytes[L::kClassIds + slot]); }
    void setClassId(int slot, int classId) requires requires { L::kClassIds; }
    { bytes[L::kClassIds + slot] = static_cast<Byte>(classId); }

    friend bool operator==(const EntryRecord&, const EntryRecord&) = default;
};

struct DbProgramEntry : EntryRecord<ProgramLayout> {
    pcg::ProgramBytes program() { return pcg::ProgramBytes(bytes.data(), pcg::kProgramSize); }
    pcg::ConstProgramBytes program() const {
        return pcg::ConstProgramBytes(bytes.data(), pcg::kProgramSize);
    }
    // 0: no drum program; > 0: the drum-kit entry it plays; < 0: minus a kit slot byte of 4 or
    // more, which names no kit of any image.
    std::int32_t drumKitId() const { return le32(bytes, ProgramLayout::kDrumKitId); }
    void setDrumKitId(std::int32_t id) { setLe32(bytes, ProgramLayout::kDrumKitId, id); }
};

struct DbCombinationEntry : EntryRecord<CombinationLayout> {
    pcg::CombinationBytes combination() {
        return pcg::CombinationBytes(bytes.data(), pcg::kCombinationSize);
    }
    pcg::ConstCombinationBytes combination() const {
        return pcg::ConstCombinationBytes(bytes.data(), pcg::kCombinationSize);
    }
    // Per timbre: 0 disabled or missing, -1 a program outside the banks, else a program entry.
    std::int32_t timbreProgramId(int t) const {
        return le32(bytes, CombinationLayout::kTimbreProgramIds + 4 * t);
    }
    void setTimbreProgramId(int t, std::int32_t id) {
        setLe32(bytes, CombinationLayout::kTimbreProgramIds + 4 * t, id);
    }
};

struct DbDrumKitEntry : EntryRecord<DrumKitLayout> {
    pcg::DrumKitBytes drumKit() { return pcg::DrumKitBytes(bytes.data(), pcg::kDrumKitSize); }
    pcg::ConstDrumKitBytes drumKit() const {
        return pcg::ConstDrumKitBytes(bytes.data(), pcg::kDrumKitSize);
    }
};

// A class: its name and its parent (0 = top level). Record 0 is "No Class", whose parentId
// place holds the number of classes.
struct ClassEntry {
    static constexpr Kind kind = Kind::Class;
    static constexpr std::size_t kSize = 24;
    static constexpr std::size_t kParentId = 20;
    std::array<Byte, kSize> bytes{};

    std::string name() const { return fieldText(ConstBytes(bytes).first(kClassNameSize)); }
    void setName(std::string_view text) { putFieldText(Bytes(bytes).first(kClassNameSize), text); }
    std::int32_t parentId() const { return le32(bytes, kParentId); }
    void setParentId(std::int32_t id) { setLe32(bytes, kParentId, id); }

    friend bool operator==(const ClassEntry&, const ClassEntry&) = default;
};
static_assert(layoutOf(Kind::Class).recordSize == ClassEntry::kSize);
static_assert(layoutOf(Kind::Class).countOffset == ClassEntry::kParentId);

// The instrument name of a program or combination entry: its first ten bytes up to a zero byte.
template <class E>
std::string entryName(const E& entry) {
    return fieldText(ConstBytes(entry.bytes).first(pcg::kNameSize));
}

// What a stored combination's timbre plays, as every list shows it: "GM" for a program outside
// the banks (-1), "-" for a timbre that plays nothing (0), otherwise the program entry's ID.
inline std::string timbreText(std::int32_t programId) {
    if (programId == -1) return "GM";
    if (programId == 0) return "-";
    return std::to_string(programId);
}

}  // namespace pelvaro::db
