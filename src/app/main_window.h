#pragma once
// The main window. It owns the session (the open PCG and the open database) from its creation
// to its destruction; creating it runs the start-up of both, destroying it removes the working
// files. It is made of parts, each a class of its own: a database page for the programs and one
// for the combinations, a PCG page for each kind, the event list, the status bar and the menus.
// The window routes each command to the session function that does it and shows the outcome;
// file errors of every command reach the user through one guard.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/places.h"
#include "app/settings.h"
#include "db/listing.h"
#include "db/origins.h"
#include "session/commands.h"
#include "session/session.h"

class QSplitter;
class QTabWidget;

namespace pelvaro::app {

class AboutBox;
class ArrangeWindow;
class BusyWindow;
class ClassAssignmentDialog;
class ClassEditor;
class CompareWindow;
class DatabasePage;
class DatabaseWatch;
class Dialogs;
class EventList;
class MainMenus;
class PcgPage;
class ProgressWindow;
class RecentFilesMenu;
class StatusPanel;
class WorkKeeper;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Runs the start-up in startDirectory, then creates the other windows. Throws io::FileError
    // when the template file or the working files fail; nothing is then left behind.
    MainWindow(Dialogs& dialogs, const QString& startDirectory, const Places& places = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    session::Session& session() { return *session_; }
    // Tells the windows that show the database of every change to it.
    const DatabaseWatch& databaseWatch() const { return *watch_; }
    ClassEditor* classEditor() const { return classEditor_; }
    ProgressWindow* progressWindow() const { return progressWindow_; }
    ClassAssignmentDialog* classAssignmentDialog() const { return classDialog_; }
    AboutBox* aboutBox() const { return aboutBox_; }
    ArrangeWindow* arrangeWindow() const { return arrange_; }
    BusyWindow* busyWindow() const { return busy_; }
    Settings& settings() { return *settings_; }

    // Files given to the program (a drop): a database file is opened, one PCG file imported;
    // PCG files and folders dropped on a database tab are sent to the database. Anything else is
    // refused with a message that says why. merge (Shift held over a database tab): the
    // database files are merged into the open database instead of opened.
    void takeFiles(const QStringList& paths, bool merge = false);
    // The files named on the command line: a database file is opened, a PCG file imported.
    void openGivenFiles(const QStringList& paths);
    // Files given that are no database, PCG file or folder: a message names them.
    void refuseFiles(const QStringList& paths);
    // "Send PCG Files to Database" of these files and folders.
    void sendFiles(const QStringList& paths);
    // "Merge Database" of these database files, with its report.
    void mergeDatabaseFiles(const QStringList& paths);
    // Whether files handed over by another start may be taken, asking first when they would
    // replace work (see WorkKeeper::mayReplaceWork).
    bool mayReplaceWork(const QStringList& opened);

  signals:
    // The window begins to close, after any question that could stop it: it takes no more files.
    void closing();

  public slots:
    // File menu
    void newDatabase();
    void openDatabase();
    void mergeDatabase();
    void recoverDatabase();
    void exportDatabase();
    // The list of the tab in front as CSV or as a printable HTML page, by the name's extension.
    void exportList();
    // A PCG file sent to the database, chosen from those it keeps, written as it was sent.
    void giveBackPcgFile();
    void exitProgram();
    // Edit menu
    void undo();
    void redo();
    // Which of the Edit menu's commands apply to what is chosen on the tab in front.
    void updateEditMenu();
    void sendToPcg();
    // The chosen entries placed in the PCG from a slot the user names, pushing what stands there.
    void sendToPcgAt();
    void sendToDatabase();
    void deleteSelection();
    // The two chosen entries, or the current PCG slot and another, side by side.
    void compare();
    void editDatabaseClasses();
    // The entries nearest in sound to the current one; groups of near-duplicates to merge.
    void findSimilar();
    void findNearDuplicates();
    // Classes given to the entries that rules pick out; the chosen entries' names replaced.
    void classifyByRules();
    void replaceInNames();
    // A change of the marks of the chosen entries of the tab in front (its keys in the list).
    void mark(const db::MarkChange& change);
    // Pcg menu
    void newPcg();
    // The window in which the PCG is arranged for the stage.
    void arrangePcg();
    void importPcg();
    void exportPcg();
    void sendPcgToDatabase();
    void sendPcgFilesToDatabase();
    void sendOnlyProgramsOfPcg();
    void sendOnlyCombinationsOfPcg();
    // Help menu
    void showAbout();
    // A database tab's Search, Submit and Edit Classes, on that tab.
    void search(const DatabasePage& page);
    void submitClicked(const DatabasePage& page);
    void editClassesClicked(const DatabasePage& page);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildWindow();
    void buildMenus();
    // Tab and Shift+Tab visit the controls of each tab in reading order.
    void setTabOrders();
    // The sizes and places of the windows, from the settings and back.
    void restoreWindowPlaces();
    void saveWindowPlaces();
    // The event list keeps its height when the window changes size; the splitter changes it.
    void placeEventList();

    // Runs a handler; a file error (or any other failure) is shown in a message box and the
    // program goes on. The Edit menu, Undo and Redo and the status bar then show the state.
    void guard(const std::function<void()>& handler);
    // Shows what a command did: its status line, its event list, its refusal, then the failure
    // that stopped it.
    void present(const session::Outcome& outcome);
    // A failing file's message, after what was done: a message box and the status line.
    void showFailure(const std::string& failure);
    // Before the panels are filled again or the database is replaced: a name or explanation
    // edited and not submitted is stored or dropped as the user answers. False when the user
    // chose Cancel: the command does not go on.
    bool editsSettled();
    void refreshPcgLists();
    // Refills the database lists (the searched one, or both when nothing filters), each showing
    // what its choice of marks and order takes of the rows (`searchedShown`: what the searched
    // page shows, worked out already), the class choices of both search groups, clears the
    // search fields and shows the focused entries.
    void refreshDatabaseLists(const db::ListRefill& refill, const DatabasePage* searched = nullptr,
                              std::vector<std::int32_t> searchedShown = {});
    void refreshDatabaseLists();
    // The rows of the page's last refill again, under its changed choice of marks and order.
    void showChosenRows(DatabasePage& page);
    // Both detail panels and where-used lines, from the focused rows.
    void showEntryDetails();
    // The page in front, when it is a database page or a PCG page: what the Edit menu's
    // commands act on. A page's own controls carry their page.
    DatabasePage* databasePageInFront() const;
    PcgPage* pcgPageInFront() const;
    // Runs a whole-PCG send with the progress window stepping once per slot.
    void sendWithProgress(session::PcgPart part);
    void openDatabaseFile(const QString& path);
    void importPcgFile(const QString& path);
    void openRecentFile(Settings::FileKind kind, const QString& path);
    // The captions and states of Undo and Redo, after every command.
    void updateUndoActions();
    // The status bar's account of the open PCG and database, after every command.
    void updateStatus();
    void showResult(const QString& text);
    // After a window of its own changed the database: the lists, the line on it, the state.
    void databaseChangedBy(const QString& summary);
    // Replace in Names on these entries of kind, numbering them after base when one is given.
    void replaceNamesOf(db::Kind kind, const std::vector<std::int32_t>& ids,
                        const std::optional<QString>& numberingBase = std::nullopt);
    // These entries chosen in the database list of their kind, the page brought to the front; the
    // list shows every entry first when the search left any of them out.
    void showEntriesInList(db::Kind kind, const std::vector<std::int32_t>& ids);
    // The Compare window on two entries of a kind, or as made; its verdict on the status line.
    void compareEntries(db::Kind kind, std::int32_t left, std::int32_t right);
    void showCompare(CompareWindow* window);
    // A file used: remembered as the kind's last folder and at the top of its recent files.
    void rememberFile(Settings::FileKind kind, const QString& path);

    Dialogs& dialogs_;
    Places places_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<session::Session> session_;
    // Goes before the session, whose record files it watches.
    std::unique_ptr<DatabaseWatch> watch_;

    // The other windows, created once after the main window.
    ClassEditor* classEditor_ = nullptr;
    ProgressWindow* progressWindow_ = nullptr;
    ClassAssignmentDialog* classDialog_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    BusyWindow* busy_ = nullptr;
    ArrangeWindow* arrange_ = nullptr;
    WorkKeeper* keeper_ = nullptr;

    // The parts.
    QTabWidget* pages_ = nullptr;
    DatabasePage* programs_ = nullptr;
    DatabasePage* combinations_ = nullptr;
    PcgPage* pcgPrograms_ = nullptr;
    PcgPage* pcgCombinations_ = nullptr;
    EventList* events_ = nullptr;
    QSplitter* splitter_ = nullptr;
    int eventListHeight_ = 50;
    StatusPanel* status_ = nullptr;
    std::unique_ptr<MainMenus> menus_;
    RecentFilesMenu* recentPcgFiles_ = nullptr;
    RecentFilesMenu* recentDatabases_ = nullptr;
};

// Creates the main window in startDirectory. A failed start-up (no template file, working files
// that cannot be made or that another copy holds) shows its message and gives null.
std::unique_ptr<MainWindow> createMainWindow(Dialogs& dialogs, const QString& startDirectory,
                                             const Places& places = {});

}  // namespace pelvaro::app
