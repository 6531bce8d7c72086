// The main window against the virtual instrument through the real instrument library:
// connect, one measurement by a press of the button, loss when the instrument is unplugged.
#include <QApplication>
#include <QLabel>

#include "FxsimHarness.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/TestSupport.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;

namespace {

const char kOneDevice[] = R"({"devices": [{"model": 100, "serial": 5001, "version": [3, 44]}]})";

const OutputItem *FindItem(const OutputItemList &items, int id) {
    for (const auto &item : items)
        if (item.identifier == id) return &item;
    return nullptr;
}

}  // namespace

class MainRoadLiveTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void connectMeasureAndLose();
    void cleanupTestCase();

private:
    ombra::core::test::ScopedInstrumentLibrary instrumentLibrary_;
};

void MainRoadLiveTest::initTestCase() {
    std::string error;
    QVERIFY2(instrumentLibrary_.Load(FXAPI_LIBRARY, &error), error.c_str());
}

void MainRoadLiveTest::cleanupTestCase() {
    instrumentLibrary_.Restore();
}

void MainRoadLiveTest::connectMeasureAndLose() {
    fxtest::FxsimServe serve(kOneDevice);
    QVERIFY2(serve.Start(), qPrintable(serve.Output()));
    ui::test::ScopedMemoryProfile profile;
    ui::test::MessageBoxRecorder boxes;
    Settings() = AppSettings{};

    std::vector<OutputValues> written;
    CVireoDataTransferSoftwareDlg w("1");
    w.SetMeasurementWriter([&](const OutputValues &values) {
        written.push_back(values);
        return TransferOutcome::Of(TransferResult::Written, MissReason::None);
    });
    w.OnCommand(1000);
    QVERIFY2(w.IsConnected(), boxes.Count() ? boxes.Boxes()[0].text.c_str() : "not connected");
    QVERIFY(w.IsWatching());
    QVERIFY(w.InstrumentText().endsWith(" : 5001"));
    QCOMPARE(w.Button(1000)->text(), ResQString(1182));

    // One press held for a while: exactly one measurement.
    QVERIFY(serve.Ok({"press", "--button", "reflection", "--hold", "600"}));
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), size_t(1), 10000);
    QTest::qWait(900);  // held, then released
    QCOMPARE(written.size(), size_t(1));
    const OutputItem *lightness = FindItem(written[0].valueItems, 1000);
    QVERIFY(lightness);
    QVERIFY(!lightness->valueText.empty());
    QVERIFY(lightness->valueText != ResString(1196));

    // The next press measures again.
    QVERIFY(serve.Ok({"press", "--button", "reflection", "--hold", "300"}));
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), size_t(2), 10000);

    // Unplugged: the window notices through the button poll and disconnects.
    QVERIFY(serve.Ok({"unplug"}));
    QTRY_VERIFY_WITH_TIMEOUT(!w.IsConnected(), 10000);
    QTest::qWait(300);
    int lost = 0;
    for (const auto &box : boxes.Boxes()) lost += box.text == ResString(1197);
    QCOMPARE(lost, 1);
    QVERIFY(!w.IsWatching());
    QCOMPARE(w.Button(1000)->text(), ResQString(1181));
}

OMBRA_QTEST_MAIN(MainRoadLiveTest)
#include "tst_mainroad_live.moc"
