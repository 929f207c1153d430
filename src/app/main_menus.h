#pragma once
// The main window's menu bar, built from one table: each item's menu, object name, caption,
// shortcuts, tooltip and what it runs. The recent files' submenus fill themselves from the
// settings.

#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QObject>
#include <functional>
#include <vector>

#include "app/settings.h"

class QAction;
class QMenuBar;

namespace pelvaro::app {

// "Recent Pcg Files" or "Recent Databases": "&1 bank.pcg" for each of the last files (the whole
// path in its tooltip), a separator, and "Clear".
class RecentFilesMenu : public QMenu {
    Q_OBJECT

  public:
    RecentFilesMenu(Settings& settings, Settings::FileKind kind, const QString& caption,
                    QWidget* parent = nullptr);
    // Fills the menu again from the settings.
    void refill();

  signals:
    void chosen(const QString& path);

  private:
    Settings& settings_;
    Settings::FileKind kind_;
};

class MainMenus {
  public:
    enum class Item { Action, Separator, Submenu };
    struct Entry {
        Item item = Item::Action;
        const char* menu = nullptr;  // the object name of the menu it goes into
        const char* name = nullptr;  // its object name
        const char* caption = nullptr;
        QList<QKeySequence> keys{};
        const char* tip = nullptr;
        std::function<void()> run{};  // none: an item that is never enabled
        QMenu* submenu = nullptr;     // for Item::Submenu
    };
    struct Menu {
        const char* name;
        const char* caption;
    };

    MainMenus(QMenuBar* bar, const std::vector<Menu>& menus, const std::vector<Entry>& entries);

    QAction* action(const char* name) const;
    QMenu* menu(const char* name) const;

  private:
    std::vector<QMenu*> menus_;
    std::vector<QAction*> actions_;
};

}  // namespace pelvaro::app
