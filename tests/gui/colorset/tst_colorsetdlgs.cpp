// The colour-set list and editor driven through their buttons against a scripted instrument
// that keeps its colour sets; file dialogs and message boxes are answered by the platform
// hooks, and the editor runs with simple pages of the test's own.
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>

#include "../../unit/colorset/ColorSetTestSupport.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "support/NameColorSetPage.h"
#include "support/OwnInstrument.h"
#include "support/TestSupport.h"
#include "ui/colorset/CColorDataEditScreenDlg.h"
#include "ui/colorset/CColorSetSettingDlg.h"
#include "ui/colorset/CEditColorSetDlg.h"
#include "ui/colorset/ColorSetPage.h"
#include "ui/colorset/ColorSetPages.h"
#include "ui/controls/CCheckListCtrl.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using namespace ombra::ui::test;

namespace {

constexpr DIHANDLE kDevice = 0x1A0;

using NamePage = NameColorSetPage;
constexpr auto namePages = NameColorSetPages;

NamePage *page(CEditColorSetDlg &editor, int tab) { return static_cast<NamePage *>(editor.Pages()[tab]); }

ColorSet Named(const std::string &name) {
    ColorSet set = SampleSet();
    set.name = name;
    set.midToneSpread.enabled = 0;  // the sample's rule names a step that is off
    return set;
}

bool SameBytes(const ColorSet &a, const ColorSet &b) {
    CertificationColorSetRecord ra = RecordFromColorSet(a), rb = RecordFromColorSet(b);
    return a == b && std::memcmp(&ra, &rb, sizeof ra) == 0;
}

using ombra::ui::test::CountingWatcher;

}  // namespace

class TestColorSetDlgs : public QObject {
    Q_OBJECT

    QPushButton *button(QWidget &dialog, int id) { return ui::test::ControlButton(dialog, id); }
    void click(QWidget &dialog, int id) { QTest::mouseClick(button(dialog, id), Qt::LeftButton); }
    std::string path(const char *name) { return dir_.path().toStdString() + "/" + name; }

    // A list dialog over an instrument holding sets in slots 2, 5 and 9.
    std::unique_ptr<CColorSetSettingDlg> openList() {
        instrument_->Hold(2, Named("Proof A"));
        instrument_->Hold(5, Named("A/B"));
        instrument_->Hold(9, Named("Press 10"));
        auto dialog = std::make_unique<CColorSetSettingDlg>(nullptr, namePages);
        if (dialog->Configuration().ReadAllFromInstrument() != 0) qFatal("download failed");
        dialog->show();
        instrument_->fake.ClearLog();
        return dialog;
    }

    QTemporaryDir dir_;
    std::unique_ptr<ColorSetInstrument> instrument_;
    std::unique_ptr<CVireoDllAdapter> owner_;
    std::vector<ui::platform::FileDialogRequest> requests_;
    std::optional<std::string> answer_;
    ui::platform::FileDialogHook previous_;

private slots:
    void init() {
        if (core::platform::ResString(1286).empty()) QSKIP("needs the texts of the resource library");
        instrument_ = std::make_unique<ColorSetInstrument>();
        DeviceHandle() = kDevice;
        owner_ = std::make_unique<CVireoDllAdapter>();  // the main window's hold on the instrument
        requests_.clear();
        answer_.reset();
        previous_ = ui::platform::SetFileDialogHook([this](const ui::platform::FileDialogRequest &r) {
            requests_.push_back(r);
            return answer_;
        });
    }
    void cleanup() {
        ui::platform::SetFileDialogHook(previous_);
        owner_.reset();
        instrument_.reset();
        DeviceHandle() = 0;
    }

