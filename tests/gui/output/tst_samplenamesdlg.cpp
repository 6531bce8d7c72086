// The sample names dialog: the numbering and the list it stores at OK, a list file loaded.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "core/output/SampleNames.h"
#include "core/platform/Resources.h"
#include "support/TestSupport.h"
#include "ui/output/SampleNamesDlg.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using core::platform::MemoryProfileStore;

namespace {

template <typename W>
W *Ctl(QWidget &dlg, int id) {
    W *w = dlg.findChild<W *>(QStringLiteral("ctl_%1").arg(id));
    if (!w) qFatal("control %d missing", id);
    return w;
}

}  // namespace

class TestSampleNamesDlg : public QObject {
    Q_OBJECT

    MemoryProfileStore store;
    AppSettings settings{store};

private slots:
    void init() { store = MemoryProfileStore{}; }

    void numberingIsStoredAtOkOnly() {
        settings.samples.SetNextNumber(5);
        {
            SampleNamesDlg dlg(nullptr, settings);
            QVERIFY(Ctl<QRadioButton>(dlg, 2024)->isChecked());
            QCOMPARE(Ctl<QSpinBox>(dlg, 2027)->value(), 5);
            Ctl<QLineEdit>(dlg, 2026)->setText("Patch ");
            Ctl<QSpinBox>(dlg, 2027)->setValue(12);
            Ctl<QPushButton>(dlg, 2)->click();
        }
        QCOMPARE(settings.samples.NextNumber(), 5);
        SampleNamesDlg dlg(nullptr, settings);
        Ctl<QLineEdit>(dlg, 2026)->setText("Patch ");
        Ctl<QSpinBox>(dlg, 2027)->setValue(12);
        Ctl<QPushButton>(dlg, 1)->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(TakeSampleName(settings.samples), std::optional<std::string>("Patch 12"));
    }

    void aLoadedListIsTakenFromItsFirstName() {
        QTemporaryDir dir;
        const QString path = dir.filePath("names.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Name,L*\nwhite,95\nblack,12\n");
        file.close();
        const auto previous = ui::platform::SetFileDialogHook(
            [&](const ui::platform::FileDialogRequest &) { return std::optional<std::string>(path.toStdString()); });
        SampleNamesDlg dlg(nullptr, settings);
        QCOMPARE(Ctl<QLabel>(dlg, 2029)->text(), core::platform::ResQString(2033));
        Ctl<QPushButton>(dlg, 2028)->click();
        ui::platform::SetFileDialogHook(previous);
        QVERIFY(Ctl<QRadioButton>(dlg, 2025)->isChecked());
        QCOMPARE(Ctl<QLabel>(dlg, 2029)->text(), core::platform::ResQString(2029).arg(3).arg(3));
        QVERIFY(settings.samples.List().empty());  // not before OK
        Ctl<QPushButton>(dlg, 1)->click();
        QCOMPARE(settings.samples.List(), (std::vector<std::string>{"Name", "white", "black"}));
        QCOMPARE(TakeSampleName(settings.samples), std::optional<std::string>("Name"));
    }

    void anUnreadableFileIsToldAndChangesNothing() {
        ui::test::MessageBoxRecorder boxes;
        const auto previous = ui::platform::SetFileDialogHook(
            [](const ui::platform::FileDialogRequest &) { return std::optional<std::string>("/nonexistent/names.txt"); });
        SampleNamesDlg dlg(nullptr, settings);
        Ctl<QPushButton>(dlg, 2028)->click();
        ui::platform::SetFileDialogHook(previous);
        QCOMPARE(boxes.Count(), size_t(1));
        QVERIFY(boxes.Boxes()[0].text.find("/nonexistent/names.txt") != std::string::npos);
        QVERIFY(Ctl<QRadioButton>(dlg, 2024)->isChecked());
    }
};

OMBRA_QTEST_MAIN(TestSampleNamesDlg)
#include "tst_samplenamesdlg.moc"
