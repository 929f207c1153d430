#include "db/details.h"

#include <algorithm>

#include "db/class_tree.h"

namespace pelvaro::db {

namespace {

template <class E>
std::array<std::string, kClassSlots> classRows(const RecordFiles& files, const E& entry) {
    std::array<std::string, kClassSlots> rows;
    const ClassTree tree = ClassTree::read(files);
    for (int s = 0; s < kClassSlots; ++s) {
        const int id = entry.classId(s);
        rows[s] = id == 0 ? " " : std::string(tree.path(id));
    }
    return rows;
}

template <class E>
bool submit(RecordFiles& files, std::int32_t id, std::string_view name, std::string_view memo) {
    if (id < 1 || id > files.count(E::kind)) return false;
    E entry = files.read<E>(id);
    putEntryName(entry.bytes, name);
    entry.setExplanation(storedExplanation(memo));
    files.write(id, entry);
    return true;
}

}  // namespace

void putEntryName(Bytes record, std::string_view name) {
    const std::size_t n = std::min(name.size(), pcg::kNameSize);
    std::copy_n(name.begin(), n, record.begin());
    if (n < pcg::kNameSize) record[n] = 0;
}

ProgramDetails programDetails(const RecordFiles& files, std::int32_t id) {
    const auto entry = files.read<DbProgramEntry>(id);
    ProgramDetails d;
    d.idNumber = std::to_string(id);
    d.drumId =
        entry.drumKitId() == 0 ? std::string(kNoDrumKitText) : std::to_string(entry.drumKitId());
    d.name = entryName(entry);
    d.explanation = memoText(entry.explanation());
    d.classes = classRows(files, entry);
    return d;
}

CombinationDetails combinationDetails(const RecordFiles& files, std::int32_t id) {
    const auto entry = files.read<DbCombinationEntry>(id);
    CombinationDetails d;
    d.idNumber = std::to_string(id);
    d.name = entryName(entry);
    d.explanation = memoText(entry.explanation());
    d.classes = classRows(files, entry);
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t) {
        const std::int32_t program = entry.timbreProgramId(t);
        if (program != 0) d.timbreIds.push_back(timbreText(program));
    }
    return d;
}

DetailPanels entryDetails(const RecordFiles& files, std::optional<std::int32_t> programId,
                          std::optional<std::int32_t> combinationId) {
    DetailPanels panels;
    if (programId) panels.program = programDetails(files, *programId);
    if (combinationId) panels.combination = combinationDetails(files, *combinationId);
    return panels;
}

std::string memoText(std::string_view explanation) {
    std::string text;
    for (std::size_t i = 0; i < explanation.size(); ++i) {
        if (explanation[i] == '\r' && i + 1 < explanation.size() && explanation[i + 1] == '\n')
            continue;
        text.push_back(explanation[i]);
    }
    return text;
}

std::string storedExplanation(std::string_view memo) {
    constexpr std::size_t kMax = kExplanationSize - 1;
    std::string text;
    for (std::size_t i = 0; i < memo.size(); ++i) {
        const char c = memo[i];
        if (c == '\r' || c == '\n') {
            if (text.size() + 2 > kMax) break;
            text += "\r\n";
            if (c == '\r' && i + 1 < memo.size() && memo[i + 1] == '\n') ++i;
        } else {
            if (text.size() + 1 > kMax) break;
            text.push_back(c);
        }
    }
    return text;
}

bool submitProgram(RecordFiles& files, std::int32_t id, std::string_view name,
                   std::string_view memo) {
    return submit<DbProgramEntry>(files, id, name, memo);
}

bool submitCombination(RecordFiles& files, std::int32_t id, std::string_view name,
                       std::string_view memo) {
    return submit<DbCombinationEntry>(files, id, name, memo);
}

}  // namespace pelvaro::db
