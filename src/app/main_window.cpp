#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/class_dialog.h"
#include "app/class_editor.h"
#include "app/dialogs.h"
#include "app/entry_list_model.h"
#include "app/limited_memo.h"
#include "app/progress_window.h"
#include "classes/entry_deletion.h"
#include "db/database_file.h"
#include "db/details.h"
#include "pcg/file_stream.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::app {

namespace {
const QString kPcgFilter = QStringLiteral("Pcg Files (*.pcg)|*.pcg");

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
std::string bytesOf(const QString& text) {
    return text.toLatin1().toStdString();
}
QString textOf(const std::string& bytes) {
    return QString::fromLatin1(bytes);
}

// The focused row of a list, or -1.
int currentRow(const QListView* list) {
    return list->currentIndex().isValid() ? list->currentIndex().row() : -1;
}

// The rows selected in a list, first to last.
std::vector<int> selectedRows(const QListView* list) {
    std::vector<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void showDetail(QListWidget* list, const auto& lines) {
    list->clear();
    for (const std::string& line : lines)
        list->addItem(textOf(line));
}
}  // namespace

TForm1::TForm1(Dialogs& dialogs, const QString& startDirectory, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(kApplicationTitle);
    setWindowIcon(applicationIcon());
    resize(600, 640);
    buildWindow();
    FormCreate(startDirectory);

    // The other windows, in their order, each once for the whole run. Closing either class
    // window refreshes the lists, so a changed class table shows everywhere.
    const auto refresh = [this] { guard([this] { refreshDatabaseLists(); }); };
    Form2 = new TForm2(session_.db, dialogs_, refresh, this);
    Form3 = new TForm3(this);
    Form4 = new TForm4(session_.db, dialogs_, refresh, this);
    Form5 = new TForm5(this);

    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(CheckBox1); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox1Click(CheckBox2); });
    // The panels follow the focused row, whether a click or a key moved it.
    for (QListView* list : {DPListBox, DCListBox})
        connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &TForm1::DCListBoxClick);
    qApp->installEventFilter(this);
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TForm1::FormCreate(const QString& startDirectory) {
    session_.startUp(localPath(startDirectory));
    engine_ = std::make_unique<transfer::TransferEngine>(session_.pcg, session_.db);
    refreshPcgLists();
    refreshDatabaseLists();
}

void TForm1::FormDestroy() {
    engine_.reset();
    session_.shutDown();
}

void TForm1::guard(const std::function<void()>& handler) {
    guarded(this, dialogs_, handler);
}

TForm1::Page TForm1::activePage() const {
    return static_cast<Page>(PageControl->currentIndex());
}
int TForm1::programBank() const {
    return RadioGroup1Items->checkedId() == 0 ? 0 : 1;
}
int TForm1::combinationBank() const {
    return RadioGroup2Items->checkedId() == 0 ? 0 : 1;
}

void TForm1::refreshPcgLists() {
    const pcg::PcgListLines lines =
        pcg::refreshPcgLists(session_.pcg, programBank(), combinationBank());
    // The lines are replaced in place, so the current line stays where the user left it.
    for (int i = 0; i < pcg::kBankSize; ++i) {
        PPListBox->item(i)->setText(textOf(lines.programs[i]));
        PCListBox->item(i)->setText(textOf(lines.combinations[i]));
    }
}

void TForm1::refreshDatabaseLists(const db::ListFilter& filter) {
    db::ListRefill refill = db::refreshDatabaseLists(session_.db, filter, activePage());
    const auto fill = [this](QListView* list, EntryListModel* rows, db::Kind kind,
                             std::vector<std::int32_t> ids) {
        rows->setRows(std::move(ids), [this, kind](int row, std::int32_t id) {
            const std::string name =
                kind == db::Kind::Program
                    ? db::entryName(session_.db.read<db::DbProgramEntry>(id))
                    : db::entryName(session_.db.read<db::DbCombinationEntry>(id));
            return textOf(db::rowLabel(row + 1, name));
        });
        // Right after a refill the first row is the selected one.
        if (rows->rowCount() > 0)
            list->selectionModel()->setCurrentIndex(rows->index(0),
                                                    QItemSelectionModel::ClearAndSelect);
    };
    if (refill.programsRefilled)
        fill(DPListBox, programRows, db::Kind::Program, std::move(refill.programRowIds));
    if (refill.combinationsRefilled)
        fill(DCListBox, combinationRows, db::Kind::Combination,
             std::move(refill.combinationRowIds));

    for (QComboBox* combo : {SearchCombo1, SearchCombo2}) {
        combo->clear();
        for (const std::string& choice : refill.classChoices)
            combo->addItem(textOf(choice));
        combo->setCurrentIndex(0);
    }
    for (QLineEdit* field : {SearchEdit1, SearchEdit2, MaskEdit1, MaskEdit2, MaskFrom1, MaskTo1})
        field->clear();
    showSelectedEntries();
}

