#pragma once
// Dialogs answered by the test: file dialogs return the queued answers in order (an empty
// queue cancels), message boxes are recorded instead of shown.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "app/dialogs.h"

// Readable QStrings in test failures. Every window test includes this header, so every test
// prints QStrings the same way.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace pelvaro::testing {

class ScriptedDialogs : public app::Dialogs {
  public:
    struct Message {
        QString caption;
        QString text;
    };

    void answerOpen(const QString& path) { opens_.push_back(path); }
    // The name for the next save dialog, with the index of the type chosen (saveFileOfType).
    void answerSave(const QString& path, int type = 0) {
        saves_.push_back(path);
        saveTypes_.push_back(type);
    }
    void answerOpenMany(const QStringList& paths) { manies_.push_back(paths); }
    // The button chosen for the next question (by its index; nothing: the question is closed),
    // and the text typed into the next line asked for. An empty queue closes or cancels.
    void answerQuestion(std::optional<int> button) { questions_.push_back(button); }
    void answerText(const QString& text) { texts_.push_back(text); }
    // The item chosen from the next list (by its index; nothing: the list is closed).
    void answerChoice(std::optional<int> item) { choices_.push_back(item); }

    std::optional<QString> openFile(QWidget* parent, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& filter,
                                    const QString& folder) override;
    QStringList openFilesAndFolders(QWidget* parent, const QString& caption, const QString& filter,
                                    const QString& folder) override;
    void showError(QWidget* parent, const QString& caption, const QString& text) override;
    std::optional<int> ask(QWidget* parent, const QString& caption, const QString& text,
                           const QStringList& buttons) override;
    std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& label,
                                   const QString& text) override;
    std::optional<Typed> saveFileOfType(QWidget* parent, const QStringList& types,
                                        const QString& folder) override;
    std::optional<int> choose(QWidget* parent, const QString& caption, const QString& label,
                              const QStringList& items) override;

    std::vector<Message> messages;
    // Told of every message as it is shown (to look at the screen at that moment), and of every
    // file dialog as it is answered (a user who takes their time over it).
    std::function<void(const Message&)> whenShown;
    std::function<void()> whenFileAsked;
    // Every question (its buttons), every line of text asked for (its label as the text) and
    // every list to choose from (its items as the buttons).
    struct Asked {
        QString caption;
        QString text;
        QStringList buttons;
    };
    std::vector<Asked> asked;
    QStringList filters;  // the filter of each file dialog shown
    QStringList folders;  // the folder each file dialog started in

  private:
    std::deque<QString> opens_;
    std::deque<QString> saves_;
    std::deque<int> saveTypes_;
    std::deque<QStringList> manies_;
    std::deque<std::optional<int>> questions_;
    std::deque<QString> texts_;
    std::deque<std::optional<int>> choices_;
};

}  // namespace pelvaro::testing
