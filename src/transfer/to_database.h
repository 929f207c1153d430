#pragma once
// PCG -> database: one send per kind of record. Each stores a record of the image as a new entry,
// or finds the identical entry already stored (the lowest-numbered one, through the matching
// index) and stores nothing; a record takes what it depends on along (a combination its
// programs, a drum program its kit). Existing entries are never changed.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/event_lines.h"
#include "db/record_files.h"
#include "pcg/pcg_image.h"
#include "transfer/match_index.h"

namespace pelvaro::transfer {

using db::EventLines;

// The explanation of a new entry: "From: " and the PCG file's path. A path too long for the 79
// characters of the field keeps its end, where the file name is: "From: ..." and the path's
// last 70 characters.
std::string newEntryExplanation(std::string_view pcgFileName);

// "A5", "B7": the label of a program slot in the event lines, without leading zeros. A timbre byte
// of 200 or more, which names no slot, is labelled B and the byte minus 100.
std::string slotLabel(int slot);

// Where the sends store: the record files and the index that finds what they hold.
struct DatabaseSide {
    db::RecordFiles& files;
    MatchIndex& index;
};

// The program entries the slots of one PCG went to during one bulk send, so that the
// combinations sent after the programs look each slot up once. Within one send nothing is taken
// away, so a slot sent again finds the same entry. 0: not sent yet.
struct SentPrograms {
    std::array<std::int32_t, pcg::kSlotCount> ids{};
};

// Each returns the ID of the new or identical entry, or -1 when the slot is out of range or not
// used. A kit slot 0-3 is sent used or not.
std::int32_t sendDrumKitToDatabase(const pcg::PcgState& pcg, DatabaseSide db, int kit);
// A drum program takes its kit along (drumKitId); a kit slot byte of 4 or more stores minus that
// byte instead. `sent`, when given, remembers the answer for the rest of the send.
std::int32_t sendProgramToDatabase(const pcg::PcgState& pcg, DatabaseSide db, int slot,
                                   SentPrograms* sent = nullptr);
// Sends the programs of its timbres first: a disabled timbre plays 0, one outside the banks -1,
// one that plays an empty slot (or a slot byte of 200 or more) 0. The combination counts as
// stored already only when an entry has the same compared bytes and plays those same program
// entries; otherwise it is stored, and only then is "Program <label> of this combination is not
// present." added for each timbre that plays no program.
std::int32_t sendCombinationToDatabase(const pcg::PcgState& pcg, DatabaseSide db, int slot,
                                       EventLines& events, SentPrograms* sent = nullptr);

}  // namespace pelvaro::transfer
