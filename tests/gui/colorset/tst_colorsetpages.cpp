// The three pages of the colour-set editor and their two entry dialogs, offscreen: columns,
// texts, enable rules, refusals, and the store step's checks.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "../../unit/colorset/ColorSetTestSupport.h"
#include "core/colorset/Configuration.h"
#include "core/platform/Resources.h"
#include "support/TestSupport.h"
#include "ui/colorset/CColorDataEditScreenDlg.h"
#include "ui/colorset/CEditColorDataDlg.h"
#include "ui/colorset/CEditColorMeasCondDlg.h"
#include "ui/colorset/CEditColorToneDataDlg.h"
#include "ui/colorset/CEditToneDataDlg.h"
#include "ui/colorset/ColorSetPages.h"
#include "ui/controls/CCheckListCtrl.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using namespace ombra::ui::test;

namespace {

constexpr int kSlot = 4;

template <class T>
T *control(QWidget &parent, int id) {
    T *found = parent.findChild<T *>(QStringLiteral("ctl_%1").arg(id));
    if (!found) qFatal("no control %d", id);
    return found;
}
QString resText(int id) { return core::platform::ResQString(id); }
QStringList headers(CCheckListCtrl *list) {
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c) out << list->horizontalHeaderItem(c)->text();
    return out;
}
QStringList rowTexts(CCheckListCtrl *list, int row) {
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c) out << list->GetItemText(row, c);
    return out;
}
// Types into an edit without leaving it (as a shortcut or Ctrl+Tab would store it).
void type(QWidget &parent, int id, const QString &text) { control<QLineEdit>(parent, id)->setText(text); }
// Runs `act` on the modal dialog opened next, then returns.
void onModal(std::function<void(QDialog &)> act) {
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) qFatal("no modal dialog");
        act(*dialog);
    });
}

}  // namespace

class TestColorSetPages : public QObject {
    Q_OBJECT

    CConfiguration config_;
    ColorSet &Slot() { return *config_.Slot(kSlot); }

private slots:
    void init() {
        config_.ResetAll();
        Slot() = SampleSet();
    }

    void factoryMakesTheThreePagesInTabOrder() {
        QWidget editor;
        std::vector<ColorSetPage *> pages = MakeColorSetPages(config_, kSlot, &editor);
        QCOMPARE(pages.size(), size_t(3));
        QCOMPARE(pages[0]->objectName(), QString("dlg_138"));
        QCOMPARE(pages[1]->objectName(), QString("dlg_139"));
        QCOMPARE(pages[2]->objectName(), QString("dlg_185"));
        for (ColorSetPage *page : pages) {
            QVERIFY(!page->windowTitle().isEmpty());
            QCOMPARE(page->parent(), &editor);
            QCOMPARE(page->SlotNumber(), kSlot);
        }
    }

