// Several readings of one sample, without a window: each press takes one reading, the last of
// the sample writes one measurement of their mean (with the spread of the readings) through the
// usual road, the journal keeps the readings linked to it, a failed reading does not count, and
// whatever changes the conditions of the sample drops an unfinished one and says so.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/instrument/InstrumentSession.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"
#include "support/MemoryAutomation.h"
#include "support/NoticeRecorder.h"

namespace ombra::core {
namespace {


constexpr int kLightness = 1000;  // L* of colour value set 0
constexpr int kSdL = 2111, kMaxDE00 = 2114;

const OutputItem *FindItem(const OutputItemList &items, int id) {
    for (const OutputItem &item : items)
        if (item.identifier == id) return &item;
    return nullptr;
}

// The expected discard text for `collected` of `readings`.
std::string DiscardText(int collected, int readings) {
    return MakeNotice(2064, 1200, 0, {std::to_string(collected), std::to_string(readings)}).Text();
}

class Sampling : public ::testing::Test {
protected:
    Sampling() : session(settings) {
        session.SetNoticeSink(notices.Sink());
        session.SetAutomationFactory([this]() -> std::unique_ptr<Automation> { return std::make_unique<SheetConnection>(sheet); });
        journal = std::make_unique<MeasurementJournal>(nullptr, dir.path() + "/journal.sqlite", QStringList{dir.path() + "/held"});
        session.SetJournal(journal.get());
        QObject::connect(&session, &InstrumentSession::measurementWritten,
                         [this](const MeasurementReport &report) { reports.push_back(report); });
        QObject::connect(&session, &InstrumentSession::sampleChanged,
                         [this](int collected, int readings) { progress.push_back({collected, readings}); });
        QObject::connect(&session, &InstrumentSession::sampleDiscarded,
                         [this](const QString &notice) { discarded.push_back(notice.toStdString()); });
    }
    ~Sampling() override { session.SetJournal(nullptr); }

    void SetUp() override {
        fake.AddDevice();
        ASSERT_TRUE(session.Connect());
    }
    void Press(float colorShift = 0) {
        fake.SetColorShift(colorShift);
        session.HandleWatchEvent(WatchEvent::ReflectionPressed);
        session.HandleWatchEvent(WatchEvent::ReflectionReleased);
    }
    void Select(std::vector<int> ids) {
        OutputItemList &selection = settings.selection.InForce().reflectionSelection;
        for (int id : ids) selection.push_back(MakeItem(id));
    }
    std::string Text(const MeasurementReport &report, int id) const {
        const OutputItem *item = FindItem(report.measurement.valueItems, id);
        return item ? item->valueText : "(absent)";
    }

    test::ScopedMemoryProfile profile;
    test::FakeInstrument fake;
    test::NoticeRecorder notices;
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    QTemporaryDir dir;
    std::unique_ptr<MeasurementJournal> journal;
    AppSettings settings;
    InstrumentSession session;
    std::vector<MeasurementReport> reports;
    std::vector<std::pair<int, int>> progress;
    std::vector<std::string> discarded;
};

TEST_F(Sampling, ThreePressesWriteOneMeasurementOfTheMeanAndTheJournalLinksTheReadings) {
    settings.sampling.SetReadingsPerSample(3);
    Select({kSdL, kMaxDE00});
    Press(0.f);
    Press(0.3f);
    EXPECT_TRUE(reports.empty()) << "nothing is written before the sample is complete";
    EXPECT_TRUE(sheet.writes.empty());
    EXPECT_EQ(session.SampleCollected(), 2);
    Press(0.9f);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 3}, {2, 3}, {0, 3}}));
    EXPECT_EQ(session.SampleCollected(), 0);
    const MeasurementReport &report = reports[0];
    EXPECT_TRUE(report.measurement.outcome.written());
    EXPECT_EQ(report.measurement.readings, 3);

    // The journal: the averaged measurement and, linked to it, its three readings.
    const std::vector<JournalEntry> kept = journal->List();
    ASSERT_EQ(kept.size(), 4u);
    const qint64 sample = report.measurement.id;
    ASSERT_GT(sample, 0);
    double sum = 0;
    std::vector<double> lightness;
    for (const JournalEntry &entry : kept) {
        if (entry.id == sample) {
            EXPECT_EQ(entry.readings, 3);
            EXPECT_EQ(entry.sampleOf, 0);
            continue;
        }
        EXPECT_EQ(entry.sampleOf, sample) << "reading " << entry.id;
        const OutputItem *l = FindItem(entry.valueItems, kLightness);
        ASSERT_TRUE(l);
        lightness.push_back(l->value);
        sum += l->value;
    }
    ASSERT_EQ(lightness.size(), 3u);
    EXPECT_NE(lightness[0], lightness[1]) << "the readings differ";
    EXPECT_EQ(Text(report, kLightness), FormatFixed(sum / 3, 2));
    const std::optional<JournalEntry> keptEntry = journal->Entry(sample);
    ASSERT_TRUE(keptEntry);
    const OutputItem *keptMean = FindItem(keptEntry->valueItems, kLightness);
    ASSERT_TRUE(keptMean);
    EXPECT_EQ(keptMean->valueText, Text(report, kLightness)) << "the journal keeps the mean as written";
    EXPECT_EQ(journal->UnwrittenCount(), 0) << "the readings were never meant for the sheet";
    EXPECT_EQ(journal->Newest()->id, sample);
    // L* 1.0, 1.3, 1.9: mean 1.4, sample deviation sqrt(0.42 / 2).
    EXPECT_EQ(Text(report, kSdL), "0.46");
    EXPECT_NE(Text(report, kMaxDE00), platform::ResString(1196));
    EXPECT_TRUE(discarded.empty());
    EXPECT_EQ(notices.Count(), 0u);

    Press(0.f);  // the next sample starts afresh
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(session.SampleCollected(), 1);
}

