#include "app/main_menus.h"

#include <QAction>
#include <QFileInfo>
#include <QMenuBar>

#include "app/control_names.h"

namespace pelvaro::app {

RecentFilesMenu::RecentFilesMenu(Settings& settings, Settings::FileKind kind,
                                 const QString& caption, QWidget* parent)
    : QMenu(caption, parent), settings_(settings), kind_(kind) {
    const bool pcgFiles = kind == Settings::FileKind::Pcg;
    setObjectName(QLatin1String(pcgFiles ? names::kRecentPcgFiles : names::kRecentDatabases));
    menuAction()->setToolTip(pcgFiles ? QStringLiteral("Import a PCG file used lately")
                                      : QStringLiteral("Open a database used lately"));
    setToolTipsVisible(true);
    refill();
}

void RecentFilesMenu::refill() {
    const bool pcgFiles = kind_ == Settings::FileKind::Pcg;
    clear();
    const QStringList files = settings_.recentFiles(kind_);
    for (int i = 0; i < files.size(); ++i) {
        const QString& path = files[i];
        // "&1 bank.pcg": the number is the access key; the whole path is the tooltip.
        QAction* action = addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(
            QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&"))));
        action->setObjectName(
            QStringLiteral("%1%2")
                .arg(QLatin1String(pcgFiles ? names::kRecentPcgFile : names::kRecentDatabase))
                .arg(i + 1));
        action->setToolTip(path);
        connect(action, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
    addSeparator();
    QAction* clearAll = addAction(QStringLiteral("&Clear"));
    clearAll->setObjectName(
        QLatin1String(pcgFiles ? names::kClearRecentPcgFiles : names::kClearRecentDatabases));
    clearAll->setToolTip(QStringLiteral("Empty this list; the files stay where they are"));
    clearAll->setEnabled(!files.isEmpty());
    connect(clearAll, &QAction::triggered, this, [this] {
        settings_.clearRecentFiles(kind_);
        refill();
    });
}

MainMenus::MainMenus(QMenuBar* bar, const std::vector<Menu>& menus,
                     const std::vector<Entry>& entries) {
    for (const Menu& m : menus) {
        QMenu* menu = bar->addMenu(QLatin1String(m.caption));
        menu->setObjectName(QLatin1String(m.name));
        menu->setToolTipsVisible(true);
        menus_.push_back(menu);
    }
    for (const Entry& e : entries) {
        QMenu* into = menu(e.menu);
        switch (e.item) {
            case Item::Separator:
                into->addSeparator()->setObjectName(QLatin1String(e.name));
                break;
            case Item::Submenu:
                into->addMenu(e.submenu);
                break;
            case Item::Action: {
                QAction* action = into->addAction(QLatin1String(e.caption));
                action->setObjectName(QLatin1String(e.name));
                action->setShortcuts(e.keys);
                if (e.tip) action->setToolTip(QLatin1String(e.tip));
                if (e.run)
                    QObject::connect(action, &QAction::triggered, action, e.run);
                else
                    action->setEnabled(false);
                actions_.push_back(action);
                break;
            }
        }
    }
}

QAction* MainMenus::action(const char* name) const {
    for (QAction* a : actions_)
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

QMenu* MainMenus::menu(const char* name) const {
    for (QMenu* m : menus_)
        if (m->objectName() == QLatin1String(name)) return m;
    return nullptr;
}

}  // namespace pelvaro::app
