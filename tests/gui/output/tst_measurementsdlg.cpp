// The Measurements window offscreen: the list, copying, CSV export read back, deleting, writing
// again, and progress with cancel over 200 measurements.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QHeaderView>
#include <QHelpEvent>
#include <QTableView>
#include <QToolTip>
#include <QTemporaryDir>
#include <QtTest>

#include "core/instrument/MeasuredData.h"
#include "core/output/JournalTransfer.h"
#include "core/output/ResultSummary.h"
#include "core/platform/Resources.h"
#include "support/TestSupport.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/output/ResultPanel.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

namespace {

JournalEntry Entry(int n, const std::string &firstLabel = "L*") {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = QString("10:%1:00").arg(n % 60, 2, 10, QChar('0')).toStdString();
    e.model = "OS-100";
    e.serial = "4711";
    e.outputItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{2000, "Lab", 0, ""}};
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1000, firstLabel, 0, std::to_string(n) + ".5"},
                    OutputItem{1001, "a*", 0, "-0.25"}, OutputItem{1002, "b*", 0, "1.00"}};
    return e;
}

TransferOutcome Outcome(TransferResult result) {
    TransferOutcome o = TransferOutcome::Of(result, result == TransferResult::Written ? MissReason::None
                                                                                   : MissReason::NoWorkbookInFront);
    o.workbookName = "Book1.ods";
    o.sheetName = "Sheet1";
    o.firstCell = "A1";
    o.lastCell = "D2";
    o.cellsWritten = result == TransferResult::Written ? 8 : 0;
    return o;
}

QString Text(const MeasurementsDlg &dlg, int row, int column) {
    return dlg.Model()->data(dlg.Model()->index(row, column)).toString();
}

bool Unwritten(const MeasurementsDlg &dlg, int row) {
    return dlg.Model()->data(dlg.Model()->index(row, 0), JournalModel::UnwrittenRole).toBool();
}

}  // namespace

class MeasurementsDlgTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<MeasurementJournal> journal;
    int journals = 0;

    // Three measurements: the first written, the other two not.
    std::vector<qint64> RecordThree() {
        std::vector<qint64> ids;
        for (int n = 1; n <= 3; ++n) ids.push_back(*journal->Record(Entry(n)));
        journal->SetOutcome(ids[0], Outcome(TransferResult::Written));
        journal->SetOutcome(ids[1], Outcome(TransferResult::NotWritten));
        return ids;
    }

