// Files a user may bring that are not what the command expects, chosen through the main
// window: each shows its message and leaves the open PCG, the database in use and every file
// on disk as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "consistency.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
namespace fs = std::filesystem;

namespace {

PcgBuilder somePcg() {
    PcgBuilder b;
    b.program(0, "PIANO 1", {.osc1 = 10}).drumProgram(1, "DRUMS", 2, 3);
    b.combination(0, "SPLIT", {plays(0), plays(1)});
    return b;
}

// A window with a PCG imported and sent to the database, and that database exported as
// bank.pvd; then one more program sent, so that the database in use differs from bank.pvd.
struct BadInputFixture : WindowFixture {
    BadInputFixture() {
        importPcg(somePcg(), "some.pcg");
        press(Qt::Key_S, Qt::ControlModifier);
        dialogs.answerSave(file("bank.pvd"));
        action(names::kExportDatabase)->trigger();
        PcgBuilder more = somePcg();
        more.program(2, "ORGAN", {.osc1 = 12, .voice = 7});
        importPcg(more, "more.pcg");
        press(Qt::Key_S, Qt::ControlModifier);
        if (!dialogs.messages.empty()) throw std::runtime_error("the fixture met a message");
    }
};

// Everything the user has: the open PCG, the database in use, and the rows of every list.
struct State {
    pcg::PcgImage image;
    pcg::SlotOccupancy occupancy;
    std::string pcgFileName;
    std::vector<std::vector<Byte>> workingFiles;
    std::array<std::int32_t, db::kKindCount> counts{};
    QStringList rows;
    bool operator==(const State&) const = default;
};

State stateOf(BadInputFixture& w) {
    State s;
    const auto& session = w.form->session();
    s.image = session.pcg().image;
    s.occupancy = session.pcg().occupancy;
    s.pcgFileName = session.pcg().pcgFileName;
    for (int k = 0; k < db::kKindCount; ++k) {
        s.workingFiles.push_back(readBytes(session.files().pathOf(static_cast<db::Kind>(k))));
        s.counts[k] = session.files().count(static_cast<db::Kind>(k));
    }
    s.rows = w.rows(names::kProgramsPage.list) + w.rows(names::kCombinationsPage.list) +
             w.lines(names::kPcgProgramsPage.list) + w.lines(names::kPcgCombinationsPage.list);
    return s;
}

std::string messageTexts(const BadInputFixture& w) {
    std::string texts;
    for (const auto& m : w.dialogs.messages)
        texts += m.caption.toStdString() + ": " + m.text.toStdString() + "\n";
    return texts;
}

struct Expected {
    QString caption;
    QString text;
};

// Runs a command that meets a bad input: one message box, and nothing changed.
void expectRefused(BadInputFixture& w, const std::function<void()>& command,
                   const Expected& expected) {
    const State before = stateOf(w);
    const std::vector<Byte> bank = readBytes(w.dir.file("bank.pvd"));
    w.dialogs.messages.clear();
    command();
    ASSERT_EQ(w.dialogs.messages.size(), 1u) << messageTexts(w);
    EXPECT_EQ(w.dialogs.messages[0].caption, expected.caption);
    EXPECT_EQ(w.dialogs.messages[0].text, expected.text);
    EXPECT_TRUE(stateOf(w) == before) << "the command changed what the user had";
    EXPECT_TRUE(readBytes(w.dir.file("bank.pvd")) == bank);
    EXPECT_TRUE(databaseProblems(w.form->session().files()).empty());
}

void openDatabase(BadInputFixture& w, const QString& path) {
    w.dialogs.answerOpen(path);
    w.action(names::kOpenDatabase)->trigger();
}

void importPcgFile(BadInputFixture& w, const QString& path) {
    w.dialogs.answerOpen(path);
    w.press(Qt::Key_I, Qt::ControlModifier);
}

const QString kNotCompatible = "This is not a compatible Pcg file.Please select a Korg5 Pcg file.";

}  // namespace

// Open Database's checks are the core's (database_file_test); the window shows their messages.
TEST(BadInputs, ADatabaseWithoutItsMemberFilesOrWithOneOfAnotherKindIsRefused) {
    BadInputFixture w;
    fs::create_directory(w.dir.file("moved"));
    for (const char* ext : {".prg", ".cmb", ".dru", ".tur"})
        fs::rename(w.dir.file(std::string("bank") + ext),
                   w.dir.file(std::string("moved/bank") + ext));
    expectRefused(
        w, [&] { openDatabase(w, w.file("bank.pvd")); },
        {"PELVARO", "Cannot open file " + w.file("bank.prg") + "\nNo such file or directory"});

    // The class file where the program file belongs.
    for (const char* ext : {".prg", ".cmb", ".dru", ".tur"})
        fs::rename(w.dir.file(std::string("moved/bank") + ext),
                   w.dir.file(std::string("bank") + ext));
    std::vector<Byte> pvd = readBytes(w.dir.file("bank.pvd"));
    std::copy(pvd.begin() + 600, pvd.end(), pvd.begin());
    writeBytes(w.dir.file("swapped.pvd"), pvd);
    expectRefused(w, [&] { openDatabase(w, w.file("swapped.pvd")); },
                  {"Database error", "This database cannot be opened: " + w.file("swapped.pvd") +
                                         ": names " + w.file("bank.tur") +
                                         " as its program file, which must end in \".prg\""});
}

TEST(BadInputs, ADatabaseFileImportedAsAPcgIsRefused) {
    BadInputFixture w;
    expectRefused(w, [&] { importPcgFile(w, w.file("bank.pvd")); },
                  {"File type error", kNotCompatible});
}

TEST(BadInputs, AFolderChosenAsAFileIsNamedInTheMessage) {
    BadInputFixture w;
    fs::create_directory(w.dir.file("folder.pcg"));
    fs::create_directory(w.dir.file("folder.pvd"));
    expectRefused(w, [&] { importPcgFile(w, w.file("folder.pcg")); },
                  {"PELVARO", "Cannot open file " + w.file("folder.pcg") + "\nIs a directory"});
    expectRefused(w, [&] { openDatabase(w, w.file("folder.pvd")); },
                  {"PELVARO", "Cannot open file " + w.file("folder.pvd") + "\nIs a directory"});
    expectRefused(w,
                  [&] {
                      w.dialogs.answerSave(w.file("folder.pcg"));
                      w.press(Qt::Key_E, Qt::ControlModifier);
                  },
                  {"PELVARO", "Cannot create file " + w.file("folder.pcg") + "\nIs a directory"});
    expectRefused(w,
                  [&] {
                      w.dialogs.answerSave(w.file("folder.pvd"));
                      w.action(names::kExportDatabase)->trigger();
                  },
                  {"PELVARO", "Cannot create file " + w.file("folder.pvd") + "\nIs a directory"});
    // A member path that is a folder.
    fs::create_directory(w.dir.file("folder.cmb"));
    std::vector<Byte> pvd = readBytes(w.dir.file("bank.pvd"));
    putFieldText(Bytes(pvd).subspan(200, 200), w.dir.file("folder.cmb"));
    writeBytes(w.dir.file("foldered.pvd"), pvd);
    expectRefused(w, [&] { openDatabase(w, w.file("foldered.pvd")); },
                  {"PELVARO", "Cannot open file " + w.file("folder.cmb") + "\nIs a directory"});
    EXPECT_TRUE(fs::is_directory(w.dir.file("folder.pcg")));
    EXPECT_TRUE(fs::is_directory(w.dir.file("folder.pvd")));
}
