#pragma once
// The progress window shown while a whole PCG goes to the database: two bars, 0 to 200 in
// steps of one, one for the program slots and one for the combination slots. It is stepped
// from inside the command, so it repaints itself without giving input back to the user.

#include <QElapsedTimer>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <vector>

#include "transfer/engine.h"

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

namespace pelvaro::session {
class BatchSend;
}

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

    // Many files: below the bars, the file being sent and its place ("File 12 of 340"), a bar of
    // the files done of all, the time left and a Cancel button; the window takes the input from
    // the other windows meanwhile, so Cancel can be pressed while they wait.
    void beginFiles();
    // File `number` of `count` begins: the bars start again, the time left is reckoned from the
    // files before it, and a click on Cancel comes in.
    void showFile(int number, int count, const QString& path);
    // The file shown is done (sent or skipped): the bar of all files moves on by one.
    void fileDone();
    // Whether Cancel was pressed since beginFiles().
    bool cancelled() const { return cancelled_; }
    void endFiles();

    QProgressBar* programBar() const { return programBar_; }
    QProgressBar* combinationBar() const { return combinationBar_; }
    QProgressBar* filesBar() const { return filesBar_; }
    const std::vector<std::pair<QString, QPoint>>& captions() const { return captions_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // Paints what changed when the last picture is old enough (or `always`), without giving the
    // main window input. Between two pictures the window does not paint, so a bar stepped a
    // thousand times a second costs a number, not a picture.
    void repaintNow(bool always = false);
    // The bars at the steps counted.
    void showSteps();

    QProgressBar* programBar_;
    QProgressBar* combinationBar_;
    QProgressBar* filesBar_;
    QLabel* file_;
    QLabel* timeLeft_;
    QPushButton* cancel_;
    int programSteps_ = 0;
    int combinationSteps_ = 0;
    unsigned steps_ = 0;  // since the window was made
    bool files_ = false;
    bool cancelled_ = false;
    QElapsedTimer sincePaint_;
    QElapsedTimer sinceFiles_;
    std::vector<std::pair<QString, QPoint>> captions_;
};

// One long command with the progress window, from its set-up (the bars at 0, the window shown
// with its captions, and for many files the file line, the bar of all files and Cancel) to its
// finish (the window hidden), however the command ends; the command steps a bar once per slot.
class ProgressRun {
  public:
    enum class Files { One, Many };
    explicit ProgressRun(ProgressWindow& window, Files files = Files::One);
    ~ProgressRun();
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    // What the command calls once per slot.
    transfer::Progress step() const;

    // Many files: sends the run's files in turn, each shown as it begins; Cancel is looked at
    // between two files only. False when Cancel stopped the run before its end.
    bool sendFiles(session::BatchSend& batch) const;

  private:
    ProgressWindow& window_;
    Files files_;
};

}  // namespace pelvaro::app
