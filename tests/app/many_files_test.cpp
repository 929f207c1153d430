// Many PCG files at once from the main window: "Send PCG Files to Database", its progress
// window with Cancel, its report, drops on the window and files named on the command line.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <regex>

#include "app/event_list.h"
#include "app/progress_window.h"
#include "app/send_report.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "random_pcg.h"
#include "session/merge_databases.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
namespace fs = std::filesystem;

namespace {

std::array<std::vector<Byte>, db::kKindCount> workingFiles(const WindowFixture& w) {
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (db::Kind kind : db::kAllKinds)
        bytes[static_cast<std::size_t>(kind)] = readBytes(w.form->session().files().pathOf(kind));
    return bytes;
}

// The database of these files imported and sent one by one, by hand, in another window.
std::array<std::vector<Byte>, db::kKindCount> sentByHand(const std::vector<std::string>& paths) {
    WindowFixture hand;
    for (const std::string& path : paths) {
        hand.dialogs.answerOpen(QString::fromStdString(path));
        hand.press(Qt::Key_I, Qt::ControlModifier);
        hand.action(names::kSendPcgToDatabase)->trigger();
    }
    EXPECT_TRUE(hand.dialogs.messages.empty());
    return workingFiles(hand);
}

// Runs `inside` on every tick of the event loop until it returns true (or the test's window
// has gone), then stops.
void everyTick(QObject* owner, std::function<bool()> inside) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, inside] {
        if (inside()) timer->deleteLater(), timer->stop();
    });
    timer->start(0);
}

// The report window, once it shows: `inside` looks at it, then it is closed.
void onReport(WindowFixture& w, std::function<void(QDialog*)> inside,
              const char* window = names::report::kWindow) {
    everyTick(w.form.get(), [&w, inside, window] {
        auto* report = w.form->findChild<QDialog*>(window);
        if (!report || !report->isVisible()) return false;
        inside(report);
        report->close();
        return true;
    });
}

QStringList reportRows(QDialog* report) {
    QStringList rows;
    auto* list = report->findChild<QTreeWidget*>(names::report::kList);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(i)->text(c);
        rows << cells.join('|');
    }
    return rows;
}

QString label(QWidget* parent, const char* name) {
    return parent->findChild<QLabel*>(name)->text();
}

// A folder as users keep them: PCG files at two levels, a file that is no PCG though it is
// called one, a text file.
struct ManyFiles : WindowFixture {
    std::string root = dir.file("sets");
    ManyFiles() {
        fs::create_directories(root + "/old disk");
        synthetic::writeRandomPcgFile(root + "/b.pcg", 2);
        synthetic::writeRandomPcgFile(root + "/a.pcg", 1);
        synthetic::writeRandomPcgFile(root + "/old disk/C.PCG", 3);
        synthetic::writeRandomPcgFile(root + "/old disk/d.pcg", 4);
        writeBytes(root + "/foreign.pcg", {'K', 'O', 'R', 'G', '4'});
        writeBytes(root + "/notes.txt", {'h', 'i'});
    }
    std::vector<std::string> pcgFiles() const {
        return {root + "/a.pcg", root + "/b.pcg", root + "/old disk/C.PCG",
                root + "/old disk/d.pcg"};
    }
    QString at(const std::string& path) const { return QString::fromStdString(path); }
};

}  // namespace

