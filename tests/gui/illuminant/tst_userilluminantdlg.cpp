// The user illuminant editor driven through its buttons, with file dialogs and message boxes
// answered by the platform hooks.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/IlluminantTestSupport.h"
#include "support/OwnInstrument.h"
#include "support/TestSupport.h"
#include "ui/illuminant/CUserIlluminantDlg.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using namespace ombra::ui::test;

using ombra::ui::test::CountingWatcher;

class TestUserIlluminantDlg : public QObject {
    Q_OBJECT

    QPushButton *button(QWidget &dialog, int id) { return ui::test::ControlButton(dialog, id); }
    QString text(QWidget &dialog, int id) { return dialog.findChild<QLabel *>(QStringLiteral("ctl_%1").arg(id))->text(); }
    void click(QWidget &dialog, int id) { QTest::mouseClick(button(dialog, id), Qt::LeftButton); }
    std::string path(const char *name) { return dir_.path().toStdString() + "/" + name; }

    QTemporaryDir dir_;
    std::vector<ui::platform::FileDialogRequest> requests_;
    std::optional<std::string> answer_;
    ui::platform::FileDialogHook previous_;
    AppSettings saved_;
    core::test::OwnInstrument own_;

private slots:
    void init() {
        saved_ = Settings();
        Settings().identity.SetModelName(core::platform::ResString(1234));
        requests_.clear();
        answer_.reset();
        previous_ = ui::platform::SetFileDialogHook([this](const ui::platform::FileDialogRequest &r) {
            requests_.push_back(r);
            return answer_;
        });
    }
    void cleanup() {
        ui::platform::SetFileDialogHook(previous_);
        Settings() = saved_;
    }

    void openShowsTheValuesAndSaveWritesTheFile() {
        FakeColorLibrary colour(0, {812.6f, 2856.2f, 0.0009f});
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        dialog.show();
        QVERIFY(!button(dialog, 1080)->isEnabled());

        // Cancelled: nothing happens.
        click(dialog, 1079);
        QCOMPARE(requests_.size(), size_t(1));
        QCOMPARE(requests_[0].filter, core::platform::ResString(2251));
        QVERIFY(!requests_[0].save);
        QCOMPARE(boxes.Count(), size_t(0));

        WriteText(path("lamp.uid"), RampText(97));
        answer_ = path("lamp.uid");
        click(dialog, 1079);
        QCOMPARE(boxes.Count(), size_t(0));
        QVERIFY(button(dialog, 1080)->isEnabled());
        QVERIFY(button(dialog, 1082)->isEnabled());
        QVERIFY(dialog.findChild<QLabel *>("ctl_1084")->isVisible());
        QCOMPARE(text(dialog, 1087), QString("812 [lx]"));
        QCOMPARE(text(dialog, 1088), QString("2856 [K]"));
        QCOMPARE(text(dialog, 1089), QString("0.001"));

        answer_ = path("copy");  // no extension typed: ".uid" is added
        click(dialog, 1080);
        const ui::platform::FileDialogRequest &save = requests_.back();
        QVERIFY(save.save);
        QCOMPARE(save.fileName, std::string("UserIlluminant"));
        QCOMPARE(save.defaultExtension, std::string("uid"));
        QCOMPARE(save.filter, core::platform::ResString(2251));
        QCOMPARE(ReadText(path("copy.uid")), RampText(97));
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResString(1307));
        QCOMPARE(boxes.Boxes()[0].caption, core::platform::ResString(1200));
        QCOMPARE(boxes.Boxes()[0].flags, core::platform::mb::ICONASTERISK);

        boxes.Clear();
        answer_ = path("missing-folder/new.uid");
        click(dialog, 1080);
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResQString(1301).arg("new.uid").toStdString());
        QCOMPARE(boxes.Boxes()[0].flags, core::platform::mb::ICONHAND);
    }

    void unreadableFileNamesTheFileAndKeepsTheRecord() {
        FakeColorLibrary colour;
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        dialog.show();
        WriteText(path("short.uid"), RampText(96));
        answer_ = path("short.uid");
        click(dialog, 1079);
        QCOMPARE(boxes.Count(), size_t(1));
        QCOMPARE(boxes.Boxes()[0].text, core::platform::ResQString(1294).arg("short.uid").toStdString());
        QCOMPARE(boxes.Boxes()[0].flags, core::platform::mb::ICONHAND);
        QVERIFY(colour.Calls().empty());
        QVERIFY(!button(dialog, 1080)->isEnabled());
        QVERIFY(dialog.findChild<QLabel *>("ctl_1087")->isHidden());
    }

    void missingResultShowsTheMissingValueText() {
        FakeColorLibrary colour(0, {kNoValue, 6500.0f, kNoValue});
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        WriteText(path("lamp.uid"), RampText(97));
        answer_ = path("lamp.uid");
        click(dialog, 1079);
        QCOMPARE(text(dialog, 1087), core::platform::ResQString(1196));
        QCOMPARE(text(dialog, 1088), QString("6500 [K]"));
        QCOMPARE(text(dialog, 1089), core::platform::ResQString(1196));
    }

    void instrumentButtonsReadRegisterAndMeasure() {
        IlluminantInstrument instrument;
        DeviceHandle() = instrument.AddDevice();
        IlluminantInstrument::stored() = RampRecord(1.0f, 1.0f);
        FakeColorLibrary colour;
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        dialog.show();
        click(dialog, 1081);
        QCOMPARE(dialog.Record().power[96], 97.0f);
        click(dialog, 1082);
        QCOMPARE(IlluminantInstrument::registered().size(), size_t(1));
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1337));
        click(dialog, 1083);
        QCOMPARE(boxes.Boxes().back().text, core::platform::ResString(1339));
        QCOMPARE(text(dialog, 1087), QString("61 [lx]"));
        QCOMPARE(instrument.Count("DIDoMeasurement"), 1);
    }

    void runPausesTheWatcherAroundTheModalRun() {
        CountingWatcher watcher;
        QTimer::singleShot(0, [this] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog) qFatal("the editor did not run modally");
            QCOMPARE(dialog->objectName(), QString("dlg_184"));
            click(*dialog, 2);
        });
        QWidget parent;
        int answer = RunUserIlluminantDlg(&parent, &watcher, own_);
        QCOMPARE(answer, int(QDialog::Rejected));
        QCOMPARE(watcher.events, (std::vector<std::string>{"pause", "resume"}));
    }
};

OMBRA_QTEST_MAIN(TestUserIlluminantDlg)
#include "tst_userilluminantdlg.moc"
