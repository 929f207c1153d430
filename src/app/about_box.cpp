#include "app/about_box.h"
#include "app/control_names.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_icon.h"

namespace pelvaro::app {

namespace {
QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int pointSize, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = label->font();
    font.setPointSize(pointSize);
    label->setFont(font);
    label->setGeometry(8, y, 190, 28);
    return label;
}
}  // namespace

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QLatin1String(names::about::kWindow));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(324, 264);

    auto* iconFrame = new QFrame(this);
    iconFrame->setObjectName(QLatin1String(names::about::kIcon));
    iconFrame->setGeometry(16, 16, 48, 48);
    iconFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    iconFrame->setStyleSheet(QStringLiteral("background: black"));
    auto* icon = new QLabel(iconFrame);
    icon->setPixmap(iconPixmap());
    icon->setGeometry(8, 8, 32, 32);

    auto* panel = new QFrame(this);
    panel->setObjectName(QLatin1String(names::about::kPanel));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(80, 16, 228, 180);
    makeLabel(panel, names::about::kProduct, QStringLiteral("PELVARO"), 12, 16);
    makeLabel(panel, names::about::kVersion, QStringLiteral("Ver 1.05 beta"), 10, 56);
    makeLabel(panel, names::about::kDate, QStringLiteral("March 1999"), 10, 88);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setToolTip(QStringLiteral("Close this box"));
    ok->setObjectName(QLatin1String(names::about::kOk));
    ok->setGeometry(124, 220, 76, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace pelvaro::app
