// The main window's result panel after measurements through the session into an in-memory
// sheet: the values, colour, curve and destination of the measurement, the previous curve
// behind it, the reason of a miss, a light's values, hiding the panel remembered, and the
// progress of a sample of several readings with its Discard button.
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <memory>

#include "core/output/MeasurementJournal.h"
#include "core/output/ResultSummary.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"
#include "support/MainWindowRig.h"
#include "support/MemoryAutomation.h"
#include "support/TestSupport.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/output/ResultPanel.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;

namespace {

struct Rig : ui::test::MainWindowRig {
    explicit Rig(bool irradiance = false) : MainWindowRig(irradiance) { fake.SetButtons(-1, -1); }
    ResultPanel &panel() { return *window->Panel(); }
    JournalEntry Newest() { return journal->List(1).at(0); }
};

std::string Column(int index) { return std::string(1, char('A' + index)); }

}  // namespace

class ResultPanelTest : public QObject {
    Q_OBJECT
private slots:
    void aMeasurementFillsThePanelAsTheSheetGotIt();
    void aMissShowsItsReasonAndIsCounted();
    void aLightShowsItsIlluminanceCctAndDuv();
    void hidingThePanelIsRemembered();
    void aSampleOfSeveralReadingsShowsItsProgressAndCanBeDiscarded();
};

void ResultPanelTest::aMeasurementFillsThePanelAsTheSheetGotIt() {
    Rig rig;
    QVERIFY(rig.w().IsConnected());
    QVERIFY(!rig.panel().isHidden());
    QCOMPARE(rig.panel().WhereText(), ResQString(1887));
    rig.Press();
    const JournalEntry entry = rig.Newest();
    QCOMPARE(entry.outcome.result, TransferResult::Written);

    // The values as the cells hold them: labels in row 1, values in row 2 from A1 on.
    const auto shown = rig.panel().ShownValues();
    QCOMPARE(shown.size(), std::min(entry.valueItems.size(), kPanelValueCount));
    for (size_t i = 0; i < shown.size(); ++i) {
        QCOMPARE(shown[i].first.toStdString(), rig.sheet.Cell(Column(int(i)) + "1"));
        QCOMPARE(shown[i].second.toStdString(), rig.sheet.Cell(Column(int(i)) + "2"));
    }
    const QString last = QString::fromStdString(entry.outcome.lastCell);
    QCOMPARE(rig.panel().WhereText(), ResQString(1886).arg("Book1.ods › Sheet1 › A1:" + last));
    QCOMPARE(rig.panel().CountsText(), ResQString(1885).arg(1).arg(0));
    QVERIFY(rig.panel().SettingsText().contains(QString::fromStdString(entry.settingTexts[0])));

    // The curve is the record's spectrum point for point, in percent.
    const auto &curves = rig.panel().Plot()->Curves();
    QCOMPARE(curves.size(), size_t(1));
    QCOMPARE(curves[0].points.size(), size_t(36));
    for (int k = 0; k < 36; ++k) {
        QCOMPARE(curves[0].points[k].nm, 380.0 + 10 * k);
        QCOMPARE(curves[0].points[k].value, double(ui::test::FakeInstrument::SpectrumValue(k)) * 100.0);
    }
    // The swatch is the sample's colour: a reflectance rising to the red is a warm colour.
    const std::optional<QColor> colour = rig.panel().Swatch()->Colour();
    QVERIFY(colour);
    const ResultSummary expected = SummariseEntry(entry);
    QCOMPARE(colour->red(), (*expected.swatch)[0]);
    QCOMPARE(colour->blue(), (*expected.swatch)[2]);
    QVERIFY(colour->red() > colour->blue());
    QCOMPARE(rig.panel().Swatch()->OutOfGamutMarked(), expected.outOfGamut);

    // The next measurement draws the one before faintly behind its own.
    rig.Press();
    QCOMPARE(rig.panel().Plot()->Curves().size(), size_t(2));
    QVERIFY(rig.panel().Plot()->Curves()[0].faint);
    QVERIFY(rig.panel().Plot()->Curves()[0].points == rig.panel().Plot()->Curves()[1].points);
    QCOMPARE(rig.panel().CountsText(), ResQString(1885).arg(2).arg(0));
    QVERIFY(rig.panel().WhereText().contains("A3:"));
}

