// The Measurements window's CGATS export offscreen: the selected measurements, oldest first, in
// a file that reads back; a file that cannot be written is said.
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "cgats/Cgats.h"
#include "core/instrument/MeasuredData.h"
#include "core/platform/Resources.h"
#include "support/TestSupport.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

namespace {

JournalEntry Entry(int n) {
    MeasuredDataRecord r;
    for (int i = 0; i < 36; ++i) r.SetFloat(i, 0.5f);
    for (int i = 0; i < 3; ++i) r.SetFloat(MeasuredDataRecord::kColorValue0 + i, static_cast<float>(n * 10 + i));
    JournalEntry e;
    e.date = "2026-12-09";
    e.time = "10:0" + std::to_string(n) + ":00";
    e.model = "OS-100";
    e.serial = "4711";
    e.outputItems = {OutputItem{2000, "Lab", 0, ""}};
    e.settingTexts = {"", "", "", core::platform::ResString(1161), core::platform::ResString(1165), ""};
    e.rawRecord.assign(reinterpret_cast<const char *>(&r), sizeof r);
    return e;
}

QByteArray Read(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class MeasurementsDlgCgatsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void exportsTheSelectionOldestFirst() {
        MeasurementJournal journal(nullptr, dir.filePath("journal.sqlite"));
        std::vector<qint64> ids;
        for (int n = 1; n <= 3; ++n) ids.push_back(*journal.Record(Entry(n)));
        MeasurementsDlg dlg(journal, nullptr);
        auto *button = dlg.findChild<QPushButton *>("cgatsButton");
        QVERIFY(button && !button->isEnabled());
        dlg.SelectIds({ids[2], ids[0]});
        QVERIFY(button->isEnabled());
        const QString path = dir.filePath("out.txt");
        auto previous = ui::platform::SetFileDialogHook([&](const ui::platform::FileDialogRequest &r) -> std::optional<std::string> {
            if (!r.save || r.defaultExtension != "txt") return std::nullopt;
            return path.toStdString();
        });
        QVERIFY(dlg.ExportSelectedCgats());
        ui::platform::SetFileDialogHook(previous);
        const cgats::ParseResult r = cgats::Parse(Read(path).toStdString());
        QVERIFY(r.ok());
        QCOMPARE(r.tables.size(), size_t(1));
        const cgats::Table &t = r.tables[0];
        QCOMPARE(t.rows.size(), size_t(2));
        QCOMPARE(QString::fromStdString(t.rows[0][1]), QString("2026-12-09 10:01:00"));
        QCOMPARE(QString::fromStdString(t.rows[1][static_cast<size_t>(t.FieldIndex("LAB_L"))]), QString("30.0000"));
        QCOMPARE(QString::fromStdString(*t.Value("ILLUMINATION_NAME")), QString("D50"));
    }

    void aFileThatCannotBeWrittenIsSaid() {
        MeasurementJournal journal(nullptr, dir.filePath("journal2.sqlite"));
        const qint64 id = *journal.Record(Entry(1));
        MeasurementsDlg dlg(journal, nullptr);
        dlg.SelectIds({id});
        // A folder stands where the file would go: no file replaces it, whoever runs the test.
        const QString path = dir.filePath("taken.txt");
        QVERIFY(QDir(dir.path()).mkpath("taken.txt/inside"));
        auto dialog = ui::platform::SetFileDialogHook([&](const ui::platform::FileDialogRequest &) { return std::optional(path.toStdString()); });
        std::vector<std::string> said;
        auto box = ui::platform::SetMessageBoxHook([&](const ui::platform::MessageBoxRequest &r) {
            said.push_back(r.text);
            return core::platform::mb::IDOK;
        });
        QVERIFY(!dlg.ExportSelectedCgats());
        ui::platform::SetFileDialogHook(dialog);
        ui::platform::SetMessageBoxHook(box);
        QCOMPARE(said.size(), size_t(1));
        QVERIFY(QString::fromStdString(said[0]).contains("taken.txt"));
        QVERIFY(QDir(path + "/inside").exists());
    }
};

OMBRA_QTEST_MAIN(MeasurementsDlgCgatsTest)
#include "tst_measurementsdlg_cgats.moc"
