// The database list model and the pickers' model under Qt's model tester, and the rows they
// format.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringList>

#include "app/entry_list_model.h"
#include "app/pick_list_model.h"
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

TEST(PickListModel, KeepsTheModelRulesAndFormatsOnlyTheRowsAskedFor) {
    int formatted = 0;
    app::PickListModel model([&formatted](std::int32_t key) {
        ++formatted;
        return QString::number(key);
    });
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    {
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        model.setKeys({3, 8, 20});
        EXPECT_EQ(model.index(1, 0).data().toString(), QStringLiteral("8"));
        EXPECT_EQ(model.rowOf(20), 2);
        EXPECT_EQ(model.rowOf(4), -1);
        model.setRange(4);
        EXPECT_EQ(model.keyAt(3), 4);
        // The same rows again are no reset: a view keeps its place in them.
        const QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        const QSignalSpy renamed(&model, &QAbstractItemModel::dataChanged);
        model.setRange(4);
        EXPECT_EQ(resets.count(), 0);
        EXPECT_EQ(renamed.count(), 1);
        EXPECT_EQ(model.rowOf(5), -1);
        model.setKeys({});
        EXPECT_EQ(model.rowCount(), 0);
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();

    // A million keys hold no list of them and no text until a row is asked for.
    formatted = 0;
    model.setRange(1'000'000);
    EXPECT_EQ(model.rowCount(), 1'000'000);
    EXPECT_EQ(model.rowOf(765'432), 765'431);
    EXPECT_EQ(formatted, 0);
    EXPECT_EQ(model.index(999'999, 0).data().toString(), QStringLiteral("1000000"));
}