void TForm1::showSelectedEntries() {
    const auto row = [](const QListView* list) {
        const int r = currentRow(list);
        return r < 0 ? SIZE_MAX : static_cast<std::size_t>(r);
    };
    const db::DetailPanels panels =
        db::showSelectedEntries(session_.db, programRows->rowIds(), row(DPListBox),
                                combinationRows->rowIds(), row(DCListBox));
    for (QLineEdit* field : {IDNumber1, IDNumber2, DrumId1, Name1, Name2})
        field->clear();
    for (LimitedMemo* memo : {Memo1, Memo2})
        memo->clear();
    for (QListWidget* list : {ListBox1, ListBox2, TimbIDBox})
        list->clear();
    if (panels.program) {
        IDNumber1->setText(textOf(panels.program->idNumber));
        DrumId1->setText(textOf(panels.program->drumId));
        Name1->setText(textOf(panels.program->name));
        Memo1->setPlainText(textOf(panels.program->explanation));
        showDetail(ListBox1, panels.program->classes);
    }
    if (panels.combination) {
        IDNumber2->setText(textOf(panels.combination->idNumber));
        Name2->setText(textOf(panels.combination->name));
        Memo2->setPlainText(textOf(panels.combination->explanation));
        showDetail(ListBox2, panels.combination->classes);
        showDetail(TimbIDBox, panels.combination->timbreIds);
    }
}

std::vector<std::int32_t> TForm1::chosenEntries(bool programs) const {
    const QListView* list = programs ? DPListBox : DCListBox;
    const std::vector<std::int32_t>& ids = (programs ? programRows : combinationRows)->rowIds();
    std::vector<std::int32_t> chosen;
    if (ids.empty()) return chosen;
    const std::vector<int> selected = selectedRows(list);
    if (selected.size() >= 2) {
        for (int r : selected)
            chosen.push_back(ids[static_cast<std::size_t>(r)]);
    } else if (const int row = currentRow(list); row >= 0) {
        chosen.push_back(ids[static_cast<std::size_t>(row)]);
    }
    return chosen;
}

void TForm1::showEvents() {
    Aevents->clear();
    for (const std::string& line : events_)
        Aevents->addItem(textOf(line));
    if (!events_.empty()) Aevents->scrollToBottom();
}

// ---- File menu --------------------------------------------------------------------------------

void TForm1::NewDatabaseClick() {
    guard([&] {
        db::newDatabase(session_.db);
        refreshDatabaseLists();
    });
}

void TForm1::OpenDatabaseClick() {
    guard([&] {
        const auto path = dialogs_.openFile(this, textOf(std::string(db::kDatabaseFilter)));
        if (!path) return;
        db::openDatabase(session_.db, localPath(*path));
        refreshDatabaseLists();
    });
}

void TForm1::SaveDatabaseAsClick() {
    guard([&] {
        const auto path = dialogs_.saveFile(this, textOf(std::string(db::kDatabaseFilter)));
        if (!path) return;
        db::exportDatabase(session_.db, localPath(*path));
        refreshDatabaseLists();
    });
}

