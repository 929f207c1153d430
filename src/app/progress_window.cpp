#include "app/progress_window.h"

#include <QCoreApplication>
#include <QFrame>
#include <QPainter>
#include <QProgressBar>

namespace pelvaro::app {

namespace {
QProgressBar* makeBar(QWidget* parent, const char* name, int y) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(0, 200);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setGeometry(7, y, 265, 13);
    return bar;
}

QFrame* makeBevel(QWidget* parent, const char* name, int y) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setGeometry(0, y, 281, 57);
    return frame;
}
}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Send Pcg To Database"));
    setFixedSize(281, 113);
    setAttribute(Qt::WA_ShowWithoutActivating);
    makeBevel(this, "Bevel1", 0);
    makeBevel(this, "Bevel2", 56);
    programBar_ = makeBar(this, "ProgressBar1", 34);
    combinationBar_ = makeBar(this, "ProgressBar2", 87);
}

void ProgressWindow::resetBars() {
    programBar_->setValue(0);
    combinationBar_->setValue(0);
    captions_.clear();
}

void ProgressWindow::showWindow() {
    show();
    raise();
    repaintNow();
}

void ProgressWindow::drawCaption(const QString& text, QPoint at) {
    captions_.emplace_back(text, at);
    repaintNow();
}

void ProgressWindow::stepProgramBar() {
    programBar_->setValue(programBar_->value() + 1);
    repaintNow();
}

void ProgressWindow::stepCombinationBar() {
    combinationBar_->setValue(combinationBar_->value() + 1);
    repaintNow();
}

void ProgressWindow::hideWindow() {
    hide();
}

void ProgressWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setBackgroundMode(Qt::TransparentMode);
    // The point names the top left of the text.
    for (const auto& [text, at] : captions_)
        painter.drawText(at + QPoint(0, painter.fontMetrics().ascent()), text);
}

void ProgressWindow::repaintNow() {
    if (!isVisible()) return;
    repaint();
    // Paint and expose events only: the command goes on, and no click or key reaches a window.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace pelvaro::app
