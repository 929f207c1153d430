#include "app/progress_window.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>

#include "app/control_names.h"

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
    setObjectName(QLatin1String(names::progress::kWindow));
    setWindowTitle(QStringLiteral("Send Pcg To Database"));
    setFixedSize(281, 113);
    setAttribute(Qt::WA_ShowWithoutActivating);
    makeBevel(this, names::progress::kProgramFrame, 0);
    makeBevel(this, names::progress::kCombinationFrame, 56);
    programBar_ = makeBar(this, names::progress::kProgramBar, 34);
    combinationBar_ = makeBar(this, names::progress::kCombinationBar, 87);
    file_ = new QLabel(this);
    file_->setObjectName(QLatin1String(names::progress::kFile));
    file_->setGeometry(7, 116, 267, 34);
    file_->setWordWrap(true);
    file_->hide();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QLatin1String(names::progress::kCancel));
    cancel_->setToolTip(QStringLiteral("Stop after the file being sent"));
    cancel_->setGeometry(194, 154, 80, 26);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

void ProgressWindow::beginFiles() {
    files_ = true;
    cancelled_ = false;
    setWindowTitle(QStringLiteral("Send PCG Files to Database"));
    setFixedSize(281, 186);
    file_->show();
    cancel_->show();
    setWindowModality(Qt::ApplicationModal);
}

void ProgressWindow::showFile(int number, int count, const QString& path) {
    file_->setText(QStringLiteral("File %1 of %2\n%3").arg(number).arg(count).arg(path));
    programBar_->setValue(0);
    combinationBar_->setValue(0);
    repaintNow(true);
}

void ProgressWindow::endFiles() {
    files_ = false;
    setWindowModality(Qt::NonModal);
    file_->hide();
    cancel_->hide();
    setFixedSize(281, 113);
    setWindowTitle(QStringLiteral("Send Pcg To Database"));
}

void ProgressWindow::resetBars() {
    programBar_->setValue(0);
    combinationBar_->setValue(0);
    captions_.clear();
}

void ProgressWindow::showWindow() {
    show();
    raise();
    repaintNow(true);
}

void ProgressWindow::drawCaption(const QString& text, QPoint at) {
    captions_.emplace_back(text, at);
    repaintNow(true);
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

void ProgressWindow::repaintNow(bool always) {
    if (!isVisible()) return;
    // A screen shows some sixty pictures a second; a bar stepped more often is painted less.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!always && now - lastPaint_ < 15) return;
    lastPaint_ = now;
    repaint();
    // Paint and expose events only: the command goes on, and no click or key reaches a window.
    // With many files the window is modal, so its Cancel button alone takes input.
    QCoreApplication::processEvents(files_ ? QEventLoop::AllEvents
                                           : QEventLoop::ExcludeUserInputEvents);
}

ProgressRun::ProgressRun(ProgressWindow& window, Files files) : window_(window), files_(files) {
    window_.resetBars();
    if (files_ == Files::Many) window_.beginFiles();
    window_.showWindow();
    window_.drawCaption(QStringLiteral("Programs:"), QPoint(110, 12));
    window_.drawCaption(QStringLiteral("Combinations:"), QPoint(102, 65));
}

ProgressRun::~ProgressRun() {
    window_.hideWindow();
    if (files_ == Files::Many) window_.endFiles();
}

transfer::Progress ProgressRun::step() const {
    return [this](transfer::ProgressBar bar) {
        if (bar == transfer::ProgressBar::Programs)
            window_.stepProgramBar();
        else
            window_.stepCombinationBar();
    };
}

}  // namespace pelvaro::app
