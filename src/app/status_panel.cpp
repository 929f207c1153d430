#include "app/status_panel.h"

#include <QGridLayout>

#include "app/control_names.h"
#include "app/elided_label.h"
#include "app/widgets.h"
#include "app/window_text.h"
#include "session/session.h"
#include "session/summaries.h"

namespace pelvaro::app {

StatusPanel::StatusPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QLatin1String(names::kStatusPanel));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(2, 0, 2, 0);
    grid->setVerticalSpacing(0);
    pcg_ = named(new ElidedLabel, names::kStatusPcg);
    database_ = named(new ElidedLabel, names::kStatusDatabase);
    result_ = named(new ElidedLabel, names::kStatusResult);
    grid->addWidget(pcg_, 0, 0);
    grid->addWidget(database_, 1, 0);
    grid->addWidget(result_, 2, 0);
}

void StatusPanel::showSession(const session::Session& session) {
    const pcg::PcgState& pcg = session.pcg();
    const QString pcgName =
        pcg.pcgFileName.empty() ? QStringLiteral("New PCG") : fileNameOf(pcg.pcgFileName);
    showPcg(pcgName + QStringLiteral(": ") + QString::fromStdString(session::pcgSummary(pcg)) +
            (session.pcgChanged() ? QStringLiteral(" (changed)") : QString()));
    const std::string& database = session.databasePath();
    const QString databaseName =
        database.empty() ? QStringLiteral("New database") : fileNameOf(database);
    showDatabase(databaseName + QStringLiteral(": ") +
                 QString::fromStdString(session::databaseSummary(session.files())) +
                 (session.databaseChanged() ? QStringLiteral(" (changed)") : QString()));
}

void StatusPanel::showPcg(const QString& text) {
    pcg_->setLine(text);
}

void StatusPanel::showDatabase(const QString& text) {
    database_->setLine(text);
}

void StatusPanel::showResult(const QString& text) {
    result_->setLine(text);
}

}  // namespace pelvaro::app
