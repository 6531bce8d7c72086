// The banner of a measurement that did not reach the sheet: every reason in the main window
// (never a message box), the count of waiting measurements in the singular and the plural, the
// sound and its switch, dismissing, the end of the banner when a measurement is written, and a
// press with the program's own window in front writing into the workbook last worked in.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"
#include "support/MainWindowRig.h"
#include "support/MemoryAutomation.h"
#include "support/TestSupport.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/mainwindow/MissBanner.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResQString;

namespace {

struct Rig : ui::test::MainWindowRig {
    MissBanner &banner() { return *window->Banner(); }
    QString Reason() const { return window->Banner()->findChild<QLabel *>("missBannerText")->text(); }
    QString Count() const { return window->Banner()->findChild<QLabel *>("missBannerCount")->text(); }
};

}  // namespace

class MissBannerTest : public QObject {
    Q_OBJECT
private slots:
    void everyReasonInTheBannerNeverInAMessageBox();
    void theSoundIsSwitchedOffInTheBanner();
    void dismissedUntilTheNextMissAndGoneWhenWritten();
    void programInFrontWritesIntoTheWorkbookLastWorkedIn();
};

void MissBannerTest::everyReasonInTheBannerNeverInAMessageBox() {
    Rig rig;
    QVERIFY(rig.w().IsConnected());
    QVERIFY(rig.banner().isHidden());

    rig.officeUp = false;
    rig.Press();
    QVERIFY(!rig.banner().isHidden());
    QCOMPARE(rig.Reason(), ResQString(1721));
    QCOMPARE(rig.Count(), QString("1 measurement not written – Data › Measurements"));
    QCOMPARE(rig.w().HintText(), rig.Count());  // the status bar counts alike
    QVERIFY(rig.banner().SetupButton()->isHidden());
    QVERIFY(!rig.banner().MeasurementsButton()->isHidden());

    rig.officeUp = true;
    MemoryAutomation withWorkbook = rig.sheet;
    rig.sheet.workbooks.clear();
    rig.sheet.presence = SpreadsheetPresence::NotAccepting;
    rig.Press();
    QCOMPARE(rig.Reason(), ResQString(1722));
    QVERIFY(!rig.banner().SetupButton()->isHidden());
    QCOMPARE(rig.Count(), QString("2 measurements not written – Data › Measurements"));

    rig.sheet.presence = SpreadsheetPresence::Answering;
    rig.Press();
    QCOMPARE(rig.Reason(), ResQString(1724));
    QVERIFY(rig.banner().SetupButton()->isHidden());
    QCOMPARE(rig.Count(), QString("3 measurements not written – Data › Measurements"));

    rig.sheet = withWorkbook;
    rig.sheet.foregroundTitle = "Terminal";
    rig.Press();
    QCOMPARE(rig.Reason(), ResQString(1723));

    rig.sheet = withWorkbook;
    rig.sheet.Sheet().rowCount = 10;
    rig.sheet.Sheet().cursorRow = 10;
    rig.Press();
    QCOMPARE(rig.Reason(), ResQString(1239));

    rig.sheet = withWorkbook;  // a whole measurement, to learn its calls
    rig.Press();
    QVERIFY(rig.banner().isHidden());
    const int calls = static_cast<int>(rig.sheet.calls.size());
    rig.sheet = withWorkbook;
    rig.sheet.failAtCall = calls * 2 / 3;
    rig.Press();
    QVERIFY2(rig.Reason().startsWith(ResQString(1725).section("%1", 0, 0)), qPrintable(rig.Reason()));
    QVERIFY(!rig.sheet.writes.empty());

    QCOMPARE(rig.Count(), QString("6 measurements not written – Data › Measurements"));
    QCOMPARE(rig.sounds, 6);
    QCOMPARE(rig.boxes.Count(), size_t(0));
}

void MissBannerTest::theSoundIsSwitchedOffInTheBanner() {
    Rig rig;
    rig.officeUp = false;
    rig.Press();
    QCOMPARE(rig.sounds, 1);
    QCheckBox *sound = rig.banner().SoundSwitch();
    QVERIFY(sound->isChecked());
    sound->click();
    QVERIFY(!Settings().feedback.MissSound());
    rig.Press();
    QCOMPARE(rig.sounds, 1);
    QVERIFY(!rig.banner().isHidden());
    QVERIFY(!sound->isChecked());
}

void MissBannerTest::dismissedUntilTheNextMissAndGoneWhenWritten() {
    Rig rig;
    rig.officeUp = false;
    rig.Press();
    rig.banner().DismissButton()->click();
    QVERIFY(rig.banner().isHidden());
    rig.Press();
    QVERIFY(!rig.banner().isHidden());
    rig.officeUp = true;
    rig.Press();
    QVERIFY(rig.banner().isHidden());
    QCOMPARE(rig.sounds, 2);
    QVERIFY(rig.sheet.HasCell("C2"));
}

void MissBannerTest::programInFrontWritesIntoTheWorkbookLastWorkedIn() {
    Rig rig;
    MemoryWorkbook second = rig.sheet.workbooks[0];
    second.displayName = "/home/u/Book2.ods";
    second.name = "Book2.ods";
    rig.sheet.workbooks.push_back(second);
    rig.sheet.foregroundTitle = rig.w().windowTitle().toStdString();
    rig.sheet.programInFront = true;
    rig.sheet.currentWorkbook = "/home/u/Book2.ods";
    rig.sheet.Sheet(1).cursorColumn = 4;
    rig.sheet.Sheet(1).cursorRow = 6;
    rig.Press();
    QVERIFY(rig.banner().isHidden());
    QVERIFY(rig.sheet.Sheet(0).cells.empty());
    QVERIFY(rig.sheet.HasCell("D6", 1));
    QVERIFY(rig.sheet.HasCell("D7", 1));
    // The office no longer tells its current document: the workbook written last goes on.
    rig.sheet.currentWorkbook.clear();
    rig.Press();
    QVERIFY(rig.banner().isHidden());
    QVERIFY(rig.sheet.Sheet(0).cells.empty());
}

OMBRA_QTEST_MAIN(MissBannerTest)
#include "tst_missbanner.moc"