void TForm1::Exit1Click() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void TForm1::Edit1Click() {
    bool toPcg = false;
    bool toDatabase = false;
    bool remove = false;
    switch (activePage()) {
        case Page::DatabasePrograms:
        case Page::DatabaseCombinations: {
            const QListView* list = activePage() == Page::DatabasePrograms ? DPListBox : DCListBox;
            toPcg = remove = list->model()->rowCount() > 0 && currentRow(list) >= 0;
            break;
        }
        case Page::PcgPrograms:
        case Page::PcgCombinations: {
            const bool programs = activePage() == Page::PcgPrograms;
            const int line = (programs ? PPListBox : PCListBox)->currentRow();
            if (line >= 0) {
                const int slot = pcg::slotOf(programs ? programBank() : combinationBank(), line);
                const auto& used = programs ? session_.pcg.occupancy.programUsed
                                            : session_.pcg.occupancy.combinationUsed;
                toDatabase = remove = used[slot] == 1;
            }
            break;
        }
    }
    SendItem->setEnabled(toPcg);
    SendData->setEnabled(toDatabase);
    Delete1->setEnabled(remove);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Before a shortcut of the Edit menu acts, its rule runs, as when the menu opens: a shortcut
    // acts only if its item is enabled for what is selected now.
    const auto* target = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::ShortcutOverride && target && target->window() == this) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : {SendItem, SendData, Delete1}) {
            if (action->shortcut() == pressed) {
                Edit1Click();
                break;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::SendItemClick() {
    guard([&] {
        const bool programs = activePage() == Page::DatabasePrograms;
        // The kit scan and the clearing of the event list run even with nothing to send.
        engine_->sendEntriesToPcg(programs ? db::Kind::Program : db::Kind::Combination,
                                  chosenEntries(programs), events_);
        showEvents();
        refreshPcgLists();
    });
}

void TForm1::SendDataClick() {
    guard([&] {
        events_.clear();
        showEvents();
        const Page page = activePage();
        if (page != Page::PcgPrograms && page != Page::PcgCombinations) return;
        const bool programs = page == Page::PcgPrograms;
        const int line = (programs ? PPListBox : PCListBox)->currentRow();
        if (line < 0) return;
        const int slot = pcg::slotOf(programs ? programBank() : combinationBank(), line);
        engine_->sendSlotToDatabase(programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                                    slot, events_);
        showEvents();
        refreshDatabaseLists();
    });
}

void TForm1::Delete1Click() {
    guard([&] {
        events_.clear();
        showEvents();
        switch (activePage()) {
            case Page::DatabasePrograms:
            case Page::DatabaseCombinations: {
                const bool programs = activePage() == Page::DatabasePrograms;
                const std::vector<std::int32_t> ids = chosenEntries(programs);
                if (ids.empty()) return;
                if (programs)
                    classes::deleteProgramEntries(session_.db, ids, events_);
                else
                    classes::deleteCombinationEntries(session_.db, ids, events_);
                showEvents();
                refreshDatabaseLists();
                break;
            }
            case Page::PcgPrograms:
            case Page::PcgCombinations: {
                const bool programs = activePage() == Page::PcgPrograms;
                const int line = (programs ? PPListBox : PCListBox)->currentRow();
                if (line < 0) return;
                classes::deletePcgSlot(
                    session_.pcg, programs ? pcg::SlotKind::Program : pcg::SlotKind::Combination,
                    pcg::slotOf(programs ? programBank() : combinationBank(), line), events_);
                showEvents();
                refreshPcgLists();
                break;
            }
        }
    });
}

void TForm1::EditDatabaseClasses1Click() {
    guard([&] { Form2->refreshClassEditor(); });
    Form2->exec();
}

// ---- Pcg menu ---------------------------------------------------------------------------------

void TForm1::NewPcg1Click() {
    guard([&] {
        pcg::newPcg(session_.pcg, session_.db.startDirectory());
        refreshPcgLists();
    });
}

void TForm1::ImportPcgClick() {
    guard([&] {
        const auto path = dialogs_.openFile(this, kPcgFilter);
        if (!path) return;
        if (pcg::importPcg(session_.pcg, localPath(*path)) == pcg::ImportResult::NotCompatible) {
            dialogs_.showError(this, textOf(std::string(pcg::kNotCompatibleCaption)),
                               textOf(std::string(pcg::kNotCompatibleText)));
            return;
        }
        refreshPcgLists();
    });
}

void TForm1::ExportPcg1Click() {
    guard([&] {
        const auto path = dialogs_.saveFile(this, kPcgFilter);
        if (!path) return;
        pcg::writePcgFile(session_.pcg.image, pcg::pcgExportName(localPath(*path)));
    });
}

void TForm1::sendWithProgress(void (transfer::TransferEngine::*send)(db::EventLines&,
                                                                     const transfer::Progress&)) {
    Form3->resetBars();
    Form3->showWindow();
    Form3->drawCaption(QStringLiteral("Programs:"), QPoint(110, 12));
    Form3->drawCaption(QStringLiteral("Combinations:"), QPoint(102, 65));
    try {
        (engine_.get()->*send)(events_, [this](transfer::ProgressBar bar) {
            if (bar == transfer::ProgressBar::Programs)
                Form3->stepProgramBar();
            else
                Form3->stepCombinationBar();
        });
    } catch (...) {
        // What was sent before the failure stays sent and is shown; the message follows.
        Form3->hideWindow();
        showEvents();
        refreshDatabaseLists();
        throw;
    }
    Form3->hideWindow();
    showEvents();
    refreshDatabaseLists();
}

void TForm1::SendPCGtoDatabase2Click() {
    guard([&] { sendWithProgress(&transfer::TransferEngine::sendPcgToDatabase); });
}

void TForm1::SendOnlyProgramsofPCG1Click() {
    guard([&] { sendWithProgress(&transfer::TransferEngine::sendOnlyProgramsOfPcg); });
}

void TForm1::SendOnlyCombinationsofPCG1Click() {
    guard([&] { sendWithProgress(&transfer::TransferEngine::sendOnlyCombinationsOfPcg); });
}

// ---- Database tabs ----------------------------------------------------------------------------

void TForm1::Button2Click() {
    guard([&] {
        // A class typed into the editable combo rather than picked is no choice at all.
        const auto classIndex = [](const QComboBox* combo) {
            const int i = combo->currentIndex();
            return i >= 0 && combo->currentText() == combo->itemText(i) ? i : -1;
        };
        db::SearchParse search;
        if (activePage() == Page::DatabasePrograms) {
            search = db::parseProgramSearch({.name = bytesOf(SearchEdit1->text()),
                                             .drumId = bytesOf(MaskEdit1->text()),
                                             .soundFrom = bytesOf(MaskFrom1->text()),
                                             .soundTo = bytesOf(MaskTo1->text()),
                                             .classIndex = classIndex(SearchCombo1)});
        } else {
            search = db::parseCombinationSearch({.name = bytesOf(SearchEdit2->text()),
                                                 .programId = bytesOf(MaskEdit2->text()),
                                                 .classIndex = classIndex(SearchCombo2)});
        }
        if (search.error) {
            dialogs_.showError(this, kApplicationTitle, textOf(*search.error));
            return;
        }
        refreshDatabaseLists(search.filter);
    });
}

void TForm1::DCListBoxClick() {
    guard([&] { showSelectedEntries(); });
}

void TForm1::CheckBox1Click(QCheckBox* sender) {
    QFrame* panel = sender == CheckBox1 ? Panel1 : Panel2;
    panel->setEnabled(sender->isChecked());
    panel->setFrameShadow(sender->isChecked() ? QFrame::Raised : QFrame::Sunken);
}

void TForm1::Button4Click() {
    guard([&] {
        const bool programs = activePage() == Page::DatabasePrograms;
        const QListView* list = programs ? DPListBox : DCListBox;
        const EntryListModel* rows = programs ? programRows : combinationRows;
        const int row = currentRow(list);
        if (rows->rowCount() == 0 || row < 0) return;
        const std::int32_t id = rows->rowIds()[static_cast<std::size_t>(row)];
        if (programs)
            db::submitProgram(session_.db, id, bytesOf(Name1->text()),
                              bytesOf(Memo1->toPlainText()));
        else
            db::submitCombination(session_.db, id, bytesOf(Name2->text()),
                                  bytesOf(Memo2->toPlainText()));
        refreshDatabaseLists();
    });
}

void TForm1::Button5Click() {
    const bool programs = activePage() == Page::DatabasePrograms;
    const QListView* list = programs ? DPListBox : DCListBox;
    const EntryListModel* rows = programs ? programRows : combinationRows;
    const int row = currentRow(list);
    if (row < 0) return;
    std::vector<std::int32_t> selected;
    for (int r : selectedRows(list))
        selected.push_back(rows->rowIds()[static_cast<std::size_t>(r)]);
    bool prepared = false;
    guard([&] {
        Form4->prepareClassDialog(programs ? db::Kind::Program : db::Kind::Combination,
                                  rows->rowIds()[static_cast<std::size_t>(row)], selected);
        prepared = true;
    });
    if (prepared) Form4->exec();
}

// ---- Pcg tabs ---------------------------------------------------------------------------------

void TForm1::RadioGroup1Click() {
    refreshPcgLists();
}

// ---- Help menu --------------------------------------------------------------------------------

void TForm1::About1Click() {
    Form5->exec();
}

std::unique_ptr<TForm1> createMainWindow(Dialogs& dialogs, const QString& startDirectory) {
    try {
        return std::make_unique<TForm1>(dialogs, startDirectory);
    } catch (const FileError& e) {
        std::fprintf(stderr, "PELVARO: %s\n", e.what());
        dialogs.showError(nullptr, kApplicationTitle, QString::fromLocal8Bit(e.what()));
        return nullptr;
    }
}

}  // namespace pelvaro::app
