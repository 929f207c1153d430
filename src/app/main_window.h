#pragma once
// The main window. It owns the session (the open PCG and the open database) from its creation
// to its destruction; creating it runs the start-up of both, destroying it removes the working
// files. Each handler reads its controls, makes one core call and shows the result; file errors
// of every handler reach the user through one guard.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "app/places.h"
#include "app/settings.h"
#include "db/event_lines.h"
#include "db/listing.h"
#include "session/session.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QTableView;
class QListWidget;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QWidget;

namespace pelvaro::app {

class AboutBox;
class BusyWindow;
class ClassAssignmentDialog;
class ClassEditor;
class Dialogs;
class ElidedLabel;
class EntryListModel;
class LimitedMemo;
class ProgressWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    // Runs the start-up in startDirectory, then creates the other windows. Throws io::FileError
    // when the template file or the working files fail; nothing is then left behind.
    MainWindow(Dialogs& dialogs, const QString& startDirectory, const Places& places = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    session::Session& session() { return *session_; }
    ClassEditor* classEditor() const { return classEditor_; }
    ProgressWindow* progressWindow() const { return progressWindow_; }
    ClassAssignmentDialog* classAssignmentDialog() const { return classDialog_; }
    AboutBox* aboutBox() const { return aboutBox_; }
    Settings& settings() { return *settings_; }

    // Files given to the program (its command line, a drop): a database file is opened, one PCG
    // file imported; PCG files and folders dropped on a database tab are sent to the database.
    // Anything else is refused with a message that says why.
    void takeFiles(const QStringList& paths);
    // The files named on the command line: a database file is opened, a PCG file imported.
    void openGivenFiles(const QStringList& paths);
    // "Send PCG Files to Database" of these files and folders.
    void sendFiles(const QStringList& paths);

  public slots:
    // File menu
    void newDatabase();
    void openDatabase();
    void recoverDatabase();
    void exportDatabase();
    // The list of the tab in front as CSV or as a printable HTML page, by the name's extension.
    void exportList();
    void exitProgram();
    // Edit menu
    void undo();
    void redo();
    void updateEditMenu();
    void sendToPcg();
    void sendToDatabase();
    void deleteSelection();
    // The two chosen entries, or the current PCG slot and another, side by side.
    void compare();
    void editDatabaseClasses();
    // Pcg menu
    void newPcg();
    void importPcg();
    void exportPcg();
    void sendPcgToDatabase();
    void sendPcgFilesToDatabase();
    void sendOnlyProgramsOfPcg();
    void sendOnlyCombinationsOfPcg();
    void openRecentFile(Settings::FileKind kind, const QString& path);
    void clearRecentFiles(Settings::FileKind kind);
    // Help menu
    void showAbout();
    // The event list's context menu
    void copyEvents();
    void selectAllEvents();
    // Database tabs
    void search();
    void showFocusedEntry();
    void editEnabledClicked(QCheckBox* box);
    void submitClicked();
    void editClassesClicked();
    // Pcg tabs
    void bankChanged();
    // The combination slots that play the current program slot, to go to one of them.
    void showUsedBy();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // What the tab in front shows.
    enum class Tab { DatabasePrograms, DatabaseCombinations, PcgPrograms, PcgCombinations };

    void buildWindow();
    void buildMenus();
    void buildStatusBar();
    // Tab and Shift+Tab visit the controls of each tab in reading order.
    void setTabOrders();
    // What each control and menu item does, shown when the mouse rests on it.
    void setToolTips();
    // The sizes and places of the windows, from the settings and back.
    void restoreWindowPlaces();
    void saveWindowPlaces();
    QWidget* buildProgramsPage();
    QWidget* buildCombinationsPage();
    QWidget* buildPcgPage(bool programs);

    // Runs a handler; a file error (or any other failure) is shown in a message box and the
    // program goes on.
    void guard(const std::function<void()>& handler);
    void refreshPcgLists();
    // Refills the database lists (the searched one, or both when nothing filters), the class
    // choices of both search groups, clears the search fields and shows the focused entries.
    void refreshDatabaseLists(const db::ListFilter& filter = {},
                              db::Kind searched = db::Kind::Program);
    // Fills both detail panels from the focused rows.
    void showEntryDetails();
    // Below the panels: the combinations that play the focused program and the programs that
    // share its drum kit; the programs the focused combination plays.
    void showWhereUsed();
    // The entries a command on a database tab works on: every selected row's, in list order,
    // when two or more rows are selected, otherwise the current row's (none without one).
    std::vector<std::int32_t> chosenEntries(bool programs) const;
    // The entry of a list's focused row, if it has one.
    std::optional<std::int32_t> focusedEntry(bool programs) const;
    // The PCG slot of the current line of a PCG list, or -1.
    int chosenSlot(bool programs) const;
    // Runs a whole-PCG send with the progress window stepping once per slot; programs and
    // combinations say which slots it sends, for the account of what was new.
    void sendWithProgress(const char* name,
                          void (transfer::TransferEngine::*send)(db::EventLines&,
                                                                 const transfer::Progress&),
                          bool programs, bool combinations);
    // Opens a database file, as Open Database does once the file is chosen.
    void openDatabaseFile(const QString& path);
    // Imports a PCG file, as Import Pcg does once the file is chosen.
    void importPcgFile(const QString& path);
    // The captions and states of Undo and Redo, after every command.
    void updateUndoActions();
    // The status bar's account of the open PCG and database, after every command.
    void updateStatus();
    // The status bar's line on what the last command did.
    void showResult(const QString& text);
    // A file used: remembered as the kind's last folder and at the top of its recent files.
    void rememberFile(Settings::FileKind kind, const QString& path);
    void fillRecentMenu(Settings::FileKind kind);
    // The folder a dialog for this kind of file starts in.
    QString folderFor(Settings::FileKind kind) const;
    // The search fields of a tab, in which Enter runs its Search.
    bool isSearchField(const QObject* object) const;
    void showEvents();
    Tab tabInFront() const;
    int programBank() const;
    int combinationBank() const;

    Dialogs& dialogs_;
    Places places_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<session::Session> session_;
    db::EventLines eventLines_;  // what the event list shows

    // The other windows, created once after the main window.
    ClassEditor* classEditor_ = nullptr;
    ProgressWindow* progressWindow_ = nullptr;
    ClassAssignmentDialog* classDialog_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    BusyWindow* busy_ = nullptr;

    QTabWidget* pages_ = nullptr;
    QWidget* programsPage_ = nullptr;
    QWidget* combinationsPage_ = nullptr;
    QWidget* pcgProgramsPage_ = nullptr;
    QWidget* pcgCombinationsPage_ = nullptr;
    QListWidget* eventList_ = nullptr;
    QSplitter* splitter_ = nullptr;
    // The event list keeps its height when the window changes size; the splitter changes it.
    int eventListHeight_ = 50;
    void placeEventList();

    // Status bar
    ElidedLabel* pcgStatus_ = nullptr;
    ElidedLabel* databaseStatus_ = nullptr;
    ElidedLabel* resultStatus_ = nullptr;
    QMenu* recentPcgMenu_ = nullptr;
    QMenu* recentDatabaseMenu_ = nullptr;

    // Database Programs
    QTableView* programList_ = nullptr;
    EntryListModel* programRows_ = nullptr;
    QLineEdit* programNameSearch_ = nullptr;
    QComboBox* programClassSearch_ = nullptr;
    QLineEdit* drumIdSearch_ = nullptr;
    QLineEdit* soundFromSearch_ = nullptr;
    QLineEdit* soundToSearch_ = nullptr;
    QPushButton* programSearchButton_ = nullptr;
    QCheckBox* programEditEnabled_ = nullptr;
    QFrame* programPanel_ = nullptr;
    QLineEdit* programId_ = nullptr;
    QLineEdit* programDrumId_ = nullptr;
    QLineEdit* programName_ = nullptr;
    QListWidget* programClasses_ = nullptr;
    LimitedMemo* programExplanation_ = nullptr;
    QPushButton* programSubmit_ = nullptr;
    QPushButton* programEditClasses_ = nullptr;
    QPushButton* editProgram_ = nullptr;

    // Database Combinations
    QTableView* combinationList_ = nullptr;
    EntryListModel* combinationRows_ = nullptr;
    QLineEdit* combinationNameSearch_ = nullptr;
    QComboBox* combinationClassSearch_ = nullptr;
    QLineEdit* programIdSearch_ = nullptr;
    QPushButton* combinationSearchButton_ = nullptr;
    QCheckBox* combinationEditEnabled_ = nullptr;
    QFrame* combinationPanel_ = nullptr;
    QLineEdit* combinationId_ = nullptr;
    QLineEdit* combinationName_ = nullptr;
    QListWidget* combinationClasses_ = nullptr;
    QListWidget* timbreIds_ = nullptr;
    LimitedMemo* combinationExplanation_ = nullptr;
    QPushButton* combinationSubmit_ = nullptr;
    QPushButton* combinationEditClasses_ = nullptr;
    QPushButton* editCombination_ = nullptr;

    // Pcg tabs
    QButtonGroup* programBankButtons_ = nullptr;
    QListWidget* pcgProgramList_ = nullptr;
    QButtonGroup* combinationBankButtons_ = nullptr;
    QListWidget* pcgCombinationList_ = nullptr;

    // Edit menu
    QMenu* editMenu_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QAction* sendToPcgAction_ = nullptr;
    QAction* sendToDatabaseAction_ = nullptr;
    QAction* deleteAction_ = nullptr;
    QAction* compareAction_ = nullptr;

    // Where-used lines below the detail panels
    ElidedLabel* programUsedBy_ = nullptr;
    ElidedLabel* combinationPlays_ = nullptr;
};

// Creates the main window in startDirectory. A failed start-up (no template file, working files
// that cannot be made or that another copy holds) shows its message and gives null.
std::unique_ptr<MainWindow> createMainWindow(Dialogs& dialogs, const QString& startDirectory,
                                             const Places& places = {});

}  // namespace pelvaro::app
