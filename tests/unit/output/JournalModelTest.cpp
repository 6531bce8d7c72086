// The journal's table model: rows in the database's order read from any point (either end, a
// neighbour's key, the middle), filters, the rows of a selection, value columns, and a journal
// of the first schema brought forward with its searchable text.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimeZone>

#include "core/output/JournalModel.h"
#include "support/JournalFill.h"

namespace ombra::core {
namespace {

constexpr int kRows = 1050;  // eleven pages: more than the cache holds

JournalEntry Template() {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = "10:00:00";
    e.model = "OS-100";
    e.serial = "4711";
    e.outputItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{2000, "Lab", 0, ""}};
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1000, "L*", 0, "#.5"},
                    OutputItem{1001, "a*", 0, "-0.25"}, OutputItem{1002, "b*", 0, "1.00"}};
    return e;
}

// What a direct statement over the journal gives: the reference the model is held to.
std::vector<qint64> Ids(const QString &path, const QString &sql) {
    std::vector<qint64> ids;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "reference");
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(q.exec(sql));
        while (q.next()) ids.push_back(q.value(0).toLongLong());
    }
    QSqlDatabase::removeDatabase("reference");
    return ids;
}

struct JournalModelFixture : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.path() + "/journal.sqlite";
    std::unique_ptr<MeasurementJournal> journal;

    void SetUp() override {
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toLocal8Bit());
        journal = std::make_unique<MeasurementJournal>(nullptr, path);
        ASSERT_TRUE(journal->Record(Template()));
        QString error;
        ASSERT_TRUE(test::FillJournal(path, kRows, &error)) << error.toStdString();
    }
    std::vector<qint64> ModelIds(const JournalModel &model, const std::vector<int> &rows) {
        std::vector<qint64> ids;
        for (int row : rows) ids.push_back(model.IdAt(row));
        return ids;
    }
    // The copy number (see FillJournal) a row shows in its L* column.
    static int Number(const JournalModel &model, int row) {
        return model.data(model.index(row, JournalModel::FixedColumns)).toString().section('.', 0, 0).toInt();
    }
};

TEST_F(JournalModelFixture, EveryOrderReadsTheRowsTheDatabaseSortsFromAnyPoint) {
    JournalModel model(*journal);
    ASSERT_EQ(model.rowCount(), kRows);
    const struct {
        int column;
        const char *keys;
    } orders[] = {{JournalModel::DateColumn, "recorded_utc %1, id %1"},
                  {JournalModel::InstrumentColumn, "model %1, serial %1, recorded_utc %1, id %1"},
                  {JournalModel::OutcomeColumn, "outcome %1, recorded_utc %1, id %1"}};
    for (const auto &order : orders) {
        for (Qt::SortOrder direction : {Qt::DescendingOrder, Qt::AscendingOrder}) {
            model.sort(order.column, direction);
            const QString keys = QString(order.keys).arg(direction == Qt::DescendingOrder ? "DESC" : "ASC");
            const std::vector<qint64> expected = Ids(path, "SELECT id FROM measurements ORDER BY " + keys);
            ASSERT_EQ(expected.size(), size_t(kRows));
            SCOPED_TRACE(keys.toStdString());
            // The end first (one page, counted from that end), then the middle, then a neighbour
            // of each page held on either side, then everything in turn.
            const int before = model.PagesRead();
            EXPECT_EQ(model.IdAt(kRows - 1), expected.back());
            EXPECT_EQ(model.PagesRead(), before + 1);
            EXPECT_EQ(ModelIds(model, {530, 430, 699, 0, kRows - 101}),
                      (std::vector<qint64>{expected[530], expected[430], expected[699], expected[0], expected[kRows - 101]}));
            std::vector<int> all(kRows);
            for (int row = 0; row < kRows; ++row) all[size_t(row)] = row;
            EXPECT_EQ(ModelIds(model, all), expected);
        }
    }
    // The value columns keep the order; the time column's order is the date's.
    model.sort(JournalModel::DateColumn, Qt::DescendingOrder);
    model.sort(JournalModel::ValuesColumn, Qt::AscendingOrder);
    EXPECT_EQ(model.SortColumn(), JournalModel::DateColumn);
    model.sort(JournalModel::TimeColumn, Qt::AscendingOrder);
    EXPECT_EQ(model.SortColumn(), JournalModel::DateColumn);
    EXPECT_EQ(model.SortOrder(), Qt::AscendingOrder);
}

TEST_F(JournalModelFixture, FiltersByTextRecordedDaysAndOutcome) {
    JournalModel model(*journal);
    model.SetValueColumns({{1000, "L*"}});
    JournalFilter filter;
    filter.text = "104";  // 104.5 and 1040.5 to 1049.5
    model.SetFilter(filter);
    EXPECT_EQ(model.rowCount(), 11);
    filter.text = "os-2";  // any case: the instrument
    model.SetFilter(filter);
    EXPECT_EQ(model.rowCount(), (kRows + 3) / 4);
    filter.text = "%";  // taken as itself, not as a pattern
    model.SetFilter(filter);
    EXPECT_EQ(model.rowCount(), 0);

    // Two local days, not written, in the order of the outcome: the rows the copies' numbers say.
    filter = {};
    filter.from = QDate(2026, 1, 2);
    filter.to = QDate(2026, 1, 3);
    filter.outcomes = {TransferResult::NotWritten, TransferResult::OutsideSheet};
    model.SetFilter(filter);
    model.sort(JournalModel::OutcomeColumn, Qt::AscendingOrder);
    const QDateTime from(*filter.from, QTime(0, 0)), to(filter.to->addDays(1), QTime(0, 0));
    std::vector<int> expected;
    for (int n = 0; n < kRows; ++n) {
        const QDateTime at = QDateTime::fromString(test::FilledRecordedUtc(n), Qt::ISODateWithMs);
        if (n % 10 == 0 && at >= from && at < to) expected.push_back(n);
    }
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.size()));
    ASSERT_GT(expected.size(), 20u);
    for (int row = 0; row < model.rowCount(); ++row) {
        EXPECT_EQ(Number(model, row), expected[size_t(row)]);
        EXPECT_TRUE(model.data(model.index(row, 0), JournalModel::UnwrittenRole).toBool());
    }
}

