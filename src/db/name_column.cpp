#include "db/name_column.h"

#include <algorithm>
#include <cstring>

#include "db/record_scan.h"
#include "pcg/pcg_image.h"

namespace pelvaro::db {

NameColumn::NameColumn(RecordFiles& files) : files_(files) {
    files_.addObserver(this);
}

NameColumn::~NameColumn() {
    files_.removeObserver(this);
}

namespace {
// A record's name up to its first zero byte in upper case, zero-padded to ten bytes.
void copyName(char* name, ConstBytes record) {
    std::size_t i = 0;
    for (; i < pcg::kNameSize && record[i] != 0; ++i)
        name[i] = pcg::upperCase8Bit(static_cast<char>(record[i]));
    std::fill(name + i, name + pcg::kNameSize, '\0');
}
}  // namespace

void NameColumn::put(Column& c, std::int32_t n, ConstBytes record) {
    const auto at = static_cast<std::size_t>(n - 1) * pcg::kNameSize;
    if (c.names.size() < at + pcg::kNameSize) c.names.resize(at + pcg::kNameSize);
    copyName(c.names.data() + at, record);
}

std::vector<char> NameColumn::names(std::int32_t count) {
    // Room for the entries to come as well, so the column seldom moves.
    std::vector<char> names;
    names.reserve((static_cast<std::size_t>(count) + static_cast<std::size_t>(count) / 8 + 4096) *
                  pcg::kNameSize);
    return names;
}

void NameColumn::appendName(std::vector<char>& names, ConstBytes record) {
    names.resize(names.size() + pcg::kNameSize);
    copyName(names.data() + names.size() - pcg::kNameSize, record);
}

void NameColumn::adopt(Kind kind, std::vector<char> names) {
    if (!named(kind)) return;
    Column& c = column(kind);
    c.names = std::move(names);
    c.known = true;
}

const NameColumn::Column& NameColumn::known(Kind kind) {
    Column& c = column(kind);
    const std::int32_t count = files_.count(kind);
    if (!c.known || c.size() < count) {
        // Until the read is complete the column counts as unknown, so a failed read is retried.
        c.known = false;
        c.names = names(count);
        scanEntries(files_, kind, [&](std::int32_t n, ConstBytes record) { put(c, n, record); });
        c.known = true;
    }
    return c;
}

void NameColumn::forEachName(
    Kind kind, const std::function<void(std::int32_t id, std::string_view upperName)>& visit) {
    const char* names = known(kind).names.data();
    const std::int32_t count = files_.count(kind);
    for (std::int32_t n = 1; n <= count; ++n) {
        const char* name = names + static_cast<std::size_t>(n - 1) * pcg::kNameSize;
        visit(n, std::string_view(name, ::strnlen(name, pcg::kNameSize)));
    }
}

std::vector<std::int32_t> NameColumn::holding(Kind kind, std::string_view upperText) {
    const char* names = known(kind).names.data();
    const std::int32_t count = files_.count(kind);
    std::vector<std::int32_t> rows;
    for (std::int32_t n = 1; n <= count; ++n) {
        const char* name = names + static_cast<std::size_t>(n - 1) * pcg::kNameSize;
        const std::string_view text(name, ::strnlen(name, pcg::kNameSize));
        if (text.find(upperText) != std::string_view::npos) rows.push_back(n);
    }
    return rows;
}

void NameColumn::recordWritten(Kind kind, std::int32_t n, ConstBytes record) {
    if (!named(kind) || n < 1) return;
    Column& c = column(kind);
    if (!c.known) return;
    // Only a record it holds or the one right after: anything else is read again when asked.
    if (n > c.size() + 1) {
        c.known = false;
        return;
    }
    put(c, n, record);
}

// Names beyond the count are never asked for; a raised count without its records (an undone
// deletion of the last entry) finds them missing and reads the file.
void NameColumn::countChanged(Kind, std::int32_t) {}

void NameColumn::fileReplaced(Kind kind) {
    if (named(kind)) column(kind).known = false;
}

void NameColumn::writeFailed(Kind kind) {
    fileReplaced(kind);
}

}  // namespace pelvaro::db