TEST(SendPcgFiles, AFolderSentInOneGoIsEveryFileImportedAndSentByHandInNameOrder) {
    ManyFiles w;
    w.importPcg(bandPcg());
    const QStringList openPcg = w.lines(names::kPcgProgramsPage.list);

    QStringList rows;
    QString totals;
    onReport(w, [&](QDialog* report) {
        rows = reportRows(report);
        totals = label(report, names::report::kTotals);
        report->findChild<QPushButton*>(names::report::kCopy)->click();
        // A name the file system's encoding cannot carry is refused, as by every writer.
        w.dialogs.answerSave(QFile::decodeName(QByteArray::fromStdString(w.dir.file("r\xe9"))));
        report->findChild<QPushButton*>(names::report::kSave)->click();
        w.dialogs.answerSave(w.file("report"));
        report->findChild<QPushButton*>(names::report::kSave)->click();
    });
    w.dialogs.answerOpenMany({w.at(w.root)});
    w.action(names::kSendPcgFiles)->trigger();

    EXPECT_EQ(w.lines(names::kPcgProgramsPage.list), openPcg) << "the open PCG is not touched";
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "File name error");
    EXPECT_FALSE(fs::exists(w.dir.file("r\xef\xbf\xbd.csv")));

    // A row per file in name order, the foreign file with why it was skipped.
    ASSERT_EQ(rows.size(), 5);
    EXPECT_TRUE(rows[0].startsWith(w.at(w.root + "/a.pcg|")));
    EXPECT_EQ(rows[2], w.at(w.root + "/foreign.pcg|||||||does not begin with KORG5"));
    EXPECT_TRUE(rows[3].startsWith(w.at(w.root + "/old disk/C.PCG|")));
    // The totals of what was new are what the database now holds.
    std::smatch m;
    const std::string text = totals.toStdString();
    ASSERT_TRUE(std::regex_match(text, m,
                                 std::regex("Sent 4 files, skipped 1: programs (\\d+) new, \\d+ "
                                            "stored; combinations (\\d+) new, \\d+ stored; drum "
                                            "kits (\\d+) new, (\\d+) stored")))
        << text;
    EXPECT_EQ(std::stoi(m[1]), w.form->session().files().count(db::Kind::Program));
    EXPECT_EQ(std::stoi(m[2]), w.form->session().files().count(db::Kind::Combination));
    EXPECT_EQ(std::stoi(m[3]), w.form->session().files().count(db::Kind::DrumKit));
    EXPECT_EQ(std::stoi(m[3]) + std::stoi(m[4]), 4 * pcg::kDrumKitCount);
    w.showPage(kDatabasePrograms);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), std::stoi(m[1]));

    // Copied as text, saved as CSV: the same rows and totals.
    const QStringList copied = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(copied.size(), 7);
    EXPECT_EQ(copied[2], w.at(w.root + "/foreign.pcg: skipped: does not begin with KORG5"));
    EXPECT_EQ(copied[5], totals);
    const std::vector<Byte> csv = readBytes(w.dir.file("report.csv"));
    const QStringList csvRows = QString::fromUtf8(reinterpret_cast<const char*>(csv.data()),
                                                  static_cast<qsizetype>(csv.size()))
                                    .split(QStringLiteral("\r\n"));
    ASSERT_EQ(csvRows.size(), 7);
    EXPECT_EQ(csvRows[0],
              "File,Programs new,Programs stored,Combinations new,Combinations "
              "stored,Drum kits new,Drum kits stored,Skipped");
    EXPECT_EQ(csvRows[1].section(',', 1), rows[0].section('|', 1).replace('|', ','));
    EXPECT_EQ(csvRows[3], w.at(w.root + "/foreign.pcg,,,,,,,does not begin with KORG5"));
    EXPECT_EQ(csvRows[6], "");

    // The event list: each file's lines after a line naming it.
    const QStringList events = w.lines(names::kEventList);
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events[0], w.at(w.root + "/a.pcg"));
    QStringList named;
    for (const QString& line : events)
        if (line.startsWith(w.at(w.root))) named << line;
    EXPECT_EQ(named,
              (QStringList{w.at(w.root + "/a.pcg"), w.at(w.root + "/b.pcg"),
                           w.at(w.root + "/foreign.pcg: skipped: does not begin with KORG5"),
                           w.at(w.root + "/old disk/C.PCG"), w.at(w.root + "/old disk/d.pcg")}));
    EXPECT_GT(events.size(), named.size()) << "with the lines the sends reported";

    // One Undo takes the whole run back.
    w.press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
}

