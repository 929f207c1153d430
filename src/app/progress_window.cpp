#include "app/progress_window.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "app/control_names.h"
#include "app/window_text.h"
#include "session/batch_send.h"

namespace pelvaro::app {

namespace {
// Twenty pictures a second keep a bar moving smoothly; each picture costs about a millisecond,
// which a window painted more often takes from the work.
constexpr qint64 kPaintEveryMs = 50;
// A look at the clock costs more than a step, so a step looks at it only every so many steps.
constexpr unsigned kStepsBetweenLooks = 8;

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
    filesBar_ = makeBar(this, names::progress::kFilesBar, 154);
    filesBar_->setToolTip(QStringLiteral("The files sent of all those chosen"));
    filesBar_->setAccessibleName(QStringLiteral("Files sent"));
    filesBar_->hide();
    timeLeft_ = new QLabel(this);
    timeLeft_->setObjectName(QLatin1String(names::progress::kTimeLeft));
    timeLeft_->setGeometry(7, 172, 183, 26);
    timeLeft_->hide();
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QLatin1String(names::progress::kCancel));
    cancel_->setToolTip(QStringLiteral("Stop after the file being sent"));
    cancel_->setGeometry(194, 172, 80, 26);
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
}

void ProgressWindow::beginFiles() {
    files_ = true;
    cancelled_ = false;
    setWindowTitle(QStringLiteral("Send PCG Files to Database"));
    setFixedSize(281, 204);
    filesBar_->setValue(0);
    for (QWidget* part : std::initializer_list<QWidget*>{file_, filesBar_, timeLeft_, cancel_})
        part->show();
    setWindowModality(Qt::ApplicationModal);
    sinceFiles_.start();
}

void ProgressWindow::showFile(int number, int count, const QString& path) {
    file_->setText(QStringLiteral("File %1 of %2\n%3").arg(number).arg(count).arg(path));
    filesBar_->setMaximum(count);
    timeLeft_->setText(
        QString::fromStdString(session::timeLeftText(sinceFiles_.elapsed(), number - 1, count)));
    programSteps_ = 0;
    combinationSteps_ = 0;
    showSteps();
    repaintNow();
    // Cancel is looked at between two files: a click on it comes in here, painted or not. The
    // window is modal, so no other window takes input.
    QCoreApplication::processEvents();
}

void ProgressWindow::fileDone() {
    showSteps();
    filesBar_->setValue(filesBar_->value() + 1);
}

void ProgressWindow::endFiles() {
    files_ = false;
    setWindowModality(Qt::NonModal);
    for (QWidget* part : std::initializer_list<QWidget*>{file_, filesBar_, timeLeft_, cancel_})
        part->hide();
    setFixedSize(281, 113);
    setWindowTitle(QStringLiteral("Send Pcg To Database"));
}

void ProgressWindow::resetBars() {
    programSteps_ = 0;
    combinationSteps_ = 0;
    showSteps();
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

// One PCG steps its bars slot by slot. With many files a step only counts, and the bars show
// the counts with each picture and at each file's end: a bar's step costs more than the slot's
// send, four hundred times a file.
void ProgressWindow::stepProgramBar() {
    ++programSteps_;
    if (!files_) programBar_->setValue(programSteps_);
    repaintNow();
}

void ProgressWindow::stepCombinationBar() {
    ++combinationSteps_;
    if (!files_) combinationBar_->setValue(combinationSteps_);
    repaintNow();
}

void ProgressWindow::hideWindow() {
    hide();
    setUpdatesEnabled(true);
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
    if (!always) {
        if (++steps_ % kStepsBetweenLooks != 0) return;
        if (sincePaint_.isValid() && sincePaint_.elapsed() < kPaintEveryMs) return;
    }
    if (!isVisible()) return;
    showSteps();
    setUpdatesEnabled(true);
    repaint();
    // Paint and expose events only: the command goes on, and no click or key reaches a window.
    // With many files the window is modal, so its Cancel button alone takes input.
    QCoreApplication::processEvents(files_ ? QEventLoop::AllEvents
                                           : QEventLoop::ExcludeUserInputEvents);
    // Until the next picture a step only counts: a bar repaints itself on each visible change.
    setUpdatesEnabled(false);
    sincePaint_.start();
}

void ProgressWindow::showSteps() {
    programBar_->setValue(programSteps_);
    combinationBar_->setValue(combinationSteps_);
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

bool ProgressRun::sendFiles(session::BatchSend& batch) const {
    const auto& lines = batch.lines();
    const auto count = static_cast<int>(
        std::ranges::count_if(lines, [](const session::FileReport& line) { return line.sent(); }));
    int number = 0;
    while (!batch.done() && !window_.cancelled()) {
        const session::FileReport& line = lines[batch.next()];
        const bool file = line.sent();  // a line that is no file passes without a turn
        if (file) {
            window_.showFile(++number, count, shownPath(line.path));
            if (window_.cancelled()) break;
        }
        batch.sendNext(step());
        if (file) window_.fileDone();
    }
    return batch.done();
}

}  // namespace pelvaro::app
