// pelvaro-cli and the window, given the same files and the same steps, write the same bytes.
#include <gtest/gtest.h>

#include <QDialog>
#include <filesystem>
#include <sstream>

#include "cli/commands.h"
#include "db/database_file.h"
#include "random_pcg.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
namespace fs = std::filesystem;

namespace {

std::array<std::vector<Byte>, db::kKindCount> members(const std::string& base) {
    const db::DatabasePaths paths = db::databasePaths(base);
    std::array<std::vector<Byte>, db::kKindCount> bytes;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = readBytes(paths.members[i]);
    return bytes;
}

// "Send PCG Files to Database" of these paths, its report closed when it shows.
void sendFromWindow(WindowFixture& w, const QStringList& paths) {
    auto* timer = new QTimer(w.form.get());
    QObject::connect(timer, &QTimer::timeout, w.form.get(), [&w, timer] {
        auto* report = w.form->findChild<QDialog*>(names::report::kWindow);
        if (!report || !report->isVisible()) return;
        report->close();
        timer->stop();
        timer->deleteLater();
    });
    timer->start(0);
    w.dialogs.answerOpenMany(paths);
    w.action(names::kSendPcgFiles)->trigger();
}

}  // namespace

TEST(CliMatchesWindow, AddThenAddMoreThenExtract) {
    WindowFixture w;
    const std::string templ = w.dir.file("bos.dat");
    const std::string first = w.dir.file("first");
    const std::string later = w.dir.file("later");
    fs::create_directories(first + "/nested");
    fs::create_directories(later);
    for (std::uint32_t seed = 1; seed <= 3; ++seed)
        synthetic::writeRandomPcgFile(first + "/set" + std::to_string(seed) + ".pcg", seed);
    synthetic::writeRandomPcgFile(first + "/nested/deep.pcg", 4);
    writeBytes(first + "/foreign.pcg", {'K', 'O', 'R', 'G'});
    synthetic::writeRandomPcgFile(later + "/more.pcg", 5);
    const auto cli = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), {"--template", templ});
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::runCommandLine(arguments, out, err), cli::kDone) << err.str();
        return out.str();
    };

    // A new database of a folder.
    sendFromWindow(w, {QString::fromStdString(first)});
    w.dialogs.answerSave(w.file("window.pvd"));
    w.action(names::kExportDatabase)->trigger();
    cli({"add", w.dir.file("cli.pvd"), first});
    EXPECT_EQ(members(w.dir.file("window")), members(w.dir.file("cli")));

    // More files into the stored database.
    sendFromWindow(w, {QString::fromStdString(later + "/more.pcg")});
    w.dialogs.answerSave(w.file("window.pvd"));
    w.dialogs.answerQuestion(0);  // Replace the five files
    w.action(names::kExportDatabase)->trigger();
    cli({"add", w.dir.file("cli.pvd"), later + "/more.pcg"});
    EXPECT_EQ(members(w.dir.file("window")), members(w.dir.file("cli")));
    EXPECT_TRUE(w.dialogs.messages.empty());

    // Programs 1, 3 and 4, then combinations 1 to 3, sent to a new PCG and exported.
    w.press(Qt::Key_N, Qt::ControlModifier);
    w.showPage(kDatabasePrograms);
    w.clickRow(names::kProgramsPage.list, 0);
    w.clickRow(names::kProgramsPage.list, 2, Qt::ControlModifier);
    w.clickRow(names::kProgramsPage.list, 3, Qt::ControlModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    w.showPage(kDatabaseCombinations);
    w.clickRow(names::kCombinationsPage.list, 0);
    w.clickRow(names::kCombinationsPage.list, 2, Qt::ShiftModifier);
    w.press(Qt::Key_Insert, Qt::ControlModifier);
    const QStringList windowEvents = w.lines(names::kEventList);
    ASSERT_FALSE(w.lines(names::kPcgProgramsPage.list)[0].endsWith("----------"));
    ASSERT_FALSE(w.lines(names::kPcgCombinationsPage.list)[2].endsWith("----------"));
    w.dialogs.answerSave(w.file("window.pcg"));
    w.press(Qt::Key_E, Qt::ControlModifier);
    const std::string printed = cli({"extract", w.dir.file("cli.pvd"), "--programs", "1,3-4",
                                     "--combinations", "1-3", "-o", w.dir.file("cli.pcg")});
    EXPECT_EQ(readBytes(w.dir.file("window.pcg")), readBytes(w.dir.file("cli.pcg")));
    for (const QString& line : windowEvents)
        EXPECT_NE(printed.find(line.toStdString() + "\n"), std::string::npos) << line.toStdString();
    EXPECT_TRUE(w.dialogs.messages.empty());
}
