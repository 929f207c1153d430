// Every command that reads or writes a file, run from the main window with each failure point
// of the file layer in turn: the n-th create, open, read or write fails, or a write stops half
// way as on a full disk, for n = 1, 2, ... until the command meets no failure. After each
// failure the user has seen the file layer's message, the program goes on (the same command
// then succeeds), files exported before are intact, and the working files agree with the
// counters and name no entry that does not exist.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>

#include "app/class_assignment_dialog.h"
#include "app/class_editor.h"
#include "classes/class_table.h"
#include "consistency.h"
#include "failing_disk.h"
#include "io/file_stream.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;
using Op = FailNth::Op;

namespace {

// No command here meets more file operations of one kind than this.
constexpr int kMostFailurePoints = 400;

// The band and more: a new piano, a second drum program on another kit, a combination of both.
PcgBuilder biggerPcg() {
    PcgBuilder b = bandPcg();
    b.program(3, "E.PIANO", {.osc1 = 11, .voice = 5})
        .drumProgram(4, "PERC", 2, 6)
        .combination(2, "LAYER", {plays(3), plays(4), plays(100)}, 3);
    return b;
}

// A window whose database holds the band with three classes ("Keys", "Pianos" below it,
// "Drums"; the first programs carry the last two), with the band PCG and that database
// exported as keep.pcg and keep.pvd, and the bigger PCG imported.
struct FaultFixture : WindowFixture {
    FaultFixture() {
        importPcg(bandPcg(), "band.pcg");
        press(Qt::Key_S, Qt::ControlModifier);
        db::RecordFiles& files = form->session().files();
        classes::addClass(files, "Keys", 0);
        classes::addClass(files, "Pianos", 1);
        classes::addClass(files, "Drums", 0);
        for (std::int32_t id : {1, 2}) {
            auto entry = files.read<db::DbProgramEntry>(id);
            entry.setClassId(0, id == 1 ? 2 : 3);
            files.write(id, entry);
        }
        dialogs.answerSave(file("keep.pcg"));
        press(Qt::Key_E, Qt::ControlModifier);
        dialogs.answerSave(file("keep.pvd"));
        action(names::kExportDatabase)->trigger();
        importPcg(biggerPcg(), "bigger.pcg");
        if (!dialogs.messages.empty()) throw std::runtime_error("the fixture met a message");
    }

    // Back to the state the constructor made (the database of keep.pvd, the bigger PCG), then
    // prepare: one window serves every failure point of a command, as one program goes on
    // after each failure.
    void reset(const std::function<void(FaultFixture&)>& prepare) {
        dialogs.messages.clear();
        // The copies the resets keep are no part of any outcome: hundreds of them would only
        // make each keeping slower.
        for (const std::string& name : namesIn(recovery.path()))
            if (name.starts_with("recovery-")) std::filesystem::remove(recovery.file(name));
        dialogs.answerOpen(file("keep.pvd"));
        action(names::kOpenDatabase)->trigger();
        importPcg(biggerPcg(), "bigger.pcg");
        if (prepare) prepare(*this);
        if (!dialogs.messages.empty()) throw std::runtime_error("the reset met a message");
        // What the reset's own commands reported (where the database before it was kept).
        find<QListWidget>(names::kEventList)->clear();
    }

