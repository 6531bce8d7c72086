// The program's main window and dialogs under the German texts: every label, button, choice and
// tab has the room its text needs, or is one of the known misfits below (reported each run so
// that whoever lays the dialog out again sees them; a new misfit fails the test).
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "core/output/MeasurementJournal.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"
#include "support/OwnInstrument.h"
#include "support/ScopedLanguage.h"
#include "support/TestSupport.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/instrument/CalibrationDlg.h"
#include "ui/instrument/MeasSettingsDlg.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/output/CDataItemsDlg.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/quality/ReferencesDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

namespace {

// "<window>: <text>" of the texts that do not fit under German today. Shorter words or a wider
// layout take an entry off this list.
const std::set<QString> kKnownMisfits = {};

QString Plain(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove('&');
    text.replace('\x01', '&');
    return text;
}

// Width the widget's text needs against the width it has; 0 needed when there is nothing to check.
std::pair<int, int> NeededAndGiven(QWidget *widget, QString *text) {
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        *text = Plain(label->text());
        if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText) return {0, 0};
        return {label->sizeHint().width(), label->width()};
    }
    if (auto *image = qobject_cast<OmbraImageButton *>(widget)) {
        *text = Plain(image->text());
        return {image->fontMetrics().horizontalAdvance(*text), image->width()};
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        *text = Plain(button->text());
        if (text->isEmpty()) return {0, 0};
        return {button->sizeHint().width(), button->width()};
    }
    if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        // The widest entry decides what the box needs when it adjusts to its contents.
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i) {
            const int width = combo->fontMetrics().horizontalAdvance(combo->itemText(i));
            if (width > widest) *text = combo->itemText(i);
            widest = std::max(widest, width);
        }
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        const QSize contents(widest, combo->fontMetrics().height());
        return {combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, combo).width(), combo->width()};
    }
    return {0, 0};
}

// Every misfit of `window` (shown, laid out) as "<window>: <text> (needs N, has M)".
std::map<QString, QString> Misfits(QWidget &window, const QString &name) {
    window.show();
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
    std::map<QString, QString> misfits;
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(&window)) continue;
        QString text;
        const auto [needed, given] = NeededAndGiven(widget, &text);
        if (needed > given) misfits[name + ": " + text] = QStringLiteral("needs %1 px, has %2").arg(needed).arg(given);
    }
    for (QTabBar *bar : window.findChildren<QTabBar *>()) {
        if (!bar->isVisibleTo(&window)) continue;
        // A bar narrower than its tabs scrolls them: some are out of view behind its arrows.
        if (bar->sizeHint().width() > bar->width()) {
            QStringList tabs;
            for (int i = 0; i < bar->count(); ++i) tabs << Plain(bar->tabText(i));
            misfits[name + ": tabs " + tabs.join(", ")] =
                QStringLiteral("tab bar needs %1 px, has %2").arg(bar->sizeHint().width()).arg(bar->width());
        }
        const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
        for (int i = 0; i < bar->count(); ++i) {
            const QString text = Plain(bar->tabText(i));
            const int needed = bar->fontMetrics().horizontalAdvance(text) + space;
            if (needed > bar->tabRect(i).width())
                misfits[name + ": " + text] = QStringLiteral("tab needs %1 px, has %2").arg(needed).arg(bar->tabRect(i).width());
            // A tab past the bar's end is cut off, whatever room it was given.
            if (!bar->rect().contains(bar->tabRect(i)))
                misfits[name + ": tab " + text] = QStringLiteral("tab ends at %1 px, the bar at %2").arg(bar->tabRect(i).right()).arg(bar->width() - 1);
        }
    }
    return misfits;
}

}  // namespace

class GermanFitTest : public QObject {
    Q_OBJECT
    std::unique_ptr<core::test::ScopedLanguage> german;
    std::map<QString, QString> found;

    void Collect(QWidget &window, const QString &name) {
        for (const auto &entry : Misfits(window, name)) found.insert(entry);
    }

private slots:
    void initTestCase() {
        german = std::make_unique<core::test::ScopedLanguage>("de_DE.UTF-8");
        QVERIFY(core::test::ScopedLanguage::LoadAsProgram());
        QCOMPARE(QString::fromStdString(core::platform::ResourceLanguage()), QStringLiteral("de"));
    }
    void cleanupTestCase() { german.reset(); }

    void mainWindow() {
        CVireoDataTransferSoftwareDlg window("1");
        Collect(window, "main window");
    }
    // Every model and measurement type: their tab rows differ.
    void dataItemsDialog_data() {
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("typeSel");
        QTest::newRow("reflection") << 1234 << 0;
        QTest::newRow("irradiance") << 1234 << 1;
        QTest::newRow("reflection-only model") << 1235 << 0;
    }
    void dataItemsDialog() {
        QFETCH(int, model);
        QFETCH(int, typeSel);
        AppSettings settings;
        settings.identity.SetModelName(core::platform::ResString(model));
        settings.measurement.InForce().MeasurementTypeSel = typeSel;
        CDataItemsDlg dlg(nullptr, settings);
        Collect(dlg, "data items");
        auto *tabs = dlg.findChild<QTabBar *>();
        QVERIFY(tabs);
        QVERIFY(tabs->count() >= 2);
        for (int i = 1; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            Collect(dlg, "data items");
        }
    }
    void measurementSettingsDialog() {
        core::test::FakeInstrument instrument;
        DeviceHandle() = instrument.AddDevice();
        AppSettings settings;
        settings.identity.SetModelName(core::platform::ResString(1234));
        {
            CMeasSettingsDlg dlg(nullptr, settings);
            Collect(dlg, "measurement settings");
            // The toolkit's standard buttons speak the library's German, not the toolkit's English.
            auto *cancel = dlg.findChild<QAbstractButton *>(QStringLiteral("ctl_2"));
            QVERIFY(cancel);
            QCOMPARE(cancel->text(), QStringLiteral("Abbrechen"));
        }
        DeviceHandle() = 0;
    }
    void calibrationDialog() {
        core::test::OwnInstrument instrument;
        CCalibrationDlg dlg(WhiteCalibrationStep(std::string(OMBRA_BIN_DIR)), instrument);
        Collect(dlg, "calibration");
    }
    void measurementsAndReferencesWindows() {
        QTemporaryDir folder;
        MeasurementJournal journal(nullptr, folder.path() + "/journal.sqlite", {folder.path()});
        MeasurementsDlg measurements(journal, nullptr);
        measurements.resize(900, 640);
        Collect(measurements, "measurements");
        ReferenceStore store(folder.path() + "/references.json");
        ReferencesDlg references(store);
        Collect(references, "references");
    }

    // Runs last: every window above has been looked at.
    void noNewMisfits() {
        QStringList unknown;
        for (const auto &[what, how] : found) {
            if (kKnownMisfits.count(what)) qInfo("known misfit: %s (%s)", qPrintable(what), qPrintable(how));
            else unknown << what + " (" + how + ")";
        }
        for (const QString &known : kKnownMisfits)
            if (!found.count(known)) qInfo("fits now, take it off the list: %s", qPrintable(known));
        QVERIFY2(unknown.isEmpty(), qPrintable("German texts that do not fit:\n  " + unknown.join("\n  ")));
    }
};

OMBRA_QTEST_MAIN(GermanFitTest)
#include "tst_germanfit.moc"
