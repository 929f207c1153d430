#include "app/dialogs.h"

#include "io/refusal.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <vector>

namespace pelvaro::app {

std::optional<Shown> guarded(QWidget* parent, Dialogs& dialogs,
                             const std::function<void()>& handler) {
    const std::optional<Shown> shown = caught(handler);
    if (shown) dialogs.showError(parent, shown->caption, shown->text);
    return shown;
}

std::optional<Shown> caught(const std::function<void()>& handler) {
    std::optional<Shown> shown;
    try {
        handler();
    } catch (const io::RefusalError& e) {
        // A refusal for what the user chose: its own caption, and nothing has changed.
        shown = Shown{QString::fromLocal8Bit(e.refusal().caption),
                      QString::fromLocal8Bit(e.refusal().text)};
    } catch (const std::exception& e) {
        // A FileError carries the text the user is to see; anything else is shown as well,
        // rather than ending the program with the user's work in it.
        shown = Shown{kApplicationTitle, QString::fromLocal8Bit(e.what())};
    }
    return shown;
}

bool mayReplace(QWidget* parent, Dialogs& dialogs, const QStringList& paths) {
    QStringList existing;
    for (const QString& path : paths)
        if (QFileInfo(path).isFile()) existing << path;  // a folder fails with its own message
    if (existing.isEmpty()) return true;
    const QString text =
        existing.size() == 1
            ? QStringLiteral("%1 already exists. Replace it?").arg(existing.front())
            : QStringLiteral("These files already exist and would be replaced:\n%1\nReplace them?")
                  .arg(existing.join(QLatin1Char('\n')));
    return dialogs.ask(parent, QStringLiteral("Replace"), text,
                       {QStringLiteral("&Replace"), QStringLiteral("Cancel")}) == 0;
}

namespace {
QString startIn(const QString& folder) {
    return folder.isEmpty() ? QDir::homePath() : folder;
}
}  // namespace

QString qtNameFilter(const QString& filter) {
    return filter.section(QLatin1Char('|'), 0, 0);
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const QString& filter,
                                           const QString& folder) {
    const QString path =
        QFileDialog::getOpenFileName(parent, QString(), startIn(folder), qtNameFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path;
}

QStringList QtDialogs::openFiles(QWidget* parent, const QString& filter, const QString& folder) {
    return QFileDialog::getOpenFileNames(parent, QString(), startIn(folder), qtNameFilter(filter));
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const QString& filter,
                                           const QString& folder) {
    // No overwrite question here: the command asks on the final name, its extension added.
    const QString path =
        QFileDialog::getSaveFileName(parent, QString(), startIn(folder), qtNameFilter(filter),
                                     nullptr, QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

FilesAndFoldersDialog::FilesAndFoldersDialog(QWidget* parent, const QString& caption,
                                             const QString& filter, const QString& folder)
    : QFileDialog(parent, caption, startIn(folder),
                  qtNameFilter(filter) + QStringLiteral(";;All Files (*)")) {
    // Qt's own widgets, which the system's dialog would not let us change.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFiles);
    for (QAbstractItemView* view : findChildren<QAbstractItemView*>())
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
}

void FilesAndFoldersDialog::accept() {
    const QStringList chosen = selectedFiles();
    if (chosen.isEmpty()) return;
    for (const QString& path : chosen)
        if (!QFileInfo::exists(path)) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("%1\nNo such file or folder.").arg(path));
            return;
        }
    QDialog::accept();
}

QStringList QtDialogs::openFilesAndFolders(QWidget* parent, const QString& caption,
                                           const QString& filter, const QString& folder) {
    FilesAndFoldersDialog dialog(parent, caption, filter, folder);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

void QtDialogs::showError(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
}

std::optional<int> QtDialogs::ask(QWidget* parent, const QString& caption, const QString& text,
                                  const QStringList& buttons) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    std::vector<QPushButton*> pushed;
    for (const QString& name : buttons)
        pushed.push_back(box.addButton(
            name, pushed.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
    if (!pushed.empty()) {
        box.setDefaultButton(pushed.front());
        box.setEscapeButton(pushed.back());
    }
    box.exec();
    const auto chosen = std::ranges::find(pushed, box.clickedButton());
    if (chosen == pushed.end()) return std::nullopt;
    return static_cast<int>(chosen - pushed.begin());
}

std::optional<QString> QtDialogs::askText(QWidget* parent, const QString& caption,
                                          const QString& label, const QString& text) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, caption, label, QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    return answer;
}

std::optional<int> QtDialogs::choose(QWidget* parent, const QString& caption, const QString& label,
                                     const QStringList& items) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setComboBoxItems(items);
    dialog.setOption(QInputDialog::UseListViewForComboBoxItems);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const auto chosen = items.indexOf(dialog.textValue());
    if (chosen < 0) return std::nullopt;
    return static_cast<int>(chosen);
}

void QtDialogs::showMessage(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

std::optional<Dialogs::Typed> QtDialogs::saveFileOfType(QWidget* parent, const QStringList& types,
                                                        const QString& folder) {
    QString chosenType;
    const QString path = QFileDialog::getSaveFileName(parent, QString(), startIn(folder),
                                                      types.join(QStringLiteral(";;")), &chosenType,
                                                      QFileDialog::DontConfirmOverwrite);
    if (path.isEmpty()) return std::nullopt;
    return Typed{path, std::max(0, static_cast<int>(types.indexOf(chosenType)))};
}

}  // namespace pelvaro::app