private slots:
    void init() {
        journal = std::make_unique<MeasurementJournal>(nullptr, dir.path() + QString("/journal%1.sqlite").arg(++journals));
        QVERIFY(journal->IsOpen());
    }
    void cleanup() { journal.reset(); }

    // The panel shows the selected row from its raw record; two rows side by side, each with
    // the other's curve behind it.
    void selectedRowsInThePanels() {
        std::vector<qint64> ids;
        for (int n = 1; n <= 2; ++n) {
            JournalEntry e = Entry(n);
            MeasuredDataRecord record;
            for (int k = 0; k < 36; ++k) record.SetFloat(k, float(0.1 * n + 0.01 * k));
            e.rawRecord.assign(reinterpret_cast<const char *>(record.Bytes()), sizeof record);
            ids.push_back(*journal->Record(e));
        }
        journal->SetOutcome(ids[0], Outcome(TransferResult::Written));
        MeasurementsDlg dlg(*journal, nullptr);
        dlg.SelectIds({ids[0]});
        ResultPanel *first = dlg.Panel(0);
        QVERIFY(dlg.Panel(1)->isHidden());
        QCOMPARE(first->WhereText(), core::platform::ResQString(1886).arg("Book1.ods › Sheet1 › A1:D2"));
        const auto &curve = first->Plot()->Curves().back().points;
        QCOMPARE(curve.size(), size_t(36));
        for (int k = 0; k < 36; ++k) QCOMPARE(curve[k].value, double(float(0.1 + 0.01 * k)) * 100.0);
        QCOMPARE(first->ShownValues().at(1), std::make_pair(QString("L*"), QString("1.5")));
        QVERIFY(first->Swatch()->Colour());

        dlg.SelectIds(ids);
        QVERIFY(!dlg.Panel(1)->isHidden());
        QCOMPARE(dlg.Panel(1)->ShownValues().at(1).second, QString("2.5"));
        QCOMPARE(dlg.Panel(1)->WhereText(), QString::fromStdString(OutcomeText(TransferOutcome::Of(TransferResult::Pending, MissReason::None))));
        QCOMPARE(first->Plot()->Curves().size(), size_t(2));
        QVERIFY(first->Plot()->Curves()[0].points == dlg.Panel(1)->Plot()->Curves()[1].points);
        QVERIFY(dlg.Panel(0)->Swatch()->Colour() != dlg.Panel(1)->Swatch()->Colour());
    }

    // The outcome's heading is whole; a value its column cuts shows whole in its tooltip.
    void outcomeHeadingIsWholeAndCutValuesHaveTooltips() {
        RecordThree();
        MeasurementsDlg dlg(*journal, nullptr);
        QTableView *table = dlg.Table();
        QHeaderView *header = table->horizontalHeader();
        const QString heading = dlg.Model()->headerData(MeasurementsDlg::OutcomeColumn, Qt::Horizontal).toString();
        QVERIFY(header->sectionSize(MeasurementsDlg::OutcomeColumn) > header->fontMetrics().horizontalAdvance(heading));

        const QString outcome = Text(dlg, 2, MeasurementsDlg::OutcomeColumn);  // the written one, the longest
        const QFontMetrics metrics(table->font());
        QCOMPARE(CutCellText(outcome, metrics, metrics.horizontalAdvance(outcome) / 2), outcome);
        QCOMPARE(CutCellText(outcome, metrics, metrics.horizontalAdvance(outcome) + 40), QString());

        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        header->resizeSection(MeasurementsDlg::OutcomeColumn, metrics.horizontalAdvance(outcome) / 2);
        const QRect cell = table->visualRect(dlg.Model()->index(2, MeasurementsDlg::OutcomeColumn));
        QHelpEvent ask(QEvent::ToolTip, cell.center(), table->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(table->viewport(), &ask);
        QTRY_COMPARE(QToolTip::text(), outcome);
        QToolTip::hideText();
    }

    void listsNewestFirstAndUnwrittenStandOut() {
        RecordThree();
        MeasurementsDlg dlg(*journal, nullptr);
        QCOMPARE(dlg.Model()->rowCount(), 3);
        QCOMPARE(Text(dlg, 0, MeasurementsDlg::TimeColumn), QString("10:03:00"));
        QCOMPARE(Text(dlg, 2, MeasurementsDlg::TimeColumn), QString("10:01:00"));
        QCOMPARE(Text(dlg, 0, MeasurementsDlg::InstrumentColumn), QString("OS-100 4711"));
        QCOMPARE(Text(dlg, 0, MeasurementsDlg::ValuesColumn), QString("L* 3.5   a* -0.25   b* 1.00"));
        QCOMPARE(Text(dlg, 2, MeasurementsDlg::OutcomeColumn), QString("Written: Book1.ods, Sheet1, A1 to D2"));
        QCOMPARE(Text(dlg, 1, MeasurementsDlg::OutcomeColumn), core::platform::ResQString(1431));
        QCOMPARE(Text(dlg, 0, MeasurementsDlg::OutcomeColumn), core::platform::ResQString(1434));
        QVERIFY(Unwritten(dlg, 0));
        QVERIFY(Unwritten(dlg, 1));
        QVERIFY(!Unwritten(dlg, 2));
        QVERIFY(!dlg.findChild<QPushButton *>("writeButton")->isEnabled());  // nothing selected
    }

    void copiesTabSeparatedTextWithHeader() {
        std::vector<qint64> ids = RecordThree();
        MeasurementsDlg dlg(*journal, nullptr);
        dlg.SelectIds({ids[2], ids[0]});
        QVERIFY(dlg.findChild<QPushButton *>("copyButton")->isEnabled());
        const QString expected = "Date\tTime\tInstrument\tSerial number\tL*\ta*\tb*\n"
                                 "2026/12/08\t10:01:00\tOS-100\t4711\t1.5\t-0.25\t1.00\n"
                                 "2026/12/08\t10:03:00\tOS-100\t4711\t3.5\t-0.25\t1.00\n";
        QCOMPARE(dlg.CopySelected(), expected);
        QCOMPARE(QApplication::clipboard()->text(), expected);
    }

    void exportsCsvThatReadsBack() {
        const qint64 plain = *journal->Record(Entry(1));
        const qint64 quoted = *journal->Record(Entry(2, "L*, \"lab\""));
        MeasurementsDlg dlg(*journal, nullptr);
        dlg.SelectIds({plain, quoted});
        const QString path = dir.path() + "/out.csv";
        auto previous = ui::platform::SetFileDialogHook([&](const ui::platform::FileDialogRequest &r) -> std::optional<std::string> {
            if (!r.save || r.defaultExtension != "csv") return std::nullopt;
            return path.toStdString();
        });
        QVERIFY(dlg.ExportSelected());
        ui::platform::SetFileDialogHook(previous);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray csv = f.readAll();
        QCOMPARE(csv, QByteArray("Date,Time,Instrument,Serial number,L*,a*,b*\r\n"
                                 "2026/12/08,10:01:00,OS-100,4711,1.5,-0.25,1.00\r\n"
                                 "Date,Time,Instrument,Serial number,\"L*, \"\"lab\"\"\",a*,b*\r\n"
                                 "2026/12/08,10:02:00,OS-100,4711,2.5,-0.25,1.00\r\n"));
        QVERIFY(!QFile::exists(path + ".tmp"));
    }

    void deletesOnlyAfterConfirmation() {
        std::vector<qint64> ids = RecordThree();
        MeasurementsDlg dlg(*journal, nullptr);
        dlg.SelectIds({ids[0], ids[1]});
        {
            ui::test::MessageBoxRecorder no(core::platform::mb::IDNO);
            QCOMPARE(dlg.DeleteSelected(), 0);
            QCOMPARE(no.Count(), size_t(1));
            QVERIFY(QString::fromStdString(no.Boxes()[0].text).contains("2"));
        }
        QCOMPARE(dlg.Model()->rowCount(), 3);
        ui::test::MessageBoxRecorder yes(core::platform::mb::IDYES);
        QCOMPARE(dlg.DeleteSelected(), 2);
        QCOMPARE(dlg.Model()->rowCount(), 1);
        QCOMPARE(journal->List().size(), size_t(1));
        QCOMPARE(journal->List()[0].id, ids[2]);
    }

    void writesInOrderAndStopsWithoutAWorkbook() {
        std::vector<qint64> ids = RecordThree();
        std::vector<qint64> sent;
        bool workbookOpen = true;
        MeasurementsDlg dlg(*journal, [&](const JournalEntry &e) {
            sent.push_back(e.id);
            return Outcome(workbookOpen ? TransferResult::Written : TransferResult::NotWritten);
        });
        dlg.SelectIds({ids[2], ids[1]});
        QCOMPARE(dlg.WriteSelected(), 2);
        QCOMPARE(sent, (std::vector<qint64>{ids[1], ids[2]}));
        QCOMPARE(journal->UnwrittenCount(), 0);
        QVERIFY(!Unwritten(dlg, 0));

        workbookOpen = false;
        sent.clear();
        dlg.SelectIds(ids);
        ui::test::MessageBoxRecorder boxes;
        QCOMPARE(dlg.WriteSelected(), 0);
        QCOMPARE(sent.size(), size_t(1));  // no workbook: the rest is not tried
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1446));
        QCOMPARE(journal->UnwrittenCount(), 1);
    }

    void progressCanBeCancelledBetweenRows() {
        std::vector<qint64> ids;
        for (int n = 0; n < 200; ++n) ids.push_back(*journal->Record(Entry(n)));
        int calls = 0, progressMaximum = 0;
        MeasurementsDlg *shown = nullptr;
        MeasurementsDlg dlg(*journal, [&](const JournalEntry &) {
            if (++calls == 50) {
                if (auto *progress = shown->findChild<QProgressDialog *>("progress")) {
                    progressMaximum = progress->maximum();
                    progress->cancel();  // what the Cancel button does
                }
            }
            return Outcome(TransferResult::Written);
        });
        shown = &dlg;
        dlg.SelectIds(ids);
        QCOMPARE(dlg.WriteSelected(), 50);
        QCOMPARE(calls, 50);
        QCOMPARE(progressMaximum, 200);
        QCOMPARE(journal->UnwrittenCount(), 150);
        // The oldest fifty went first.
        QCOMPARE(journal->Entry(ids[49])->outcome.result, TransferResult::Written);
        QCOMPARE(journal->Entry(ids[50])->outcome.result, TransferResult::Pending);
    }
};

OMBRA_QTEST_MAIN(MeasurementsDlgTest)
#include "tst_measurementsdlg.moc"
