#pragma once
// "Classify by Rules": a table of rules, each giving a class to the entries it finds, an editor
// for one rule, the preview of what each rule would do and Apply, which gives the classes in
// one undo step. The rules are kept in the settings after every change. "New Class..." beside
// the class choice adds a class at the top of the tree (its own undo step, as the class editor
// adds one) and chooses it, so a database without classes can be classified at once.

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "classes/class_rules.h"
#include "db/class_tree.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;

namespace pelvaro::session {
class Session;
}

namespace pelvaro::app {

class Dialogs;
class Settings;
class TextRowsModel;

class ClassifyRulesWindow : public QDialog {
    Q_OBJECT

  public:
    // changed runs after Apply changed the database, with the summary line.
    ClassifyRulesWindow(session::Session& session, Dialogs& dialogs, Settings& settings,
                        std::function<void(const QString& summary)> changed,
                        QWidget* parent = nullptr);

    const std::vector<classes::ClassRule>& rules() const { return rules_; }

  public slots:
    // The class choices and the preview from the database as it is now.
    void reload();
    void newClassClicked();
    void addClicked();
    void changeClicked();
    void removeClicked();
    void applyClicked();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ruleChosen();
    void testChanged();
    void updateButtons();
    // Why a class of this name cannot be added, or nothing when it can.
    std::optional<QString> classNameProblem(const QString& name) const;
    // The rule the editor's fields describe.
    classes::ClassRule editedRule() const;
    void showRuleInEditor(const classes::ClassRule& rule);
    // After the rules changed: kept in the settings, the table and the preview redone.
    void rulesChanged(int chosenRow);
    void preview();
    void showChosenEntries();
    int chosenRow() const;

    session::Session& session_;
    Dialogs& dialogs_;
    Settings& settings_;
    std::function<void(const QString&)> changed_;
    std::vector<classes::ClassRule> rules_;
    classes::RulesPreview preview_;
    db::ClassTree tree_;

    QTableWidget* table_;
    QComboBox* test_;
    QComboBox* scope_;
    QLineEdit* text_;
    QSpinBox* from_;
    QSpinBox* to_;
    QSpinBox* id_;
    QComboBox* class_;
    QPushButton* newClass_;
    QPushButton* add_;
    QPushButton* change_;
    QPushButton* remove_;
    TextRowsModel* entries_;
    QTableView* entriesView_;
    QLabel* summary_;
    QPushButton* apply_;
};

}  // namespace pelvaro::app