    db::RecordFiles& files() { return form->session().files(); }
};

struct Snapshot {
    std::vector<std::vector<Byte>> bytes;
    std::array<std::int32_t, db::kKindCount> counts{};
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

const char* const kKept[] = {"keep.pcg", "keep.pvd", "keep.prg",
                             "keep.cmb", "keep.dru", "keep.tur"};

Snapshot keptFiles(const FaultFixture& w) {
    Snapshot s;
    for (const char* name : kKept)
        s.bytes.push_back(readBytes(w.dir.file(name)));
    return s;
}

Snapshot workingFiles(FaultFixture& w) {
    Snapshot s;
    for (int k = 0; k < db::kKindCount; ++k) {
        const auto kind = static_cast<db::Kind>(k);
        s.bytes.push_back(readBytes(w.files().pathOf(kind)));
        s.counts[k] = w.files().count(kind);
    }
    return s;
}

const char* opName(Op op) {
    switch (op) {
        case Op::Create:
            return "create";
        case Op::Open:
            return "open";
        case Op::Read:
            return "read";
        case Op::Write:
            return "write";
        case Op::ShortWrite:
            return "short write";
        case Op::Rename:
            return "rename";
    }
    return "?";
}

// The message box the file layer's failure of kind op shows.
// The file layer's text on the first line, then the file and the disk's reason on the second.
bool fileLayerMessage(Op op, const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() != 2) return false;
    const QString& first = lines[0];
    const QString& second = lines[1];
    const QString failed = op == Op::ShortWrite ? "No space left on device" : "Input/output error";
    switch (op) {
        case Op::Create:
        case Op::Rename:
            return first.startsWith("Cannot create file /") && second == failed;
        case Op::Open:
            return first.startsWith("Cannot open file /") && second == failed;
        case Op::Read:
            return first == "Stream read error" && second.startsWith("/") &&
                   second.endsWith(": " + failed);
        case Op::Write:
        case Op::ShortWrite:
            return first == "Stream write error" && second.startsWith("/") &&
                   second.endsWith(": " + failed);
    }
    return false;
}

struct Command {
    const char* name;
    std::function<void(FaultFixture&)> run;
    // Commands that only read the working files (exports) or replace them as a whole (Open,
    // New Database) leave them byte for byte as they were when they fail.
    bool databaseUnchangedOnFailure = false;
};

// Everything a command can change: the working files and counters, the files exported before,
// the open PCG, and the lines of the event list. The fixture's folder inside the texts is
// written as the reference's, so that runs in two folders compare.
struct Outcome {
    Snapshot database;
    Snapshot kept;
    pcg::PcgImage image;
    pcg::SlotOccupancy occupancy;
    QStringList events;
    bool operator==(const Outcome&) const = default;
};

void replaceAll(std::vector<Byte>& bytes, const std::string& from, const std::string& to) {
    for (auto it = bytes.begin();
         (it = std::search(it, bytes.end(), from.begin(), from.end())) != bytes.end();)
        it = std::copy(to.begin(), to.end(), it);
}

Outcome outcomeOf(FaultFixture& w, const std::string& referenceFolder) {
    Outcome o{workingFiles(w), keptFiles(w), w.form->session().pcg().image,
              w.form->session().pcg().occupancy, w.lines(names::kEventList)};
    // The folders differ only in their last six characters, which also stand alone where a
    // shorter text has overwritten the start of a path (an explanation edited by Submit).
    const std::string suffix = w.dir.path().substr(w.dir.path().size() - 6);
    const std::string referenceSuffix = referenceFolder.substr(referenceFolder.size() - 6);
    for (Snapshot* s : {&o.database, &o.kept})
        for (auto& bytes : s->bytes)
            replaceAll(bytes, suffix, referenceSuffix);
    // A recovery copy is named after the second it was kept in.
    o.events.replaceInStrings(QRegularExpression(QStringLiteral("recovery-[0-9-]+")),
                              QStringLiteral("recovery-copy"));
    return o;
}

// Runs the command once per failure point and kind; returns how many failures it met. A
// failure that strikes while a list paints a row shows no message (the row shows empty until
// it is painted again); the command has then done all it does without a failure.
int runWithEveryFailure(const Command& command,
                        const std::function<void(FaultFixture&)>& prepare = {}) {
    FaultFixture w;
    FaultFixture& reference = w;
    if (prepare) prepare(w);
    w.find<QListWidget>(names::kEventList)->clear();
    command.run(w);
    EXPECT_TRUE(w.dialogs.messages.empty());
    const Outcome expected = outcomeOf(w, w.dir.path());
    int failures = 0;
    for (Op op : {Op::Create, Op::Open, Op::Read, Op::Write, Op::ShortWrite, Op::Rename}) {
        for (int n = 1; n <= kMostFailurePoints; ++n) {
            SCOPED_TRACE(std::string(command.name) + ", " + opName(op) + " " + std::to_string(n));
            w.reset(prepare);
            const Snapshot kept = keptFiles(w);
            const std::set<std::string> names = namesIn(w.dir.path());
            const Snapshot database = workingFiles(w);
            w.dialogs.messages.clear();

            auto fault = std::make_unique<FailNth>(op, n);
            command.run(w);
            const bool struck = !fault->pending();
            fault.reset();
            if (!struck) {
                EXPECT_TRUE(w.dialogs.messages.empty()) << w.dialogs.messages[0].text.toStdString();
                break;
            }
            ++failures;
            if (w.dialogs.messages.empty()) {
                const Outcome got = outcomeOf(w, reference.dir.path());
                EXPECT_TRUE(got == expected)
                    << "a failure without a message changed what the command does:"
                    << (got.database == expected.database ? "" : " the database")
                    << (got.kept == expected.kept ? "" : " the exported files")
                    << (got.image == expected.image && got.occupancy == expected.occupancy
                            ? ""
                            : " the PCG")
                    << (got.events == expected.events ? "" : " the event list");
                for (std::size_t f = 0; f < got.database.bytes.size(); ++f) {
                    const auto& a = got.database.bytes[f];
                    const auto& b = expected.database.bytes[f];
                    if (a == b) continue;
                    std::size_t at = 0;
                    while (at < a.size() && at < b.size() && a[at] == b[at])
                        ++at;
                    ADD_FAILURE() << "file " << f << " differs at byte " << at << " of " << a.size()
                                  << "/" << b.size();
                }
                if (::testing::Test::HasFailure()) return failures;
                continue;
            }
            if (w.dialogs.messages.size() != 1) {
                ADD_FAILURE() << w.dialogs.messages.size() << " messages";
                return failures;
            }
            EXPECT_EQ(w.dialogs.messages[0].caption, "PELVARO");
            EXPECT_TRUE(fileLayerMessage(op, w.dialogs.messages[0].text))
                << w.dialogs.messages[0].text.toStdString();
            EXPECT_TRUE(keptFiles(w) == kept) << "a file exported before was changed";
            EXPECT_EQ(namesIn(w.dir.path()), names) << "a file was left behind or lost";
            if (command.databaseUnchangedOnFailure) {
                // Unchanged, or changed completely when the failure came after the command's
                // work was done (in the refill of the lists).
                EXPECT_TRUE(workingFiles(w) == database ||
                            outcomeOf(w, reference.dir.path()).database == expected.database)
                    << "the database in use was changed part way";
            }
            const auto problems = databaseProblems(w.files());
            EXPECT_TRUE(problems.empty()) << joined(problems);
            EXPECT_TRUE(pcgProblems(w.form->session().pcg()).empty());

            // The program goes on: the same command now succeeds and leaves all consistent.
            w.dialogs.messages.clear();
            command.run(w);
            for (const auto& m : w.dialogs.messages)
                EXPECT_NE(m.caption, "PELVARO") << "again: " << m.text.toStdString();
            EXPECT_TRUE(databaseProblems(w.files()).empty()) << joined(databaseProblems(w.files()));
            if (::testing::Test::HasFailure()) return failures;
        }
    }
    return failures;
}

// Runs inside while the modal dialog is open; a dialog that never opened (its preparation
// failed) is left alone.
void whileShown(QDialog* dialog, std::function<void()> inside) {
    QTimer::singleShot(0, dialog, [dialog, inside] {
        if (!dialog->isVisible()) return;
        inside();
        if (dialog->isVisible()) dialog->close();
    });
}

// "Edit Database &Classes", with inside run while the class editor is open.
void inClassEditor(FaultFixture& w, const std::function<void(app::ClassEditor*)>& inside) {
    app::ClassEditor* editor = w.form->classEditor();
    whileShown(editor, [&] { inside(editor); });
    w.form->editDatabaseClasses();
    QCoreApplication::processEvents();
}

void selectClassNode(FaultFixture& w, int classId) {
    auto* tree = w.form->classEditor()->findChild<QTreeWidget*>(names::classEditor::kTree);
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == classId) tree->setCurrentItem(*it);
}

}  // namespace

