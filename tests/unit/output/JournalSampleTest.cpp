// The journal's samples of several readings: the averaged measurement says of how many readings
// it was made, each reading names it; readings never count as unwritten nor stand as the newest
// measurement; a journal of the schema before them gains the link and keeps its measurements.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "output/MeasurementJournal.h"

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
        EXPECT_EQ(kept[i].time, readings[2 - i].time) << "newest first";
    }
    EXPECT_FALSE(journal.RecordReadings(0, readings)) << "a mean that is not in the journal links nothing";
    EXPECT_FALSE(journal.RecordReadings(-1, readings)) << "nor one held outside it";
    EXPECT_EQ(journal.List().size(), 4u);
}

// The journal of the schema before samples: the link columns arrive, the measurements stay.
TEST_F(JournalSamples, AnEarlierJournalGainsTheLinkAndKeepsItsMeasurements) {
    {
        MeasurementJournal journal(nullptr, Path(), Fallback());
        ASSERT_TRUE(journal.Record(Measurement("09:00:00")));
    }
    Peek({"DROP INDEX measurements_by_sample", "ALTER TABLE measurements DROP COLUMN sample_of",
          "ALTER TABLE measurements DROP COLUMN readings",
          QString("UPDATE schema_version SET version = %1").arg(MeasurementJournal::kSchemaVersion - 1)});
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

}  // namespace
}  // namespace ombra::core
