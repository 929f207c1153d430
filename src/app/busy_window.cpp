#include "app/busy_window.h"
#include "app/control_names.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/widgets.h"
#include "io/progress.h"

namespace pelvaro::app {

namespace {
int delay = 400;
qint64 monotonicNow() {
    static const QElapsedTimer since = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return since.elapsed();
}
BusyWindow::Clock clock = monotonicNow;
}  // namespace

void BusyWindow::setClock(Clock now) {
    clock = now ? now : monotonicNow;
}

void BusyWindow::setDelay(int milliseconds) {
    delay = milliseconds;
}

BusyWindow::BusyWindow(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QLatin1String(names::busy::kWindow));
    setWindowTitle(QStringLiteral("PELVARO"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    label_ = named(new QLabel(QStringLiteral("Working...")), names::busy::kText);
    bar_ = named(new QProgressBar, names::busy::kBar);
    bar_->setRange(0, 0);  // how much is left is not known: the bar shows that work goes on
    bar_->setTextVisible(false);
    bar_->setToolTip(QStringLiteral("PELVARO is reading or writing your files"));
    label_->setMinimumWidth(280);
    layout->addWidget(label_);
    layout->addWidget(bar_);
}

void BusyWindow::setOtherWindow(QWidget* other) {
    other_ = other;
    other_->installEventFilter(this);
}

bool BusyWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == other_ && event->type() == QEvent::Show && depth_ > 0) {
        standIn_ = true;
        if (isVisible()) hide();
    }
    return QDialog::eventFilter(watched, event);
}

void BusyWindow::begin() {
    if (depth_++ > 0) return;
    standIn_ = false;
    bytes_ = 0;
    lastPaint_ = 0;
    // The clock starts with the work, not with the command: the time a file dialog of the
    // command stays open is the user's, not the program's.
    startedAt_ = -1;
}

void BusyWindow::end() {
    if (depth_ == 0 || --depth_ > 0) return;
    if (!isVisible()) return;
    hide();
    // The busy window took the keyboard while it showed; it goes back where it was, so the next
    // key the user types lands where they left the cursor.
    if (activeBefore_) {
        QApplication::setActiveWindow(activeBefore_);
        activeBefore_->activateWindow();
    }
    if (focusBefore_) focusBefore_->setFocus(Qt::OtherFocusReason);
}

void BusyWindow::advance(std::int64_t bytes) {
    bytes_ += bytes;
    if (depth_ == 0 || standIn_) return;
    if (startedAt_ < 0) startedAt_ = clock();
    const qint64 now = clock() - startedAt_;
    if (now < delay) return;
    // A screen shows some sixty pictures a second; more often is no use.
    if (lastPaint_ != 0 && now - lastPaint_ < 30) return;
    lastPaint_ = now;
    if (!isVisible()) {
        activeBefore_ = QApplication::activeWindow();
        focusBefore_ = QApplication::focusWidget();
        show();
    }
    if (isVisible()) {
        label_->setText(QStringLiteral("Working... %1 MB read or written so far")
                            .arg(static_cast<double>(bytes_) / (1024.0 * 1024.0), 0, 'f', 0));
        repaint();
    }
    // Paint and expose events only: the command goes on, and no click or key reaches a window.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::optional<Shown> caughtWhileBusy(BusyWindow& busy, const std::function<void()>& handler) {
    busy.begin();
    std::optional<Shown> shown;
    {
        const io::ProgressScope scope([&busy](std::int64_t bytes) { busy.advance(bytes); });
        shown = caught(handler);
    }
    busy.end();
    return shown;
}

std::optional<Shown> guardedWhileBusy(QWidget* parent, Dialogs& dialogs, BusyWindow& busy,
                                      const std::function<void()>& handler) {
    // The message comes once the busy window has gone, never over an empty one.
    const std::optional<Shown> shown = caughtWhileBusy(busy, handler);
    if (shown) dialogs.showError(parent, shown->caption, shown->text);
    return shown;
}

}  // namespace pelvaro::app
