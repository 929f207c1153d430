#include "app/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace pelvaro::app {

namespace {
const QString kClassifyRulesKey = QStringLiteral("rules/classify");
const QString kEventListHeightKey = QStringLiteral("window/eventListHeight");

QString geometryKey(Settings::WindowPlace window) {
    switch (window) {
        case Settings::WindowPlace::Main:
            return QStringLiteral("window/geometry");
        case Settings::WindowPlace::ClassEditor:
            return QStringLiteral("classEditor/geometry");
        case Settings::WindowPlace::ClassAssignment:
            return QStringLiteral("classAssignment/geometry");
    }
    return {};
}

QString kindName(Settings::FileKind kind) {
    switch (kind) {
        case Settings::FileKind::Pcg:
            return QStringLiteral("pcg");
        case Settings::FileKind::Database:
            return QStringLiteral("database");
        case Settings::FileKind::Report:
            return QStringLiteral("report");
    }
    return {};
}
}  // namespace

Settings::Settings(const QString& file) {
    if (!file.isEmpty()) file_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
}

Settings::~Settings() {
    sync();
}

QVariant Settings::value(const QString& key) const {
    return file_ ? file_->value(key) : memory_.value(key);
}

void Settings::setValue(const QString& key, const QVariant& value) {
    if (file_)
        file_->setValue(key, value);
    else
        memory_.insert(key, value);
}

QString Settings::folder(FileKind kind) const {
    const QString folder = value(QStringLiteral("folders/") + kindName(kind)).toString();
    // A folder that has gone since is no start for a dialog.
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void Settings::rememberFolder(FileKind kind, const QString& filePath) {
    // The folder holding the file (or the folder) chosen, where the next choice is likely.
    setValue(QStringLiteral("folders/") + kindName(kind), QFileInfo(filePath).absolutePath());
}

QStringList Settings::recentFiles(FileKind kind) const {
    return value(QStringLiteral("recent/") + kindName(kind)).toStringList().mid(0, kRecentCount);
}

void Settings::addRecentFile(FileKind kind, const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles(kind);
    files.removeAll(file);
    files.prepend(file);
    setValue(QStringLiteral("recent/") + kindName(kind), files.mid(0, kRecentCount));
}

void Settings::removeRecentFile(FileKind kind, const QString& path) {
    QStringList files = recentFiles(kind);
    files.removeAll(path);
    setValue(QStringLiteral("recent/") + kindName(kind), files);
}

void Settings::clearRecentFiles(FileKind kind) {
    setValue(QStringLiteral("recent/") + kindName(kind), QStringList());
}

QStringList Settings::classifyRules() const {
    return value(kClassifyRulesKey).toStringList();
}

void Settings::setClassifyRules(const QStringList& lines) {
    setValue(kClassifyRulesKey, lines);
}

QByteArray Settings::geometry(WindowPlace window) const {
    return value(geometryKey(window)).toByteArray();
}

void Settings::setGeometry(WindowPlace window, const QByteArray& geometry) {
    setValue(geometryKey(window), geometry);
}

int Settings::eventListHeight() const {
    return value(kEventListHeightKey).toInt();
}

void Settings::setEventListHeight(int height) {
    setValue(kEventListHeightKey, height);
}

void Settings::sync() {
    if (file_) file_->sync();
}

}  // namespace pelvaro::app