// Below the file line, a bar of the files done of all and the time left reckoned from them;
// the bars of the slots fill once per PCG file.
TEST(SendPcgFiles, TheProgressWindowCountsTheFilesDoneAndSaysTheTimeLeft) {
    ManyFiles w;
    app::ProgressWindow* progress = w.form->progressWindow();
    QStringList seen;  // at each file's start: its line, the bar of files, the time left
    everyTick(w.form.get(), [&] {
        auto* file = w.form->findChild<QLabel*>(names::progress::kFile);
        const QString line = file->text().section('\n', 0, 0);
        if (!file->isVisible() || line.isEmpty()) return !seen.isEmpty();  // before the first
        if (seen.isEmpty() || !seen.back().startsWith(line))
            seen << QStringLiteral("%1|%2 of %3|%4")
                        .arg(line)
                        .arg(progress->filesBar()->value())
                        .arg(progress->filesBar()->maximum())
                        .arg(w.form->findChild<QLabel*>(names::progress::kTimeLeft)->text());
        return false;
    });
    QList<int> programValues;
    QList<int> combinationValues;
    QObject::connect(progress->programBar(), &QProgressBar::valueChanged,
                     [&](int value) { programValues << value; });
    QObject::connect(progress->combinationBar(), &QProgressBar::valueChanged,
                     [&](int value) { combinationValues << value; });
    onReport(w, [](QDialog*) {});
    w.dialogs.answerOpenMany({w.at(w.root)});
    w.action(names::kSendPcgFiles)->trigger();

    ASSERT_EQ(seen.size(), 5) << seen.join('/').toStdString();
    EXPECT_EQ(seen[0], "File 1 of 5|0 of 5|Time left: known after the first file");
    const QRegularExpression left(
        "^(Less than a second|About \\d+ (second|minute|hour)s?( \\d+ minutes?)?) left$");
    for (int k = 2; k <= 5; ++k) {
        const QStringList parts = seen[k - 1].split('|');
        EXPECT_EQ(parts[0], QStringLiteral("File %1 of 5").arg(k));
        EXPECT_EQ(parts[1], QStringLiteral("%1 of 5").arg(k - 1));
        EXPECT_TRUE(left.match(parts[2]).hasMatch()) << parts[2].toStdString();
    }
    EXPECT_EQ(progress->filesBar()->value(), 5);
    // Each of the four PCG files fills both bars; the file that is no PCG moves neither.
    EXPECT_EQ(programValues.count(200), 4);
    EXPECT_EQ(combinationValues.count(200), 4);
    EXPECT_TRUE(std::ranges::all_of(programValues, [](int v) { return v >= 0 && v <= 200; }));
}

TEST(SendPcgFiles, CancelAfterTheThirdFileKeepsExactlyThreeFiles) {
    ManyFiles w;
    synthetic::writeRandomPcgFile(w.root + "/old disk/e.pcg", 5);
    QString progress;
    everyTick(w.form.get(), [&] {
        auto* file = w.form->findChild<QLabel*>(names::progress::kFile);
        if (!file || !file->isVisible() || !file->text().startsWith("File 4 of 5\n")) return false;
        progress = file->text();
        w.form->findChild<QPushButton*>(names::progress::kCancel)->click();
        return true;
    });
    QString totals;
    QStringList rows;
    onReport(w, [&](QDialog* report) {
        rows = reportRows(report);
        totals = label(report, names::report::kTotals);
    });
    w.dialogs.answerOpenMany(
        {w.at(w.root + "/old disk"), w.at(w.root + "/b.pcg"), w.at(w.root + "/a.pcg")});
    w.action(names::kSendPcgFiles)->trigger();

    EXPECT_EQ(progress, w.at("File 4 of 5\n" + w.root + "/b.pcg"));
    EXPECT_EQ(workingFiles(w), sentByHand({w.root + "/old disk/C.PCG", w.root + "/old disk/d.pcg",
                                           w.root + "/old disk/e.pcg"}));
    EXPECT_EQ(rows.size(), 3) << "the report lists the files sent";
    EXPECT_TRUE(totals.startsWith("Sent 3 files, skipped 0: "));
    EXPECT_TRUE(totals.endsWith("\nCancelled: the files after these were not sent."))
        << totals.toStdString();
    EXPECT_FALSE(w.form->findChild<QLabel*>(names::progress::kFile)->isVisible());
}

TEST(SendPcgFiles, AFullDiskStopsTheRunWithTheMessageAndKeepsWhatWasSent) {
    ManyFiles w;
    std::unique_ptr<FailNth> fail;
    everyTick(w.form.get(), [&] {
        auto* file = w.form->findChild<QLabel*>(names::progress::kFile);
        if (!file || !file->text().startsWith("File 2 of")) return false;
        fail = std::make_unique<FailNth>(FailNth::Op::Write, 1);
        return true;
    });
    bool reported = false;
    onReport(w, [&](QDialog*) { reported = true; });
    w.dialogs.answerOpenMany({w.at(w.root)});
    w.action(names::kSendPcgFiles)->trigger();
    ASSERT_TRUE(fail && !fail->pending());
    fail.reset();

    EXPECT_FALSE(reported) << "the run stopped";
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "PELVARO");
    EXPECT_EQ(workingFiles(w), sentByHand({w.root + "/a.pcg"}));
    EXPECT_EQ(w.lines(names::kEventList).value(0), w.at(w.root + "/a.pcg"));
    EXPECT_FALSE(w.form->findChild<QLabel*>(names::progress::kFile)->isVisible());

    // The same files again, with the disk back, go on where the run stopped.
    onReport(w, [](QDialog*) {});
    w.dialogs.answerOpenMany({w.at(w.root)});
    w.action(names::kSendPcgFiles)->trigger();
    EXPECT_EQ(workingFiles(w), sentByHand(w.pcgFiles()));
}