TEST_F(Sampling, OneReadingPerSampleWritesEveryPressWithoutSpreadOrExtraRows) {
    Select({kSdL});
    Press();
    Press();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(progress.empty());
    EXPECT_EQ(journal->List().size(), 2u);
    EXPECT_EQ(reports[0].measurement.readings, 0);
    EXPECT_EQ(Text(reports[0], kSdL), platform::ResString(1196));
}

TEST_F(Sampling, AFailedReadingDoesNotCount) {
    settings.sampling.SetReadingsPerSample(2);
    Press();
    fake.Script("DIDoMeasurement", {5});
    Press();
    EXPECT_EQ(session.SampleCollected(), 1);
    EXPECT_TRUE(reports.empty());
    Press();
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 3);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(journal->List().size(), 3u) << "two readings and their mean";
    EXPECT_TRUE(discarded.empty());
}

TEST_F(Sampling, ChangedSettingsOrCountDropAnUnfinishedSampleAndSaySo) {
    settings.sampling.SetReadingsPerSample(3);
    Press();
    Press();
    session.MeasurementSettingsChanged();
    ASSERT_EQ(discarded, (std::vector<std::string>{DiscardText(2, 3)}));
    EXPECT_EQ(progress.back(), (std::pair<int, int>{0, 3}));
    Press();
    Press();
    EXPECT_TRUE(reports.empty()) << "the dropped readings do not count";
    Press();
    EXPECT_EQ(reports.size(), 1u);

    // Another count, set while a sample is unfinished, takes effect at the next press.
    Press();
    settings.sampling.SetReadingsPerSample(2);
    Press();
    EXPECT_EQ(discarded.back(), DiscardText(1, 3));
    EXPECT_EQ(session.SampleCollected(), 1);
    Press();
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports.back().measurement.readings, 2);

    session.MeasurementSettingsChanged();  // nothing unfinished: nothing to say
    EXPECT_EQ(discarded.size(), 2u);
    EXPECT_EQ(notices.Count(), 0u) << "told in the window's notice line, not as a message";
}

TEST_F(Sampling, TheDiscardCommandAndDisconnectingDropTheSample) {
    settings.sampling.SetReadingsPerSample(2);
    Press();
    session.DiscardSample();
    EXPECT_EQ(discarded, (std::vector<std::string>{DiscardText(1, 2)}));
    Press();
    EXPECT_TRUE(reports.empty());
    session.Disconnect();
    EXPECT_EQ(discarded.size(), 2u);
    EXPECT_EQ(session.SampleCollected(), 0);
    EXPECT_TRUE(journal->List().empty()) << "readings of a dropped sample are not kept";
}

}  // namespace
}  // namespace ombra::core
