#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "core/platform/Resources.h"
#include "support/FakeInstrument.h"
#include "support/TestSupport.h"
#include "ui/instrument/MeasSettingsDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::ui::test::FakeCall;
using ombra::ui::test::FakeInstrument;

namespace {

QComboBox *combo(QDialog &dlg, int id) { return dlg.findChild<QComboBox *>(QStringLiteral("ctl_%1").arg(id)); }

// The user picks `row` in list `id`.
void choose(QDialog &dlg, int id, int row) {
    QComboBox *list = combo(dlg, id);
    list->setCurrentIndex(row);
    emit list->activated(row);
}

// Runs `act` on the settings dialog once it is shown modally.
void whenShown(std::function<void(CMeasSettingsDlg &)> act) {
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        CMeasSettingsDlg *dlg = CMeasSettingsDlg::Current();
        if (!dlg || !dlg->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        act(*dlg);
    });
    timer->start(10);
}

}  // namespace

class MeasSettingsDlgTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeInstrument> fake;
    std::unique_ptr<ui::test::MessageBoxRecorder> boxes;
    core::platform::MemoryProfileStore store;
    AppSettings s{store};

private slots:
    void init() {
        fake = std::make_unique<FakeInstrument>();
        DeviceHandle() = fake->AddDevice();
        boxes = std::make_unique<ui::test::MessageBoxRecorder>();
        s = AppSettings{};
        s.identity.SetModelName(core::platform::ResString(1234));
        store = core::platform::MemoryProfileStore{};
    }
    void cleanup() {
        boxes.reset();
        fake.reset();
    }

    void listsShowTheEntriesAtTheStoredPositions() {
        s.measurement.InForce().MeasurementCondSel = 6;
        s.measurement.InForce().ObserverSel = 1;
        CMeasSettingsDlg dlg(nullptr, s);
        QCOMPARE(dlg.objectName(), QString("dlg_130"));
        QCOMPARE(combo(dlg, 1012)->count(), 2);
        QCOMPARE(combo(dlg, 1012)->itemText(1), core::platform::ResQString(1141));
        QCOMPARE(combo(dlg, 1004)->count(), 16);
        QCOMPARE(combo(dlg, 1004)->currentIndex(), 6);
        QCOMPARE(combo(dlg, 1004)->currentText(), core::platform::ResQString(1149));
        QCOMPARE(combo(dlg, 1005)->count(), 2);
        QVERIFY(!combo(dlg, 1005)->isEnabled());
        QCOMPARE(combo(dlg, 1006)->currentIndex(), 1);
        QCOMPARE(combo(dlg, 1007)->count(), 15);
        QCOMPARE(combo(dlg, 1007)->currentIndex(), 2);
        QCOMPARE(combo(dlg, 1071)->itemText(1), core::platform::ResQString(1283));
        QVERIFY(dlg.findChild<QPushButton *>("ctl_1"));
        QVERIFY(dlg.findChild<QPushButton *>("ctl_2"));
    }

    void reflectionOnlyModelAndRefusedProbe() {
        s.identity.SetModelName(core::platform::ResString(1235));
        fake->SetRule([](const FakeCall &c) -> std::optional<int32_t> {
            if (c.fn == "DISetProperty" && c.a == 4 && c.b == 14) return 10001;
            return std::nullopt;
        });
        CMeasSettingsDlg dlg(nullptr, s);
        QCOMPARE(combo(dlg, 1012)->count(), 1);
        QCOMPARE(combo(dlg, 1004)->count(), 15);
        QCOMPARE(combo(dlg, 1007)->count(), 14);
    }

    // The controls follow the lists' contents and enable states after each choice.
    void controlsFollowFilterAndTypeChoices() {
        CMeasSettingsDlg dlg(nullptr, s);
        QCOMPARE(dlg.windowTitle(), core::platform::ResWindowTitle(2204));
        const QString conditionBefore = combo(dlg, 1004)->currentText();
        choose(dlg, 1071, 1);
        QCOMPARE(combo(dlg, 1004)->count(), 1);
        QCOMPARE(combo(dlg, 1004)->currentText(), core::platform::ResQString(1273));
        QVERIFY(!combo(dlg, 1004)->isEnabled());
        QCOMPARE(int(boxes->Count()), 1);
        // The message says what the filter changed: the condition, old → new.
        const QString told = QString::fromStdString(boxes->Boxes()[0].text);
        QVERIFY2(told.startsWith(core::platform::ResQString(2260)), qPrintable(told));
        QVERIFY2(told.contains(core::platform::ResQString(2261).arg(conditionBefore, core::platform::ResQString(1273))),
                 qPrintable(told));
        QCOMPARE(QString::fromStdString(boxes->Boxes()[0].caption), core::platform::ResQString(1200));

        choose(dlg, 1012, 1);
        QVERIFY(!combo(dlg, 1004)->isEnabled());
        QVERIFY(!combo(dlg, 1007)->isEnabled());
        QVERIFY(!combo(dlg, 1071)->isEnabled());
        QCOMPARE(combo(dlg, 1071)->currentIndex(), 0);
        QCOMPARE(combo(dlg, 1004)->count(), 16);
        QCOMPARE(combo(dlg, 1004)->currentText(), core::platform::ResQString(1143));
    }

    void okStoresSendsAndCopiesThePositionsBack() {
        whenShown([](CMeasSettingsDlg &dlg) {
            choose(dlg, 1006, 1);
            choose(dlg, 1004, 6);
            QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_1"), Qt::LeftButton);
        });
        int result = RunMeasurementSettings(nullptr, s);
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(!IsMeasurementSettingsDialogOpen());
        QCOMPARE(s.measurement.ObserverSel(), 1);
        QCOMPARE(s.measurement.MeasurementCondSel(), 6);
        QCOMPARE(s.measurement.Observer(), 2);
        QCOMPARE(s.measurement.MeasurementCond(), 0x20);
        QCOMPARE(s.measurement.Illuminant(), 0x20);  // followed the condition
        QCOMPARE(store.GetInt(s.identity.ModelName(), "MeasurementCondSel", -1), 6);
        QCOMPARE(fake->Property(4), 5);
        QCOMPARE(fake->Property(2), 1);
    }

    // The readings averaged into one measurement: 1..10, shown as stored, stored on OK only.
    void readingsPerSampleAreOfferedAndStoredOnOk() {
        s.sampling.SetReadingsPerSample(3);
        QSpinBox *shown = nullptr;
        int shownValue = 0;
        whenShown([&](CMeasSettingsDlg &dlg) {
            shown = dlg.findChild<QSpinBox *>("readingsPerSample");
            if (!shown) return dlg.reject();
            shownValue = shown->value();
            QCOMPARE(shown->minimum(), 1);
            QCOMPARE(shown->maximum(), 10);
            shown->setValue(12);  // held to the range
            QCOMPARE(shown->value(), 10);
            shown->setValue(5);
            QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_1"), Qt::LeftButton);
        });
        QCOMPARE(RunMeasurementSettings(nullptr, s), int(QDialog::Accepted));
        QVERIFY(shown);
        QCOMPARE(shownValue, 3);
        QCOMPARE(s.sampling.ReadingsPerSample(), 5);

        whenShown([](CMeasSettingsDlg &dlg) {
            dlg.ReadingsControl()->setValue(7);
            QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_2"), Qt::LeftButton);
        });
        QCOMPARE(RunMeasurementSettings(nullptr, s), int(QDialog::Rejected));
        QCOMPARE(s.sampling.ReadingsPerSample(), 5);  // cancelled: not stored
    }

    void refusedConditionKeepsTheDialogOpen() {
        fake->SetRule([](const FakeCall &c) -> std::optional<int32_t> {
            if (c.fn == "DISetProperty" && c.a == 4 && c.b == 5) return 10001;
            return std::nullopt;
        });
        bool stillShown = false;
        whenShown([&](CMeasSettingsDlg &dlg) {
            choose(dlg, 1004, 6);
            QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_1"), Qt::LeftButton);
            stillShown = dlg.isVisible();
            QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_2"), Qt::LeftButton);
        });
        int result = RunMeasurementSettings(nullptr, s);
        QVERIFY(stillShown);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(boxes->Boxes().back().text, core::platform::ResString(1241));
        QCOMPARE(s.measurement.MeasurementCondSel(), 0);
        QCOMPARE(s.measurement.MeasurementCond(), 4);
        QCOMPARE(store.GetInt(s.identity.ModelName(), "MeasurementCond", -1), 0x20);
    }

    void lossEndsTheDialogWithoutTakingTheChoices() {
        bool ended = false;
        whenShown([&](CMeasSettingsDlg &dlg) {
            choose(dlg, 1006, 1);
            ended = EndMeasurementSettingsDialog();
        });
        int result = RunMeasurementSettings(nullptr, s);
        QVERIFY(ended);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(s.measurement.ObserverSel(), 0);
        QVERIFY(store.Writes().empty());
        QVERIFY(!IsMeasurementSettingsDialogOpen());
        QVERIFY(!EndMeasurementSettingsDialog());
    }
};

OMBRA_QTEST_MAIN(MeasSettingsDlgTest)
#include "tst_meassettingsdlg.moc"
