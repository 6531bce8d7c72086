#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "support/FakeInstrument.h"
#include "support/OwnInstrument.h"
#include "support/TestSupport.h"
#include "ui/instrument/CalibrationDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::ui::test::FakeInstrument;
using ombra::core::test::OwnInstrument;
namespace mb = ombra::core::platform::mb;

namespace {

// Records how the calibration run handles the button-watch thread.
class RecordingWatcher : public CWorkThread {
public:
    RecordingWatcher() : CWorkThread([](core::WatchEvent) {}, 100) {}
    void Start() override { events.push_back("start"); }
    void Stop() override { events.push_back("stop"); }
    void Pause() override { events.push_back("pause"); }
    void Resume() override { events.push_back("resume"); }
    QStringList events;
};

QPushButton *button(QDialog *dlg, int id) { return dlg->findChild<QPushButton *>(QStringLiteral("ctl_%1").arg(id)); }

// While a run is under way, hands each newly shown calibration dialog to `act` once.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(CCalibrationDlg *)> act) : act_(std::move(act)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            CCalibrationDlg *dlg = CCalibrationDlg::Current();
            // Marked on the object: the next dialog may take the same address.
            if (!dlg || !dlg->isVisible() || dlg->property("handled").toBool()) return;
            dlg->setProperty("handled", true);
            titles << dlg->windowTitle();
            act_(dlg);
        });
        timer_.start(10);
    }
    QStringList titles;

private:
    std::function<void(CCalibrationDlg *)> act_;
    QTimer timer_;
};

const std::string binDir = OMBRA_BIN_DIR;

}  // namespace

class CalibrationDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeInstrument> fake;
    std::unique_ptr<OwnInstrument> instrument;

