#include "app/main_menus.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>

#include "app/control_names.h"
#include "app/main_window.h"

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

namespace {

enum class Item { Action, Separator, Submenu };
using Handler = void (MainWindow::*)();

// One line of the menu bar: where it goes, its object name, caption, shortcuts, tooltip and the
// command it runs (none: an item that is never enabled). Submenus are the recent files'.
struct Entry {
    Item item;
    const char* menu;
    const char* name;
    const char* caption = nullptr;
    QList<QKeySequence> keys{};
    const char* tip = nullptr;
    Handler run = nullptr;
};

QKeySequence ctrl(Qt::Key key) {
    return QKeySequence(Qt::CTRL | key);
}

const char* const kNoHelp = "No help file is installed";

// clang-format off
const Entry kTable[] = {
    {Item::Action, names::kFileMenu, names::kNewDatabase, "&New Database", {},
     "Start an empty database (a changed one is kept as a recovery copy)", &MainWindow::newDatabase},
    {Item::Action, names::kFileMenu, names::kOpenDatabase, "&Open Database", {ctrl(Qt::Key_O)},
     "Open a database file (.pvd) in place of the one in use", &MainWindow::openDatabase},
    {Item::Submenu, names::kFileMenu, names::kRecentDatabases},
    {Item::Action, names::kFileMenu, names::kMergeDatabase, "&Merge Database...", {},
     "Bring every entry of other databases into this one, with its explanation and classes",
     &MainWindow::mergeDatabase},
    {Item::Action, names::kFileMenu, names::kRecoverDatabase, "&Recover Database...", {},
     "List the databases kept when they would have been lost", &MainWindow::recoverDatabase},
    {Item::Action, names::kFileMenu, names::kExportDatabase, "&Export Database",
     {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
     "Write the database in use to a database file (.pvd)", &MainWindow::exportDatabase},
    {Item::Action, names::kFileMenu, names::kExportList, "Export &List...", {},
     "Write the list of this tab as CSV or as a page to print (.html)", &MainWindow::exportList},
    {Item::Action, names::kFileMenu, names::kGiveBackPcg, "&Give Back a PCG File...", {},
     "Write a PCG file sent to the database as it was sent", &MainWindow::giveBackPcgFile},
    {Item::Separator, names::kFileMenu, names::kFileSeparator},
    {Item::Action, names::kFileMenu, names::kExit, "E&xit", {},
     "Keep a changed database as a recovery copy and end PELVARO", &MainWindow::exitProgram},

    {Item::Action, names::kEditMenu, names::kUndo, "&Undo", {ctrl(Qt::Key_Z)},
     "Take back the last command that changed the database or the PCG", &MainWindow::undo},
    {Item::Action, names::kEditMenu, names::kRedo, "&Redo",
     {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ctrl(Qt::Key_Y)},
     "Do again the last command taken back", &MainWindow::redo},
    {Item::Separator, names::kEditMenu, names::kUndoSeparator},
    {Item::Action, names::kEditMenu, names::kSendToPcg, "Send To &PCG", {ctrl(Qt::Key_Insert)},
     "Place the chosen database entries in the PCG, with what they play", &MainWindow::sendToPcg},
    {Item::Action, names::kEditMenu, names::kSendToPcgAt, "Send To PCG &at...", {},
     "Place the chosen database entries in the PCG from a slot you name", &MainWindow::sendToPcgAt},
    {Item::Action, names::kEditMenu, names::kSendToDatabase, "Send To &Database",
     {QKeySequence(Qt::Key_Insert)},
     "Store the chosen PCG slot in the database, with what it plays", &MainWindow::sendToDatabase},
    {Item::Action, names::kEditMenu, names::kDelete, "&Delete", {ctrl(Qt::Key_Delete)},
     "Delete the chosen entries, or empty the chosen PCG slot", &MainWindow::deleteSelection},
    {Item::Action, names::kEditMenu, names::kEditDatabaseClasses, "Edit Database &Classes", {},
     "Add and delete the classes of the database", &MainWindow::editDatabaseClasses},
    {Item::Action, names::kEditMenu, names::kCompare, "C&ompare...", {},
     "Show two chosen entries, or two PCG slots, side by side", &MainWindow::compare},
    {Item::Action, names::kEditMenu, names::kFindSimilar, "Find &Similar...", {},
     "The entries nearest in sound to the current one", &MainWindow::findSimilar},
    {Item::Action, names::kEditMenu, names::kFindNearDuplicates, "Find Near Dupl&icates...", {},
     "Groups of entries that differ in a few bytes, to merge", &MainWindow::findNearDuplicates},
    {Item::Action, names::kEditMenu, names::kClassifyByRules, "Classify &by Rules...", {},
     "Give classes to the entries that rules of name, sound or kit pick out",
     &MainWindow::classifyByRules},
    {Item::Action, names::kEditMenu, names::kReplaceInNames, "Replace in &Names...", {},
     "Replace text in the names of the chosen entries, or number them", &MainWindow::replaceInNames},

    {Item::Action, names::kPcgMenu, names::kNewPcg, "&New Pcg", {ctrl(Qt::Key_N)},
     "Start an empty PCG from the template", &MainWindow::newPcg},
    {Item::Action, names::kPcgMenu, names::kImportPcg, "&Import Pcg", {ctrl(Qt::Key_I)},
     "Read a PCG file in place of the PCG in use", &MainWindow::importPcg},
    {Item::Submenu, names::kPcgMenu, names::kRecentPcgFiles},
    {Item::Action, names::kPcgMenu, names::kExportPcg, "&Export Pcg", {ctrl(Qt::Key_E)},
     "Write the PCG in use to a PCG file for the instrument", &MainWindow::exportPcg},
    {Item::Action, names::kPcgMenu, names::kArrangePcg, "&Arrange Pcg...", {ctrl(Qt::Key_R)},
     "Move, swap, sort and place the sounds of the PCG, every reference following",
     &MainWindow::arrangePcg},
    {Item::Action, names::kPcgMenu, names::kSendPcgToDatabase, "Send PCG to &Database",
     {ctrl(Qt::Key_S)},
     "Store every program, combination and drum kit of the PCG", &MainWindow::sendPcgToDatabase},
    {Item::Action, names::kPcgMenu, names::kSendPcgFiles, "Send PCG &Files to Database...", {},
     "Store everything in many PCG files and folders of them at once",
     &MainWindow::sendPcgFilesToDatabase},
    {Item::Action, names::kPcgMenu, names::kSendOnlyPrograms, "Send Only &Programs of PCG", {},
     "Store the programs of the PCG and their drum kits", &MainWindow::sendOnlyProgramsOfPcg},
    {Item::Action, names::kPcgMenu, names::kSendOnlyCombinations,
     "Send Only &Combinations of PCG", {},
     "Store the combinations of the PCG and what they play", &MainWindow::sendOnlyCombinationsOfPcg},

    {Item::Action, names::kHelpMenu, names::kContents, "&Contents", {}, kNoHelp},
    {Item::Action, names::kHelpMenu, names::kSearchForHelp, "&Search for Help On...", {}, kNoHelp},
    {Item::Action, names::kHelpMenu, names::kHowToUseHelp, "&How to Use Help", {}, kNoHelp},
    {Item::Action, names::kHelpMenu, names::kAbout, "&About...", {}, "The version of PELVARO",
     &MainWindow::showAbout},
};
// clang-format on

}  // namespace

// Before a key press reaches the control that has the focus, Qt asks that control whether it
// takes the key itself (a ShortcutOverride event); a text field says yes to its editing keys,
// and the menu item of the same key does nothing. This filter answers first, for every control
// of the menus' window: the key of an enabled menu item is the item's.
class MainMenus::KeysFirst : public QObject {
  public:
    KeysFirst(QWidget* window, const std::vector<QAction*>& actions)
        : QObject(window), window_(window), actions_(actions) {
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return false;
        const auto* control = qobject_cast<QWidget*>(watched);
        if (!control || control->window() != window_) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(
            QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())));
        for (const QAction* action : actions_)
            if (action->isEnabled() && action->shortcuts().contains(pressed)) {
                event->ignore();  // not the control's: the shortcut runs
                return true;
            }
        return false;
    }

  private:
    QWidget* window_;
    std::vector<QAction*> actions_;
};

