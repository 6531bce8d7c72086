// The journal's samples of several readings: the averaged measurement says of how many readings
// it was made, each reading names it; readings never count as unwritten (nor show among what
// waits for the sheet) nor stand as the newest measurement; a mean held outside the journal
// keeps its readings until both move in; a journal of the schema before them gains the link and
// keeps its measurements.
#include <gtest/gtest.h>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "core/output/JournalModel.h"
#include "core/output/MeasurementJournal.h"

namespace ombra::core {
namespace {

JournalEntry Measurement(const std::string &time) {
    JournalEntry e;
    e.date = "2026/12/09";
    e.time = time;
    e.model = "OS-100";
    e.serial = "4711";
    e.outputItems = {OutputItem{1000, "L*", 50, "50.00"}};
    e.valueItems = e.outputItems;
    return e;
}

struct JournalSamples : ::testing::Test {
    QTemporaryDir dir;
    QString Path() const { return dir.path() + "/journal.sqlite"; }
    QStringList Fallback() const { return {dir.path() + "/held"}; }
    // Runs statements on the journal file behind the program's back.
    void Peek(const std::vector<QString> &statements) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
            db.setDatabaseName(Path());
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            for (const QString &sql : statements) ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("peek");
    }
};

TEST_F(JournalSamples, ReadingsAreLinkedToTheirMeanAndNeverCountAsUnwritten) {
    MeasurementJournal journal(nullptr, Path(), Fallback());
    JournalEntry mean = Measurement("10:00:03");
    mean.readings = 3;
    const std::optional<qint64> id = journal.Record(mean);
    ASSERT_TRUE(id && *id > 0);
    const std::vector<JournalEntry> readings = {Measurement("10:00:01"), Measurement("10:00:02"), Measurement("10:00:03")};
    ASSERT_TRUE(journal.RecordReadings(*id, readings));
    EXPECT_EQ(journal.UnwrittenCount(), 1) << "the mean is pending; its readings are not waiting for the sheet";
    EXPECT_EQ(journal.Newest()->id, *id) << "the readings kept after it are not the newest measurement";
    ASSERT_TRUE(journal.SetOutcome(*id, TransferOutcome::Of(TransferResult::Written, MissReason::None)));
    EXPECT_EQ(journal.UnwrittenCount(), 0);

    const std::vector<JournalEntry> kept = journal.List();
    ASSERT_EQ(kept.size(), 4u);
    EXPECT_EQ(kept.back().id, *id);
    EXPECT_EQ(kept.back().readings, 3);
    EXPECT_EQ(kept.back().sampleOf, 0);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(kept[i].sampleOf, *id);
        EXPECT_EQ(kept[i].readings, 0);
        EXPECT_EQ(kept[i].outcome.result, TransferResult::Reading);
        EXPECT_EQ(kept[i].time, readings[2 - i].time) << "newest first";
    }
    EXPECT_FALSE(journal.RecordReadings(0, readings)) << "a mean that is not in the journal links nothing";
    EXPECT_FALSE(journal.RecordReadings(-1, readings)) << "nor one that is not held either";
    EXPECT_EQ(journal.List().size(), 4u);

    // The Measurements window's list of what did not reach a sheet: the pending mean alone.
    ASSERT_TRUE(journal.SetOutcome(*id, TransferOutcome::Of(TransferResult::Pending, MissReason::None)));
    JournalModel model(journal);
    model.SetFilter({{}, {}, {}, {TransferResult::Pending, TransferResult::NotWritten, TransferResult::PartlyWritten,
                                   TransferResult::OutsideSheet}});
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.IdAt(0), *id);
    model.SetFilter({});
    ASSERT_EQ(model.rowCount(), 4);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(model.data(model.index(row, 0), JournalModel::UnwrittenRole).toBool(), model.IdAt(row) == *id);
}

// With the journal's folder unusable the mean is held in the fallback file; its readings wait
// there with it and, at the next start, move in linked to the id the mean gets.
TEST_F(JournalSamples, AHeldMeanKeepsItsReadingsUntilBothMoveIn) {
    QFile blocker(dir.path() + "/journal");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.path() + "/journal/journal.sqlite";
    {
        MeasurementJournal journal(nullptr, path, Fallback());
        JournalEntry mean = Measurement("11:00:02");
        mean.readings = 2;
        const std::optional<qint64> id = journal.Record(mean);
        ASSERT_TRUE(id && *id < 0);
        EXPECT_TRUE(journal.RecordReadings(*id, {Measurement("11:00:01"), Measurement("11:00:02")}));
        EXPECT_EQ(journal.UnwrittenCount(), 1);
    }
    ASSERT_TRUE(QFile::remove(dir.path() + "/journal"));
    MeasurementJournal journal(nullptr, path, Fallback());
    EXPECT_EQ(journal.HeldCount(), 0);
    const std::vector<JournalEntry> kept = journal.List();
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[2].readings, 2);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(kept[i].sampleOf, kept[2].id);
        EXPECT_EQ(kept[i].outcome.result, TransferResult::Reading);
    }
    EXPECT_EQ(kept[1].time, "11:00:01");
    EXPECT_EQ(journal.UnwrittenCount(), 1);
}

// The journal of the schema before samples: the link columns arrive, the measurements stay.
TEST_F(JournalSamples, AnEarlierJournalGainsTheLinkAndKeepsItsMeasurements) {
    {
        MeasurementJournal journal(nullptr, Path(), Fallback());
        ASSERT_TRUE(journal.Record(Measurement("09:00:00")));
    }
    Peek({"DROP INDEX measurements_by_sample", "ALTER TABLE measurements DROP COLUMN sample_of",
          "ALTER TABLE measurements DROP COLUMN readings",
          "UPDATE schema_version SET version = 3"});  // the schema before samples
    MeasurementJournal journal(nullptr, Path(), Fallback());
    ASSERT_TRUE(journal.IsOpen());
    ASSERT_EQ(journal.List().size(), 1u);
    EXPECT_EQ(journal.List().front().readings, 0);
    EXPECT_EQ(journal.UnwrittenCount(), 1);
    JournalEntry mean = Measurement("09:01:00");
    mean.readings = 2;
    const std::optional<qint64> id = journal.Record(mean);
    ASSERT_TRUE(id);
    EXPECT_TRUE(journal.RecordReadings(*id, {Measurement("09:00:30"), Measurement("09:01:00")}));
    EXPECT_EQ(journal.UnwrittenCount(), 2);
    EXPECT_EQ(journal.Entry(*id)->readings, 2);
}

// Readings kept by the schema that had no outcome of their own for them stop counting as waiting.
TEST_F(JournalSamples, EarlierReadingsGetTheirOwnOutcome) {
    {
        MeasurementJournal journal(nullptr, Path(), Fallback());
        const std::optional<qint64> id = journal.Record(Measurement("09:00:00"));
        ASSERT_TRUE(id && journal.RecordReadings(*id, {Measurement("08:59:59")}));
    }
    Peek({"UPDATE measurements SET outcome = 0", "UPDATE schema_version SET version = 4"});
    MeasurementJournal journal(nullptr, Path(), Fallback());
    EXPECT_EQ(journal.UnwrittenCount(), 1);
    EXPECT_EQ(journal.List().front().outcome.result, TransferResult::Reading);
}

}  // namespace
}  // namespace ombra::core
