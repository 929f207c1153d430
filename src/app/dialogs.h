#pragma once
// Every file dialog and message box goes through this interface, so that tests can answer
// them (see the scripted implementation in tests/app) and the windows never block in a test.

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QWidget;

namespace pelvaro::app {

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // filter in the "Description (*.ext)|*.ext" form the commands use; folder is where the
    // dialog starts (empty: the user's home folder); nullopt when cancelled.
    virtual std::optional<QString> openFile(QWidget* parent, const QString& filter,
                                            const QString& folder) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                            const QString& folder) = 0;
    // Several files and folders at once, chosen in one dialog titled `caption`; empty when
    // cancelled.
    virtual QStringList openFilesAndFolders(QWidget* parent, const QString& caption,
                                            const QString& filter, const QString& folder) = 0;
    // Several files at once; empty when cancelled. Dialogs that know no other way answer as
    // openFilesAndFolders does.
    virtual QStringList openFiles(QWidget* parent, const QString& filter, const QString& folder) {
        return openFilesAndFolders(parent, QString(), filter, folder);
    }
    // A message box with an error icon and an OK button.
    virtual void showError(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A question answered by one of the buttons, named by their captions ("&Empty", "Cancel");
    // the first is the default. The index of the button chosen, or nothing when the question
    // was closed. Dialogs that cannot ask anyone answer nothing, which every caller takes as
    // "do not go on".
    virtual std::optional<int> ask(QWidget* /*parent*/, const QString& /*caption*/,
                                   const QString& /*text*/, const QStringList& /*buttons*/) {
        return std::nullopt;
    }
    // One of `items` chosen from a list under `label`: its index; nothing when cancelled.
    virtual std::optional<int> choose(QWidget* /*parent*/, const QString& /*caption*/,
                                      const QString& /*label*/, const QStringList& /*items*/) {
        return std::nullopt;
    }
    // A message that tells what happened, with an OK button. Dialogs that know no other kind
    // show it as showError does.
    virtual void showMessage(QWidget* parent, const QString& caption, const QString& text) {
        showError(parent, caption, text);
    }
    // A line of text, offered with `text` filled in; nothing when cancelled.
    virtual std::optional<QString> askText(QWidget* /*parent*/, const QString& /*caption*/,
                                           const QString& /*label*/, const QString& /*text*/) {
        return std::nullopt;
    }
    // A save dialog offering several types ("CSV Files (*.csv)"): the name chosen and the index
    // of the type chosen with it. Dialogs that know no types answer as saveFile does, with the
    // first type.
    struct Typed {
        QString path;
        int type = 0;
    };
    virtual std::optional<Typed> saveFileOfType(QWidget* parent, const QStringList& types,
                                                const QString& folder) {
        const auto path = saveFile(parent, types.value(0), folder);
        if (!path) return std::nullopt;
        return Typed{*path, 0};
    }
};

// The real dialogs.
class QtDialogs : public Dialogs {
  public:
    std::optional<QString> openFile(QWidget* parent, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                    const QString& folder) override;
    QStringList openFilesAndFolders(QWidget* parent, const QString& caption, const QString& filter,
                                    const QString& folder) override;
    QStringList openFiles(QWidget* parent, const QString& filter, const QString& folder) override;
    void showError(QWidget* parent, const QString& caption, const QString& text) override;
    std::optional<int> ask(QWidget* parent, const QString& caption, const QString& text,
                           const QStringList& buttons) override;
    std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& label,
                                   const QString& text) override;
    std::optional<Typed> saveFileOfType(QWidget* parent, const QStringList& types,
                                        const QString& folder) override;
    std::optional<int> choose(QWidget* parent, const QString& caption, const QString& label,
                              const QStringList& items) override;
    void showMessage(QWidget* parent, const QString& caption, const QString& text) override;
};

// The dialog of openFilesAndFolders: files and folders together, several at once, clicked (Ctrl
// and Shift for several) or typed (a path, or several names each in double quotes). Qt's own
// dialog takes either files or folders: in its mode for files, Open on a folder goes into the
// folder, and in its mode for folders a typed file is refused.
class FilesAndFoldersDialog : public QFileDialog {
  public:
    FilesAndFoldersDialog(QWidget* parent, const QString& caption, const QString& filter,
                          const QString& folder);

    // Takes what is chosen, folders as well as files (selectedFiles()); a name typed that is
    // neither is said so, and the dialog stays.
    void accept() override;
};

// Before files are written over: when any of these names an existing file, asks whether to
// replace it, naming every one that would be. True when nothing stands there or the user
// agreed.
bool mayReplace(QWidget* parent, Dialogs& dialogs, const QStringList& paths);

// Runs a handler; a refusal, a file error (or any other failure) is shown in a message box and the
// program goes on. Every window's handlers run through this one guard. Returns the message shown
// (its caption and text), or nothing when the handler ran to its end.
struct Shown {
    QString caption;
    QString text;
};
std::optional<Shown> guarded(QWidget* parent, Dialogs& dialogs,
                             const std::function<void()>& handler);
// The same without showing it: the message is the caller's to show (after it has put away what
// the handler left on the screen).
std::optional<Shown> caught(const std::function<void()>& handler);

// "Pcg Files (*.pcg)|*.pcg" -> "Pcg Files (*.pcg)", the form Qt's dialogs take.
QString qtNameFilter(const QString& filter);

// The caption of message boxes that show a file error.
inline const QString kApplicationTitle = QStringLiteral("PELVARO");

}  // namespace pelvaro::app
