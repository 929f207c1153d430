// Where the user's work went: Exit keeps it while the window shows and says where, the next
// start offers what the last run left (after an Exit or a kill), and files handed over by another
// start ask before they replace changed work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLabel>
#include <QTreeWidget>
#include <filesystem>

#include "app/about_box.h"
#include "app/busy_window.h"
#include "app/single_instance.h"
#include "db_builder.h"
#include "failing_disk.h"
#include "io/paths.h"
#include "session/commands.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;

namespace {

// Runs `run` each time the watched window shows.
struct OnShow : QObject {
    std::function<void()> run;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) run();
        return false;
    }
};

QString text(const WindowFixture& w, const char* label) {
    return w.find<QLabel>(label)->text();
}

// The next start in the fixture's folder.
void startAgain(WindowFixture& w) {
    w.form.reset();
    w.form = app::createMainWindow(w.dialogs, QString::fromStdString(w.dir.path()), w.places());
    ASSERT_TRUE(w.form);
    w.form->show();
}

// The bar's "saved 21:14" (with the date when it was saved on another day).
QString savedWhen(const session::RecoveryCopy& copy) {
    const QString saved = QString::fromStdString(copy.savedAt);
    return saved.startsWith(QDate::currentDate().toString(Qt::ISODate)) ? saved.mid(11, 5)
                                                                        : saved.left(16);
}

std::vector<Byte> pcgBytes(const WindowFixture& w) {
    const auto& bytes = w.form->session().pcg().image.bytes();
    return {bytes.begin(), bytes.end()};
}

// Empties PCG program slot A01: the PCG differs from every file on disk.
void changePcg(WindowFixture& w) {
    w.showPage(kPcgPrograms);
    w.clickRow(names::kPcgProgramsPage.list, 1);
    w.press(Qt::Key_Delete, Qt::ControlModifier);
}

}  // namespace

TEST(KeptWork, ExitKeepsTheWorkWhileTheWindowShowsAndTheNextStartOffersItBackUnderItsNames) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.dialogs.answerSave(w.file("bank"));
    w.action(names::kExportDatabase)->trigger();
    w.press(Qt::Key_S, Qt::ControlModifier);
    changePcg(w);
    const std::vector<Byte> pcgAtExit = pcgBytes(w);

    OnShow busy;
    bool shown = false;
    busy.run = [&] {
        shown = true;
        EXPECT_TRUE(w.form->isVisible());
        EXPECT_EQ(text(w, names::kStatusResult),
                  "Keeping your work as a recovery copy before PELVARO closes: 0 MB written");
    };
    w.form->busyWindow()->installEventFilter(&busy);
    app::BusyWindow::setDelay(0);
    w.action(names::kExit)->trigger();
    app::BusyWindow::setDelay(400);
    EXPECT_TRUE(shown) << "the copy was written while the window showed";
    EXPECT_FALSE(w.form->isVisible());
    const auto copies = session::recoveryCopies(w.recovery.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(text(w, names::kStatusResult),
              "Kept your work as " + QString::fromStdString(io::fileNameOf(copies[0].database)) +
                  " before closing");
    EXPECT_EQ(w.lines(names::kEventList),
              QStringList{QString::fromStdString(session::keptCopyLine(copies[0]))});

    startAgain(w);
    EXPECT_TRUE(w.find(names::recoveryBar::kBar)->isVisible());
    EXPECT_EQ(text(w, names::recoveryBar::kText),
              "The database you were working on when PELVARO last closed was kept (bank.pvd, 4 "
              "programs, saved " +
                  savedWhen(copies[0]) + "). The PCG import.pcg was kept too.");
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty()) << "the start is as always";
    w.click(names::recoveryBar::kOpen);
    EXPECT_FALSE(w.find(names::recoveryBar::kBar)->isVisible());
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4);
    EXPECT_EQ(pcgBytes(w), pcgAtExit);
    EXPECT_EQ(w.form->session().pcg().pcgFileName, w.dir.file("import.pcg"));
    // Export offers the database's own name, not the copy's.
    w.action(names::kExportDatabase)->trigger();
    EXPECT_EQ(w.dialogs.folders.back(), w.file("bank.pvd"));
}

