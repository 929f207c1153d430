#pragma once
// The names of all program and combination entries in memory, in upper case, kept in step with
// the record files as their observer: a search by name reads ten bytes an entry from memory
// rather than every record from the disk. Read from the files the first time it is asked
// after Open or New Database (or a failed write), then told of every record written.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "db/record_files.h"

namespace pelvaro::db {

class NameColumn : public RecordObserver {
  public:
    explicit NameColumn(RecordFiles& files);
    ~NameColumn() override;
    NameColumn(const NameColumn&) = delete;
    NameColumn& operator=(const NameColumn&) = delete;

    // The entries of kind (Program or Combination), 1 to the count, whose name (up to its
    // first zero byte, in upper case) holds `upperText`, ascending.
    std::vector<std::int32_t> holding(Kind kind, std::string_view upperText);
    // Shows visit every entry of kind, 1 to the count, with its name in upper case (up to its
    // first zero byte).
    void forEachName(Kind kind,
                     const std::function<void(std::int32_t id, std::string_view upperName)>& visit);

    // Names gathered elsewhere (Open reads every record as it checks it): names(count) gives a
    // column with room for the entries to come, appendName adds record after record from the
    // first, and adopt makes it the column of kind, as if read from the file.
    static std::vector<char> names(std::int32_t count);
    static void appendName(std::vector<char>& names, ConstBytes record);
    void adopt(Kind kind, std::vector<char> names);

    void recordWritten(Kind kind, std::int32_t n, ConstBytes record) override;
    void countChanged(Kind kind, std::int32_t count) override;
    void fileReplaced(Kind kind) override;
    void writeFailed(Kind kind) override;

  private:
    struct Column {
        bool known = false;
        std::vector<char> names;  // record n's name at (n - 1) * 10, zero-padded
        std::int32_t size() const { return static_cast<std::int32_t>(names.size() / 10); }
    };
    static bool named(Kind kind) { return kind == Kind::Program || kind == Kind::Combination; }
    Column& column(Kind kind) { return columns_[kind == Kind::Program ? 0 : 1]; }
    // The column of kind, read from the file first when it is not known.
    const Column& known(Kind kind);
    static void put(Column& c, std::int32_t n, ConstBytes record);

    RecordFiles& files_;
    std::array<Column, 2> columns_;
};

}  // namespace pelvaro::db
