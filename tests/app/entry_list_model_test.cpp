// The database list model under Qt's model tester, and the rows it formats.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QStringList>

#include "app/entry_list_model.h"
#include "db_builder.h"

using namespace pelvaro;
using namespace pelvaro::testing;
using namespace pelvaro::synthetic;

namespace {
QStringList warnings;
void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg) warnings << text;
}
}  // namespace

TEST(EntryListModel, KeepsTheModelRulesThroughRefillsAndShowsTheCoreRowLabels) {
    TestDatabase db;
    db.addProgram("PIANO 1");
    db.addProgram("GrandPiano", {.voice = 2});
    db.addProgram("ORGAN", {.voice = 3});
    app::EntryListModel model(db.files(), db::Kind::Program);
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    {
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        model.setRows({1, 2, 3});
        EXPECT_EQ(model.rowCount(), 3);
        EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("2     GrandPiano      "));
        model.setRows({3});  // a search result: row 1 shows entry 3
        EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("1     ORGAN      "));
        EXPECT_FALSE(model.index(0, 0).data(Qt::EditRole).isValid());
        model.setRows({});
        EXPECT_EQ(model.rowCount(), 0);
        EXPECT_FALSE(model.index(0, 0).isValid());
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
}
