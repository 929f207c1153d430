#pragma once
// The progress window shown while a whole PCG goes to the database: two bars, 0 to 200 in
// steps of one, one for the program slots and one for the combination slots. It is stepped
// from inside the command, so it repaints itself without giving input back to the user.

#include <QPoint>
#include <QString>
#include <QWidget>
#include <vector>

class QFrame;
class QProgressBar;

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

    QProgressBar* programBar() const { return programBar_; }
    QProgressBar* combinationBar() const { return combinationBar_; }
    const std::vector<std::pair<QString, QPoint>>& captions() const { return captions_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void repaintNow();

    QProgressBar* programBar_;
    QProgressBar* combinationBar_;
    std::vector<std::pair<QString, QPoint>> captions_;
};

}  // namespace pelvaro::app