    void colourPageListsTheColoursAndFollowsTheFormula() {
        QDialog editor;
        auto *save = new QPushButton(&editor);
        save->setObjectName("ctl_1033");
        auto *send = new QPushButton(&editor);
        send->setObjectName("ctl_1068");
        Slot().colors[1].L = 12.345f;
        CEditColorDataDlg page(config_, kSlot, &editor);
        auto *list = control<CCheckListCtrl>(page, 1051);
        QCOMPARE(list->columnCount(), 10);
        QCOMPARE(list->rowCount(), 15);
        QCOMPARE(headers(list), (QStringList{resText(1402), resText(1403), resText(1100), resText(1101), resText(1102), resText(1404), resText(1405),
                                             resText(1406), resText(1407), resText(1277)}));
        QCOMPARE(list->columnWidth(1), 100);
        QCOMPARE(rowTexts(list, 1), (QStringList{"2", "Col2", "12.35", "-19.50", "29.75", "TRUE", "0.50", "0.75", "",
                                                 "1.25"}));
        QCOMPARE(rowTexts(list, 3).join(""), QString("4"));
        auto *paper = control<QComboBox>(page, 1065);
        QCOMPARE(paper->count(), 16);
        QCOMPARE(paper->itemText(0), resText(1295));
        QCOMPARE(paper->itemText(15), QString("15"));
        QCOMPARE(paper->currentIndex(), 1);

        page.Refresh();
        QCOMPARE(list->GetSelectionMark(), 0);
        QVERIFY(control<QPushButton>(page, 1052)->isEnabled());
        list->SelectItem(3);
        QVERIFY(!control<QPushButton>(page, 1052)->isEnabled());
        QVERIFY(control<QPushButton>(page, 1053)->isEnabled());
        QVERIFY(save->isEnabled() && send->isEnabled());

        Slot().differenceFormula = 0;
        page.Refresh();
        QCOMPARE(list->horizontalHeaderItem(9)->text(), resText(1408));

        MessageBoxRecorder boxes(core::platform::mb::IDOK);
        control<QPushButton>(page, 1053)->click();
        QCOMPARE(boxes.Count(), size_t(2));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1392));
        QCOMPARE(boxes.Boxes()[1].text, core::platform::ResString(1290));
        QVERIFY(!control<QPushButton>(page, 1053)->isEnabled());
        QVERIFY(!save->isEnabled() && !send->isEnabled());
        QCOMPARE(paper->currentIndex(), 0);
    }

    void paperChoiceRefusesAnUndefinedColourAndAsksForADefinedOne() {
        CEditColorDataDlg page(config_, kSlot);
        auto *paper = control<QComboBox>(page, 1065);
        MessageBoxRecorder boxes(core::platform::mb::IDOK);
        paper->setCurrentIndex(4);  // colour 4 is undefined
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1296));
        QCOMPARE(paper->currentIndex(), 1);
        QCOMPARE(Slot().paperColor, 0);
        paper->setCurrentIndex(2);
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1393));
        QCOMPARE(Slot().paperColor, 1);
        QCOMPARE(Slot().tones[1].enabled, 0);  // the entry on the new paper colour is off
        boxes.Answer(core::platform::mb::IDCANCEL);
        paper->setCurrentIndex(0);
        QCOMPARE(paper->currentIndex(), 2);
        QCOMPARE(Slot().paperColor, 1);
    }

    void colourEntryShowsTheColourAndChecksEveryFieldOnOk() {
        Slot().differenceFormula = 2;
        CColorDataEditScreenDlg entry(config_, kSlot, 1);
        QCOMPARE(entry.objectName(), QString("dlg_144"));
        QCOMPARE(control<QLabel>(entry, 1064)->text(), resText(1306) + " 2");
        QCOMPARE(control<QLabel>(entry, 1368)->text(), resText(1276) + " :");
        QCOMPARE(control<QLineEdit>(entry, 1055)->text(), QString("Col2"));
        QCOMPARE(control<QLineEdit>(entry, 1056)->text(), QString("11.25"));
        QCOMPARE(control<QLineEdit>(entry, 1059)->text(), QString("0.50"));
        QVERIFY(control<QLineEdit>(entry, 1059)->isEnabled());
        QVERIFY2(!control<QLineEdit>(entry, 1061)->isEnabled(), "tolerance 3 of colour 2 is not in use");
        QVERIFY(!control<QLabel>(entry, 1367)->isEnabled());
        control<QCheckBox>(entry, 1363)->setChecked(true);
        QVERIFY(control<QLineEdit>(entry, 1061)->isEnabled());
        QVERIFY(control<QLabel>(entry, 1367)->isEnabled());

        // Typed without leaving the field, then OK: refused like leaving it, the slot unchanged.
        const ColorEntry before = Slot().colors[1];
        MessageBoxRecorder boxes;
        type(entry, 1056, "-1");
        entry.accept();
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1284));
        QCOMPARE(control<QLineEdit>(entry, 1056)->text(), QString("11.25"));
        QCOMPARE(entry.result(), int(QDialog::Rejected));
        QCOMPARE(Slot().colors[1], before);
        type(entry, 1061, "10");
        entry.accept();
        QCOMPARE(QString::fromStdString(boxes.Boxes().back().text), resText(1300).replace("%1", "0.01").replace("%2", "9.99"));
        QCOMPARE(Slot().colors[1], before);
        type(entry, 1055, "Ink~");
        entry.accept();
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1293));
        QCOMPARE(control<QLineEdit>(entry, 1055)->text(), QString("Col2"));

        type(entry, 1057, "-1.5");
        for (int id : {1063, 1362, 1363, 1364}) control<QCheckBox>(entry, id)->setChecked(false);
        entry.accept();
        QCOMPARE(entry.result(), int(QDialog::Accepted));
        QCOMPARE(Slot().colors[1].a, -1.5f);
        QCOMPARE(Slot().colors[1].toleranceCheck, 0);
    }

    void leavingAFieldChecksItUnlessTheFocusGoesToCancel() {
        CColorDataEditScreenDlg entry(config_, kSlot, 1);
        entry.show();
        QApplication::setActiveWindow(&entry);
        QVERIFY(QTest::qWaitForWindowActive(&entry));
        MessageBoxRecorder boxes;
        auto *lightness = control<QLineEdit>(entry, 1056);
        lightness->setFocus();
        lightness->setText("12,5x");
        control<QPushButton>(entry, 2)->setFocus();
        QTest::qWait(20);
        QCOMPARE(boxes.Count(), size_t(0));
        lightness->setFocus();
        control<QLineEdit>(entry, 1057)->setFocus();
        QTRY_COMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1284));
        QCOMPARE(lightness->text(), QString("11.25"));
        QTRY_VERIFY(lightness->hasFocus());
    }

    void colourEntryIgnoresEnterAndEscape() {
        CColorDataEditScreenDlg entry(config_, kSlot, 0);
        entry.show();
        QTest::keyClick(&entry, Qt::Key_Escape);
        QTest::keyClick(&entry, Qt::Key_Return);
        QVERIFY(entry.isVisible());
    }

    void conditionPageChoicesPolarisationAndFactors() {
        Slot().polarization = 0;
        Slot().measurementCondition = 14;
        Slot().differenceFormula = 1;
        CEditColorMeasCondDlg page(config_, kSlot);
        auto *condition = control<QComboBox>(page, 1036);
        QCOMPARE(condition->count(), 4);
        QCOMPARE(condition->currentText(), resText(1158));
        QCOMPARE(control<QComboBox>(page, 1037)->count(), 15);
        QCOMPARE(control<QComboBox>(page, 1095)->itemText(4), resText(1353));
        QCOMPARE(control<QLineEdit>(page, 1041)->text(), QString("1.50"));
        QVERIFY(!control<QLineEdit>(page, 1042)->isEnabled());
        QCOMPARE(control<QLineEdit>(page, 1042)->text(), QString());
        QCOMPARE(control<QLineEdit>(page, 1096)->text(), QString("2.50"));

        control<QComboBox>(page, 1044)->setCurrentIndex(1);
        QCOMPARE(condition->count(), 1);
        QCOMPARE(condition->currentText(), resText(1273));
        QVERIFY(!condition->isEnabled());
        QVERIFY(!control<QComboBox>(page, 1094)->isEnabled());
        control<QComboBox>(page, 1044)->setCurrentIndex(0);
        QCOMPARE(condition->currentText(), resText(1143));
        QCOMPARE(control<QComboBox>(page, 1094)->currentText(), resText(1142));

        control<QComboBox>(page, 1039)->setCurrentIndex(2);
        QVERIFY(control<QLineEdit>(page, 1042)->isEnabled());
        QCOMPARE(control<QLineEdit>(page, 1042)->text(), QString("0.75"));

        // A store without leaving the field checks it: 0 is refused and becomes 1.00.
        MessageBoxRecorder boxes;
        type(page, 1040, "0");
        QVERIFY(!page.StoreToSlot());
        QCOMPARE(control<QLineEdit>(page, 1040)->text(), QString("1.00"));
        QCOMPARE(Slot().factors[0], 2.0f);
        type(page, 1035, "Set~");
        QVERIFY(!page.StoreToSlot());
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1293));
        type(page, 1035, "New name");
        QVERIFY(page.StoreToSlot());
        QCOMPARE(Slot().name, std::string("New name"));
        QCOMPARE(Slot().factors[0], 1.0f);
        QCOMPARE(Slot().measurementCondition, 2);
        QCOMPARE(Slot().differenceFormula, 2);
    }

    void tonePageListsEligibleEntriesAndEnablesTheMidToneRule() {
        CEditColorToneDataDlg page(config_, kSlot);
        auto *list = control<CCheckListCtrl>(page, 1090);
        QCOMPARE(list->columnCount(), 11);
        QCOMPARE(list->rowCount(), 8);
        QCOMPARE(headers(list).mid(0, 3), (QStringList{resText(1402), resText(1403), resText(1409)}));
        QCOMPARE(headers(list).last(), resText(1417));
        for (int c = 0; c < list->columnCount(); ++c)
            QCOMPARE(list->horizontalHeaderItem(c)->textAlignment(), int(Qt::AlignCenter));
        // No heading is cut; a value cut by its column shows whole in its tooltip.
        const QFontMetrics headingFont(list->horizontalHeader()->font());
        for (int c = 0; c < list->columnCount(); ++c)
            QVERIFY2(list->columnWidth(c) > headingFont.horizontalAdvance(list->horizontalHeaderItem(c)->text()),
                     qPrintable(list->horizontalHeaderItem(c)->text()));
        const QFontMetrics cellFont(list->font());
        for (int r = 0; r < list->rowCount(); ++r)
            for (int c = 0; c < list->columnCount(); ++c)
                if (QTableWidgetItem *item = list->item(r, c)) {
                    const bool cut = cellFont.horizontalAdvance(item->text()) + 6 > list->columnWidth(c);
                    QCOMPARE(item->toolTip(), cut ? item->text() : QString());
                }
        // Sample set: entries 2, 6 enabled (4 and 8 name undefined colours and are off); paper colour 1.
        QCOMPARE(rowTexts(list, 1).mid(0, 5), (QStringList{"2", "Col2" + resText(1387) + " 2)", "", "", ""}));
        QCOMPARE(rowTexts(list, 1).mid(5, 3), (QStringList{"61", "-8.5", "2.5"}));
        QCOMPARE(control<QLabel>(page, 1098)->text(), resText(1418));
        QVERIFY(control<QLabel>(page, 1098)->font().bold());
        QVERIFY2(!control<QCheckBox>(page, 1357)->isEnabled(), "two eligible entries");
        QVERIFY(!control<QCheckBox>(page, 1357)->isChecked());
        QVERIFY(!control<QComboBox>(page, 1358)->isEnabled());
        QVERIFY(page.StoreToSlot());
        QCOMPARE(Slot().midToneSpread.enabled, 0);  // a stored rule is switched off

        for (auto [e, colour] : {std::pair{0, 2}, {2, 4}, {4, 5}}) {
            Slot().tones[e].enabled = Slot().tones[e].defined = 1;
            Slot().tones[e].color = colour;
        }
        Slot().midToneSpread = MidToneSpread{1, 2, {1, 2, 4}, 7.5f};
        page.LoadFromSlot();
        QVERIFY(control<QCheckBox>(page, 1357)->isEnabled());
        QVERIFY(control<QCheckBox>(page, 1357)->isChecked());
        QVERIFY(control<QRadioButton>(page, 1356)->isChecked());
        QCOMPARE(control<QComboBox>(page, 1358)->count(), 5);
        QCOMPARE(control<QComboBox>(page, 1359)->currentText(), "Col5" + resText(1387) + " 3)");
        QCOMPARE(control<QLineEdit>(page, 1361)->text(), QString("7.5"));
        QVERIFY(control<QPushButton>(page, 1093)->isEnabled());

        MessageBoxRecorder boxes;
        type(page, 1361, "100");
        QVERIFY(!page.StoreToSlot());
        QCOMPARE(control<QLineEdit>(page, 1361)->text(), QString("5.0"));
        list->SelectItem(2);
        control<QPushButton>(page, 1091)->click();
        QCOMPARE(boxes.Boxes().at(1).text, core::platform::ResString(1288) + "Col5" + core::platform::ResString(1387) + " 3)");
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1384));
        QVERIFY(page.StoreToSlot());
        QCOMPARE(Slot().midToneSpread.toneIndexes, (std::array<int, 3>{0, 1, 4}));  // the first three eligible entries
        QCOMPARE(Slot().midToneSpread.tolerance, 5.0f);
    }

    void toneEntryNeedsAColourAndChecksItsSteps() {
        {
            ColorSet empty;
            Slot() = empty;
            CEditToneDataDlg entry(config_, kSlot, 0);
            QCOMPARE(control<QComboBox>(entry, 1371)->count(), 0);
            QVERIFY(!control<QPushButton>(entry, 1)->isEnabled());
            entry.accept();
            QCOMPARE(Slot().tones[0], ToneEntry{});
        }
        Slot() = SampleSet();
        CEditToneDataDlg entry(config_, kSlot, 6);
        QCOMPARE(entry.objectName(), QString("dlg_186"));
        QCOMPARE(control<QLabel>(entry, 1370)->text(), resText(1386) + " 7");
        auto *color = control<QComboBox>(entry, 1371);
        QCOMPARE(color->count(), 11);  // 12 defined colours without the paper colour
        QCOMPARE(color->itemText(0), "Col2" + resText(1387) + " 2)");
        QCOMPARE(color->currentIndex(), 0);
        QVERIFY(control<QPushButton>(entry, 1)->isEnabled());
        QCOMPARE(control<QLineEdit>(entry, 1373)->text(), QString("75"));
        QCOMPARE(control<QLineEdit>(entry, 1374)->text(), QString("20.0"));
        control<QCheckBox>(entry, 1376)->setChecked(false);
        QVERIFY(!control<QLineEdit>(entry, 1378)->isEnabled());

        MessageBoxRecorder boxes;
        type(entry, 1373, "0");
        entry.accept();
        QCOMPARE(QString::fromStdString(boxes.Boxes().back().text), resText(1300).replace("%1", "1").replace("%2", "99"));
        QCOMPARE(Slot().tones[6].enabled, 0);
        // A bad character in a tint, an aim or a tolerance: string 1284 with the stop icon.
        for (int id : {1381, 1374, 1375}) {
            type(entry, id, "1x");
            entry.accept();
            QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1284));
            QCOMPARE(boxes.Boxes().back().flags, core::platform::mb::ICONHAND);
        }
        QCOMPARE(control<QLineEdit>(entry, 1374)->text(), QString("20.0"));  // the previous aim is back
        QCOMPARE(Slot().tones[6].enabled, 0);
        type(entry, 1373, "12.6");
        type(entry, 1382, "-12.34");
        entry.accept();
        QCOMPARE(entry.result(), int(QDialog::Accepted));
        QCOMPARE(control<QLineEdit>(entry, 1373)->text(), QString("13"));
        const ToneEntry &tone = Slot().tones[6];
        QCOMPARE(tone.enabled, 1);
        QCOMPARE(tone.defined, 1);
        QCOMPARE(tone.color, 1);
        QVERIFY(!tone.steps[1].on);
        QCOMPARE(tone.steps[2].aim, -12.34f);
        CEditColorToneDataDlg page(config_, kSlot);
        QCOMPARE(control<CCheckListCtrl>(page, 1090)->GetItemText(6, 2), QString("12"));
    }

    void enterOnThePagesRunsTheEntryDialogs() {
        CEditColorDataDlg colours(config_, kSlot);
        control<CCheckListCtrl>(colours, 1051)->SelectItem(3);
        onModal([](QDialog &d) {
            QCOMPARE(d.objectName(), QString("dlg_144"));
            control<QLineEdit>(d, 1055)->setText("New");
            d.accept();
        });
        control<QPushButton>(colours, 1054)->click();
        QCOMPARE(Slot().colors[3].valid, 1);
        QCOMPARE(control<CCheckListCtrl>(colours, 1051)->GetItemText(3, 1), QString("New"));
        QCOMPARE(control<CCheckListCtrl>(colours, 1051)->GetSelectionMark(), 3);

        CEditColorToneDataDlg tones(config_, kSlot);
        control<CCheckListCtrl>(tones, 1090)->SelectItem(2);
        onModal([](QDialog &d) {
            QCOMPARE(d.objectName(), QString("dlg_186"));
            d.reject();
        });
        control<QPushButton>(tones, 1093)->click();
        QCOMPARE(control<CCheckListCtrl>(tones, 1090)->GetSelectionMark(), 2);
        QCOMPARE(Slot().tones[2].enabled, 0);
    }

    void aHiddenTonePageDoesNotOverwriteAnEntrySwitchedOnWhileItWasHidden() {
        ColorSet &set = Slot();
        set.paperColor = kNoPaperColor;
        set.tones[1].color = 1;  // colour 2, enabled and defined
        const ToneEntry before = set.tones[1];
        QWidget editor;
        std::vector<ColorSetPage *> pages = MakeColorSetPages(config_, kSlot, &editor);
        MessageBoxRecorder boxes(core::platform::mb::IDOK);
        auto *paper = control<QComboBox>(*pages[1], 1065);
        paper->setCurrentIndex(2);  // paper := colour 2, the entry goes off
        QCOMPARE(set.tones[1].enabled, 0);
        pages[2]->Refresh();         // the tone tab is visited
        paper->setCurrentIndex(0);  // paper := none, the entry is on again
        QCOMPARE(set.tones[1].enabled, 1);
        for (ColorSetPage *page : pages) QVERIFY(page->StoreToSlot());  // the editor's whole exchange
        QCOMPARE(set.tones[1], before);
    }
};

OMBRA_QTEST_MAIN(TestColorSetPages)
#include "tst_colorsetpages.moc"
