#include "app/places.h"

#include <QStandardPaths>

namespace pelvaro::app {

Places Places::standard() {
    Places places;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!data.isEmpty()) places.recoveryFolder = data + QStringLiteral("/recovery");
    return places;
}

}  // namespace pelvaro::app
