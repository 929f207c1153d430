#pragma once
// The main window. It owns the session (the open PCG and the open database) from its creation
// to its destruction; creating it runs the start-up of both, destroying it removes the working
// files. Each handler reads its controls, makes one core call and shows the result; file errors
// of every handler reach the user through one guard.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

#include "db/listing.h"
#include "db/session.h"
#include "transfer/engine.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QListView;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;

namespace pelvaro::app {

class Dialogs;
class EntryListModel;
class LimitedMemo;
class TForm2;
class TForm3;
class TForm4;
class TForm5;

class TForm1 : public QMainWindow {
    Q_OBJECT

  public:
    // Runs FormCreate in startDirectory, then creates the other windows. Throws FileError when
    // the template file or the working files fail; nothing is then left behind.
    TForm1(Dialogs& dialogs, const QString& startDirectory, QWidget* parent = nullptr);
    ~TForm1() override;

    db::Session& session() { return session_; }
    TForm2* classEditor() const { return Form2; }
    TForm3* progressWindow() const { return Form3; }
    TForm4* classDialog() const { return Form4; }
    TForm5* aboutBox() const { return Form5; }

  public slots:
    // File menu
    void NewDatabaseClick();
    void OpenDatabaseClick();
    void SaveDatabaseAsClick();
    void Exit1Click();
    // Edit menu
    void Edit1Click();
    void SendItemClick();
    void SendDataClick();
    void Delete1Click();
    void EditDatabaseClasses1Click();
    // Pcg menu
    void NewPcg1Click();
    void ImportPcgClick();
    void ExportPcg1Click();
    void SendPCGtoDatabase2Click();
    void SendOnlyProgramsofPCG1Click();
    void SendOnlyCombinationsofPCG1Click();
    // Help menu
    void About1Click();
    // Database tabs
    void Button2Click();
    void DCListBoxClick();
    void CheckBox1Click(QCheckBox* sender);
    void Button4Click();
    void Button5Click();
    // Pcg tabs
    void RadioGroup1Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    using Page = db::ActivePage;

    void FormCreate(const QString& startDirectory);
    void FormDestroy();

    void buildWindow();
    void buildMenus();
    QWidget* buildProgramsPage();
    QWidget* buildCombinationsPage();
    QWidget* buildPcgPage(bool programs);

    // Runs a handler; a file error (or any other failure) is shown in a message box and the
    // program goes on.
    void guard(const std::function<void()>& handler);
    void refreshPcgLists();
    // Refills the database lists (the active one, or both when nothing filters), the class
    // choices of both search groups, clears the search fields and shows the selected entries.
    void refreshDatabaseLists(const db::ListFilter& filter = {});
    void showSelectedEntries();
    // The entries a command on a database tab works on: every selected row's, in list order,
    // when two or more rows are selected, otherwise the current row's (none without one).
    std::vector<std::int32_t> chosenEntries(bool programs) const;
    // Runs a whole-PCG send with the progress window stepping once per slot.
    void sendWithProgress(void (transfer::TransferEngine::*send)(db::EventLines&,
                                                                 const transfer::Progress&));
    void showEvents();
    Page activePage() const;
    int programBank() const;
    int combinationBank() const;

    Dialogs& dialogs_;
    db::Session session_;
    // Created after the start-up opened the record files, gone before they close.
    std::unique_ptr<transfer::TransferEngine> engine_;
    db::EventLines events_;  // what Aevents shows

    // The other windows, created once after the main window.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;

    QTabWidget* PageControl = nullptr;
    QListWidget* Aevents = nullptr;

    // Database Programs
    QListView* DPListBox = nullptr;
    EntryListModel* programRows = nullptr;
    QLineEdit* SearchEdit1 = nullptr;
    QComboBox* SearchCombo1 = nullptr;
    QLineEdit* MaskEdit1 = nullptr;
    QLineEdit* MaskFrom1 = nullptr;
    QLineEdit* MaskTo1 = nullptr;
    QPushButton* Button2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLineEdit* IDNumber1 = nullptr;
    QLineEdit* DrumId1 = nullptr;
    QLineEdit* Name1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    LimitedMemo* Memo1 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;

    // Database Combinations
    QListView* DCListBox = nullptr;
    EntryListModel* combinationRows = nullptr;
    QLineEdit* SearchEdit2 = nullptr;
    QComboBox* SearchCombo2 = nullptr;
    QLineEdit* MaskEdit2 = nullptr;
    QPushButton* Button1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QFrame* Panel2 = nullptr;
    QLineEdit* IDNumber2 = nullptr;
    QLineEdit* Name2 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QListWidget* TimbIDBox = nullptr;
    LimitedMemo* Memo2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button8 = nullptr;

    // Pcg tabs
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Items = nullptr;
    QListWidget* PPListBox = nullptr;
    QGroupBox* RadioGroup2 = nullptr;
    QButtonGroup* RadioGroup2Items = nullptr;
    QListWidget* PCListBox = nullptr;

    // Menus
    QMenu* Edit1 = nullptr;
    QAction* SendItem = nullptr;
    QAction* SendData = nullptr;
    QAction* Delete1 = nullptr;
};

// Creates the main window in startDirectory. A failed start-up (no template file, working files
// that cannot be made or that another copy holds) shows its message and gives null.
std::unique_ptr<TForm1> createMainWindow(Dialogs& dialogs, const QString& startDirectory);

}  // namespace pelvaro::app
