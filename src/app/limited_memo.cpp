#include "app/limited_memo.h"

#include <QTextCursor>

namespace pelvaro::app {

int storedLength(const QString& text) {
    return text.size() + text.count(QLatin1Char('\n'));
}

LimitedMemo::LimitedMemo(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent), maxLength_(maxLength) {
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedMemo::enforceLimit);
}

void LimitedMemo::enforceLimit() {
    if (enforcing_) return;
    QString text = toPlainText();
    if (storedLength(text) <= maxLength_) return;
    // Cut from the end until it fits, as an edit that refuses further typing would leave it.
    while (!text.isEmpty() && storedLength(text) > maxLength_)
        text.chop(1);
    enforcing_ = true;
    setPlainText(text);
    moveCursor(QTextCursor::End);
    enforcing_ = false;
}

}  // namespace pelvaro::app
