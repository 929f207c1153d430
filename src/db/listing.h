#pragma once
// The two database lists: which entries they show under the five search filters, the text of
// a row, the class choices of the search groups and the reading of the search fields.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/record_files.h"
#include "pcg/pcg_image.h"

namespace pelvaro::db {

// The five filters of a refill; the defaults filter nothing.
struct ListFilter {
    std::string nameText{};       // a part of the name, compared in upper case; empty: any
    std::int32_t classId = -1;    // -1 any; 0 entries without classes; k the class and below
    std::int32_t reference = -1;  // -1 or 0 any; programs: drumKitId; combinations: a timbre's
    std::int32_t soundFrom = -1;  // programs only: -1 any; the sound, or the range's low end
    std::int32_t soundTo = -1;    // -1: soundFrom is a single value
    std::string fromFile{};       // a part of the name of a file the sound came from; empty: any

    // Refills both lists whichever was searched (soundTo alone filters nothing).
    bool isUnfiltered() const {
        return nameText.empty() && classId == -1 && (reference == -1 || reference == 0) &&
               soundFrom == -1 && fromFile.empty();
    }
};

// The outcome of a refill. Row r of a refilled list shows the entry whose ID is rowIds[r]; a
// list that was not refilled keeps its rows and row ids (its vector here is empty).
struct ListRefill {
    bool programsRefilled = false;
    bool combinationsRefilled = false;
    std::vector<std::int32_t> programRowIds;
    std::vector<std::int32_t> combinationRowIds;
    // Both search groups' class choices; the first (" ") is then selected in both, and the
    // search fields of both tabs are cleared.
    std::vector<std::string> classChoices;
};

class NameColumn;
class OriginStore;

// The rows of the list of the searched kind (Program or Combination), or of both lists when
// nothing filters, reading the entries in large blocks in ascending record order. A class
// filter takes the class and every class below it. With `names`, a search by name alone reads
// the names from it rather than the records from the files. The file filter keeps the entries
// `origins` has from a file of that name (none without `origins`).
ListRefill listRows(const RecordFiles& files, const ListFilter& filter, Kind searched,
                    NameColumn* names = nullptr, const OriginStore* origins = nullptr);

// The text of a row: the row number (from 1) followed by eleven blanks, with the name put in
// after the sixth character. "1     ABC      " and "12    ABC       ".
std::string rowLabel(std::int32_t rowNumber, std::string_view name);
// Row `row` (from 0) of a list with these row ids, formatted when it is asked for. An ID that
// no longer names an entry reads as an empty name.
std::string rowLabel(const RecordFiles& files, Kind kind, const std::vector<std::int32_t>& rowIds,
                     std::size_t row);
// The same line with the entry's ID in place of the row number ("12    Kalimba"): what a drag
// of the row shows, as the entry is known everywhere else.
std::string entryLabel(const RecordFiles& files, Kind kind, std::int32_t id);

// Upper case in the single-byte code page of the records (the names' rule, shared with sorting
// a PCG by name).
using pcg::upperCase8Bit;

// The name test of a search: whether the name of a program or combination record (its first ten
// bytes, up to a zero byte) holds the text, both in upper case; with atStart, whether it begins
// with it. An empty text passes every name.
class NameTest {
  public:
    explicit NameTest(std::string_view text, bool atStart = false);
    bool passes(ConstBytes record) const;

  private:
    std::string text_;
    bool atStart_;
};

// The sound test of a search on a program record: oscillator 1 (not in drum mode) or oscillator
// 2 (two-oscillator programs) plays sound `from`, or, when `to` is not -1, a sound from `from`
// to `to`. A drum program passes no sound test.
bool soundPasses(ConstBytes programRecord, std::int32_t from, std::int32_t to);

// What the user typed into a search group, as single-byte texts.
struct ProgramSearchFields {
    std::string name{};       // a part of the name
    std::string drumId{};     // "Drum ID:"
    std::string soundFrom{};  // "Osc Sound:" "from:"
    std::string soundTo{};    // "to:"
    int classIndex = 0;       // chosen class item (0 blank, 1 "No Class", ...); -1 when none
    std::string fromFile{};   // a part of the name of a file the sound came from
};
struct CombinationSearchFields {
    std::string name{};       // a part of the name
    std::string programId{};  // "Program ID:"
    int classIndex = 0;       // chosen class item, as for programs
    std::string fromFile{};   // as for programs
};

// The filter of a search, or the text of the message that stops it ("'1 2' is not a valid
// integer value") with the lists left as they were.
struct SearchParse {
    ListFilter filter;
    std::optional<std::string> error;
};
SearchParse parseProgramSearch(const ProgramSearchFields& fields);
SearchParse parseCombinationSearch(const CombinationSearchFields& fields);

// The text without leading and trailing characters of code 32 and below.
std::string trimmed(std::string_view text);

}  // namespace pelvaro::db