TEST(FileFaults, ExportPcgOverAnExportedFileKeepsItWhole) {
    EXPECT_GT(runWithEveryFailure({"Export Pcg",
                                   [](FaultFixture& w) {
                                       w.dialogs.answerSave(w.file("keep.pcg"));
                                       w.dialogs.answerQuestion(0);  // Replace
                                       w.press(Qt::Key_E, Qt::ControlModifier);
                                   },
                                   true}),
              0);
}

TEST(FileFaults, ExportDatabaseOverAnExportedDatabaseKeepsAllFiveFilesWhole) {
    EXPECT_GT(runWithEveryFailure({"Export Database",
                                   [](FaultFixture& w) {
                                       w.dialogs.answerSave(w.file("keep.pvd"));
                                       w.dialogs.answerQuestion(0);  // Replace
                                       w.action(names::kExportDatabase)->trigger();
                                   },
                                   true}),
              0);
}

TEST(FileFaults, OpenDatabaseAndNewDatabaseLeaveTheDatabaseInUseAsItWas) {
    const auto grow = [](FaultFixture& w) { w.press(Qt::Key_S, Qt::ControlModifier); };
    EXPECT_GT(runWithEveryFailure({"Open Database",
                                   [](FaultFixture& w) {
                                       w.dialogs.answerOpen(w.file("keep.pvd"));
                                       w.action(names::kOpenDatabase)->trigger();
                                   },
                                   true},
                                  grow),
              0);
    EXPECT_GT(runWithEveryFailure(
                  {"New Database",
                   [](FaultFixture& w) { w.action(names::kNewDatabase)->trigger(); }, true},
                  grow),
              0);
}