MainMenus::MainMenus(MainWindow& window, QMenuBar* bar, RecentFilesMenu* recentDatabases,
                     RecentFilesMenu* recentPcgFiles, bool canRecover) {
    for (const auto& [name, caption] :
         {std::pair{names::kFileMenu, "&File"}, std::pair{names::kEditMenu, "&Edit"},
          std::pair{names::kPcgMenu, "&Pcg"}, std::pair{names::kHelpMenu, "&Help"}}) {
        QMenu* m = bar->addMenu(QLatin1String(caption));
        m->setObjectName(QLatin1String(name));
        m->setToolTipsVisible(true);
        menus_.push_back(m);
    }
    for (const Entry& e : kTable) {
        QMenu* into = menu(e.menu);
        if (e.item == Item::Separator) {
            into->addSeparator()->setObjectName(QLatin1String(e.name));
            continue;
        }
        if (e.item == Item::Submenu) {
            into->addMenu(e.name == names::kRecentDatabases ? recentDatabases : recentPcgFiles);
            continue;
        }
        QAction* action = into->addAction(QLatin1String(e.caption));
        action->setObjectName(QLatin1String(e.name));
        action->setShortcuts(e.keys);
        action->setToolTip(QLatin1String(e.tip));
        const bool enabled = e.run && (e.name != names::kRecoverDatabase || canRecover);
        if (enabled)
            QObject::connect(action, &QAction::triggered, &window, e.run);
        else
            action->setEnabled(false);
        actions_.push_back(action);
    }
    buildMarkMenu(window);
    new KeysFirst(&window, actions_);
}

