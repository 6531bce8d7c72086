// The Measurements window with a shared journal's server: "All stations" reads every station's
// measurements from a real PostgreSQL server (the test run's, see tests/support/pg-cluster.sh)
// and shows them with the same search and filters; only this station's can be written or
// deleted; a server that cannot be reached is told and this station's stay shown. And the main
// window's result panel counts what waits for the server.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QThread>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include "core/journalserver/ServerJournal.h"
#include "core/platform/Resources.h"
#include "support/PgTestServer.h"
#include "support/TestSupport.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/output/MeasurementsDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

namespace {

JournalEntry Entry(int n) {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = QString("10:%1:00").arg(n, 2, 10, QChar('0')).toStdString();
    e.model = "OS-100";
    e.serial = "4711";
    e.outputItems = {OutputItem{1000, "L*", 0, std::to_string(n) + ".5"}};
    e.valueItems = e.outputItems;
    return e;
}

}  // namespace

class MeasurementsStationsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void everyStationFromTheServer();
    void aServerThatCannotBeReachedIsTold();
    void thePanelCountsWhatWaits();
};

void MeasurementsStationsTest::everyStationFromTheServer() {
    core::test::PgTestDatabase server;
    if (!server.Ready()) {
        if (core::test::PgTestDatabase::Required()) QFAIL(server.Problem().c_str());
        QSKIP("no PostgreSQL server for the test; scripts/test starts one with tests/support/pg-cluster.sh");
    }
    // Two other stations on the server; this station's three measurements only in its journal.
    {
        MeasurementJournal others(nullptr, dir.path() + "/others.sqlite", QStringList{});
        // A millisecond apart at least: the newest is known by its time of recording.
        for (int n = 0; n < 4; ++n) {
            QThread::msleep(2);
            QVERIFY(others.Record(Entry(10 + n)));
        }
        ServerConnection c(server.Address());
        QVERIFY(MigrateServerSchema(c));
        std::vector<OutboxItem> items = others.Outbox(10);
        QVERIFY(SendToServer(c, ThisStation("north"), {items.begin(), items.begin() + 1}));
        QVERIFY(SendToServer(c, ThisStation("south"), {items.begin() + 1, items.end()}));
    }
    ui::test::MessageBoxRecorder boxes;
    MeasurementJournal journal(nullptr, dir.path() + "/journal.sqlite", QStringList{});
    for (int n = 0; n < 3; ++n) QVERIFY(journal.Record(Entry(n)));
    MeasurementsDlg dlg(journal, [](const JournalEntry &) { return TransferOutcome{}; });
    QVERIFY(!dlg.findChild<QComboBox *>("stationsFilter"));
    std::string problem;
    dlg.OfferAllStations(*ParseServerAddress(server.Url(), &problem));
    auto *stations = dlg.findChild<QComboBox *>("stationsFilter");
    QVERIFY2(stations, problem.c_str());
    QCOMPARE(stations->itemText(1), core::platform::ResQString(2071));
    QCOMPARE(dlg.Model()->rowCount(), 3);

    stations->setCurrentIndex(1);
    QVERIFY2(dlg.ShowsAllStations(), boxes.Count() ? boxes.Boxes()[0].text.c_str() : "");
    QCOMPARE(dlg.Model()->rowCount(), 4);
    QCOMPARE(dlg.Model()->data(dlg.Model()->index(0, MeasurementsDlg::InstrumentColumn)).toString(),
             QString("OS-100 4711 (south)"));
    dlg.Table()->selectAll();
    QVERIFY(!dlg.findChild<QPushButton *>("writeButton")->isEnabled());
    QVERIFY(!dlg.findChild<QPushButton *>("deleteButton")->isEnabled());
    QVERIFY(dlg.findChild<QPushButton *>("copyButton")->isEnabled());
    QCOMPARE(dlg.WriteSelected(), 0);
    QVERIFY(dlg.CopySelected().contains("4711 (north)"));
    QCOMPARE(dlg.EntryAt(0).time, Entry(13).time);

    // The search is the server's: read again, the other station's rows left out.
    dlg.findChild<QLineEdit *>("search")->setText("north");
    dlg.ApplyFilter();
    QCOMPARE(dlg.Model()->rowCount(), 1);

    stations->setCurrentIndex(0);
    QVERIFY(!dlg.ShowsAllStations());
    dlg.findChild<QLineEdit *>("search")->clear();
    dlg.ApplyFilter();
    QCOMPARE(dlg.Model()->rowCount(), 3);
    dlg.Table()->selectAll();
    QVERIFY(dlg.findChild<QPushButton *>("deleteButton")->isEnabled());
}

void MeasurementsStationsTest::aServerThatCannotBeReachedIsTold() {
    ui::test::MessageBoxRecorder boxes;
    MeasurementJournal journal(nullptr, dir.path() + "/alone.sqlite", QStringList{});
    QVERIFY(journal.Record(Entry(1)));
    MeasurementsDlg dlg(journal, {});
    ServerAddress nowhere;
    nowhere.host = dir.path();  // a folder without a server's socket
    nowhere.port = 5999;
    dlg.OfferAllStations(nowhere);
    QVERIFY(!dlg.ShowAllStations(true));
    QCOMPARE(boxes.Count(), size_t(1));
    QVERIFY(QString::fromStdString(boxes.Boxes()[0].text).startsWith(core::platform::ResQString(2072).section("%1", 0, 0)));
    QCOMPARE(dlg.findChild<QComboBox *>("stationsFilter")->currentIndex(), 0);
    QVERIFY(!dlg.ShowsAllStations());
    QCOMPARE(dlg.Model()->rowCount(), 1);
}

void MeasurementsStationsTest::thePanelCountsWhatWaits() {
    ui::test::ScopedMemoryProfile profile;
    CVireoDataTransferSoftwareDlg w("1");
    auto *waiting = w.findChild<QLabel *>("resultServerWaiting");
    QVERIFY(waiting);
    QVERIFY(waiting->isHidden());
    w.ShowServerWaiting(3);
    QVERIFY(!waiting->isHidden());
    QCOMPARE(waiting->text(), QString("3 measurements waiting for the server"));
    w.ShowServerWaiting(1);
    QCOMPARE(waiting->text(), core::platform::ResQString(2069));
    w.ShowServerWaiting(0);
    QVERIFY(waiting->isHidden());
}

OMBRA_QTEST_MAIN(MeasurementsStationsTest)
#include "tst_measurementsdlg_stations.moc"
