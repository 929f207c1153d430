#include "scripted_dialogs.h"

namespace pelvaro::testing {

namespace {
std::optional<QString> next(std::deque<QString>& queue) {
    if (queue.empty()) return std::nullopt;
    QString answer = queue.front();
    queue.pop_front();
    return answer;
}
}  // namespace

std::optional<QString> ScriptedDialogs::openFile(QWidget*, const QString& filter,
                                                 const QString& folder) {
    filters.push_back(filter);
    folders.push_back(folder);
    if (whenFileAsked) whenFileAsked();
    return next(opens_);
}

std::optional<QString> ScriptedDialogs::saveFile(QWidget*, const QString& filter,
                                                 const QString& folder) {
    filters.push_back(filter);
    folders.push_back(folder);
    if (whenFileAsked) whenFileAsked();
    if (!saveTypes_.empty()) saveTypes_.pop_front();
    return next(saves_);
}

std::optional<app::Dialogs::Typed> ScriptedDialogs::saveFileOfType(QWidget*,
                                                                   const QStringList& types,
                                                                   const QString& folder) {
    filters.push_back(types.join(QStringLiteral(";;")));
    folders.push_back(folder);
    if (whenFileAsked) whenFileAsked();
    const int type = saveTypes_.empty() ? 0 : saveTypes_.front();
    if (!saveTypes_.empty()) saveTypes_.pop_front();
    const auto path = next(saves_);
    if (!path) return std::nullopt;
    return Typed{*path, type};
}

QStringList ScriptedDialogs::openFilesAndFolders(QWidget*, const QString&, const QString& filter,
                                                 const QString& folder) {
    filters.push_back(filter);
    folders.push_back(folder);
    if (whenFileAsked) whenFileAsked();
    if (manies_.empty()) return {};
    QStringList answer = manies_.front();
    manies_.pop_front();
    return answer;
}

void ScriptedDialogs::showError(QWidget*, const QString& caption, const QString& text) {
    messages.push_back({caption, text});
    if (whenShown) whenShown(messages.back());
}

std::optional<int> ScriptedDialogs::ask(QWidget*, const QString& caption, const QString& text,
                                        const QStringList& buttons) {
    asked.push_back({caption, text, buttons});
    if (questions_.empty()) return std::nullopt;
    const std::optional<int> answer = questions_.front();
    questions_.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::askText(QWidget*, const QString& caption,
                                                const QString& label, const QString&) {
    asked.push_back({caption, label, {}});
    return next(texts_);
}

std::optional<int> ScriptedDialogs::choose(QWidget*, const QString& caption, const QString& label,
                                           const QStringList& items) {
    asked.push_back({caption, label, items});
    if (choices_.empty()) return std::nullopt;
    const std::optional<int> answer = choices_.front();
    choices_.pop_front();
    return answer;
}

}  // namespace pelvaro::testing
