#pragma once
// The status bar's three lines: the open PCG with its used slots, the open database with its
// counts (each with "(changed)" when it differs from the file it was last read from or written
// to), and what the last command did. Each line is cut to its room and whole in its tooltip,
// so it never widens the window.

#include <QWidget>

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class ElidedLabel;

class StatusPanel : public QWidget {
    Q_OBJECT

  public:
    explicit StatusPanel(QWidget* parent = nullptr);

    // The PCG line and the database line as the session stands.
    void showSession(const session::Session& session);
    void showPcg(const QString& text);
    void showDatabase(const QString& text);
    void showResult(const QString& text);

  private:
    ElidedLabel* pcg_;
    ElidedLabel* database_;
    ElidedLabel* result_;
};

}  // namespace pelvaro::app
