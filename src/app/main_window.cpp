#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QKeyEvent>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <cstdio>

#include "app/about_box.h"
#include "app/app_icon.h"
#include "app/dialogs.h"
#include "app/entry_list_model.h"
#include "app/progress_window.h"
#include "pcg/file_stream.h"
#include "pcg/pcg_files.h"
#include "pcg/pcg_lists.h"

namespace pelvaro::app {

namespace {
const QString kPcgFilter = QStringLiteral("Pcg Files (*.pcg)|*.pcg");

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
QString fromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text);
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

    // The other windows, in their order, each once for the whole run.
    Form3 = new TForm3(this);
    Form5 = new TForm5(this);
    qApp->installEventFilter(this);
}

TForm1::~TForm1() {
    qApp->removeEventFilter(this);
    FormDestroy();
}

void TForm1::FormCreate(const QString& startDirectory) {
    session_.startUp(localPath(startDirectory));
    refreshPcgLists();
}

void TForm1::FormDestroy() {
    session_.shutDown();
}

void TForm1::guard(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const FileError& e) {
        dialogs_.showError(this, kApplicationTitle, fromLocal(e.what()));
    } catch (const std::exception& e) {
        // Not a file error: still the user's to see, and the program goes on.
        dialogs_.showError(this, kApplicationTitle, fromLocal(e.what()));
    }
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
        PPListBox->item(i)->setText(QString::fromLatin1(lines.programs[i]));
        PCListBox->item(i)->setText(QString::fromLatin1(lines.combinations[i]));
    }
}

// ---- File menu --------------------------------------------------------------------------------

void TForm1::Exit1Click() {
    close();
}

// ---- Edit menu --------------------------------------------------------------------------------

void TForm1::Edit1Click() {
    bool toPcg = false;
    bool toDatabase = false;
    bool remove = false;
    switch (activePage()) {
        case DatabasePrograms:
        case DatabaseCombinations: {
            const QListView* list = activePage() == DatabasePrograms ? DPListBox : DCListBox;
            const bool current = list->model()->rowCount() > 0 && list->currentIndex().isValid();
            toPcg = remove = current;
            break;
        }
        case PcgPrograms:
        case PcgCombinations: {
            const bool programs = activePage() == PcgPrograms;
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
    if (event->type() == QEvent::ShortcutOverride && isActiveWindow()) {
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
            dialogs_.showError(this, QString::fromLatin1(pcg::kNotCompatibleCaption),
                               QString::fromLatin1(pcg::kNotCompatibleText));
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
