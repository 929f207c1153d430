#include "app/places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pelvaro::app {

Places Places::standard() {
    Places places;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!data.isEmpty()) places.recoveryFolder = data + QStringLiteral("/recovery");
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!config.isEmpty()) places.settingsFile = config + QStringLiteral("/pelvaro.conf");
    return places;
}

StartPlace chooseStart(const QString& currentFolder, const QString& dataFolder,
                       const QString& installedTemplate) {
    const QString here = QDir(currentFolder).filePath(QStringLiteral("bos.dat"));
    if (QFileInfo::exists(here) || dataFolder.isEmpty() || installedTemplate.isEmpty() ||
        !QFileInfo(installedTemplate).isFile())
        return {currentFolder, here};
    const QString work = QDir(dataFolder).filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    return {work, installedTemplate};
}

}  // namespace pelvaro::app
