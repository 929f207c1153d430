#include "db_builder.h"

#include <algorithm>

namespace pelvaro::testing {

namespace {
template <class E>
void putClasses(E& entry, const std::vector<int>& classIds) {
    for (std::size_t i = 0; i < classIds.size() && i < db::kClassSlots; ++i)
        entry.setClassId(static_cast<int>(i), classIds[i]);
}
}  // namespace

TestDatabase::TestDatabase() {
    files_.createRecordFiles(dir_.path());
}

int TestDatabase::addProgram(std::string_view name, const ProgramSpec& program,
                             const EntryFields& fields) {
    db::DbProgramEntry e;
    std::ranges::copy(makeProgram(name, program), e.bytes.begin());
    e.setExplanation(fields.explanation);
    putClasses(e, fields.classIds);
    e.setDrumKitId(fields.drumKitId);
    return files_.append(e);
}

int TestDatabase::addCombination(std::string_view name, const std::vector<Timbre>& timbres,
                                 const EntryFields& fields, unsigned voice) {
    db::DbCombinationEntry e;
    std::ranges::copy(makeCombination(name, timbres, voice), e.bytes.begin());
    e.setExplanation(fields.explanation);
    putClasses(e, fields.classIds);
    for (int t = 0; t < 8; ++t)
        e.setTimbreProgramId(t, fields.timbreProgramIds[t]);
    return files_.append(e);
}

int TestDatabase::addDrumKit(unsigned voice, std::string_view explanation) {
    db::DbDrumKitEntry e;
    std::ranges::copy(makeDrumKit(voice), e.bytes.begin());
    e.setExplanation(explanation);
    return files_.append(e);
}

int TestDatabase::addClass(std::string_view name, int parentId) {
    db::ClassEntry c;
    c.setName(name);
    c.setParentId(parentId);
    return files_.append(c);
}

std::vector<Byte> TestDatabase::fileBytes(db::Kind kind) const {
    return readBytes(files_.pathOf(kind));
}

DatabaseSnapshot::DatabaseSnapshot(const db::RecordFiles& files) {
    for (int k = 0; k < db::kKindCount; ++k) {
        const auto kind = static_cast<db::Kind>(k);
        bytes[k] = readBytes(files.pathOf(kind));
        counts[k] = files.count(kind);
    }
}

}  // namespace pelvaro::testing
