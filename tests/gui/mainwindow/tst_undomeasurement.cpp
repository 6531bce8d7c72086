// Edit > Undo last measurement (Ctrl+Z) in the main window: measurements taken back one by one,
// a changed cell named in a message box, and the journal keeping the rows marked withdrawn.
#include <QAction>
#include <QMenuBar>
#include <QTemporaryDir>
#include <memory>

#include "core/output/MeasurementJournal.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"
#include "support/MainWindowRig.h"
#include "support/MemoryAutomation.h"
#include "support/TestSupport.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResQString;

namespace {

struct Rig : ui::test::MainWindowRig {
    QAction *Undo() { return window->findChild<QAction *>("menu_undo"); }
    std::vector<bool> Withdrawn() {
        std::vector<bool> marks;
        for (const JournalEntry &e : journal->List()) marks.push_back(e.withdrawn);
        return marks;  // newest first
    }
};

}  // namespace

class UndoMeasurementTest : public QObject {
    Q_OBJECT
private slots:
    void theEditMenuFollowsTheFirstPopupWithCtrlZ() {
        Rig rig;
        QAction *undo = rig.Undo();
        QVERIFY(undo);
        QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
        const QList<QAction *> popups = rig.window->findChild<QMenuBar *>()->actions();
        QVERIFY(popups.size() > 2);
        QCOMPARE(popups[1]->text(), ResQString(2034));
    }

    void twoUndosClearBothMeasurementsAndMarkTheirRows() {
        Rig rig;
        rig.Press();
        rig.Press();
        QCOMPARE(rig.sheet.ActiveAddress(), std::string("A5"));
        rig.Undo()->trigger();
        QCOMPARE(rig.sheet.ActiveAddress(), std::string("A3"));
        QVERIFY(rig.sheet.Cell("A3").empty());
        QVERIFY(!rig.sheet.Cell("A2").empty());
        QCOMPARE(rig.Withdrawn(), (std::vector<bool>{true, false}));
        rig.Undo()->trigger();
        QVERIFY(rig.sheet.Sheet().cells.empty());
        QCOMPARE(rig.sheet.ActiveAddress(), std::string("A1"));
        QCOMPARE(rig.Withdrawn(), (std::vector<bool>{true, true}));
        QCOMPARE(rig.boxes.Count(), size_t(0));

        rig.Undo()->trigger();  // nothing left
        QCOMPARE(rig.boxes.Count(), size_t(1));
        QCOMPARE(rig.boxes.Boxes()[0].text, core::platform::ResString(2038));
    }

    void aCellChangedSinceIsNamedAndNothingIsUndone() {
        Rig rig;
        rig.Press();
        rig.sheet.Sheet().cells[{1, 2}] = "corrected";
        const auto before = rig.sheet.Sheet().cells;
        rig.Undo()->trigger();
        QCOMPARE(rig.boxes.Count(), size_t(1));
        QCOMPARE(QString::fromStdString(rig.boxes.Boxes()[0].text), ResQString(2036).arg("A2"));
        QVERIFY(rig.sheet.Sheet().cells == before);
        QCOMPARE(rig.Withdrawn(), (std::vector<bool>{false}));
    }
};

OMBRA_QTEST_MAIN(UndoMeasurementTest)
#include "tst_undomeasurement.moc"
