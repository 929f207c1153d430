#pragma once
// The report of work on many files (PCG files sent, databases merged): a row per file with its
// counts or why it was skipped, lines below a row for what it has to say, the totals, "Copy"
// (the report as text) and "Save as CSV...".

#include <QDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace pelvaro::app {

class Dialogs;
class Settings;

class ReportWindow : public QDialog {
    Q_OBJECT

  public:
    struct Row {
        std::string path;    // the file, as the file system names it
        QStringList counts;  // the columns after the path, right-aligned; empty when skipped
        QString skipped;     // why it was skipped
        QStringList lines;   // shown below the row
    };
    struct Content {
        const char* name;  // the window's object name
        QString title;
        QStringList headers;  // the path's first, the reason's last
        QString listName;     // what the list is called for a screen reader
        QString listTip;
        std::vector<Row> rows;
        QString totals;
        std::string text;  // what Copy puts on the clipboard
        std::string csv;   // what Save as CSV writes
    };
    ReportWindow(Content content, Dialogs& dialogs, Settings& settings, QWidget* parent = nullptr);

  public slots:
    void copyClicked();
    void saveClicked();

  private:
    std::string text_;
    std::string csv_;
    Dialogs& dialogs_;
    Settings& settings_;
};

}  // namespace pelvaro::app
