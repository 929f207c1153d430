#pragma once
// The captions of Undo and Redo, one for the Edit menu's items and the Arrange window's buttons:
// "&Undo Move 3 Programs", or "&Undo" when there is nothing to take back.

#include <QString>

#include "app/window_text.h"
#include "session/undo_log.h"

namespace pelvaro::app {

inline QString undoCaption(const session::UndoLog& log) {
    return log.canUndo() ? QStringLiteral("&Undo ") + textOf(log.undoName())
                         : QStringLiteral("&Undo");
}

inline QString redoCaption(const session::UndoLog& log) {
    return log.canRedo() ? QStringLiteral("&Redo ") + textOf(log.redoName())
                         : QStringLiteral("&Redo");
}

}  // namespace pelvaro::app