TEST(SendPcgFiles, DropsAndFilesNamedAtTheStart) {
    ManyFiles w;
    const auto drop = [&](const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls << QUrl::fromLocalFile(QString::fromStdString(path));
        mime.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w.form.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent event(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.form.get(), &event);
    };
    EXPECT_TRUE(w.form->acceptDrops());

    // One PCG file on a PCG tab is imported.
    w.showPage(kPcgPrograms);
    drop({w.root + "/old disk/C.PCG"});
    EXPECT_EQ(w.form->session().pcg().pcgFileName, w.root + "/old disk/C.PCG");
    EXPECT_TRUE(w.form->session().files().count(db::Kind::Program) == 0);
    // Two are not: that is the database tabs' work.
    drop({w.root + "/a.pcg", w.root + "/b.pcg"});
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_EQ(w.dialogs.messages[0].caption, "Not taken");
    EXPECT_EQ(w.form->session().pcg().pcgFileName, w.root + "/old disk/C.PCG");

    // Files and folders on a database tab are sent; what is neither is named and left.
    w.showPage(kDatabasePrograms);
    QStringList rows;
    onReport(w, [&](QDialog* report) { rows = reportRows(report); });
    drop({w.root + "/old disk", w.root + "/notes.txt", w.root + "/a.pcg"});
    ASSERT_EQ(w.dialogs.messages.size(), 2u);
    EXPECT_EQ(w.dialogs.messages[1].text,
              "PELVARO takes PCG files (.pcg), folders of them on a database tab, and one "
              "database file (.pvd) at a time (with Shift held over a database tab, any number, "
              "merged into the open database). Not taken:\n" +
                  w.at(w.root + "/notes.txt"));
    EXPECT_EQ(rows.size(), 3);
    const auto sent = workingFiles(w);
    EXPECT_EQ(sent, sentByHand({w.root + "/old disk/C.PCG", w.root + "/old disk/d.pcg",
                                w.root + "/a.pcg"}));

    // A database file dropped anywhere is opened.
    w.dialogs.answerSave(w.file("kept.pvd"));
    w.action(names::kExportDatabase)->trigger();
    w.action(names::kNewDatabase)->trigger();
    w.showPage(kPcgCombinations);
    drop({w.dir.file("kept.pvd")});
    EXPECT_EQ(workingFiles(w), sent);
    EXPECT_EQ(w.dialogs.messages.size(), 2u);

    // The command line: a PCG file imported and a database opened, in another window.
    WindowFixture started;
    started.form->openGivenFiles({w.at(w.root + "/b.pcg"), w.file("kept.pvd")});
    EXPECT_EQ(started.form->session().pcg().pcgFileName, w.root + "/b.pcg");
    EXPECT_EQ(workingFiles(started), sent);
    EXPECT_TRUE(started.dialogs.messages.empty());
}

// The thousands of event lines and report rows of a large run are laid out without measuring
// each one: every line and count still shows whole.
TEST(SendPcgFiles, TheEventListAndTheReportShowTheirWidestTextWhole) {
    WindowFixture w;
    app::EventList events;
    events.resize(200, 80);
    const std::string wide(150, 'W');
    events.showLines({"/sets/a.pcg", wide, "Program A5 of this combination is not present."});
    events.show();
    const int needed = events.fontMetrics().horizontalAdvance(QString::fromStdString(wide));
    for (int row = 0; row < events.count(); ++row)
        EXPECT_GE(events.visualItemRect(events.item(row)).width(), needed) << row;
    EXPECT_GT(events.horizontalScrollBar()->maximum(), 0);

    std::vector<session::FileReport> lines(3);
    lines[0].path = "/sets/a.pcg";
    lines[0].counts = {.programs = {7, 7}, .combinations = {0, 0}, .drumKits = {4, 0}};
    lines[1].path = "/sets/b.pcg";
    lines[1].counts = {.programs = {1234567, 1}, .combinations = {99999, 5}, .drumKits = {4, 4}};
    lines[2].path = "/sets/c.pcg";
    lines[2].skipped = "Cannot open file /sets/c.pcg: a reason longer than the column's title";
    app::SendReport report(lines, {}, false, w.dialogs, w.form->settings(), w.form.get());
    report.show();
    auto* list = report.findChild<QTreeWidget*>(names::report::kList);
    for (int c = 1; c < list->columnCount(); ++c)
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            EXPECT_GE(list->header()->sectionSize(c),
                      list->sizeHintForIndex(list->model()->index(row, c)).width())
                << "column " << c << ", row " << row;
}

