#pragma once
// When two records are the same sound. The name never counts (a renamed copy is the same
// sound and the stored entry keeps its own name), nor the tail bytes the instrument does not
// keep stable. Both directions of the transfer decide reuse with these three rules.

#include <cstdint>
#include <optional>

#include "db/entries.h"
#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::transfer {

// Bytes 0-418 of the kits; byte 419 is not compared.
bool sameDrumKit(const db::DbDrumKitEntry& entry, pcg::ConstDrumKitBytes kit);

// Bytes 10-131. The timbres' program bytes are compared as raw slot numbers, so the same
// combination playing programs in other slots is another combination.
bool sameCombination(const db::DbCombinationEntry& entry, pcg::ConstCombinationBytes combination);

// Whether the kit check applies: the entry plays a drum-kit entry and the program is a drum
// program on one of the image's four kit slots. Then the kits are compared by content and
// byte 12 (the kit slot) is left out, so one drum program stored from kit slot 1 matches the
// same program on kit slot 3 playing an equal kit.
bool kitCheckApplies(const db::DbProgramEntry& entry, pcg::ConstProgramBytes program);
// The same rule for an entry known by its drumKitId alone.
bool kitCheckApplies(std::int32_t entryDrumKitId, pcg::ConstProgramBytes program);

// Bytes 10-161 of the programs, with the kit check above. kitOfEntry is the drum-kit entry the
// program entry plays (entry.drumKitId()), read by the caller, or null when the database holds
// no such entry; a program entry whose kit is missing matches no drum program under the kit
// check. The image supplies the kit the program plays.
bool sameProgram(const db::DbProgramEntry& entry, pcg::ConstProgramBytes program,
                 const db::DbDrumKitEntry* kitOfEntry, const pcg::PcgImage& image);

// The same, reading the entry's drum-kit entry from the record files when the kit check needs
// it (never one beyond the drum-kit count).
bool sameProgram(const db::DbProgramEntry& entry, pcg::ConstProgramBytes program,
                 const db::RecordFiles& files, const pcg::PcgImage& image);

// The rule for a program that lies in no image (an entry of another database): kitOfProgram is
// the kit it plays, by content, or nothing when it plays none that is known; under the kit
// check a program without a kit matches no entry.
bool sameProgram(const db::DbProgramEntry& entry, pcg::ConstProgramBytes program,
                 const db::DbDrumKitEntry* kitOfEntry,
                 std::optional<pcg::ConstDrumKitBytes> kitOfProgram);
bool sameProgram(const db::DbProgramEntry& entry, pcg::ConstProgramBytes program,
                 const db::RecordFiles& files, std::optional<pcg::ConstDrumKitBytes> kitOfProgram);

// Hashes of exactly the bytes a rule compares, so records that match have equal keys. A
// program's key leaves out byte 12, which the kit check may ignore.
std::uint64_t drumKitKey(pcg::ConstDrumKitBytes kit);
std::uint64_t combinationKey(pcg::ConstCombinationBytes combination);
std::uint64_t programKey(pcg::ConstProgramBytes program);

}  // namespace pelvaro::transfer
