#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest>

#include "core/output/Catalogue.h"
#include "core/platform/Resources.h"
#include "support/TestSupport.h"
#include "ui/output/CDataItemsDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using core::platform::MemoryProfileStore;

namespace {

OutputItemList Items(std::initializer_list<int> ids) {
    OutputItemList list;
    for (int id : ids) list.push_back(MakeItem(id));
    return list;
}

// Drives one dialog through its named controls.
struct Driver {
    CDataItemsDlg &dlg;

    template <typename W>
    W *Ctl(int id) {
        W *w = dlg.findChild<W *>(QStringLiteral("ctl_%1").arg(id));
        if (!w) qFatal("control %d missing", id);
        return w;
    }
    QListWidget *Offered() { return Ctl<QListWidget>(1019); }
    QListWidget *Chosen() { return Ctl<QListWidget>(1014); }
    QTabBar *Tabs() { return Ctl<QTabBar>(1017); }
    void Click(int id) { Ctl<QPushButton>(id)->click(); }

    QStringList TabLabels() {
        QStringList labels;
        for (int i = 0; i < Tabs()->count(); ++i) labels << Tabs()->tabText(i);
        return labels;
    }
    std::vector<int> OfferedIds() {
        std::vector<int> ids;
        for (int r = 0; r < Offered()->count(); ++r) ids.push_back(Offered()->item(r)->data(Qt::UserRole).toInt());
        return ids;
    }
    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (int r = 0; r < Chosen()->count(); ++r)
            if (Chosen()->item(r)->isSelected()) rows.push_back(r);
        return rows;
    }
    void SelectChosen(std::initializer_list<int> rows) {
        Chosen()->clearSelection();
        for (int r : rows) Chosen()->item(r)->setSelected(true);
    }
    // Selects the offered entries with these identifiers on tab `tab` and presses Add.
    void Add(int tab, std::initializer_list<int> ids) {
        Tabs()->setCurrentIndex(tab);
        Offered()->clearSelection();
        for (int id : ids) {
            bool found = false;
            for (int r = 0; r < Offered()->count(); ++r)
                if (Offered()->item(r)->data(Qt::UserRole).toInt() == id) {
                    Offered()->item(r)->setSelected(true);
                    found = true;
                }
            if (!found) qFatal("item %d not offered on tab %d", id, tab);
        }
        Click(3);
    }
};

}  // namespace

class TestDataItemsDlg : public QObject {
    Q_OBJECT

    MemoryProfileStore store;
    AppSettings settings{store};

private slots:
    void init() {
        settings = AppSettings{};
        settings.identity.SetModelName(core::platform::ResString(1234));
        settings.layout.InForce().BlockSep = 13;
        settings.selection.InForce().reflectionSelection = Items({1035, 1036, 2005, 2000});
        settings.selection.InForce().irradianceSelection = Items({1035, 1036, 1037, 1038, 1039});
        store = MemoryProfileStore{};
    }