    void listShowsEverySlotAndButtonsFollowTheSelection() {
        auto dialog = openList();
        CCheckListCtrl *list = dialog->List();
        QCOMPARE(list->GetItemCount(), 50);
        QCOMPARE(list->GetItemText(0, 0), QString("1"));
        QCOMPARE(list->GetItemText(49, 0), QString("50"));
        QCOMPARE(list->GetItemText(2, 1), QString("Proof A"));
        QCOMPARE(list->GetItemText(5, 1), QString("A/B"));
        QCOMPARE(list->GetItemText(3, 1), QString());
        QCOMPARE(list->horizontalHeaderItem(1)->text(), core::platform::ResQString(1286));
        QCOMPARE(list->columnWidth(0), 40);
        QCOMPARE(list->GetSelectionMark(), 0);
        QVERIFY(button(*dialog, 1029)->isEnabled());
        QVERIFY(!button(*dialog, 1030)->isEnabled());
        QVERIFY(button(*dialog, 1031)->isEnabled());

        list->SelectItem(5);
        QVERIFY(button(*dialog, 1030)->isEnabled());
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->GetSelectionMark(), 6);
        QVERIFY(!button(*dialog, 1030)->isEnabled());
        QTest::keyClick(list, Qt::Key_Up);
        QVERIFY(button(*dialog, 1030)->isEnabled());

        // A ctrl-click takes the selection away: there is no slot to edit or clear.
        const QRect cell = list->visualItemRect(list->item(5, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, cell.center());
        QCOMPARE(list->GetSelectionMark(), -1);
        QVERIFY(!button(*dialog, 1029)->isEnabled());
        QVERIFY(!button(*dialog, 1030)->isEnabled());
        MessageBoxRecorder boxes;
        int edited = 0;
        dialog->SetEditorRunner([&](CEditColorSetDlg &) { return ++edited, int(QDialog::Rejected); });
        dialog->OnEdit();
        dialog->OnClear();
        QCOMPARE(edited, 0);
        QCOMPARE(boxes.Count(), size_t(0));
        QCOMPARE(instrument_->fake.Calls().size(), size_t(0));
        QCOMPARE(dialog->Configuration().Slots().size(), size_t(50));
    }

    void emptyInstrumentDisablesBothClearButtons() {
        CColorSetSettingDlg dialog(nullptr, namePages);
        QCOMPARE(dialog.Configuration().ReadAllFromInstrument(), 0);
        dialog.show();
        QCOMPARE(dialog.List()->GetItemCount(), 50);
        QVERIFY(!button(dialog, 1030)->isEnabled());
        QVERIFY(!button(dialog, 1031)->isEnabled());
    }

    void cancelRestoresTheSlotEvenAfterALoad() {
        auto dialog = openList();
        const ColorSet before = *dialog->Configuration().Slot(2);
        CConfiguration other;
        other.ResetAll();
        *other.Slot(0) = Named("From file");
        QVERIFY(other.SaveToFile(path("other.fcs"), 0));

        MessageBoxRecorder boxes;
        dialog->List()->SelectItem(2);
        dialog->SetEditorRunner([&](CEditColorSetDlg &editor) {
            page(editor, 0)->field->setText("Changed");
            editor.Tabs()->setCurrentIndex(1);  // stores the first page
            if (editor.Configuration().Slot(2)->name != "Changed") qWarning("the tab change did not store");
            answer_ = path("other.fcs");
            editor.OnLoad();
            if (page(editor, 1)->field->text() != "From file") qWarning("the pages were not refilled");
            return int(QDialog::Rejected);
        });
        dialog->OnEdit();
        QCOMPARE(boxes.Count(), size_t(0));
        QVERIFY(SameBytes(*dialog->Configuration().Slot(2), before));
        QCOMPARE(dialog->List()->GetItemText(2, 1), QString("Proof A"));
        QCOMPARE(dialog->List()->GetSelectionMark(), 2);
        QCOMPARE(instrument_->fake.Count("DISetCertificationColorSet"), 0);
    }

