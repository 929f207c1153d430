#include "db/listing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <numeric>

#include "db/class_tree.h"
#include "db/name_column.h"
#include "db/origins.h"
#include "db/record_scan.h"

namespace pelvaro::db {

namespace {

// The class test: a membership table over every value a signed class byte can hold.
class ClassTest {
  public:
    ClassTest(const ClassTree& tree, std::int32_t classId) : classId_(classId) {
        if (classId_ >= 1)
            for (std::int32_t k : tree.withDescendants(classId_))
                if (k <= 127) member_[static_cast<std::size_t>(k + 128)] = true;
    }
    bool passes(ConstBytes classIds) const {
        if (classId_ == -1) return true;
        if (classId_ == 0)
            return std::all_of(classIds.begin(), classIds.end(), [](Byte b) { return b == 0; });
        return std::any_of(classIds.begin(), classIds.end(), [&](Byte b) {
            return member_[static_cast<std::size_t>(static_cast<signed char>(b) + 128)];
        });
    }

  private:
    std::int32_t classId_;
    std::array<bool, 256> member_{};
};

// Rows of one kind: record numbers 1..count that pass, ascending. An entry's ID is its record
// number, so that number is what the row keeps; without a filter every entry passes and none
// needs reading.
template <class Passes>
std::vector<std::int32_t> fillRows(const RecordFiles& files, Kind kind, bool filtered,
                                   Passes passes) {
    std::vector<std::int32_t> rows;
    if (!filtered) {
        rows.resize(static_cast<std::size_t>(std::max(files.count(kind), 0)));
        std::iota(rows.begin(), rows.end(), 1);
        return rows;
    }
    scanEntries(files, kind, [&](std::int32_t n, ConstBytes record) {
        if (passes(record)) rows.push_back(n);
        return true;
    });
    return rows;
}

std::optional<std::int32_t> parseInteger(const std::string& text) {
    std::int32_t value = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || ptr != end || begin == end) return std::nullopt;
    return value;
}

// A number field: blank gives the default, digits give their value, anything else the message.
bool readNumber(const std::string& field, std::int32_t blank, std::int32_t& out,
                std::optional<std::string>& error) {
    const std::string text = trimmed(field);
    if (text.empty()) {
        out = blank;
        return true;
    }
    if (const auto value = parseInteger(text)) {
        out = *value;
        return true;
    }
    error = "'" + text + "' is not a valid integer value";
    return false;
}

// " ", then the names of class records 0 ("No Class") to the class count: item i stands for
// class i - 1.
std::vector<std::string> classChoices(const ClassTree& tree) {
    std::vector<std::string> choices{" "};
    for (std::int32_t k = 0; k <= tree.count(); ++k)
        choices.push_back(tree.name(k));
    return choices;
}

}  // namespace

NameTest::NameTest(std::string_view text, bool atStart) : text_(text), atStart_(atStart) {
    for (char& c : text_)
        c = upperCase8Bit(c);
}

bool NameTest::passes(ConstBytes record) const {
    if (text_.empty()) return true;
    std::array<char, pcg::kNameSize> name{};
    std::size_t n = 0;
    while (n < pcg::kNameSize && record[n] != 0) {
        name[n] = upperCase8Bit(static_cast<char>(record[n]));
        ++n;
    }
    const std::string_view upper(name.data(), n);
    return atStart_ ? upper.starts_with(text_) : upper.find(text_) != std::string_view::npos;
}

bool soundPasses(ConstBytes programRecord, std::int32_t from, std::int32_t to) {
    if (from == -1) return true;
    const pcg::ConstProgramBytes p(programRecord.data(), pcg::kProgramSize);
    const int mode = pcg::oscMode(p);
    // A drum program's byte 12 is its kit slot, not a sound: it has no oscillator sound at all.
    const int o = mode != pcg::program::kDrumMode ? pcg::osc1Sound(p) : -1;
    const int t = mode == pcg::program::kTwoOscillators ? pcg::osc2Sound(p) : -1;
    // -1 stands for "no such oscillator" and never meets a bound, not even a negative one.
    if (to == -1) return (o >= 0 && o == from) || (t >= 0 && t == from);
    const auto within = [&](int v) { return v >= 0 && from <= v && v <= to; };
    return within(o) || within(t);
}

