// The data-items dialog's preview follows the dialog's controls, not the stored settings, and
// shows its warnings in its own line instead of a message box.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "core/output/Catalogue.h"
#include "core/platform/Resources.h"
#include "support/TestSupport.h"
#include "ui/output/CDataItemsDlg.h"
#include "ui/output/LayoutPreviewPane.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

class TestDataItemsPreview : public QObject {
    Q_OBJECT

    template <typename W>
    static W *Find(QWidget &dlg, const QString &name) {
        W *w = dlg.findChild<W *>(name);
        if (!w) qFatal("%s missing", qPrintable(name));
        return w;
    }
    static QString Next(const LayoutPreview &p) {
        return p.hasNext ? QStringLiteral("%1,%2").arg(p.nextColumn).arg(p.nextRow) : QString();
    }

private slots:
    void changingTheControlsUpdatesThePreview() {
        core::platform::MemoryProfileStore store;
        AppSettings s(store);
        s.selection.InForce().reflectionSelection = {MakeItem(item::kLabGroup)};
        s.layout.InForce().BlockSep = 13;
        ui::test::MessageBoxRecorder boxes;
        CDataItemsDlg dlg(nullptr, s);
        auto *pane = Find<LayoutPreviewPane>(dlg, "preview");
        auto *warning = Find<QLabel>(dlg, "preview_warning");
        QCOMPARE(pane->Preview().cells.size(), size_t(12));  // three labels above three values, twice
        QCOMPARE(Next(pane->Preview()), QString("1,5"));
        QVERIFY(warning->text().isEmpty());

        auto *block = Find<QComboBox>(dlg, "ctl_1072");
        block->setCurrentIndex(block->findData(12));  // joins: the second writes onto the first
        QTRY_COMPARE(pane->Preview().warning, PreviewWarning::WritesOntoFirst);
        QCOMPARE(warning->text(), core::platform::ResQString(1625));

        block->setCurrentIndex(block->findData(10));  // up from row 1: off the sheet
        QTRY_COMPARE(pane->Preview().warning, PreviewWarning::LeavesSheet);
        QCOMPARE(warning->text(), core::platform::ResQString(1624));
        QVERIFY(!pane->Preview().hasNext);

        block->setCurrentIndex(block->findData(13));
        Find<QCheckBox>(dlg, "ctl_1025")->setChecked(false);  // values only: one row each
        QTRY_COMPARE(Next(pane->Preview()), QString("1,3"));
        QVERIFY(warning->text().isEmpty());

        Find<QPushButton>(dlg, "ctl_8")->click();  // clear the selection
        QTRY_VERIFY(pane->Preview().cells.empty());

        // Nothing was stored or told while the preview followed the controls.
        QCOMPARE(boxes.Count(), size_t(0));
        QVERIFY(store.Writes().empty());
        QCOMPARE(s.layout.BlockSep(), 13);
        QCOMPARE(s.layout.Label(), 1);
    }
};

OMBRA_QTEST_MAIN(TestDataItemsPreview)
#include "tst_dataitemspreview.moc"
