// The References window offscreen: adding a typed reference through its entry dialog, picking
// the active one, the nearest-of-the-list mode, deleting, and importing through the installed
// file reader; every change is in the store's file at once.
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <QInputDialog>

#include "core/instrument/MeasuredData.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/Resources.h"
#include "core/quality/ReferenceFile.h"
#include "support/TestSupport.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/platform/FileDialog.h"
#include "ui/quality/ReferencesDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResString;

namespace {

Reference Ref(const std::string &name, double L) {
    Reference r;
    r.name = name;
    r.lab = {L, 1.5, -2.25};
    return r;
}

template <typename T>
T *Child(QWidget &w, const char *name) {
    T *child = w.findChild<T *>(QString::fromLatin1(name));
    if (!child) qFatal("no child %s", name);
    return child;
}

int RowOf(ReferencesDlg &dlg, const QString &name) {
    for (int row = 0; row < dlg.Table()->rowCount(); ++row)
        if (dlg.Table()->item(row, ReferencesDlg::NameColumn)->text() == name) return row;
    return -1;
}

}  // namespace

class ReferencesDlgTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Path() const { return dir.filePath("references.json"); }

private slots:
    void cleanup() { QFile::remove(Path()); }

    void addTypedThroughTheEntryDialog() {
        ReferenceStore store(Path());
        ReferencesDlg dlg(store);
        bool okWasDisabled = false;
        QTimer::singleShot(0, [&] {
            auto *entry = qobject_cast<ReferenceEntryDlg *>(QApplication::activeModalWidget());
            QVERIFY(entry);
            okWasDisabled = !Child<QPushButton>(*entry, "okButton")->isEnabled();  // no name yet
            Child<QLineEdit>(*entry, "name")->setText("Brand red");
            Child<QDoubleSpinBox>(*entry, "L")->setValue(48.25);
            Child<QDoubleSpinBox>(*entry, "a")->setValue(66.5);
            Child<QDoubleSpinBox>(*entry, "b")->setValue(44.0);
            Child<QDoubleSpinBox>(*entry, "limit")->setValue(2.0);
            Child<QDoubleSpinBox>(*entry, "warn")->setValue(80);
            Child<QPushButton>(*entry, "okButton")->click();
        });
        Child<QPushButton>(dlg, "addButton")->click();
        QVERIFY(okWasDisabled);
        QCOMPARE(dlg.Table()->model()->rowCount(), 1);
        QCOMPARE(dlg.Table()->item(0, ReferencesDlg::LColumn)->text(), QString("48.25"));
        QVERIFY(dlg.Table()->item(0, ReferencesDlg::ToleranceColumn)->text().contains("2.00"));
        const ReferenceStore again(Path());
        QCOMPARE(again.References().size(), size_t(1));
        const Reference &r = again.References()[0];
        QCOMPARE(r.name, std::string("Brand red"));
        QCOMPARE(r.lab[1], 66.5);
        QCOMPARE(r.tolerance.formula, DeltaEFormula::Ciede2000);
        QCOMPARE(r.tolerance.warnFraction, 0.8);
        QCOMPARE(r.conditions, ViewingConditions{});
    }

    void pickActiveNearestAndDelete() {
        ReferenceStore store(Path());
        ReferencesDlg dlg(store);
        QVERIFY(dlg.Add(Ref("Cyan", 55)));
        QVERIFY(dlg.Add(Ref("Paper", 95)));
        auto *active = Child<QPushButton>(dlg, "activeButton");
        dlg.Table()->clearSelection();
        QVERIFY(!active->isEnabled());

        dlg.Table()->selectRow(RowOf(dlg, "Paper"));
        active->click();
        QCOMPARE(ReferenceStore(Path()).ActiveName(), std::string("Paper"));
        QVERIFY(dlg.Table()->item(RowOf(dlg, "Paper"), 0)->font().bold());
        QVERIFY(!dlg.Table()->item(RowOf(dlg, "Cyan"), 0)->font().bold());

        Child<QCheckBox>(dlg, "nearestCheck")->click();
        QVERIFY(ReferenceStore(Path()).NearestMode());
        QVERIFY(!active->isEnabled());
        QVERIFY(!dlg.Table()->item(RowOf(dlg, "Paper"), 0)->font().bold());
        Child<QCheckBox>(dlg, "nearestCheck")->click();
        QVERIFY(!ReferenceStore(Path()).NearestMode());

        dlg.Table()->selectRow(RowOf(dlg, "Paper"));
        Child<QPushButton>(dlg, "deleteButton")->click();
        QCOMPARE(dlg.Table()->model()->rowCount(), 1);
        const ReferenceStore again(Path());
        QCOMPARE(again.References().size(), size_t(1));
        QCOMPARE(again.References()[0].name, std::string("Cyan"));
        QVERIFY(again.ActiveName().empty());
    }

    void importsThroughTheInstalledReader() {
        ReferenceStore store(Path());
        {
            ReferencesDlg without(store);
            QVERIFY(!Child<QPushButton>(without, "importButton")->isVisibleTo(&without));
        }
        std::string readPath;
        const ReferenceFileReader previous = InstallReferenceFileReader([&](const std::string &path) {
            readPath = path;
            ReferenceFileRead read;
            read.entries = {{"Red", {48, 68, 48}, std::nullopt, std::nullopt, std::nullopt, 2},
                            {"Blue", {30, 20, -55}, std::nullopt, std::nullopt, std::nullopt, 3}};
            return read;
        });
        const auto hook = ui::platform::SetFileDialogHook([](const ui::platform::FileDialogRequest &request) {
            return request.save ? std::nullopt : std::optional<std::string>("/data/refs.csv");
        });
        ReferencesDlg dlg(store);
        QVERIFY(Child<QPushButton>(dlg, "importButton")->isVisibleTo(&dlg));
        Child<QPushButton>(dlg, "importButton")->click();
        ui::platform::SetFileDialogHook(hook);
        InstallReferenceFileReader(previous);
        QCOMPARE(readPath, std::string("/data/refs.csv"));
        QCOMPARE(dlg.Table()->rowCount(), 2);
        QCOMPARE(ReferenceStore(Path()).References().size(), size_t(2));
    }

    // The Measurements window's selected reflection measurement becomes a reference with its
    // spectrum, under the observer and illuminant it was recorded with.
    void useAsReferenceFromTheMeasurementsWindow() {
        MeasurementJournal journal(nullptr, dir.filePath("journal.sqlite"), {dir.filePath("held")});
        QVERIFY(journal.IsOpen());
        MeasuredDataRecord record;
        for (int i = 0; i < 36; ++i) record.SetFloat(i, 0.4f);
        record.SetFloat(MeasuredDataRecord::kColorValue0, 69.5f);
        record.SetFloat(MeasuredDataRecord::kColorValue0 + 1, 1.0f);
        record.SetFloat(MeasuredDataRecord::kColorValue0 + 2, -1.0f);
        JournalEntry entry;
        entry.date = "2026/12/09";
        entry.time = "11:40:00";
        entry.model = "OS-100";
        entry.serial = "4711";
        entry.outputItems = {OutputItem{2000, "Lab", 0, ""}};
        entry.valueItems = {OutputItem{1000, "L*", 69.5, "69.50"}};
        entry.settingTexts[3] = ResString(1162);  // 10°
        entry.settingTexts[4] = ResString(1167);  // D65
        entry.rawRecord.assign(reinterpret_cast<const char *>(&record), sizeof record);
        const std::optional<qint64> id = journal.Record(entry);
        QVERIFY(id && *id > 0);
        QCOMPARE(journal.List().size(), size_t(1));

        ReferenceStore store(Path());
        MeasurementsDlg dlg(journal, {});
        dlg.OfferUseAsReference(store);
        auto *button = Child<QPushButton>(dlg, "referenceButton");
        dlg.Table()->clearSelection();
        QVERIFY(!button->isEnabled());
        QCOMPARE(dlg.Table()->model()->rowCount(), 1);
        dlg.Table()->selectRow(0);
        QVERIFY(button->isEnabled());
        QString proposed;
        QTimer::singleShot(0, [&] {
            auto *ask = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(ask);
            proposed = ask->textValue();
            ask->setTextValue("Sample A");
            ask->accept();
        });
        button->click();
        QCOMPARE(proposed, QString("2026/12/09 11:40:00"));
        const ReferenceStore again(Path());
        const Reference *r = again.Find("Sample A");
        QVERIFY(r);
        QCOMPARE(r->conditions, (ViewingConditions{4, 1}));
        QCOMPARE(r->lab[0], 69.5);
        QVERIFY(r->spectrum.has_value());
    }
};

OMBRA_QTEST_MAIN(ReferencesDlgTest)
#include "tst_referencesdlg.moc"
