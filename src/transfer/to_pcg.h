#pragma once
// Database -> PCG: places database entries into the open image. Each placement reuses a slot
// that already holds an identical record, or takes the first free slot (bank A before bank B),
// after placing what the record depends on (a combination's programs, a program's drum kit) and
// rewriting its reference bytes to the slots used. Only the image and its flags change; the
// record files are only read. A failure adds its line to the event list and gives -1; nothing
// placed before it is taken back.

#include <cstdint>
#include <string>
#include <vector>

#include "db/event_lines.h"
#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::transfer {

using db::EventLines;

// An entry ID that names no entry of its file (0, negative, above the count), as a damaged
// database can hold in a reference, places nothing and adds the line "<Kind> <id> is not
// present." ("Drumkit 7 is not present.", "Program 7 ...", "Combination 7 ..."); no record
// beyond the count is ever read.

// The kit slot 0-3 that holds the kit afterwards, or -1 ("No Drum Kit Slots for Drumkit <id>").
// Only a used kit slot is reused.
int sendDrumKitToPcg(pcg::PcgState& pcg, const db::RecordFiles& files, std::int32_t id,
                     EventLines& events);

// The program slot 0-199 that holds the program afterwards, or -1 ("No Program Slots for
// Program <id>", or the kit's line then "No Drum Kit Slots for Program <id>").
int sendProgramToPcg(pcg::PcgState& pcg, const db::RecordFiles& files, std::int32_t id,
                     EventLines& events);

// The combination slot 0-199, or -1 ("No Combination Slots for Combination <id>"; "No Program
// Slots for Combination <id>" when fewer program slots are free than the combination has
// program references, counted before anything is placed; after a program that failed, its lines
// then "No Drum Kit Slots for Combination <id>").
int sendCombinationToPcg(pcg::PcgState& pcg, const db::RecordFiles& files, std::int32_t id,
                         EventLines& events);

}  // namespace pelvaro::transfer