private slots:
    void init() {
        fake = std::make_unique<FakeInstrument>();
        DeviceHandle() = fake->AddDevice();
        instrument = std::make_unique<OwnInstrument>();
    }
    void cleanup() {
        instrument.reset();
        fake.reset();
    }

    void skipButtonFollowsModeAndPermission() {
        CCalibrationDlg zeroAllowed(ZeroCalibrationStep(binDir, true), *instrument);
        QVERIFY(button(&zeroAllowed, 1077)->isVisibleTo(&zeroAllowed));
        QVERIFY(button(&zeroAllowed, 1077)->isEnabled());
        CCalibrationDlg zeroBarred(ZeroCalibrationStep(binDir, false), *instrument);
        QVERIFY(button(&zeroBarred, 1077)->isVisibleTo(&zeroBarred));
        QVERIFY(!button(&zeroBarred, 1077)->isEnabled());
        CalibrationStep white = WhiteCalibrationStep(binDir);
        white.skipAllowed = true;
        CCalibrationDlg whiteDlg(white, *instrument);
        QVERIFY(!button(&whiteDlg, 1077)->isVisibleTo(&whiteDlg));
        QVERIFY(!button(&whiteDlg, 1077)->isEnabled());
    }

    void showsCaptionInstructionPictureAndFocus() {
        CCalibrationDlg dlg(WhiteCalibrationStep(binDir), *instrument);
        QCOMPARE(dlg.objectName(), QString("dlg_129"));
        QCOMPARE(dlg.windowTitle(), core::platform::ResWindowTitle(1316));
        auto *message = dlg.findChild<QLabel *>("ctl_1003");
        QCOMPARE(message->text(), core::platform::ResQString(1318));
        QVERIFY(message->font().bold());
        QCOMPARE(QFontInfo(message->font()).pixelSize(), QFontInfo(dlg.font()).pixelSize() + 4);
        auto *picture = dlg.findChild<QLabel *>("ctl_1075");
        QVERIFY(!picture->pixmap().isNull());
        QCOMPARE(picture->pixmap().size(), QSize(230, 240));
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.focusWidget(), static_cast<QWidget *>(button(&dlg, 1076)));

        CCalibrationDlg zero(ZeroCalibrationStep(binDir, true), *instrument);
        QCOMPARE(zero.windowTitle(), core::platform::ResWindowTitle(1315));
        QCOMPARE(zero.findChild<QLabel *>("ctl_1003")->text(), core::platform::ResQString(1317));
    }

    void missingPictureLeavesThePictureEmpty() {
        CCalibrationDlg dlg(WhiteCalibrationStep("/nonexistent"), *instrument);
        QVERIFY(dlg.findChild<QLabel *>("ctl_1075")->pixmap().isNull());
    }

    void whiteSuccessSaysSoBeforeClosingWithOk() {
        CCalibrationDlg dlg(WhiteCalibrationStep(binDir), *instrument);
        dlg.show();
        std::vector<ui::platform::MessageBoxRequest> boxes;
        bool visibleAtMessage = false;
        auto previous = ui::platform::SetMessageBoxHook([&](const ui::platform::MessageBoxRequest &r) {
            boxes.push_back(r);
            visibleAtMessage = dlg.isVisible();
            return mb::IDOK;
        });
        QTest::mouseClick(button(&dlg, 1076), Qt::LeftButton);
        ui::platform::SetMessageBoxHook(previous);
        QCOMPARE(fake->Count("DIDoCalibration"), 1);
        QCOMPARE(fake->CallsOf("DIDoCalibration")[0].a, 7);
        QCOMPARE(fake->Count("DIDoPolarizationCalib"), 0);
        QCOMPARE(int(boxes.size()), 1);
        QCOMPARE(boxes[0].text, core::platform::ResString(1186));
        QCOMPARE(boxes[0].flags, unsigned(mb::ICONASTERISK));
        QVERIFY(visibleAtMessage);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), 1);
    }

    void failureIsReportedAndTheDialogStaysOpen() {
        fake->SetResult("DIDoCalibration", 19);
        ui::test::MessageBoxRecorder boxes;
        CCalibrationDlg dlg(WhiteCalibrationStep(binDir), *instrument);
        dlg.show();
        QTest::mouseClick(button(&dlg, 1076), Qt::LeftButton);
        QCOMPARE(int(boxes.Count()), 1);
        QCOMPARE(boxes.Boxes()[0].caption, core::platform::ResString(1200));
        QVERIFY(dlg.isVisible());
        // A second try that succeeds closes it.
        fake->SetResult("DIDoCalibration", 0);
        QTest::mouseClick(button(&dlg, 1076), Qt::LeftButton);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), 1);
    }

    void zeroCalibrationClosesWithOkWithoutMessage() {
        ui::test::MessageBoxRecorder boxes;
        CCalibrationDlg dlg(ZeroCalibrationStep(binDir, true), *instrument);
        dlg.show();
        QTest::mouseClick(button(&dlg, 1076), Qt::LeftButton);
        QCOMPARE(fake->Count("DIDoPolarizationCalib"), 1);
        QCOMPARE(fake->Count("DIDoCalibration"), 0);
        QCOMPARE(int(boxes.Count()), 0);
        QCOMPARE(dlg.result(), 1);
    }

    void skipAndCancelResults() {
        CCalibrationDlg skip(ZeroCalibrationStep(binDir, true), *instrument);
        skip.show();
        QTest::mouseClick(button(&skip, 1077), Qt::LeftButton);
        QCOMPARE(skip.result(), -7);
        CCalibrationDlg cancel(ZeroCalibrationStep(binDir, true), *instrument);
        cancel.show();
        QTest::mouseClick(button(&cancel, 2), Qt::LeftButton);
        QCOMPARE(cancel.result(), int(QDialog::Rejected));
        QCOMPARE(fake->Count("DIDoPolarizationCalib"), 0);
    }

    void runWithoutPolarisationPausesCalibratesAndResumes() {
        ui::test::MessageBoxRecorder boxes;
        RecordingWatcher watcher;
        bool openDuringRun = false;
        DialogDriver driver([&](CCalibrationDlg *dlg) {
            openDuringRun = IsCalibrationDialogOpen();
            QCOMPARE(watcher.events, QStringList{"pause"});
            button(dlg, 1076)->click();
        });
        CalibrationOutcome outcome = RunCalibration(nullptr, &watcher, 0, binDir, *instrument);
        QCOMPARE(driver.titles, QStringList{core::platform::ResWindowTitle(1316)});
        QVERIFY(outcome.ready());
        QVERIFY(openDuringRun);
        QVERIFY(!IsCalibrationDialogOpen());
        QCOMPARE(watcher.events, (QStringList{"pause", "resume"}));
    }

    void runWithPolarisationSkipsToTheWhiteCalibration() {
        fake->SetCalibrationStatus(2);
        ui::test::MessageBoxRecorder boxes;
        DialogDriver driver([](CCalibrationDlg *dlg) { button(dlg, dlg->ZeroMode() ? 1077 : 1076)->click(); });
        CalibrationOutcome outcome = RunCalibration(nullptr, nullptr, 1, binDir, *instrument);
        QCOMPARE(driver.titles, (QStringList{core::platform::ResWindowTitle(1315), core::platform::ResWindowTitle(1316)}));
        QCOMPARE(outcome.zeroResult, -7);
        QVERIFY(outcome.ready());
        QCOMPARE(fake->Count("DIDoPolarizationCalib"), 0);
        QCOMPARE(fake->Count("DIDoCalibration"), 1);
    }

    void cancelledWhiteCalibrationIsNotReady() {
        DialogDriver driver([](CCalibrationDlg *dlg) { button(dlg, 2)->click(); });
        CalibrationOutcome outcome = RunCalibration(nullptr, nullptr, 0, binDir, *instrument);
        QVERIFY(outcome.whiteShown);
        QVERIFY(!outcome.ready());
    }

    void lossEndsTheRunAndTheWatcherIsResumed() {
        RecordingWatcher watcher;
        bool ended = false;
        DialogDriver driver([&](CCalibrationDlg *) { ended = EndCalibrationDialog(); });
        CalibrationOutcome outcome = RunCalibration(nullptr, &watcher, 1, binDir, *instrument);
        QVERIFY(ended);
        QVERIFY(outcome.zeroShown);
        QCOMPARE(outcome.zeroResult, 0);
        QVERIFY(!outcome.whiteShown);
        QVERIFY(!IsCalibrationDialogOpen());
        QCOMPARE(watcher.events, (QStringList{"pause", "resume"}));
        QVERIFY(!EndCalibrationDialog());
        QCOMPARE(fake->Count("DIDoPolarizationCalib"), 0);
    }
};

OMBRA_QTEST_MAIN(CalibrationDlgTest)
#include "tst_calibrationdlg.moc"
