#pragma once
// Comma-separated values as RFC 4180 has them: fields separated by commas, rows ended by CR LF,
// a field holding a comma, a double quote or a line break put in double quotes with its own
// quotes doubled. A field a spreadsheet would run as a formula ("=...", "@...", "+" or "-"
// going on to a call or a link) starts with an apostrophe. Text is UTF-8; names, which the
// instrument keeps in its 8-bit code page (Latin-1), are converted first.

#include <string>
#include <string_view>
#include <vector>

namespace pelvaro::lists {

std::string csvField(std::string_view text);
// The fields of one row, with the row's CR LF.
std::string csvRow(const std::vector<std::string>& fields);

}  // namespace pelvaro::lists
