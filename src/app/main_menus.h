#pragma once
// The main window's menu bar, built from one table: each item's menu, object name, caption,
// shortcuts, tooltip and what it runs. The recent files' submenus fill themselves from the
// settings.

#include <QKeySequence>
#include <QList>
#include <QMenu>
#include <QObject>
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

class MainWindow;

// The menu bar of the main window, built from one table of its commands. Its shortcuts win over
// the keys a control of the window takes for itself (a text field's Ctrl+E, "end of line"): an
// enabled menu item's shortcut always runs the item.
class MainMenus {
  public:
    // canRecover: there is a folder of recovery copies, so "Recover Database..." can list them.
    MainMenus(MainWindow& window, QMenuBar* bar, RecentFilesMenu* recentDatabases,
              RecentFilesMenu* recentPcgFiles, bool canRecover);

    QAction* action(const char* name) const;
    QMenu* menu(const char* name) const;
    // The commands on the marks of the chosen entries, in the order of their menu. Their keys
    // (F, 0 to 5, H) are those of the database lists that take them (Qt::WidgetShortcut): a
    // search field takes those keys as text.
    const QList<QAction*>& markActions() const { return markActions_; }

  private:
    class KeysFirst;
    void buildMarkMenu(MainWindow& window);

    std::vector<QMenu*> menus_;
    std::vector<QAction*> actions_;
    QList<QAction*> markActions_;
};

}  // namespace pelvaro::app
