#pragma once
// One running copy per user and start folder. A copy started while another one runs in the same
// folder (from the desktop menu, "Open with" on a .pcg or .pvd, or `pelvaro FILE`) hands the
// files it was given to the running one over a local socket and ends; the running copy raises
// its window and takes them.

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <functional>

namespace pelvaro::app {

class MainWindow;

// The socket a copy listens on, for this user and start folder: in the user's runtime folder.
QString instanceName(const QString& startFolder);

class SingleInstance : public QObject {
    Q_OBJECT

  public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);

    enum class Start {
        First,       // no copy runs under the name: this one listens now
        HandedOver,  // a running copy took the files
        NoAnswer,    // a copy took the connection but did not say it took the files
    };
    // Hands the files (absolute paths; none only raises the window) to the copy running under
    // the name, waiting at most timeoutMs for it to say it has them. When none runs, this copy
    // listens instead; a socket left by a copy that crashed is cleared first.
    Start start(const QStringList& files, int timeoutMs = 30000);
    // For a start that cannot work in its folder (no template there): hands the files to a copy
    // of this user's running in any folder, the first that takes them. False when none did.
    static bool handToAnyCopy(const QStringList& files, int timeoutMs = 30000);

    // Takes no more files, not even those of a connection already answered: called when Exit
    // begins, so a start while the work is saved waits for the folder instead of handing its
    // files to a copy that is going.
    void stopListening();

  signals:
    // Files another start handed over, told once the connection is done with.
    void filesHandedOver(const QStringList& files);

  private:
    enum class Handed { NoCopy, Taken, NoAnswer };
    Handed handOver(const QStringList& files, int timeoutMs) const;
    void takeConnection();

    QString name_;
    QLocalServer server_;
};

// Where the files given to a start go in the window, each taken for what session::givenKind
// says it is: database files and a single PCG are opened and imported
// (MainWindow::openGivenFiles); more than one PCG, or a folder, are sent to the database as
// "Send PCG Files to Database" sends them (MainWindow::sendFiles), after the databases are
// opened; anything else is refused with a message (MainWindow::refuseFiles).
struct GivenFiles {
    QStringList opened;
    QStringList sent;
    QStringList refused;
};
GivenFiles sortGivenFiles(const QStringList& files);

// Gives the window the files given to a start. mayTake, when set, is asked first (whether the
// work in the window may be replaced); false leaves the files untaken.
using MayTakeFiles = std::function<bool(const GivenFiles&)>;
void giveFilesToWindow(MainWindow& window, const QStringList& files,
                       const MayTakeFiles& mayTake = {});
// The same for files handed over by another start: the window is raised and activated first.
// Files that come while a command runs or a window waits for an answer are taken once it is
// done; a window that is closing takes none.
void raiseAndGiveFiles(MainWindow& window, const QStringList& files,
                       const MayTakeFiles& mayTake = {});
// What a running copy asks before it takes files handed over: whether they may replace work in
// the window (MainWindow::mayReplaceWork).
MayTakeFiles askBeforeReplacingWork(MainWindow& window);

}  // namespace pelvaro::app
