#pragma once
// A patch list as one printable HTML page: no file beside it, no script, styles inline, so it
// prints as it shows and can be mailed as it is. Texts are UTF-8 and escaped.

#include <string>
#include <vector>

#include "lists/tables.h"

namespace pelvaro::lists {

struct HtmlPage {
    std::string title;   // "Pcg Programs"
    std::string source;  // the PCG file or the database the list is of
    std::string date;    // when it was written, as the user reads dates
    // Tables in a row across the page (a PCG's banks A and B), each with its heading.
    std::vector<std::pair<std::string, Table>> tables;
    // A row with its first cell alone is an empty slot, shown pale (a PCG's lists).
    bool emptySlots = false;
};

std::string htmlPage(const HtmlPage& page);

// Text with the five characters HTML gives a meaning to written as references.
std::string htmlEscaped(const std::string& text);

// The PCG tab's list: its title, and banks A and B side by side.
HtmlPage pcgPage(const pcg::PcgState& pcg, pcg::SlotKind kind, std::string source,
                 std::string date);
// A database tab's list: the rows shown, in their order.
HtmlPage databasePage(const db::RecordFiles& files, db::Kind kind,
                      const std::vector<std::int32_t>& ids, std::string source, std::string date);

}  // namespace pelvaro::lists