void MainMenus::buildMarkMenu(MainWindow& window) {
    using What = db::MarkChange::What;
    struct Mark {
        QString name;
        QString caption;
        Qt::Key key;
        QString tip;
        db::MarkChange change;
    };
    std::vector<Mark> marks{{QLatin1String(names::kToggleFavourite),
                             QStringLiteral("&Favourite"),
                             Qt::Key_F,
                             QStringLiteral("Make the chosen entries favourites, or no longer"),
                             {What::ToggleFavourite}}};
    for (int rating = 1; rating <= 5; ++rating)
        marks.push_back({QLatin1String(names::kRate) + QString::number(rating),
                         QStringLiteral("Rate &%1").arg(rating),
                         static_cast<Qt::Key>(Qt::Key_0 + rating),
                         QStringLiteral("Give the chosen entries the rating %1").arg(rating),
                         {What::Rating, rating}});
    marks.push_back({QLatin1String(names::kRate) + QStringLiteral("0"),
                     QStringLiteral("&No Rating"),
                     Qt::Key_0,
                     QStringLiteral("Take the rating off the chosen entries"),
                     {What::Rating, 0}});
    marks.push_back({QLatin1String(names::kToggleHidden),
                     QStringLiteral("&Hide or Show"),
                     Qt::Key_H,
                     QStringLiteral("Hide the chosen entries from the lists, or show them again"),
                     {What::ToggleHidden}});

    QMenu* edit = menu(names::kEditMenu);
    edit->addSeparator();
    QMenu* sub = edit->addMenu(QStringLiteral("Mar&k"));
    sub->setObjectName(QLatin1String(names::kMarkMenu));
    sub->setToolTipsVisible(true);
    sub->menuAction()->setToolTip(
        QStringLiteral("Favourites, ratings and hidden entries: the keys work in the lists"));
    for (const Mark& m : marks) {
        QAction* action = sub->addAction(m.caption);
        action->setObjectName(m.name);
        action->setShortcut(QKeySequence(m.key));
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setToolTip(m.tip);
        const db::MarkChange change = m.change;
        QObject::connect(action, &QAction::triggered, &window,
                         [&window, change] { window.mark(change); });
        markActions_.push_back(action);
    }
}

QAction* MainMenus::action(const char* name) const {
    for (QAction* a : actions_)
        if (a->objectName() == QLatin1String(name)) return a;
    for (QAction* a : markActions_)
        if (a->objectName() == QLatin1String(name)) return a;
    return nullptr;
}

QMenu* MainMenus::menu(const char* name) const {
    for (QMenu* m : menus_)
        if (m->objectName() == QLatin1String(name)) return m;
    return nullptr;
}

}  // namespace pelvaro::app
