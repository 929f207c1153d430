#pragma once
// Paths and texts between Qt and the core, for the windows.

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <string>

#include "io/refusal.h"
#include "io/wording.h"

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
// Text as the records hold it (names, explanations, class names, the lists' lines made of
// them) is single-byte Latin-1; this is the one place the windows turn it into what they show
// and back. Everything a session function returns is UTF-8 instead (QString::fromStdString).
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
    return QString::fromStdString(countOf(n, singular, plural));
}

}  // namespace pelvaro::app
