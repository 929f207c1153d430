#pragma once
// What the main window's files share: paths and texts between Qt and the core, and the rows a
// list has chosen. Only the main window's own files include it.

#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QString>
#include <QTableView>
#include <algorithm>
#include <string>
#include <vector>

#include "io/refusal.h"
#include "session/summaries.h"

namespace pelvaro::app {

inline const QString kPcgFilter = QStringLiteral("Pcg Files (*.pcg)|*.pcg");

// The bytes of a chosen path, as the file system names the file. A name whose bytes are not text
// in the system's encoding reaches the program with replacement characters and would name
// another file: it is refused, naming it, rather than written under another name.
inline std::string localPath(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    if (path.contains(QChar::ReplacementCharacter) || QFile::decodeName(bytes) != path)
        throw io::RefusalError(io::Refusal{
            "File name error", "The name " + path.toStdString() +
                                   " holds characters that this system cannot write as they "
                                   "stand. Please choose another name."});
    return bytes.toStdString();
}
inline std::string bytesOf(const QString& text) {
    return text.toLatin1().toStdString();
}
inline QString textOf(const std::string& bytes) {
    return QString::fromLatin1(bytes);
}
// A path of the file system as the user reads it.
inline QString shownPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
inline QString fileNameOf(const std::string& path) {
    return QFileInfo(shownPath(path)).fileName();
}
// Counts as the status bar says them: "1,234 programs".
inline QString counted(std::int64_t n, const char* singular, const char* plural) {
    return QString::fromStdString(session::countOf(n, singular, plural));
}

// The focused row of a list, or -1.
inline int currentRow(const QTableView* list) {
    return list->currentIndex().isValid() ? list->currentIndex().row() : -1;
}

// The rows selected in a list, first to last.
inline std::vector<int> selectedRows(const QTableView* list) {
    std::vector<int> rows;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

inline void showDetail(QListWidget* list, const auto& lines) {
    list->clear();
    for (const std::string& line : lines)
        list->addItem(textOf(line));
}

}  // namespace pelvaro::app