TEST_F(JournalModelFixture, SelectedRowsGiveTheirIdsAndBack) {
    JournalModel model(*journal);
    JournalFilter filter;
    filter.outcomes = {TransferResult::Written};
    model.SetFilter(filter);
    model.sort(JournalModel::InstrumentColumn, Qt::AscendingOrder);
    const std::vector<qint64> ids = model.IdsOfRows({{900, 902}, {3, 4}, {0, 0}, {940, 2000}});
    std::vector<int> rows = {0, 3, 4, 900, 901, 902};
    for (int row = 940; row < model.rowCount(); ++row) rows.push_back(row);
    ASSERT_EQ(ids, ModelIds(model, rows));
    std::vector<qint64> shuffled(ids.rbegin(), ids.rend());
    shuffled.push_back(Ids(path, "SELECT id FROM measurements WHERE outcome = 2 LIMIT 1").at(0));  // filtered out
    EXPECT_EQ(model.RowsOfIds(shuffled), rows);
}

TEST_F(JournalModelFixture, ValueColumnsReloadAndRefresh) {
    JournalModel model(*journal);
    const std::vector<JournalValueColumn> available = model.AvailableValueColumns();
    ASSERT_EQ(available, (std::vector<JournalValueColumn>{{1000, "L*"}, {1001, "a*"}, {1002, "b*"}}));
    model.SetValueColumns({available[2], available[0]});
    ASSERT_EQ(model.columnCount(), JournalModel::FixedColumns + 2);
    EXPECT_EQ(model.headerData(JournalModel::FixedColumns, Qt::Horizontal).toString(), "b*");
    EXPECT_EQ(model.data(model.index(0, JournalModel::FixedColumns)).toString(), "1.00");
    EXPECT_EQ(model.data(model.index(0, JournalModel::FixedColumns + 1)).toString(), QString("%1.5").arg(kRows - 1));
    EXPECT_EQ(model.data(model.index(0, JournalModel::ValuesColumn)).toString(),
              QString("L* %1.5   a* -0.25   b* 1.00").arg(kRows - 1));

    // The newest is not written; written again it shows so in its place.
    const qint64 newest = model.IdAt(0);
    EXPECT_FALSE(model.data(model.index(0, 0), JournalModel::UnwrittenRole).toBool());  // copy 1049 is written
    ASSERT_TRUE(journal->SetOutcome(newest, TransferOutcome::Of(TransferResult::OutsideSheet, MissReason::SheetEnds)));
    model.RefreshShown();
    EXPECT_EQ(model.IdAt(0), newest);
    EXPECT_TRUE(model.data(model.index(0, 0), JournalModel::UnwrittenRole).toBool());
    // A measurement recorded since comes with the next reload, newest first (recorded now).
    const qint64 recorded = *journal->Record(Template());
    EXPECT_EQ(model.rowCount(), kRows);
    model.Reload();
    EXPECT_EQ(model.rowCount(), kRows + 1);
    EXPECT_EQ(model.IdAt(0), recorded);
}

// A journal of the first schema, as an earlier program left it: brought forward on opening, its
// measurement found by a search; new ones are searchable at once, deleted ones leave no text.
TEST(JournalSchema, FirstVersionIsBroughtForwardAndSearchable) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/journal.sqlite";
    {
        MeasurementJournal journal(nullptr, path);
        ASSERT_TRUE(journal.Record(Template()));
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "downgrade");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char *sql : {"DROP TRIGGER measurement_text_insert", "DROP TRIGGER measurement_text_delete",
                                "DROP TABLE measurement_text", "DROP INDEX measurements_by_time",
                                "DROP INDEX measurements_by_outcome", "DROP INDEX measurements_by_instrument",
                                "CREATE INDEX measurements_outcome ON measurements(outcome)",
                                "UPDATE measurements SET value_items = replace(value_items, '#', 'old')",
                                "UPDATE schema_version SET version = 1"})
            ASSERT_TRUE(q.exec(sql)) << sql;
        db.close();
    }
    QSqlDatabase::removeDatabase("downgrade");

    MeasurementJournal journal(nullptr, path);
    EXPECT_EQ(Ids(path, "SELECT version FROM schema_version"), std::vector<qint64>{MeasurementJournal::kSchemaVersion});
    JournalModel model(journal);
    JournalFilter filter;
    filter.text = "old.5";
    model.SetFilter(filter);
    EXPECT_EQ(model.rowCount(), 1);
    JournalEntry fresh = Template();
    fresh.valueItems[1].valueText = "new.5";
    const qint64 id = *journal.Record(fresh);
    filter.text = "NEW.5";
    model.SetFilter(filter);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.IdAt(0), id);
    EXPECT_EQ(journal.Delete({id}), 1);
    model.Reload();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(Ids(path, QString("SELECT id FROM measurement_text WHERE id = %1").arg(id)).empty());
}

}  // namespace
}  // namespace ombra::core
