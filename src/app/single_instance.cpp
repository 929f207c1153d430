#include "app/single_instance.h"

#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include "app/main_window.h"
#include "app/progress_window.h"
#include "session/given_files.h"

namespace pelvaro::app {

namespace {

// What a handing-over start sends first, so a stray connection is told apart.
const QString kGreeting = QStringLiteral("PELVARO files 1");
// What the running copy answers once it has the files.
constexpr char kTaken = 'K';
// How often files handed over during a command look whether it has ended.
constexpr int kRetryMs = 200;

}  // namespace

namespace {

// Where the sockets are: the runtime folder is the user's alone; without one, they go in the
// temporary folder, where the user's number in their names keeps users apart.
QString socketFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

// What the name of every socket of this user begins with.
QString socketPrefix() {
    return QStringLiteral("pelvaro-%1-").arg(::getuid());
}

}  // namespace

QString instanceName(const QString& startFolder) {
    const QByteArray folder = QFile::encodeName(QDir::cleanPath(QDir(startFolder).absolutePath()));
    const QString key = QString::fromUtf8(
        QCryptographicHash::hash(folder, QCryptographicHash::Sha1).toHex().left(16));
    return socketFolder() + QLatin1Char('/') + socketPrefix() + key;
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::takeConnection);
}

SingleInstance::Start SingleInstance::start(const QStringList& files, int timeoutMs) {
    Handed handed = handOver(files, timeoutMs);
    if (handed == Handed::NoCopy && !server_.listen(name_)) {
        // Nobody answered on a socket that is there: one a crashed copy left, or one a copy
        // started at the same moment listens on now, which a second try finds.
        handed = handOver(files, timeoutMs);
        if (handed == Handed::NoCopy) {
            QLocalServer::removeServer(name_);
            // Should this fail too, this copy runs as before, only without taking files.
            server_.listen(name_);
        }
    }
    switch (handed) {
        case Handed::Taken:
            return Start::HandedOver;
        case Handed::NoAnswer:
            return Start::NoAnswer;
        case Handed::NoCopy:
            break;
    }
    return Start::First;
}

bool SingleInstance::handToAnyCopy(const QStringList& files, int timeoutMs) {
    const QDir folder(socketFolder());
    for (const QString& name : folder.entryList({socketPrefix() + QLatin1Char('*')},
                                                QDir::System | QDir::Hidden, QDir::Name))
        if (SingleInstance(folder.filePath(name)).handOver(files, timeoutMs) == Handed::Taken)
            return true;
    return false;
}

void SingleInstance::stopListening() {
    server_.close();
}

SingleInstance::Handed SingleInstance::handOver(const QStringList& files, int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return Handed::NoCopy;
    QByteArray message;
    {
        QDataStream out(&message, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        out << kGreeting << files;
    }
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) return Handed::NoAnswer;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs)) return Handed::NoAnswer;
    char answer = 0;
    return socket.getChar(&answer) && answer == kTaken ? Handed::Taken : Handed::NoAnswer;
}

void SingleInstance::takeConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.setVersion(QDataStream::Qt_6_0);
            in.startTransaction();
            QString greeting;
            QStringList files;
            in >> greeting >> files;
            if (!in.commitTransaction()) return;  // the rest is on its way
            const bool ours = greeting == kGreeting;
            if (ours) socket->putChar(kTaken);
            socket->disconnectFromServer();
            // Taking the files may take long and show windows of its own: the connection is
            // done with first. A copy that began to exit meanwhile takes them no more.
            if (ours)
                QTimer::singleShot(0, this, [this, files] {
                    if (server_.isListening()) emit filesHandedOver(files);
                });
        });
    }
}

GivenFiles sortGivenFiles(const QStringList& files) {
    GivenFiles given;
    QStringList pcgs;
    bool folder = false;
    for (const QString& file : files) {
        switch (session::givenKind(QFile::encodeName(file).toStdString())) {
            case session::GivenKind::Database:
                given.opened << file;
                break;
            case session::GivenKind::Folder:
                folder = true;
                [[fallthrough]];
            case session::GivenKind::Pcg:
                pcgs << file;
                break;
            case session::GivenKind::Other:
                given.refused << file;
                break;
        }
    }
    // One PCG is imported; several would replace each other, so they go to the database.
    (pcgs.size() > 1 || folder ? given.sent : given.opened) << pcgs;
    return given;
}

void giveFilesToWindow(MainWindow& window, const QStringList& files, const MayTakeFiles& mayTake) {
    if (files.isEmpty()) return;
    const GivenFiles given = sortGivenFiles(files);
    if (!given.refused.isEmpty()) window.refuseFiles(given.refused);
    if (given.opened.isEmpty() && given.sent.isEmpty()) return;
    if (mayTake && !mayTake(given)) return;
    if (!given.opened.isEmpty()) window.openGivenFiles(given.opened);
    if (!given.sent.isEmpty()) window.sendFiles(given.sent);
}

void raiseAndGiveFiles(MainWindow& window, const QStringList& files, const MayTakeFiles& mayTake) {
    if (window.session().ended()) return;  // the window is closing
    // While a command runs (its progress or busy window shows) or a window waits for an answer,
    // taking the files would run one command inside another: they wait for it to end.
    if (QApplication::activeModalWidget() || window.progressWindow()->isVisible()) {
        QTimer::singleShot(kRetryMs, &window, [&window, files, mayTake] {
            raiseAndGiveFiles(window, files, mayTake);
        });
        return;
    }
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
    giveFilesToWindow(window, files, mayTake);
}

MayTakeFiles askBeforeReplacingWork(MainWindow& window) {
    return [&window](const GivenFiles& given) { return window.mayReplaceWork(given.opened); };
}

}  // namespace pelvaro::app
