#include "app/recovery_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/control_names.h"
#include "app/widgets.h"
#include "app/window_text.h"

namespace pelvaro::app {

namespace {

// "21:14" for a copy saved today, "2026-12-07 21:14" for one saved before; savedAt reads
// "2026-12-08 21:14:05".
QString savedWhen(const std::string& savedAt, const QDate& today) {
    const QString saved = QString::fromStdString(savedAt);
    const QString time = saved.mid(11, 5);
    return saved.left(10) == today.toString(Qt::ISODate) ? time : saved.left(10) + " " + time;
}

QPushButton* button(const QString& caption, const char* name, const QString& tip) {
    auto* pushed = named(new QPushButton(caption), name);
    pushed->setAccessibleName(caption);
    pushed->setToolTip(tip);
    return pushed;
}

}  // namespace

QString RecoveryBar::lineFor(const session::RecoveryCopy& copy, const QDate& today) {
    const QString when = savedWhen(copy.savedAt, today);
    const QString pcgName =
        copy.pcgFileName.empty() ? QStringLiteral("a new PCG") : fileNameOf(copy.pcgFileName);
    if (copy.database.empty())
        return QStringLiteral(
                   "The PCG you were working on when PELVARO last closed was kept "
                   "(%1, saved %2).")
            .arg(pcgName, when);
    const QString from =
        copy.cameFrom.empty() ? QStringLiteral("a new database") : fileNameOf(copy.cameFrom);
    QString line = QStringLiteral(
                       "The database you were working on when PELVARO last closed "
                       "was kept (%1, %2, saved %3).")
                       .arg(from, counted(copy.programs, "program", "programs"), when);
    if (!copy.pcg.empty())
        line += copy.pcgFileName.empty() ? QStringLiteral(" The new PCG was kept too.")
                                         : QStringLiteral(" The PCG %1 was kept too.").arg(pcgName);
    return line;
}

RecoveryBar::RecoveryBar(session::RecoveryCopy copy, QWidget* parent)
    : QFrame(parent), copy_(std::move(copy)) {
    setObjectName(QLatin1String(names::recoveryBar::kBar));
    setFrameShape(QFrame::StyledPanel);
    // The colours of a tooltip: it stands out from the window without alarming.
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 4, 4);
    auto* text = named(new QLabel(lineFor(copy_)), names::recoveryBar::kText);
    text->setWordWrap(true);
    // The whole of it: when and where it was saved, everything it holds, the files it came from.
    QString details = QStringLiteral("Saved %1 as %2")
                          .arg(QString::fromStdString(copy_.savedAt), shownPath(copy_.file()));
    if (!copy_.database.empty())
        details += QStringLiteral("\n%1, %2, %3, %4")
                       .arg(counted(copy_.programs, "program", "programs"),
                            counted(copy_.combinations, "combination", "combinations"),
                            counted(copy_.drumKits, "drum kit", "drum kits"),
                            counted(copy_.classes, "class", "classes"));
    if (!copy_.cameFrom.empty()) details += QStringLiteral("\nFrom ") + shownPath(copy_.cameFrom);
    if (!copy_.pcgFileName.empty())
        details += QStringLiteral("\nPCG from ") + shownPath(copy_.pcgFileName);
    text->setToolTip(details);
    auto* open = button(QStringLiteral("Open it"), names::recoveryBar::kOpen,
                        copy_.database.empty() ? QStringLiteral("Put the kept PCG back")
                        : copy_.pcg.empty()
                            ? QStringLiteral("Open the kept database")
                            : QStringLiteral("Open the kept database and put the kept PCG back"));
    auto* all = button(QStringLiteral("Show all"), names::recoveryBar::kShowAll,
                       QStringLiteral("List every recovery copy (File > Recover Database...)"));
    auto* dismiss = button(QStringLiteral("Dismiss"), names::recoveryBar::kDismiss,
                           QStringLiteral("Hide this bar; the copy stays in File > Recover "
                                          "Database..."));
    layout->addWidget(text, 1);
    layout->addWidget(open);
    layout->addWidget(all);
    layout->addWidget(dismiss);
    connect(open, &QPushButton::clicked, this, &RecoveryBar::openRequested);
    connect(all, &QPushButton::clicked, this, &RecoveryBar::showAllRequested);
    connect(dismiss, &QPushButton::clicked, this, &QWidget::hide);
}

}  // namespace pelvaro::app
