#pragma once
// The progress window shown while a whole PCG goes to the database: two bars, 0 to 200 in
// steps of one, one for the program slots and one for the combination slots. It is stepped
// from inside the command, so it repaints itself without giving input back to the user.

#include <QPoint>
#include <QString>
#include <QWidget>
#include <vector>

#include "transfer/engine.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace pelvaro::app {

class ProgressWindow : public QWidget {
    Q_OBJECT

  public:
    explicit ProgressWindow(QWidget* parent = nullptr);

    void resetBars();
    void showWindow();
    // Draws a caption onto the window's surface (10-point font, no background), not as a control.
    void drawCaption(const QString& text, QPoint at);
    void stepProgramBar();
    void stepCombinationBar();
    void hideWindow();

    // Many files: below the bars, the file being sent and its place ("File 12 of 340") and a
    // Cancel button; the window takes the input from the other windows meanwhile, so Cancel
    // can be pressed while they wait.
    void beginFiles();
    void showFile(int number, int count, const QString& path);
    // Whether Cancel was pressed since beginFiles().
    bool cancelled() const { return cancelled_; }
    void endFiles();

    QProgressBar* programBar() const { return programBar_; }
    QProgressBar* combinationBar() const { return combinationBar_; }
    const std::vector<std::pair<QString, QPoint>>& captions() const { return captions_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Shows what changed, at most every few milliseconds, without giving the main window input.
    void repaintNow(bool always = false);

    QProgressBar* programBar_;
    QProgressBar* combinationBar_;
    QLabel* file_;
    QPushButton* cancel_;
    bool files_ = false;
    bool cancelled_ = false;
    qint64 lastPaint_ = 0;
    std::vector<std::pair<QString, QPoint>> captions_;
};

// One long command with the progress window, from its set-up (the bars at 0, the window shown
// with its captions, and for many files the file line and Cancel) to its finish (the window
// hidden), however the command ends; the command steps a bar once per slot.
class ProgressRun {
  public:
    enum class Files { One, Many };
    explicit ProgressRun(ProgressWindow& window, Files files = Files::One);
    ~ProgressRun();
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    // What the command calls once per slot.
    transfer::Progress step() const;

  private:
    ProgressWindow& window_;
    Files files_;
};

}  // namespace pelvaro::app
