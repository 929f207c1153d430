// Starting the window program: what it makes of its arguments, and the one copy that runs per
// user and folder and takes the files of the starts after it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDialog>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <thread>

#include "app/single_instance.h"
#include "db_builder.h"
#include "random_pcg.h"
#include "window_fixture.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using Start = app::SingleInstance::Start;

namespace {

constexpr int kGenerous = 60000;  // milliseconds: a loaded machine is slow, never this slow

// A socket file nobody listens on, as a copy that crashed leaves it.
void leaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

// The window program, with folders of the test's own for everything of the user's.
struct Program {
    TempDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    Program() {
        environment.insert("HOME", QString::fromStdString(home.path()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(home.path()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString(home.file("data")));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(home.file("config")));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    }
    void start(QProcess& process, const std::string& folder, const QStringList& arguments) {
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(folder));
        process.start(PELVARO_WINDOW, arguments);
    }
    // Runs it to its end: the exit status.
    int run(const std::string& folder, const QStringList& arguments, QProcess& process) {
        start(process, folder, arguments);
        EXPECT_TRUE(process.waitForFinished(kGenerous));
        return process.exitCode();
    }
};

}  // namespace

TEST(Start, TheProgramAnswersHelpAndVersionAndRefusesAnUnknownOption) {
    Program program;
    TempDir folder;
    QProcess help, version, unknown;
    // No display is needed to be told how to start it.
    program.environment.remove("QT_QPA_PLATFORM");
    program.environment.remove("DISPLAY");
    program.environment.remove("WAYLAND_DISPLAY");
    EXPECT_EQ(program.run(folder.path(), {"--help"}, help), 0);
    const QString usage = QString::fromLocal8Bit(help.readAllStandardOutput());
    EXPECT_TRUE(usage.contains("Usage:") && usage.contains("--version") && usage.contains("FILE"))
        << usage.toStdString();
    EXPECT_EQ(program.run(folder.path(), {"--version"}, version), 0);
    EXPECT_EQ(version.readAllStandardOutput(), "PELVARO 1.0\n");

    program.environment.insert("QT_QPA_PLATFORM", "offscreen");
    EXPECT_EQ(program.run(folder.path(), {"--bogus", "x.pcg"}, unknown), 2);
    EXPECT_TRUE(unknown.readAllStandardError().contains("bogus"));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder.file("temp.prg"))))
        << "refused before anything started";
}

TEST(Start, ALaterStartHandsItsFilesToTheRunningCopyEvenOverASocketACrashLeft) {
    TempDir dir;
    const QString name = QString::fromStdString(dir.file("socket"));
    leaveStaleSocket(name);
    app::SingleInstance running(name);
    ASSERT_EQ(running.start({}), Start::First);
    QStringList taken;
    QObject::connect(&running, &app::SingleInstance::filesHandedOver,
                     [&](const QStringList& files) { taken = files; });

    const QStringList files{"/music/a.pcg", "/music/bank.pvd", "/music/b.pcg"};
    Start later = Start::First;
    std::thread second([&] { later = app::SingleInstance(name).start(files); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return !taken.isEmpty(); }, kGenerous));
    second.join();
    EXPECT_EQ(later, Start::HandedOver);
    EXPECT_EQ(taken, files);

    running.stopListening();
    EXPECT_EQ(app::SingleInstance(name).start(files), Start::First) << "nobody runs now";

    // Where the files go: a database and a PCG are opened; several PCGs or a folder are sent.
    const auto sorted = [](const QStringList& given) {
        const app::GivenFiles g = app::sortGivenFiles(given);
        return g.opened.join(',') + "|" + g.sent.join(',') + "|" + g.refused.join(',');
    };
    EXPECT_EQ(sorted({"/a.pcg", "/b.pvd"}), "/b.pvd,/a.pcg||");
    EXPECT_EQ(sorted({"/a.pcg", "/b.pvd", "/c.PCG"}), "/b.pvd|/a.pcg,/c.PCG|");
    EXPECT_EQ(sorted({QString::fromStdString(dir.path())}),
              "|" + QString::fromStdString(dir.path()) + "|");
    EXPECT_EQ(sorted({"/B.PVD", "/notes.txt", "/a.pcg.pvd"}), "/a.pcg.pvd||/B.PVD,/notes.txt");
}

TEST(Start, TheWindowTakesEveryFileHandedOver) {
    TempDir files;
    TestDatabase bank;
    bank.addProgram("KEPT", {.voice = 77});
    bank.session().exportDatabase(files.file("bank"));
    for (std::uint32_t seed : {1u, 2u})
        synthetic::writeRandomPcgFile(files.file(std::to_string(seed) + ".pcg"), seed);

    WindowFixture w;
    auto* closer = new QTimer(w.form.get());
    QObject::connect(closer, &QTimer::timeout, [&w] {
        if (auto* report = w.form->findChild<QDialog*>("SendReport"); report && report->isVisible())
            report->close();
    });
    closer->start(0);
    app::raiseAndGiveFiles(*w.form, {QString::fromStdString(files.file("bank.pvd")),
                                     QString::fromStdString(files.file("1.pcg")),
                                     QString::fromStdString(files.file("2.pcg"))});
    const db::RecordFiles& db = w.form->session().files();
    EXPECT_EQ(db::entryName(db.read<db::DbProgramEntry>(1)), "KEPT") << "the database opened";
    EXPECT_GT(db.count(db::Kind::Program), 10) << "both PCGs sent";
    EXPECT_TRUE(w.dialogs.messages.empty());
    EXPECT_EQ(w.form->session().pcg().pcgFileName, "") << "none imported over the other";
}

TEST(Start, ALaterProgramInTheSameFolderOrInOneWithoutATemplateHandsItsFilesToTheFirst) {
    Program program;
    TempDir folder;
    pcg::writePcgFile(synthetic::makeTemplateImage(), folder.file("bos.dat"));
    TestDatabase bank;
    bank.addProgram("HANDED", {.voice = 5});
    bank.session().exportDatabase(folder.file("bank"));

    QProcess first;
    program.start(first, folder.path(), {});
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(program.home.path()));
    // The program names its folder as the system gives it: every link followed.
    const QString socket =
        app::instanceName(QFileInfo(QString::fromStdString(folder.path())).canonicalFilePath());
    qunsetenv("XDG_RUNTIME_DIR");
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, kGenerous))
        << first.readAllStandardError().toStdString();

    QProcess second;
    EXPECT_EQ(program.run(folder.path(), {"bank.pvd"}, second), 0)
        << second.readAllStandardError().toStdString();
    const auto handed = readBytes(folder.file("bank.prg"));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return readBytes(folder.file("temp.prg")) == handed; }, kGenerous))
        << "the first copy opened it";

    // Started in a folder without a template, it cannot work there: the running copy takes the
    // files.
    TempDir elsewhere;
    TestDatabase other;
    other.addProgram("ELSEWHERE", {.voice = 9});
    other.session().exportDatabase(elsewhere.file("other"));
    synthetic::writeRandomPcgFile(elsewhere.file("band.pcg"), 3);
    QProcess third;
    EXPECT_EQ(program.run(elsewhere.path(), {"other.pvd", "band.pcg"}, third), 0)
        << third.readAllStandardError().toStdString();
    const auto otherBytes = readBytes(elsewhere.file("other.prg"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return readBytes(folder.file("temp.prg")) == otherBytes; },
                                kGenerous));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(elsewhere.file("temp.prg"))));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(kGenerous);
}