    void sendWritesTheSlotAndRefreshesTheList() {
        auto dialog = openList();
        MessageBoxRecorder boxes;
        dialog->List()->SelectItem(4);
        int result = -1;
        dialog->SetEditorRunner([&](CEditColorSetDlg &editor) {
            page(editor, 0)->field->setText("Fresh");
            page(editor, 1)->field->setText("Fresh");
            page(editor, 2)->field->setText("Fresh");
            editor.OnSend();
            return result = editor.result();
        });
        dialog->OnEdit();
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1302));
        QCOMPARE(instrument_->sent.size(), size_t(1));
        QCOMPARE(instrument_->sent[0].first, 4);
        QCOMPARE(std::string(instrument_->held.at(4).name), std::string("Fresh"));
        QVERIFY(dialog->Configuration().Slot(4)->registered);
        QCOMPARE(dialog->List()->GetItemText(4, 1), QString("Fresh"));
        QCOMPARE(dialog->List()->GetSelectionMark(), 4);
        QVERIFY(button(*dialog, 1030)->isEnabled());
    }

    void aFailedSendKeepsTheEditorOpen() {
        auto dialog = openList();
        MessageBoxRecorder boxes;
        instrument_->fake.Script("DISetCertificationColorSet", {DI_ERR_TIMEOUT});
        CEditColorSetDlg editor(dialog->Configuration(), 2, dialog.get(), namePages);
        editor.setResult(-5);
        editor.OnSend();
        QCOMPARE(editor.result(), -5);
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].caption, core::platform::ResString(1200));
        QVERIFY(boxes.Boxes()[0].text.find(core::platform::ResString(1200 + DI_ERR_TIMEOUT)) != std::string::npos);
    }

    void refusalsAndMidToneRuleBlockSendingAndSaving() {
        auto dialog = openList();
        MessageBoxRecorder boxes;
        CEditColorSetDlg editor(dialog->Configuration(), 2, dialog.get(), namePages);
        editor.show();
        QCOMPARE(editor.Tabs()->count(), 3);
        QCOMPARE(editor.Tabs()->tabText(1), QString("Colours"));
        QCOMPARE(editor.findChild<QLabel *>("ctl_1066")->text(), core::platform::ResQString(1067) + " 3");
        QVERIFY(button(editor, 1)->isHidden());

        // The middle page refuses: sending brings it to the front and sends nothing.
        page(editor, 1)->field->setText("bad~name");
        editor.OnSend();
        QCOMPARE(editor.Tabs()->currentIndex(), 1);
        QCOMPARE(instrument_->sent.size(), size_t(0));
        // Leaving it is refused too: the user stays on it.
        editor.Tabs()->setCurrentIndex(2);
        QCOMPARE(editor.Tabs()->currentIndex(), 1);
        page(editor, 1)->field->setText("Fine");
        editor.Tabs()->setCurrentIndex(2);
        QCOMPARE(editor.Tabs()->currentIndex(), 2);
        QTRY_COMPARE(page(editor, 2)->refreshes, 1);
        editor.Tabs()->setCurrentIndex(0);
        QCoreApplication::processEvents();
        QCOMPARE(page(editor, 0)->refreshes, 0);

        // An inconsistent mid-tone rule: its message, nothing sent or saved.
        ColorSet &set = *dialog->Configuration().Slot(2);
        set.midToneSpread = MidToneSpread{1, 0, {1, 1, 2}, 5.0f};
        boxes.Clear();
        editor.OnSend();
        answer_ = path("never.fcs");
        editor.OnSave();
        QCOMPARE(boxes.Count(), size_t(2));
        QVERIFY(boxes.Boxes()[0].text.rfind(core::platform::ResString(1390) + "\n\n - ", 0) == 0);
        QCOMPARE(instrument_->sent.size(), size_t(0));
        QVERIFY(requests_.empty());

        // A polarisation that does not go with the condition: said in its own words before
        // any file dialog, since the file could not be loaded again.
        set.midToneSpread.enabled = 0;
        set.polarization = 0;  // condition 161
        boxes.Clear();
        editor.OnSave();
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1790));
        QCOMPARE(boxes.Boxes()[0].flags, core::platform::mb::ICONHAND);
        QVERIFY(requests_.empty());
        set.polarization = 1;

        // Enter neither closes the editor nor sends.
        QTest::keyClick(&editor, Qt::Key_Return);
        QTest::keyClick(page(editor, 0)->field, Qt::Key_Enter);
        QVERIFY(editor.isVisible());
        QCOMPARE(instrument_->sent.size(), size_t(0));
    }

    // Escape and Enter right after opening and in a line edit, a list and a choice of every
    // page: the editor stays open without a result, and every edit is still there.
    void escapeAndEnterOnThePagesKeepTheEditorAndItsEdits() {
        CConfiguration config;
        config.ResetAll();
        ColorSet &set = *config.Slot(2);
        set = SampleSet();
        for (auto [e, colour] : {std::pair{0, 2}, {2, 4}, {4, 5}}) {  // enough entries for the mid-tone rule
            set.tones[e].enabled = set.tones[e].defined = 1;
            set.tones[e].color = colour;
        }
        MessageBoxRecorder boxes(core::platform::mb::IDOK);
        CEditColorSetDlg editor(config, 2);
        QSignalSpy finished(&editor, &QDialog::finished);
        editor.show();
        QApplication::setActiveWindow(&editor);
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        auto keysLeaveTheEditorAlone = [&] {
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
                QWidget *focused = QApplication::focusWidget();  // where a typed key goes
                QTest::keyClick(focused ? focused : &editor, key);
            }
            QCoreApplication::processEvents();
            return editor.isVisible() && finished.isEmpty();
        };
        QTRY_COMPARE(QApplication::focusWidget(), editor.Pages()[0]);
        QVERIFY2(keysLeaveTheEditorAlone(), "right after opening");

        auto focus = [&](int tab, int id) -> QWidget * {
            if (editor.Tabs()->currentIndex() != tab) {
                editor.Tabs()->setCurrentIndex(tab);
                QCoreApplication::processEvents();  // the page's refresh
            }
            auto *widget = editor.Pages()[tab]->findChild<QWidget *>(QStringLiteral("ctl_%1").arg(id));
            if (!widget) qFatal("no control %d", id);
            widget->setFocus();
            return widget;
        };
        auto typeInto = [&](int tab, int id, const char *text) {
            auto *edit = static_cast<QLineEdit *>(focus(tab, id));
            edit->clear();
            QTest::keyClicks(edit, text);
        };
        const std::pair<int, int> lists[] = {{1, 1051}, {2, 1090}};
        const std::pair<int, int> choices[] = {{0, 1037}, {1, 1065}, {2, 1358}};  // illuminant, paper, mid-tone entry
        typeInto(0, 1035, "Edited");
        QVERIFY2(keysLeaveTheEditorAlone(), "set name");
        for (auto [tab, id] : choices) {
            QTest::keyClick(focus(tab, id), Qt::Key_Down);
            QVERIFY2(keysLeaveTheEditorAlone(), qPrintable(QString("choice %1").arg(id)));
        }
        for (auto [tab, id] : lists) {
            QTest::keyClick(focus(tab, id), Qt::Key_Down);
            QVERIFY2(keysLeaveTheEditorAlone(), qPrintable(QString("list %1").arg(id)));
        }
        typeInto(2, 1361, "4.5");
        QVERIFY2(keysLeaveTheEditorAlone(), "mid-tone tolerance");

        QVERIFY(editor.ExchangeAll());
        QCOMPARE(set.name, std::string("Edited"));
        QCOMPARE(set.illuminant, 8);
        QCOMPARE(set.paperColor, 1);
        QCOMPARE(set.midToneSpread.tolerance, 4.5f);
        QCOMPARE(set.midToneSpread.toneIndexes[0], 2);  // the second entry offered, after 1 went off with the paper
        QCOMPARE(boxes.Count(), size_t(1));  // the paper-colour question, nothing else
        QCOMPARE(instrument_->sent.size(), size_t(0));
    }

    // A colour measured without its values (the largest float from the instrument) shows
    // them as missing, and OK refuses them as out of range; measured values are stored.
    void aMeasuredValueTheInstrumentDidNotDeliverIsRefused() {
        CConfiguration config;
        config.ResetAll();
        *config.Slot(2) = SampleSet();
        const ColorEntry before = config.Slot(2)->colors[1];
        MessageBoxRecorder boxes(core::platform::mb::IDOK);
        core::test::OwnInstrument instrument;
        config.SetInstrument(&instrument);
        CColorDataEditScreenDlg entry(config, 2, 1);
        auto lab = [&](int i) { return entry.findChild<QLineEdit *>(QStringLiteral("ctl_%1").arg(1056 + i)); };
        instrument_->fake.SetMissingValues(true);
        entry.OnMeasure();
        QCOMPARE(boxes.Count(), size_t(1));  // the question only: the instrument answered 0
        for (int i = 0; i < 3; ++i) QCOMPARE(lab(i)->text(), core::platform::ResQString(1196));
        entry.accept();
        QCOMPARE(entry.result(), int(QDialog::Rejected));
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResQString(1300).arg("0.00", "999.99").toStdString());
        QCOMPARE(lab(0)->text(), QString("11.25"));  // the value before measuring
        QCOMPARE(config.Slot(2)->colors[1], before);

        instrument_->fake.SetMissingValues(false);
        entry.OnMeasure();
        entry.accept();
        QCOMPARE(entry.result(), int(QDialog::Accepted));
        const ColorEntry &stored = config.Slot(2)->colors[1];
        QCOMPARE((std::array<float, 3>{stored.L, stored.a, stored.b}),
                 (std::array<float, 3>{FakeInstrument::ColorValue(0, 0), FakeInstrument::ColorValue(0, 1),
                                       FakeInstrument::ColorValue(0, 2)}));
    }

    void loadRefusesABadFileAndSaveProposesASafeName() {
        auto dialog = openList();
        MessageBoxRecorder boxes;
        CEditColorSetDlg editor(dialog->Configuration(), 5, dialog.get(), namePages);
        const ColorSet before = *dialog->Configuration().Slot(5);
        {
            QFile bad(QString::fromStdString(path("bad.fcs")));
            QVERIFY(bad.open(QIODevice::WriteOnly));
            bad.write("[VERSION]\r\n999\r\n");
        }
        answer_ = path("bad.fcs");
        // Under a fresh home the dialogs start in the user's documents, never beside the program.
        QTemporaryDir home;
        const QByteArray previousHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        editor.OnLoad();
        qputenv("HOME", previousHome);
        QCOMPARE(requests_.back().filter, core::platform::ResString(2250));
        QCOMPARE(requests_.back().startFolder, home.path().toStdString() + "/Documents/Ombra Data Transfer/ColorSet");
        QVERIFY(requests_.back().createStartFolder);
        QVERIFY(!requests_.back().save);
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResQString(1294).arg("bad.fcs").toStdString());
        QCOMPARE(boxes.Boxes()[0].flags, core::platform::mb::ICONHAND);
        QVERIFY(SameBytes(*dialog->Configuration().Slot(5), before));

        boxes.Clear();
        answer_ = path("A_B");
        editor.OnSave();
        const ui::platform::FileDialogRequest &save = requests_.back();
        QVERIFY(save.save);
        QCOMPARE(save.fileName, std::string("A_B"));
        QCOMPARE(save.defaultExtension, std::string("fcs"));
        QVERIFY(QFile::exists(QString::fromStdString(path("A_B.fcs"))));
        QVERIFY(!QFile::exists(dir_.path() + "/A"));
        QCOMPARE(boxes.Boxes().at(0).text, core::platform::ResString(1307));
        QCOMPARE(boxes.Boxes().at(0).flags, core::platform::mb::ICONINFORMATION);

        boxes.Clear();
        answer_ = path("no-such-folder/x.fcs");
        editor.OnSave();
        QCOMPARE(boxes.Boxes().at(0).text, core::platform::ResQString(1301).arg(QString::fromStdString(*answer_)).toStdString());
        QCOMPARE(boxes.Boxes().at(0).flags, core::platform::mb::ICONHAND);
    }

    void clearOneAsksWithTheNameAndResetsTheSlot() {
        auto dialog = openList();
        MessageBoxRecorder boxes;
        dialog->List()->SelectItem(2);
        boxes.Answer(core::platform::mb::IDCANCEL);
        click(*dialog, 1030);
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1288) + "Proof A ?");
        QCOMPARE(boxes.Boxes()[0].flags & 0xF, core::platform::mb::OKCANCEL);
        QCOMPARE(instrument_->fake.Count("DIClearCertificationColorSet"), 0);

        boxes.Clear();
        instrument_->fake.Script("DIClearCertificationColorSet", {DI_ERR_TIMEOUT});
        click(*dialog, 1030);
        QCOMPARE(boxes.Count(), size_t(2));  // question, error
        QCOMPARE(dialog->List()->GetItemText(2, 1), QString("Proof A"));

        boxes.Clear();
        click(*dialog, 1030);
        QCOMPARE(boxes.Count(), size_t(2));
        QCOMPARE(boxes.Boxes()[1].text, core::platform::ResString(1292));
        QCOMPARE(boxes.Boxes()[1].flags, core::platform::mb::ICONINFORMATION);
        QVERIFY(SameBytes(*dialog->Configuration().Slot(2), ColorSet{}));
        QCOMPARE(dialog->List()->GetItemText(2, 1), QString());
        QCOMPARE(dialog->List()->GetSelectionMark(), 2);
        QVERIFY(!button(*dialog, 1030)->isEnabled());
        QVERIFY(button(*dialog, 1031)->isEnabled());
        QVERIFY(!instrument_->held.count(2));
    }

    void clearAllFailingAtTheThirdSlotKeepsTheList() {
        auto dialog = openList();
        MessageBoxRecorder boxes;
        const std::map<int, ColorSet> before = dialog->Configuration().Slots();
        instrument_->fake.SetRule([](const FakeCall &c) -> std::optional<int32_t> {
            if (c.fn == "DIClearCertificationColorSet" && c.a == 9) return DI_ERR_TIMEOUT;
            return std::nullopt;
        });
        click(*dialog, 1031);
        QCOMPARE(boxes.Count(), size_t(2));  // the question, the error once
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1291));
        QVERIFY(boxes.Boxes()[1].text.find(core::platform::ResString(1200 + DI_ERR_TIMEOUT)) != std::string::npos);
        std::vector<int> cleared;
        for (const FakeCall &c : instrument_->fake.CallsOf("DIClearCertificationColorSet")) cleared.push_back(c.a);
        QCOMPARE(cleared, (std::vector<int>{2, 5, 9}));
        QVERIFY(!instrument_->held.count(2) && !instrument_->held.count(5));  // gone all the same
        QCOMPARE(dialog->Configuration().Slots(), before);
        QCOMPARE(dialog->List()->GetItemText(5, 1), QString("A/B"));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        instrument_->fake.SetRule(nullptr);
        boxes.Clear();
        click(*dialog, 1031);
        QCOMPARE(boxes.Boxes().at(1).text, core::platform::ResString(1292));
        QVERIFY(!dialog->Configuration().AnyRegistered());
        QCOMPARE(dialog->List()->GetItemText(9, 1), QString());
        QCOMPARE(dialog->List()->GetSelectionMark(), 0);
        QVERIFY(!button(*dialog, 1030)->isEnabled());
        QVERIFY(!button(*dialog, 1031)->isEnabled());
        QVERIFY(instrument_->held.empty());
    }

    void commandRunsTheListWithTheNormalCursor() {
        instrument_->Hold(1, Named("Shown"));
        CountingWatcher watcher;
        MessageBoxRecorder boxes;
        QString seenName;
        bool waitCursorSeen = true;
        QTimer::singleShot(0, [&] {
            auto *list = qobject_cast<CColorSetSettingDlg *>(QApplication::activeModalWidget());
            if (!list) return;
            seenName = list->List()->GetItemText(1, 1);
            waitCursorSeen = QGuiApplication::overrideCursor() != nullptr;
            list->reject();
        });
        QCOMPARE(RunColorSets(nullptr, &watcher, nullptr, namePages), 0);
        QCOMPARE(seenName, QString("Shown"));
        QVERIFY(!waitCursorSeen);
        QCOMPARE(watcher.events, (std::vector<std::string>{"pause", "resume"}));
        QCOMPARE(boxes.Count(), size_t(0));
    }

    void aFailedDownloadIsReportedAndNoListOpens() {
        CountingWatcher watcher;
        MessageBoxRecorder boxes;
        instrument_->fake.SetRule([](const FakeCall &c) -> std::optional<int32_t> {
            if (c.fn == "DIGetCertificationColorSet" && c.a == 3) return DI_ERR_TIMEOUT;
            return std::nullopt;
        });
        bool listOpened = false;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            if (auto *w = QApplication::activeModalWidget()) listOpened = true, w->close();
        });
        timer.start(0);
        QCOMPARE(RunColorSets(nullptr, &watcher, nullptr, namePages), DI_ERR_TIMEOUT);
        QCoreApplication::processEvents();
        QVERIFY(!listOpened);
        QCOMPARE(boxes.Count(), size_t(1));
        QVERIFY(boxes.Boxes()[0].text.find(core::platform::ResString(1200 + DI_ERR_TIMEOUT)) != std::string::npos);
        QCOMPARE(watcher.events, (std::vector<std::string>{"pause", "resume"}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
};

OMBRA_QTEST_MAIN(TestColorSetDlgs)
#include "tst_colorsetdlgs.moc"