    void tabsPerModelAndType() {
        {
            CDataItemsDlg dlg(nullptr, settings);
            Driver d{dlg};
            QCOMPARE(d.TabLabels(), (QStringList{core::platform::ResQString(1254), core::platform::ResQString(1255),
                                                 core::platform::ResQString(1179), core::platform::ResQString(1309),
                                                 core::platform::ResQString(1961)}));
            QCOMPARE(d.OfferedIds().front(), 2023);
            d.Tabs()->setCurrentIndex(1);
            QCOMPARE(d.OfferedIds()[0], 1035);
            QCOMPARE(d.OfferedIds()[1], 1036);
            QCOMPARE(d.OfferedIds()[2], 1045);
            QCOMPARE(d.OfferedIds().size(), size_t(47));
            d.Tabs()->setCurrentIndex(2);
            QCOMPARE(d.OfferedIds().size(), size_t(37));
            d.Tabs()->setCurrentIndex(3);
            QCOMPARE(d.OfferedIds().size(), size_t(353));
            d.Tabs()->setCurrentIndex(4);  // the comparison with the reference, 2100..2110, and the spread, 2111..2114
            QCOMPARE(d.OfferedIds().size(), size_t(15));
            QCOMPARE(d.OfferedIds().front(), 2100);
            QCOMPARE(d.OfferedIds().back(), 2114);
        }
        settings.measurement.InForce().MeasurementTypeSel = 1;
        settings.measurement.InForce().MeasurementType = 4;
        {
            CDataItemsDlg dlg(nullptr, settings);
            Driver d{dlg};
            QCOMPARE(d.TabLabels(), (QStringList{core::platform::ResQString(1178), core::platform::ResQString(1180)}));
            QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1035, 1036, 1037, 1038, 1039}));
            d.Tabs()->setCurrentIndex(1);
            std::vector<int> spectral = d.OfferedIds();
            QCOMPARE(spectral.size(), size_t(76));
            QCOMPARE(spectral[0], 1100);
            QCOMPARE(spectral[1], 360);
            QCOMPARE(spectral.back(), 730);
        }
    }

    // Shown at its own size: every tab whole beside the others, a dozen rows in each list, the
    // wavelengths with their unit after a space, the window named like the program's others.
    void shownWithWholeTabsAndLongLists() {
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Ombra Data Transfer – Data items"));
        QVERIFY2(d.Tabs()->sizeHint().width() <= d.Tabs()->width(),
                 qPrintable(QStringLiteral("the tabs need %1 px, have %2").arg(d.Tabs()->sizeHint().width()).arg(d.Tabs()->width())));
        const int last = d.Tabs()->count() - 1;
        QVERIFY(d.Tabs()->rect().contains(d.Tabs()->tabRect(last)));
        d.Tabs()->setCurrentIndex(2);
        QCOMPARE(d.Offered()->item(1)->text(), QStringLiteral("380nm"));
        for (QListWidget *list : {d.Offered(), d.Chosen()}) {
            const int rows = list->viewport()->height() / d.Offered()->sizeHintForRow(0);
            QVERIFY2(rows >= 12, qPrintable(QStringLiteral("%1 shows %2 rows").arg(list->objectName()).arg(rows)));
        }
        dlg.resize(200, 200);  // the tabs keep their room
        QCoreApplication::processEvents();
        QVERIFY(d.Tabs()->rect().contains(d.Tabs()->tabRect(last)));
    }

    void tabsOfTheReflectionOnlyModel() {
        if (core::platform::ResString(1235).empty()) QSKIP("model name texts not available");
        settings.measurement.InForce().MeasurementTypeSel = 1;
        settings.identity.SetModelName(core::platform::ResString(1235));
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        QCOMPARE(d.TabLabels(), (QStringList{core::platform::ResQString(1254), core::platform::ResQString(1255),
                                             core::platform::ResQString(1309)}));
    }

    void startState() {
        settings.layout.InForce().Label = 0;
        settings.layout.InForce().Row = 1;
        settings.layout.InForce().ValSep = 3;
        settings.layout.InForce().FuncSep = 7;
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1035, 1036, 2005, 2000}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{3}));
        QCOMPARE(d.Chosen()->item(2)->text(), core::platform::ResQString(1261));
        QVERIFY(!d.Ctl<QCheckBox>(1025)->isChecked());
        QVERIFY(d.Ctl<QRadioButton>(1027)->isChecked());
        QCOMPARE(d.Ctl<QComboBox>(1072)->count(), 17);
        QCOMPARE(d.Ctl<QComboBox>(1072)->currentData().toInt(), 13);
        QCOMPARE(d.Ctl<QComboBox>(1073)->currentData().toInt(), 3);
        QCOMPARE(d.Ctl<QComboBox>(1074)->currentData().toInt(), 7);
        QCOMPARE(d.Ctl<QComboBox>(1074)->itemText(16), core::platform::ResQString(1336));
    }

    void groupReplacesTheEntriesItCovers() {
        settings.selection.InForce().reflectionSelection = Items({1035, 1001, 1036, 1002});
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.SelectChosen({2});
        d.Add(0, {2000});
        // The insertion point after 1036 moved up by the deleted 1001.
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1035, 1036, 2000}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{2}));
        QCOMPARE(d.Offered()->selectedItems().size(), 0);
    }

    void coverageTest() {
        settings.selection.InForce().reflectionSelection = Items({2001});
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.Add(1, {1003});
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{2001}));
        d.Add(1, {1000});
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{2001}));
        d.Click(8);
        d.Add(0, {2000});
        d.Add(1, {1003});
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{2000, 1003}));
        d.Add(0, {2000, 1044});
        d.Add(0, {1044});
        d.Add(0, {1044});
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{2000, 1003, 1044, 1044, 1044}));
    }

    void addWithoutSelectionInsertsAtTheTop() {
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.Chosen()->clearSelection();
        d.Add(1, {1011, 1012});
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1011, 1012, 1035, 1036, 2005, 2000}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{1}));
    }

    void addAll() {
        settings.selection.InForce().reflectionSelection = Items({400, 1035, 2450});
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.SelectChosen({2});
        d.Tabs()->setCurrentIndex(2);
        d.Click(6);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1035, 2450, 1100}));
        d.Tabs()->setCurrentIndex(3);
        d.Click(6);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1035, 1100, 2020, 2021}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{3}));
    }

    void removeAndClear() {
        settings.selection.InForce().reflectionSelection = Items({1035, 1036, 1044, 2000, 2001});
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.SelectChosen({1, 3});
        d.Click(7);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1035, 1044, 2001}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{2}));
        d.SelectChosen({2});
        d.Click(7);
        QCOMPARE(d.SelectedRows(), (std::vector<int>{1}));  // limited to the last entry
        d.Click(8);
        QCOMPARE(d.Chosen()->count(), 0);
        d.Click(7);  // nothing to remove
        QCOMPARE(d.Chosen()->count(), 0);
    }

    void movesKeepSelectionAndOrder() {
        settings.selection.InForce().reflectionSelection = Items({1000, 1001, 1002, 1003, 1004, 1005});
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.SelectChosen({1, 4});
        d.Click(9);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1001, 1004, 1000, 1002, 1003, 1005}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{0, 1}));
        d.Click(10);  // the run at the top stays
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1001, 1004, 1000, 1002, 1003, 1005}));
        d.SelectChosen({0, 3, 5});
        d.Click(10);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1001, 1004, 1002, 1000, 1005, 1003}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{0, 2, 4}));
        d.Click(11);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1004, 1001, 1000, 1002, 1003, 1005}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{1, 3, 5}));
        d.Click(11);  // the run at the bottom stays, the others move
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1004, 1000, 1001, 1003, 1002, 1005}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{2, 4, 5}));
        d.SelectChosen({0, 2});
        d.Click(12);
        QCOMPARE(dlg.ChosenIdentifiers(), (std::vector<int>{1000, 1003, 1002, 1005, 1004, 1001}));
        QCOMPARE(d.SelectedRows(), (std::vector<int>{4, 5}));
    }

    void okWritesInOrder() {
        settings.measurement.InForce().MeasurementType = 1;
        settings.measurement.InForce().PrevMeasSel = 4;
        settings.selection.InForce().reflectionSelection = Items({2000, 1035});
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.Ctl<QCheckBox>(1025)->setChecked(false);
        d.Ctl<QRadioButton>(1027)->setChecked(true);
        d.Ctl<QComboBox>(1072)->setCurrentIndex(7);
        d.Ctl<QComboBox>(1073)->setCurrentIndex(2);
        d.Ctl<QComboBox>(1074)->setCurrentIndex(9);
        d.Tabs()->setCurrentIndex(3);
        d.Add(3, {2021});
        d.Click(1);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));

        struct Expected { const char *name; int value; const char *text; };
        const Expected expected[] = {{"Label", 0, nullptr}, {"Row", 1, nullptr}, {"PrevMeasSel", 1, nullptr},
                                     {"ReflSelDataItems", 0, "2000;1035;2021;"}, {"BlockSep", 7, nullptr},
                                     {"FuncSep", 9, nullptr}, {"ValSep", 2, nullptr}};
        const auto &writes = store.Writes();
        QCOMPARE(writes.size(), std::size(expected));
        for (size_t i = 0; i < writes.size(); ++i) {
            QCOMPARE(writes[i].section, settings.identity.ModelName());
            QCOMPARE(writes[i].name, std::string(expected[i].name));
            if (expected[i].text) QCOMPARE(writes[i].text, std::string(expected[i].text));
            else QCOMPARE(writes[i].intValue, expected[i].value);
        }
        QCOMPARE(settings.layout.Label(), 0);
        QCOMPARE(settings.layout.Row(), 1);
        QCOMPARE(settings.measurement.PrevMeasSel(), 1);
        QCOMPARE(settings.layout.BlockSep(), 7);
        QCOMPARE(settings.layout.ValSep(), 2);
        QCOMPARE(settings.layout.FuncSep(), 9);
        QVERIFY(settings.selection.DensitySpectrumSelected());
        QCOMPARE(settings.selection.Reflection().size(), size_t(3));
        QCOMPARE(settings.selection.Reflection()[2].identifier, 2021);
    }

    void okForIrradianceWritesTheIrradianceText() {
        settings.measurement.InForce().MeasurementTypeSel = 1;
        settings.measurement.InForce().MeasurementType = 4;
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.Click(1);
        QCOMPARE(store.Writes().at(2).intValue, 4);
        QCOMPARE(store.Writes().at(3).name, std::string("IrrSelDataItems"));
        QCOMPARE(store.Writes().at(3).text, std::string("1035;1036;1037;1038;1039;"));
    }

    void emptySelectionIsRefused() {
        ui::test::MessageBoxRecorder boxes;
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.Click(8);
        d.Click(1);
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1237));
        QCOMPARE(boxes.Boxes()[0].caption, core::platform::ResString(1200));
        QCOMPARE(boxes.Boxes()[0].flags, core::platform::mb::ICONINFORMATION);
        QCOMPARE(store.Writes().size(), size_t(2));
        QCOMPARE(store.Writes()[0].name, std::string("Label"));
        QCOMPARE(store.Writes()[1].name, std::string("Row"));
        QCOMPARE(dlg.result(), 0);
        QCOMPARE(settings.selection.Reflection().size(), size_t(4));
    }

    void tableHeaderIsTheThirdLabelChoice() {
        settings.layout.InForce().Label = 2;
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        QCheckBox *header = d.Ctl<QCheckBox>(2020);
        QVERIFY(d.Ctl<QCheckBox>(1025)->isChecked());
        QVERIFY(header->isChecked());
        QCOMPARE(dlg.CurrentLayout().Label, 2);
        d.Ctl<QCheckBox>(1025)->setChecked(false);
        QVERIFY(!header->isEnabled());
        QCOMPARE(dlg.CurrentLayout().Label, 0);  // no labels at all, whatever the header box shows
        d.Ctl<QCheckBox>(1025)->setChecked(true);
        header->setChecked(false);
        QCOMPARE(dlg.CurrentLayout().Label, 1);
        header->setChecked(true);
        d.Click(1);
        QCOMPARE(settings.layout.Label(), 2);
        QCOMPARE(store.Writes().at(0).name, std::string("Label"));
        QCOMPARE(store.Writes().at(0).intValue, 2);
    }

    void cancelStoresNothing() {
        CDataItemsDlg dlg(nullptr, settings);
        Driver d{dlg};
        d.Click(8);
        d.Ctl<QCheckBox>(1025)->setChecked(false);
        d.Click(2);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(store.Writes().empty());
        QCOMPARE(settings.selection.Reflection().size(), size_t(4));
        QCOMPARE(settings.layout.Label(), 1);
    }
};

OMBRA_QTEST_MAIN(TestDataItemsDlg)
#include "tst_dataitemsdlg.moc"