TEST(SendPcgFiles, TheChooserTakesATypedFileAndFilesAndFoldersTogether) {
    TempDir dir;
    fs::create_directories(dir.file("sets/old"));
    synthetic::writeRandomPcgFile(dir.file("sets/a.pcg"), 1);
    const QString sets = QString::fromStdString(dir.file("sets"));
    const auto chosen = [](const QString& folder, const QString& typed) {
        app::FilesAndFoldersDialog chooser(nullptr, "Send PCG Files to Database",
                                           "Pcg Files (*.pcg)|*.pcg", folder);
        EXPECT_EQ(chooser.windowTitle(), "Send PCG Files to Database");
        chooser.show();
        in<QLineEdit>(&chooser, "fileNameEdit")->setText(typed);
        chooser.accept();
        QStringList files = chooser.result() == QDialog::Accepted ? chooser.selectedFiles()
                                                                  : QStringList{"refused"};
        files.sort();
        return files;
    };
    // The whole path of one file, shown from another folder.
    EXPECT_EQ(chosen(QString::fromStdString(dir.path()), sets + "/a.pcg"),
              QStringList{sets + "/a.pcg"});
    EXPECT_EQ(chosen(sets, "\"a.pcg\" \"old\""), (QStringList{sets + "/a.pcg", sets + "/old"}));
}

// Merge Database from the File menu and by a drop with Shift: the report, the event list, the
// lists, and one Undo for all of it.
TEST(MergeDatabase, MergesTheChosenDatabasesReportsThemAndUndoesThemAtOnce) {
    ManyFiles w;
    TestDatabase b;
    db::EventLines events;
    b.session().engine().sendPcgToDatabase(randomPcg(1, "/b/one.pcg"), events, {});
    b.addClass("Keys");
    const std::string theirs = b.session().exportDatabase(w.dir.file("b.pvd")).database;
    const std::string missing = w.dir.file("missing.pvd");
    w.importPcg(bandPcg());
    w.action(names::kSendPcgToDatabase)->trigger();
    const auto before = workingFiles(w);
    const int programs = w.form->session().files().count(db::Kind::Program);

    QStringList rows;
    QString totals;
    onReport(
        w,
        [&](QDialog* report) {
            rows = reportRows(report);
            totals = label(report, names::report::kTotals);
            report->findChild<QPushButton*>(names::report::kCopy)->click();
        },
        names::kMergeReport);
    w.dialogs.answerOpenMany({w.at(theirs), w.at(missing)});
    w.action(names::kMergeDatabase)->trigger();

    EXPECT_TRUE(w.dialogs.messages.empty());
    const session::MergeTotals t{
        .databases = 1,
        .skipped = 1,
        .counts = {.programs = {b.files().count(db::Kind::Program),
                                w.form->session().files().count(db::Kind::Program) - programs}},
        .classesCreated = 1};
    ASSERT_EQ(rows.size(), 2);
    EXPECT_TRUE(rows[0].startsWith(w.at(theirs) + "|" + QString::number(t.counts.programs.fresh) +
                                   "|" + QString::number(t.counts.programs.stored())))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[0].endsWith("|1|")) << "a class made, nothing skipped";
    EXPECT_EQ(rows[1], w.at(missing) + "||||||||Cannot open file " + w.at(missing) +
                           ": No such file or directory");
    EXPECT_TRUE(totals.startsWith("Merged 1 database, skipped 1: programs " +
                                  QString::number(t.counts.programs.fresh) + " new"));
    EXPECT_TRUE(w.find<QLabel>(names::kStatusResult)->text().startsWith("Merged 1 database"));
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(w.at(theirs) + ": programs "));
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(),
              w.form->session().files().count(db::Kind::Program));
    EXPECT_EQ(w.lines(names::kEventList).first(), w.at(theirs));

    // One step of Undo takes it all back.
    EXPECT_EQ(w.action(names::kUndo)->text(), "&Undo Merge Database");
    w.press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(workingFiles(w), before);
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), programs);

    // A database dropped with Shift on a database tab is merged, not opened.
    w.showPage(kDatabasePrograms);
    onReport(
        w, [](QDialog*) {}, names::kMergeReport);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(w.at(theirs))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(w.form.get(), &enter);
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(w.form.get(), &drop);
    EXPECT_EQ(w.form->session().files().count(db::Kind::Program),
              programs + t.counts.programs.fresh);
    EXPECT_TRUE(w.form->session().databasePath().empty()) << "the database in use stays";
    EXPECT_EQ(w.action(names::kUndo)->text(), "&Undo Merge Database");
}
