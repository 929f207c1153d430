#pragma once
// What the program remembers between runs: the windows' sizes and places, the folder each kind
// of file was last chosen in, and the files used last. It lives in one settings file (INI
// format); without a file (tests that do not look at it, the benchmarks, the picture tool) it
// is remembered for the run only.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>

class QSettings;

namespace pelvaro::app {

class Settings {
  public:
    // The kinds of file whose folders and recent files are remembered apart.
    enum class FileKind { Pcg, Database, Report };
    static constexpr int kRecentCount = 8;

    explicit Settings(const QString& file);
    ~Settings();
    Settings(const Settings&) = delete;
    Settings& operator=(const Settings&) = delete;

    // The folder a dialog for this kind of file starts in: where the last one was chosen, or
    // empty (the dialog's own choice) before the first.
    QString folder(FileKind kind) const;
    // Remembers the folder that holds a file (or folder) chosen or used for this kind.
    void rememberFolder(FileKind kind, const QString& filePath);

    // The last files used of a kind, newest first, at most kRecentCount.
    QStringList recentFiles(FileKind kind) const;
    void addRecentFile(FileKind kind, const QString& path);
    void removeRecentFile(FileKind kind, const QString& path);
    void clearRecentFiles(FileKind kind);

    // The rules of "Classify by Rules", one line each as the rules window writes them.
    QStringList classifyRules() const;
    void setClassifyRules(const QStringList& lines);

    // The windows whose sizes and places are remembered (QWidget::saveGeometry's bytes).
    enum class WindowPlace { Main, ClassEditor, ClassAssignment };
    QByteArray geometry(WindowPlace window) const;
    void setGeometry(WindowPlace window, const QByteArray& geometry);
    // The event list's height under the tabs; 0 before one was remembered.
    int eventListHeight() const;
    void setEventListHeight(int height);

    // Writes what was changed to the file now; the destructor does it as well.
    void sync();

  private:
    QVariant value(const QString& key) const;
    void setValue(const QString& key, const QVariant& value);

    std::unique_ptr<QSettings> file_;
    QVariantMap memory_;  // without a file
};

}  // namespace pelvaro::app