TEST(KeptWork, TheWorkOfAKilledCopyIsOfferedAtTheNextStart) {
    WindowFixture w;
    w.form.reset();  // the folder is the killed copy's now
    bandPcg().writeTo(w.dir.file("band.pcg"));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        session::Session s(w.dir.path(), w.dir.file("bos.dat"), w.recovery.path());
        session::importPcg(s, w.dir.file("band.pcg"));
        session::sendPcgToDatabase(s, session::PcgPart::Everything, {});
        session::emptySlot(s, pcg::SlotKind::Program, 1);
        [[maybe_unused]] const auto written = ::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    startAgain(w);
    const auto copies = session::recoveryCopies(w.recovery.path());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(text(w, names::recoveryBar::kText),
              "The database you were working on when PELVARO last closed was kept (a new "
              "database, 4 programs, saved " +
                  savedWhen(copies[0]) + "). The PCG band.pcg was kept too.");
    // Show all lists it; Dismiss hides the bar and keeps the copy.
    QTimer::singleShot(0, w.form.get(), [&w] {
        auto* dialog = w.form->findChild<QDialog*>(names::recovery::kWindow);
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->findChild<QTreeWidget*>(names::recovery::kList)->topLevelItemCount(), 1);
        dialog->close();
    });
    w.click(names::recoveryBar::kShowAll);
    w.click(names::recoveryBar::kDismiss);
    EXPECT_FALSE(w.find(names::recoveryBar::kBar)->isVisible());
    EXPECT_TRUE(w.rows(names::kProgramsPage.list).isEmpty());
    EXPECT_EQ(session::recoveryCopies(w.recovery.path()).size(), 1u);
    startAgain(w);
    EXPECT_TRUE(w.find(names::recoveryBar::kBar)->isVisible()) << "dismissed, not opened";
}

TEST(KeptWork, AnExitThatCannotKeepTheWorkSaysSoAndTheNextStartKeepsIt) {
    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    {
        const FailNth full(FailNth::Op::Create, 1);
        w.action(names::kExit)->trigger();
    }
    ASSERT_EQ(w.dialogs.messages.size(), 1u);
    EXPECT_TRUE(w.dialogs.messages[0].text.endsWith(
        QString::fromStdString("\nYour work stays in the working files in " + w.dir.path() +
                               "; the next start of PELVARO there keeps it as a recovery copy.")))
        << w.dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(session::recoveryCopies(w.recovery.path()).empty());
    w.form.reset();
    EXPECT_TRUE(std::filesystem::exists(w.dir.file("temp.prg")));

    startAgain(w);
    EXPECT_TRUE(text(w, names::recoveryBar::kText).contains("(a new database, 4 programs"));
}

TEST(KeptWork, FilesHandedOverAskBeforeReplacingChangedWorkAndAreAllTakenWhenAllowed) {
    TempDir given;
    TestDatabase other;
    other.addProgram("HANDED", {.voice = 5});
    other.session().exportDatabase(given.file("other"));
    PcgBuilder().program(0, "NEW", {.osc1 = 3}).writeTo(given.file("new.pcg"));
    const QStringList files{QString::fromStdString(given.file("other.pvd")),
                            QString::fromStdString(given.file("new.pcg"))};

    WindowFixture w;
    w.importPcg(bandPcg());
    w.press(Qt::Key_S, Qt::ControlModifier);
    changePcg(w);
    const std::vector<Byte> changed = pcgBytes(w);
    w.dialogs.answerQuestion(1);
    app::raiseAndGiveFiles(*w.form, files, app::askBeforeReplacingWork(*w.form));
    ASSERT_EQ(w.dialogs.asked.size(), 1u);
    EXPECT_EQ(w.dialogs.asked[0].text,
              "Opening other.pvd replaces the database you are working on (a new database, 4 "
              "programs), changed since it was last saved. Importing new.pcg replaces the PCG "
              "you are working on (import.pcg), changed and not exported since. What is "
              "replaced is kept as a recovery copy first (File > Recover Database... opens it). "
              "Take the files?");
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 4) << "nothing taken";
    EXPECT_EQ(pcgBytes(w), changed);

    // Handed over while a window waits for an answer, they wait for it to close.
    w.dialogs.answerQuestion(0);
    WindowFixture::whileModal(w.form->aboutBox(), [&] {
        app::raiseAndGiveFiles(*w.form, files, app::askBeforeReplacingWork(*w.form));
        EXPECT_EQ(w.dialogs.asked.size(), 1u) << "not taken inside another window";
    });
    w.action(names::kAbout)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.dialogs.asked.size() == 2; }, 60000));
    EXPECT_EQ(w.rows(names::kProgramsPage.list).size(), 1);
    EXPECT_EQ(w.form->session().pcg().pcgFileName, given.file("new.pcg"));
    const auto copies = session::recoveryCopies(w.recovery.path());
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].programs, 4) << "the database, kept by the open";
    EXPECT_EQ(readBytes(copies[1].pcg), changed);
    EXPECT_EQ(copies[1].pcgFileName, w.dir.file("import.pcg"));
}