TEST(FileFaults, SendsFromThePcgNeverLeaveACounterWithoutItsRecord) {
    EXPECT_GT(
        runWithEveryFailure({"Send PCG to Database",
                             [](FaultFixture& w) { w.press(Qt::Key_S, Qt::ControlModifier); }}),
        0);
    EXPECT_GT(runWithEveryFailure(
                  {"Send Only Programs of PCG",
                   [](FaultFixture& w) { w.action(names::kSendOnlyPrograms)->trigger(); }}),
              0);
    EXPECT_GT(runWithEveryFailure(
                  {"Send Only Combinations of PCG",
                   [](FaultFixture& w) { w.action(names::kSendOnlyCombinations)->trigger(); }}),
              0);
    EXPECT_GT(runWithEveryFailure(
                  {"Send To Database of a combination",
                   [](FaultFixture& w) {
                       w.showPage(kPcgCombinations);
                       w.find<QListWidget>(names::kPcgCombinationsPage.list)->setCurrentRow(2);
                       w.press(Qt::Key_Insert);
                   }}),
              0);
    EXPECT_GT(runWithEveryFailure(
                  {"Send To Database of a drum program",
                   [](FaultFixture& w) {
                       w.showPage(kPcgPrograms);
                       w.find<QListWidget>(names::kPcgProgramsPage.list)->setCurrentRow(4);
                       w.press(Qt::Key_Insert);
                   }}),
              0);
}

TEST(FileFaults, DeletingEntriesKeepsEveryReferenceOnAnEntry) {
    // Program 1 is played (refused), 2 is deleted and the last program moves into its number,
    // renumbering the combination that plays it.
    EXPECT_GT(runWithEveryFailure({"Delete programs",
                                   [](FaultFixture& w) {
                                       w.showPage(kDatabasePrograms);
                                       w.clickRow(names::kProgramsPage.list, 0);
                                       w.clickRow(names::kProgramsPage.list, 1,
                                                  Qt::ControlModifier);
                                       w.press(Qt::Key_Delete, Qt::ControlModifier);
                                   }},
                                  [](FaultFixture& w) { w.press(Qt::Key_S, Qt::ControlModifier); }),
              0);
    EXPECT_GT(runWithEveryFailure({"Delete combinations",
                                   [](FaultFixture& w) {
                                       w.showPage(kDatabaseCombinations);
                                       w.clickRow(names::kCombinationsPage.list, 0);
                                       w.press(Qt::Key_Delete, Qt::ControlModifier);
                                   }}),
              0);
}