void ResultPanelTest::aMissShowsItsReasonAndIsCounted() {
    Rig rig;
    rig.Press();
    rig.officeUp = false;
    rig.Press();
    QCOMPARE(rig.panel().WhereText(), ResQString(1721));
    QCOMPARE(rig.panel().CountsText(), ResQString(1885).arg(1).arg(1));
    // What was measured is shown all the same.
    QVERIFY(!rig.panel().ShownValues().empty());
    QVERIFY(!rig.panel().Plot()->Curves().back().points.empty());
}

void ResultPanelTest::aLightShowsItsIlluminanceCctAndDuv() {
    Rig rig(true);
    rig.fake.SetPolFilter(0, 0);
    rig.Press(true);
    const JournalEntry entry = rig.Newest();
    QCOMPARE(entry.measurementType, 4);
    const QString light = rig.panel().LightText();
    // The same texts as the cells of the items 1037..1039.
    for (const OutputItem &item : entry.valueItems)
        if (item.identifier >= 1037 && item.identifier <= 1039)
            QVERIFY2(light.contains(QString::fromStdString(item.label + " " + item.valueText)), qPrintable(light));
    QCOMPARE(rig.panel().Plot()->YTitle(), ResQString(1883));
    const auto &points = rig.panel().Plot()->Curves().back().points;
    QVERIFY(!points.empty());
    QCOMPARE(points.front().nm, 360.0);
    QVERIFY(points == RecordedSpectrum(entry));
    QVERIFY(rig.panel().Swatch()->Colour());
}

void ResultPanelTest::hidingThePanelIsRemembered() {
    auto rig = std::make_unique<Rig>();
    QAction *item = rig->w().MenuAction(1880);
    QVERIFY(item && item->isCheckable() && item->isChecked());
    item->trigger();
    QVERIFY(rig->panel().isHidden());
    QVERIFY(!item->isChecked());
    // A new window with the same settings starts without it, and the command brings it back.
    auto again = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
    QVERIFY(again->Panel()->isHidden());
    QVERIFY(!again->MenuAction(1880)->isChecked());
    again->OnCommand(1880);
    QVERIFY(!again->Panel()->isHidden());
    QVERIFY(Settings().feedback.ResultPanelShown());
}

void ResultPanelTest::aSampleOfSeveralReadingsShowsItsProgressAndCanBeDiscarded() {
    Rig rig;
    Settings().sampling.SetReadingsPerSample(3);
    QPushButton *discard = rig.panel().DiscardSampleButton();
    QVERIFY(rig.panel().SampleProgressText().isEmpty());
    QVERIFY(discard->isHidden());
    rig.Press();
    rig.Press();
    QCOMPARE(rig.panel().SampleProgressText(), ResQString(2066).arg(2).arg(3));
    QCOMPARE(rig.panel().SampleProgressText(), QString("Reading 2 of 3"));
    QVERIFY(!discard->isHidden());
    QCOMPARE(discard->text(), ResQString(2067));
    QCOMPARE(rig.panel().WhereText(), ResQString(1887));  // nothing written yet

    QTest::mouseClick(discard, Qt::LeftButton);
    QVERIFY(rig.panel().SampleProgressText().isEmpty());
    QVERIFY(discard->isHidden());
    QCOMPARE(rig.w().Session().SampleCollected(), 0);
    QCOMPARE(rig.w().HintText(), ResQString(2064).arg(2).arg(3));

    // A whole sample: one measurement of the mean, its three readings kept in the journal.
    for (int press = 0; press < 3; ++press) rig.Press();
    QVERIFY(rig.panel().SampleProgressText().isEmpty());
    QVERIFY(discard->isHidden());
    QCOMPARE(rig.panel().CountsText(), ResQString(1885).arg(1).arg(0));
    const std::vector<JournalEntry> kept = rig.journal->List();
    QCOMPARE(kept.size(), size_t(4));
    QCOMPARE(rig.Newest().sampleOf, qint64(kept.back().id));
    QCOMPARE(kept.back().readings, 3);
    QVERIFY(rig.boxes.Boxes().empty());
}

OMBRA_QTEST_MAIN(ResultPanelTest)
#include "tst_resultpanel.moc"
