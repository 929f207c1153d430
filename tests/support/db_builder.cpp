#include "db_builder.h"

#include <algorithm>

#include "pcg/pcg_files.h"
#include "template_image.h"

namespace pelvaro::testing {

namespace {
template <class E>
void putClasses(E& entry, const std::vector<int>& classIds) {
    for (std::size_t i = 0; i < classIds.size() && i < db::kClassSlots; ++i)
        entry.setClassId(static_cast<int>(i), classIds[i]);
}
}  // namespace

namespace {
// The template file of every test database, written once; the start folder holds nothing but
// the working files.
const std::string& templateFile() {
    static const TempDir folder;
    static const std::string path = [] {
        const std::string file = folder.file("bos.dat");
        pcg::writePcgFile(makeTemplateImage(), file);
        return file;
    }();
    return path;
}
}  // namespace

TestDatabase::TestDatabase() : session_(dir_.path(), templateFile()) {}

int TestDatabase::addProgram(std::string_view name, const ProgramParameters& program,
                             const EntryFields& fields) {
    db::DbProgramEntry e;
    std::ranges::copy(makeProgram(name, program), e.bytes.begin());
    e.setExplanation(fields.explanation);
    putClasses(e, fields.classIds);
    e.setDrumKitId(fields.drumKitId);
    return files().append(e);
}

int TestDatabase::addCombination(std::string_view name, const std::vector<Timbre>& timbres,
                                 const EntryFields& fields, unsigned voice) {
    db::DbCombinationEntry e;
    std::ranges::copy(makeCombination(name, timbres, voice), e.bytes.begin());
    e.setExplanation(fields.explanation);
    putClasses(e, fields.classIds);
    for (int t = 0; t < pcg::combination::kTimbreCount; ++t)
        e.setTimbreProgramId(t, fields.timbreProgramIds[t]);
    return files().append(e);
}

int TestDatabase::addDrumKit(unsigned voice, std::string_view explanation) {
    db::DbDrumKitEntry e;
    std::ranges::copy(makeDrumKit(voice), e.bytes.begin());
    e.setExplanation(explanation);
    return files().append(e);
}

int TestDatabase::addClass(std::string_view name, int parentId) {
    db::ClassEntry c;
    c.setName(name);
    c.setParentId(parentId);
    return files().append(c);
}

std::vector<Byte> TestDatabase::fileBytes(db::Kind kind) const {
    return readBytes(files().pathOf(kind));
}

void replaceWorkingFile(db::RecordFiles& files, db::Kind kind, const std::string& path) {
    std::array<io::FileStream, db::kKindCount> sources;
    std::array<const io::FileStream*, db::kKindCount> from{};
    for (db::Kind k : db::kAllKinds) {
        const auto i = static_cast<std::size_t>(k);
        sources[i] = io::FileStream::openRead(k == kind ? path : files.pathOf(k));
        from[i] = &sources[i];
    }
    files.replaceFiles(from);
}

DatabaseSnapshot::DatabaseSnapshot(const db::RecordFiles& files) {
    for (int k = 0; k < db::kKindCount; ++k) {
        const auto kind = static_cast<db::Kind>(k);
        bytes[k] = readBytes(files.pathOf(kind));
        counts[k] = files.count(kind);
    }
}

}  // namespace pelvaro::testing
