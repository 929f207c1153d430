// Files a user may bring that are not what the command expects, chosen through the main
// window: each shows its message and leaves the open PCG, the database in use and every file
// on disk as they were.
#include <gtest/gtest.h>
#include <unistd.h>

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

TEST(BadInputs, ADatabaseWhoseMemberFilesAreGoneNamesTheFirstMissingOne) {
    BadInputFixture w;
    fs::create_directory(w.dir.file("moved"));
    for (const char* ext : {".prg", ".cmb", ".dru", ".tur"})
        fs::rename(w.dir.file(std::string("bank") + ext),
                   w.dir.file(std::string("moved/bank") + ext));
    expectRefused(
        w, [&] { openDatabase(w, w.file("bank.pvd")); },
        {"PELVARO", "Cannot open file " + w.file("bank.prg") + "\nNo such file or directory"});

    // Only the class file gone: it is named, and the other three were never copied in.
    for (const char* ext : {".prg", ".cmb", ".dru"})
        fs::rename(w.dir.file(std::string("moved/bank") + ext),
                   w.dir.file(std::string("bank") + ext));
    expectRefused(
        w, [&] { openDatabase(w, w.file("bank.pvd")); },
        {"PELVARO", "Cannot open file " + w.file("bank.tur") + "\nNo such file or directory"});
}

TEST(BadInputs, ADatabaseFileShorterThan800BytesIsRefused) {
    BadInputFixture w;
    std::vector<Byte> pvd = readBytes(w.dir.file("bank.pvd"));
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{799}}) {
        writeBytes(w.dir.file("short.pvd"), std::vector<Byte>(pvd.begin(), pvd.begin() + size));
        expectRefused(w, [&] { openDatabase(w, w.file("short.pvd")); },
                      {"Database error", "This database cannot be opened: " + w.file("short.pvd") +
                                             ": is shorter than 800 bytes"});
    }
}

TEST(BadInputs, AMemberFileOfTheWrongKindIsRefused) {
    BadInputFixture w;
    const QString base = QStringLiteral("This database cannot be opened: ");
    // Fields in the wrong places: the class file where the program file belongs, and the
    // program and combination files swapped (both of 264-byte records, each would be read at
    // the other's offsets and open as an empty database).
    std::vector<Byte> pvd = readBytes(w.dir.file("bank.pvd"));
    std::vector<Byte> swapped = pvd;
    std::copy(pvd.begin() + 600, pvd.end(), swapped.begin());
    writeBytes(w.dir.file("swapped.pvd"), swapped);
    expectRefused(
        w, [&] { openDatabase(w, w.file("swapped.pvd")); },
        {"Database error", base + w.file("swapped.pvd") + ": names " + w.file("bank.tur") +
                               " as its program file, which must end in \".prg\""});
    swapped = pvd;
    std::copy(pvd.begin(), pvd.begin() + 200, swapped.begin() + 200);
    std::copy(pvd.begin() + 200, pvd.begin() + 400, swapped.begin());
    writeBytes(w.dir.file("swapped.pvd"), swapped);
    expectRefused(
        w, [&] { openDatabase(w, w.file("swapped.pvd")); },
        {"Database error", base + w.file("swapped.pvd") + ": names " + w.file("bank.cmb") +
                               " as its program file, which must end in \".prg\""});

    // Files renamed to another kind's ending: each says what it is.
    fs::copy_file(w.dir.file("bank.cmb"), w.dir.file("other.prg"));
    fs::copy_file(w.dir.file("bank.tur"), w.dir.file("other.dru"));
    fs::copy_file(w.dir.file("bank.prg"), w.dir.file("other.tur"));
    const std::pair<std::size_t, std::string> renamed[] = {
        {0, "other.prg: is a combination file, not a program file"},
        {400, "other.dru: is a class file, not a drum-kit file"},
        {600, "other.tur: is a program file, not a class file"}};
    for (const auto& [field, problem] : renamed) {
        std::vector<Byte> other = pvd;
        const std::string name = problem.substr(0, problem.find(':'));
        putFieldText(Bytes(other).subspan(field, 200), w.dir.file(name));
        writeBytes(w.dir.file("other.pvd"), other);
        expectRefused(w, [&] { openDatabase(w, w.file("other.pvd")); },
                      {"Database error", base + w.file(name.c_str()) +
                                             QString::fromStdString(problem.substr(name.size()))});
    }
    w.dialogs.messages.clear();

    // A PCG named as every member.
    const char* const endings[] = {".prg", ".cmb", ".dru", ".tur"};
    std::vector<Byte> pcgs(800, 0);
    for (int i = 0; i < 4; ++i) {
        const std::string name = w.dir.file(std::string("some") + endings[i]);
        somePcg().writeTo(name);
        putFieldText(Bytes(pcgs).subspan(200 * static_cast<std::size_t>(i), 200), name);
    }
    writeBytes(w.dir.file("pcgs.pvd"), pcgs);
    const State before = stateOf(w);
    openDatabase(w, w.file("pcgs.pvd"));
    ASSERT_EQ(w.dialogs.messages.size(), 1u) << messageTexts(w);
    EXPECT_EQ(w.dialogs.messages[0].caption, "Database error");
    EXPECT_TRUE(stateOf(w) == before);
}

TEST(BadInputs, APcgOfZeroBytesOrOfAnotherKindIsRefused) {
    BadInputFixture w;
    writeBytes(w.dir.file("empty.pcg"), {});
    expectRefused(w, [&] { importPcgFile(w, w.file("empty.pcg")); },
                  {"File type error", kNotCompatible});
    // The header of a PCG without its records, and a database file.
    writeBytes(w.dir.file("header.pcg"), std::vector<Byte>{'K', 'O', 'R', 'G', '5'});
    expectRefused(w, [&] { importPcgFile(w, w.file("header.pcg")); },
                  {"File type error", kNotCompatible});
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

TEST(BadInputs, AFileWithoutReadPermissionIsNamedInTheMessage) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, whom permissions do not stop from reading; the core "
                        "test UnreadableFiles checks the same as another user";
    BadInputFixture w;
    somePcg().writeTo(w.dir.file("locked.pcg"));
    fs::permissions(w.dir.file("locked.pcg"), fs::perms::none);
    fs::permissions(w.dir.file("bank.tur"), fs::perms::none);
    expectRefused(w, [&] { importPcgFile(w, w.file("locked.pcg")); },
                  {"PELVARO", "Cannot open file " + w.file("locked.pcg") + "\nPermission denied"});
    expectRefused(w, [&] { openDatabase(w, w.file("bank.pvd")); },
                  {"PELVARO", "Cannot open file " + w.file("bank.tur") + "\nPermission denied"});
}
