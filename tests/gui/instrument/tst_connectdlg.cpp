#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/TestSupport.h"
#include "ui/instrument/ConnectInstDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

class ConnectDlgTest : public QObject {
    Q_OBJECT

    static DeviceList threeDevices() {
        return {{0, {"ModelA", "101"}}, {1, {"ModelB", "202"}}, {2, {"ModelA", "303"}}};
    }
    static QTableWidget *list(CConnectInstDlg &dlg) { return dlg.findChild<QTableWidget *>("ctl_1070"); }
    static void press(CConnectInstDlg &dlg, Qt::Key key) { QTest::keyClick(list(dlg), key); }

private slots:
    void init() { Settings() = AppSettings{}; }

    void showsThreeCentredColumnsWithNumberedRows() {
        CConnectInstDlg dlg(threeDevices());
        QTableWidget *table = list(dlg);
        QVERIFY(table);
        QCOMPARE(table->columnCount(), 3);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QString());
        QCOMPARE(table->horizontalHeaderItem(1)->text(), core::platform::ResQString(1313));  // Model
        QCOMPARE(table->horizontalHeaderItem(2)->text(), core::platform::ResQString(1314));  // Serial number
        QCOMPARE(table->columnWidth(0), 60);
        QCOMPARE(table->columnWidth(1), 120);
        QCOMPARE(table->columnWidth(2), 160);
        QVERIFY(table->showGrid());
        QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(table->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(table->item(row, 0)->text(), QString::number(row + 1));
            for (int column = 0; column < 3; ++column)
                QCOMPARE(table->item(row, column)->textAlignment(), int(Qt::AlignCenter));
        }
        QCOMPARE(table->item(1, 1)->text(), QString("ModelB"));
        QCOMPARE(table->item(2, 2)->text(), QString("303"));
    }

    void firstRowIsMarkedSelectedAndFocused() {
        CConnectInstDlg dlg(threeDevices());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.SelectionMark(), 0);
        QCOMPARE(list(dlg)->currentRow(), 0);
        QVERIFY(list(dlg)->selectionModel()->isRowSelected(0, QModelIndex()));
        QCOMPARE(dlg.focusWidget(), static_cast<QWidget *>(list(dlg)));
    }

    void arrowsMoveTheMarkAndOkStoresIt() {
        CConnectInstDlg dlg(threeDevices());
        dlg.show();
        press(dlg, Qt::Key_Down);
        press(dlg, Qt::Key_Down);
        QCOMPARE(dlg.SelectionMark(), 2);
        QVERIFY(list(dlg)->selectionModel()->isRowSelected(2, QModelIndex()));
        QVERIFY(!list(dlg)->selectionModel()->isRowSelected(0, QModelIndex()));
        QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_1"), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(Settings().identity.SelectedInstrument(), 2);
    }

    void theMarkStaysInsideTheList() {
        CConnectInstDlg dlg(threeDevices());
        dlg.show();
        press(dlg, Qt::Key_Up);
        QCOMPARE(dlg.SelectionMark(), 0);
        for (int i = 0; i < 5; ++i) press(dlg, Qt::Key_Down);
        QCOMPARE(dlg.SelectionMark(), 2);
        press(dlg, Qt::Key_Up);
        QCOMPARE(dlg.SelectionMark(), 1);
        dlg.accept();
        QCOMPARE(Settings().identity.SelectedInstrument(), 1);
    }

    void otherKeysDoNothing() {
        CConnectInstDlg dlg(threeDevices());
        dlg.show();
        press(dlg, Qt::Key_A);
        QCOMPARE(dlg.SelectionMark(), 0);
    }

    void cancelLeavesTheSettingAlone() {
        Settings().identity.SetSelectedInstrument(5);
        CConnectInstDlg dlg(threeDevices());
        dlg.show();
        press(dlg, Qt::Key_Down);
        QTest::mouseClick(dlg.findChild<QPushButton *>("ctl_2"), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(Settings().identity.SelectedInstrument(), 5);
    }

    void aClickedRowIsTheOneOkTakes() {
        CConnectInstDlg dlg(threeDevices());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTableWidget *table = list(dlg);
        QRect cell = table->visualItemRect(table->item(1, 1));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        dlg.accept();
        QCOMPARE(Settings().identity.SelectedInstrument(), 1);
    }
};

OMBRA_QTEST_MAIN(ConnectDlgTest)
#include "tst_connectdlg.moc"