std::string trimmed(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string rowLabel(std::int32_t rowNumber, std::string_view name) {
    std::string label = std::to_string(rowNumber) + std::string(11, ' ');
    label.insert(6, name);
    return label;
}

namespace {
// The line of entry `id` under `number`.
std::string labelOf(const RecordFiles& files, Kind kind, std::int32_t number, std::int32_t id) {
    if (id < 1 || id > files.count(kind)) return rowLabel(number, "");
    std::array<Byte, pcg::kNameSize> name{};
    files.readEntry(kind, id, name);
    return rowLabel(number, fieldText(name));
}
}  // namespace

std::string rowLabel(const RecordFiles& files, Kind kind, const std::vector<std::int32_t>& rowIds,
                     std::size_t row) {
    return labelOf(files, kind, static_cast<std::int32_t>(row + 1),
                   row < rowIds.size() ? rowIds[row] : 0);
}

std::string entryLabel(const RecordFiles& files, Kind kind, std::int32_t id) {
    return labelOf(files, kind, id, id);
}

namespace {
// The file filter on the rows of the searched list: the entries that came from a file whose
// name holds the text.
void keepFromFile(ListRefill& refill, const ListFilter& filter, Kind searched,
                  const OriginStore* origins) {
    if (filter.fromFile.empty()) return;
    std::vector<std::int32_t>& rows =
        searched == Kind::Program ? refill.programRowIds : refill.combinationRowIds;
    std::vector<std::int32_t> from;
    if (origins) from = origins->entriesFromFiles(searched, filter.fromFile);
    std::ranges::sort(from);
    std::erase_if(rows, [&](std::int32_t id) { return !std::ranges::binary_search(from, id); });
}

// The rows under every filter but the file filter.
ListRefill rowsOfRecords(const RecordFiles& files, const ListFilter& filter, Kind searched,
                         NameColumn* names) {
    const bool unfiltered = filter.isUnfiltered();
    // A search by file alone reads no record.
    const bool readRecords =
        !unfiltered && !ListFilter{filter.nameText, filter.classId, filter.reference,
                                   filter.soundFrom, filter.soundTo}
                            .isUnfiltered();
    const ClassTree tree = ClassTree::read(files);
    const bool byNameAlone = !filter.nameText.empty() && filter.classId == -1 &&
                             (filter.reference == -1 || filter.reference == 0) &&
                             filter.soundFrom == -1;
    if (names && byNameAlone) {
        std::string text = filter.nameText;
        for (char& c : text)
            c = upperCase8Bit(c);
        ListRefill refill;
        (searched == Kind::Program ? refill.programsRefilled : refill.combinationsRefilled) = true;
        (searched == Kind::Program ? refill.programRowIds : refill.combinationRowIds) =
            names->holding(searched, text);
        refill.classChoices = classChoices(tree);
        return refill;
    }
    const NameTest name(filter.nameText);
    const ClassTest classes(tree, filter.classId);
    const bool referenced = filter.reference != -1 && filter.reference != 0;

    ListRefill refill;
    if (searched == Kind::Program || unfiltered) {
        refill.programsRefilled = true;
        refill.programRowIds = fillRows(files, Kind::Program, readRecords, [&](ConstBytes r) {
            return name.passes(r) &&
                   classes.passes(r.subspan(ProgramLayout::kClassIds, kClassSlots)) &&
                   (!referenced || le32(r, ProgramLayout::kDrumKitId) == filter.reference) &&
                   soundPasses(r, filter.soundFrom, filter.soundTo);
        });
    }
    if (searched == Kind::Combination || unfiltered) {
        refill.combinationsRefilled = true;
        refill.combinationRowIds =
            fillRows(files, Kind::Combination, readRecords, [&](ConstBytes r) {
                if (!name.passes(r) ||
                    !classes.passes(r.subspan(CombinationLayout::kClassIds, kClassSlots)))
                    return false;
                if (!referenced) return true;
                for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
                    if (le32(r, CombinationLayout::kTimbreProgramIds + 4 * t) == filter.reference)
                        return true;
                return false;
            });
    }
    refill.classChoices = classChoices(tree);
    return refill;
}

}  // namespace

ListRefill listRows(const RecordFiles& files, const ListFilter& filter, Kind searched,
                    NameColumn* names, const OriginStore* origins) {
    ListRefill refill = rowsOfRecords(files, filter, searched, names);
    keepFromFile(refill, filter, searched, origins);
    return refill;
}

SearchParse parseProgramSearch(const ProgramSearchFields& fields) {
    SearchParse parse;
    ListFilter& f = parse.filter;
    f.nameText = trimmed(fields.name);
    f.fromFile = trimmed(fields.fromFile);
    if (!readNumber(fields.drumId, 0, f.reference, parse.error) ||
        !readNumber(fields.soundFrom, -1, f.soundFrom, parse.error) ||
        !readNumber(fields.soundTo, -1, f.soundTo, parse.error))
        return parse;
    if (f.soundFrom < 0) f.soundTo = -1;
    // Text typed into the combo selects no item: -2, which matches no entry.
    f.classId = fields.classIndex < 0 ? -2 : fields.classIndex - 1;
    return parse;
}

SearchParse parseCombinationSearch(const CombinationSearchFields& fields) {
    SearchParse parse;
    ListFilter& f = parse.filter;
    f.nameText = trimmed(fields.name);
    f.fromFile = trimmed(fields.fromFile);
    if (!readNumber(fields.programId, 0, f.reference, parse.error)) return parse;
    f.classId = fields.classIndex < 0 ? -2 : fields.classIndex - 1;
    return parse;
}

}  // namespace pelvaro::db