TEST(FileFaults, SubmitAndTheClassWindowsKeepEveryClassReferenceOnAClass) {
    EXPECT_GT(runWithEveryFailure(
                  {"Submit",
                   [](FaultFixture& w) {
                       w.showPage(kDatabasePrograms);
                       w.clickRow(names::kProgramsPage.list, 1);
                       if (!w.find<QCheckBox>(names::kProgramsPage.editEnabled)->isChecked())
                           w.click(names::kProgramsPage.editEnabled);
                       w.find<QLineEdit>(names::kProgramsPage.name)->setText("RENAMED");
                       w.find<QPlainTextEdit>(names::kProgramsPage.explanation)
                           ->setPlainText("new\ntext");
                       w.click(names::kProgramsPage.submit);
                   }}),
              0);
    EXPECT_GT(
        runWithEveryFailure(
            {"Add class",
             [](FaultFixture& w) {
                 inClassEditor(w, [&](app::ClassEditor* editor) {
                     editor->findChild<QLineEdit*>(names::classEditor::kClassName)->setText("Bass");
                     editor->findChild<QComboBox*>(names::classEditor::kParent)->setCurrentIndex(2);
                     editor->addClicked();
                 });
             }}),
        0);
    // Class 1 goes; class 3, which program 2 carries, takes its number.
    EXPECT_GT(runWithEveryFailure({"Delete class",
                                   [](FaultFixture& w) {
                                       inClassEditor(w, [&](app::ClassEditor* editor) {
                                           selectClassNode(w, 1);
                                           editor->deleteClicked();
                                       });
                                   }},
                                  [](FaultFixture& w) {
                                      // Pianos moves to the top, so Keys has no class below it.
                                      auto c = w.files().read<db::ClassEntry>(2);
                                      c.setParentId(0);
                                      w.files().write(2, c);
                                  }),
              0);
    EXPECT_GT(runWithEveryFailure(
                  {"Class assignment",
                   [](FaultFixture& w) {
                       w.showPage(kDatabasePrograms);
                       w.clickRow(names::kProgramsPage.list, 0);
                       w.clickRow(names::kProgramsPage.list, 1, Qt::ControlModifier);
                       w.clickRow(names::kProgramsPage.list, 3, Qt::ControlModifier);
                       app::ClassAssignmentDialog* dialog = w.form->classAssignmentDialog();
                       whileShown(dialog, [dialog] {
                           dialog->findChild<QListWidget*>(names::classDialog::kAvailable)
                               ->setCurrentRow(0);
                           dialog->addClicked();
                           dialog->okClicked();
                       });
                       if (!w.find<QCheckBox>(names::kProgramsPage.editEnabled)->isChecked())
                           w.click(names::kProgramsPage.editEnabled);
                       w.click(names::kProgramsPage.editClasses);
                       QCoreApplication::processEvents();
                   }}),
              0);
}

TEST(FileFaults, CommandsThatOnlyReadFilesShowTheMessageAndChangeNoFile) {
    EXPECT_GT(runWithEveryFailure({"Import Pcg",
                                   [](FaultFixture& w) {
                                       w.dialogs.answerOpen(w.file("keep.pcg"));
                                       w.press(Qt::Key_I, Qt::ControlModifier);
                                   },
                                   true}),
              0);
    EXPECT_GT(
        runWithEveryFailure(
            {"New Pcg", [](FaultFixture& w) { w.press(Qt::Key_N, Qt::ControlModifier); }, true}),
        0);
    EXPECT_GT(runWithEveryFailure({"Send To PCG",
                                   [](FaultFixture& w) {
                                       w.showPage(kDatabaseCombinations);
                                       w.clickRow(names::kCombinationsPage.list, 0);
                                       w.clickRow(names::kCombinationsPage.list, 1,
                                                  Qt::ControlModifier);
                                       w.press(Qt::Key_Insert, Qt::ControlModifier);
                                   },
                                   true},
                                  [](FaultFixture& w) { w.press(Qt::Key_N, Qt::ControlModifier); }),
              0);
}
