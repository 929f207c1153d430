#include "db/class_paths.h"

namespace pelvaro::db {

std::vector<ClassEntry> readClassTable(const RecordFiles& files) {
    const std::int32_t count = files.count(Kind::Class);
    std::vector<Byte> block((static_cast<std::size_t>(count) + 1) * ClassEntry::kSize);
    files.readEntries(Kind::Class, 0, count + 1, block);
    std::vector<ClassEntry> table(static_cast<std::size_t>(count) + 1);
    for (std::size_t k = 0; k < table.size(); ++k)
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(k * ClassEntry::kSize),
                    ClassEntry::kSize, table[k].bytes.begin());
    return table;
}

std::string classPath(const std::vector<ClassEntry>& table, std::int32_t classId) {
    const auto known = [&](std::int32_t k) {
        return k >= 0 && static_cast<std::size_t>(k) < table.size();
    };
    if (!known(classId)) return "";
    std::string path = table[classId].name();
    if (classId == 0) return path;
    std::int32_t parent = table[classId].parentId();
    // A chain through every class takes count - 1 steps; a longer one is a loop.
    for (std::size_t steps = 0; parent != 0 && known(parent) && steps + 2 < table.size(); ++steps) {
        path = table[parent].name() + "->" + path;
        parent = table[parent].parentId();
    }
    return path;
}

std::string classPath(const RecordFiles& files, std::int32_t classId) {
    if (classId < 0 || classId > files.count(Kind::Class)) return "";
    const std::int32_t count = files.count(Kind::Class);
    ClassEntry entry = files.read<ClassEntry>(classId);
    std::string path = entry.name();
    if (classId == 0) return path;
    for (std::int32_t steps = 0; steps + 1 < count; ++steps) {
        const std::int32_t parent = entry.parentId();
        if (parent <= 0 || parent > count) break;
        entry = files.read<ClassEntry>(parent);
        path = entry.name() + "->" + path;
    }
    return path;
}

}  // namespace pelvaro::db
