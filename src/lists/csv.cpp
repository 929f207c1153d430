#include "lists/csv.h"

namespace pelvaro::lists {

namespace {

// A spreadsheet takes a cell that starts with "=" or "@", or with "+" or "-" and goes on to a
// call or a link to another program, for a formula and runs it. Names and explanations come
// from other people's files, so such a cell gets a leading apostrophe, which the spreadsheet
// shows as text. Names such as "-PAD-" or "+5th" stay as they are.
bool readAsFormula(std::string_view text) {
    if (text.empty()) return false;
    if (text[0] == '=' || text[0] == '@') return true;
    return (text[0] == '+' || text[0] == '-') && text.find_first_of("(|!") != text.npos;
}

}  // namespace

std::string csvField(std::string_view field) {
    std::string guarded;
    if (readAsFormula(field)) {
        guarded = "'" + std::string(field);
        field = guarded;
    }
    const std::string_view text = field;
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string csvRow(const std::vector<std::string>& fields) {
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) row += ',';
        row += csvField(fields[i]);
    }
    return row + "\r\n";
}

}  // namespace pelvaro::lists
