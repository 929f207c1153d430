#include "app/about_box.h"

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
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("About..."));
    setFixedSize(324, 264);

    auto* iconFrame = new QFrame(this);
    iconFrame->setObjectName(QStringLiteral("ProgramIcon"));
    iconFrame->setGeometry(16, 16, 48, 48);
    iconFrame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    iconFrame->setStyleSheet(QStringLiteral("background: black"));
    auto* icon = new QLabel(iconFrame);
    icon->setPixmap(iconPixmap());
    icon->setGeometry(8, 8, 32, 32);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(80, 16, 228, 180);
    makeLabel(panel, "ProductName", QStringLiteral("PELVARO"), 12, 16);
    makeLabel(panel, "Version", QStringLiteral("Ver 1.05 beta"), 10, 56);
    makeLabel(panel, "Copyright", QStringLiteral("March 1999"), 10, 88);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setToolTip(QStringLiteral("Close this box"));
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(124, 220, 76, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace pelvaro::app
