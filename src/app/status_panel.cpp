#include "app/status_panel.h"

#include <QGridLayout>

#include "app/control_names.h"
#include "app/elided_label.h"
#include "app/widgets.h"

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
