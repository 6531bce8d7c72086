// The main window's display: layout, panes, lamp, enable states, hints, the about box, the
// manual command and the posted messages of the button-watch thread.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include "core/platform/Resources.h"
#include "support/ScopedLanguage.h"
#include "support/TestSupport.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/mainwindow/AboutDlg.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/mainwindow/MainWindowLogic.h"
#include "ui/mainwindow/ManualOpener.h"
#include "ui/platform/Accelerators.h"

using namespace ombra::core;

using ombra::ui::CAboutDlg;
using ombra::ui::CVireoDataTransferSoftwareDlg;
using ombra::ui::OmbraImageButton;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;

namespace {

const int kButtons[] = {1000, 1001, 1002, 1020, 1028};
const int kInstrumentButtons[] = {1001, 1002, 1020, 1028};

using ombra::core::SessionStatus;

QColor LampColour(CVireoDataTransferSoftwareDlg &w) { return w.Lamp()->palette().color(QPalette::WindowText); }
QColor ColourOf(SessionStatus status) {
    const auto c = ombra::ui::mainwindow::LookOf(status).colour;
    return QColor(c.r, c.g, c.b);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCarryTheirIds();
    void buttonRowLayout();
    void statusBarPanesAndLamp();
    void statusShowsTheState();
    void buttonStatesPerConnection();
    void menuEnableStates();
    void menuHints();
    void buttonHoverHints();
    void menuItemsAppearOnceAndShowTheirKeys();
    void pictureButtonsHaveTooltipsAndShowTheFocus();
    void aboutBoxShowsTheVersion();
    void manualCommandReportsFailure();
    void manualWithoutViewerNamesItsFile();
    void manualOpenedInGermanSaysItIsEnglish();
    void placeholdersAnswerWithoutCrashing();
    void postedMessagesReachTheWindow();
    void setUpOfficeCommandShowsWhatTheSetUpDid();
};

void MainWindowTest::controlsCarryTheirIds() {
    CVireoDataTransferSoftwareDlg w("1.2.3");
    for (int id : kButtons) {
        auto *button = w.findChild<OmbraImageButton *>(QString("ctl_%1").arg(id));
        QVERIFY2(button, qPrintable(QString::number(id)));
        QCOMPARE(button, w.Button(id));
        QCOMPARE(button->size(), QSize(120, 112));
        QCOMPARE(button->ImagePosition(), QPoint(1, 0));
        QCOMPARE(button->CaptionPosition(), QPoint(-1, 80));
        QCOMPARE(button->DisabledCaptionColor(), QColor(0xCC, 0xCC, 0xCC));
    }
    QVERIFY(w.findChild<QLabel *>("ctl_1198"));
    QVERIFY(w.findChild<QLabel *>("ctl_103"));
    QVERIFY(w.findChild<QLabel *>("ctl_104"));
    QCOMPARE(w.Button(1000)->text(), ResQString(1181));
    QCOMPARE(w.MessageCaption(), ResQString(1200));
}

void MainWindowTest::buttonRowLayout() {
    CVireoDataTransferSoftwareDlg w("1");
    w.show();
    QCOMPARE(w.ClientArea()->width(), 700);
    const int b = w.StatusBar()->height();
    const int h = w.ClientArea()->height();
    const int xs[] = {20, 140, 260, 380, 560};
    for (int i = 0; i < 5; ++i) {
        OmbraImageButton *button = w.Button(kButtons[i]);
        QVERIFY(button->isVisible());
        QCOMPARE(button->x(), xs[i]);
        QCOMPARE(button->y(), (h - b - 112) / 2);
    }
}

void MainWindowTest::statusBarPanesAndLamp() {
    CVireoDataTransferSoftwareDlg w("1");
    w.show();
    QWidget *hint = w.findChild<QLabel *>("ctl_103");
    QWidget *instrument = w.findChild<QLabel *>("ctl_104");
    QCOMPARE(hint->width(), 700 - 200);
    QCOMPARE(instrument->width(), 700 - 50);
    QCOMPARE(instrument->x(), hint->x() + hint->width());
    QCOMPARE(w.StatusBar()->geometry().bottom(), w.ClientArea()->height() - 1);
    QLabel *lamp = w.Lamp();
    QCOMPARE(lamp->geometry().right() + 1, 700 - 3);
    QCOMPARE(lamp->geometry().bottom() + 1, w.ClientArea()->height());
    // The lamp stays visible over the status bar.
    QCOMPARE(w.ClientArea()->childAt(lamp->geometry().center()), lamp);
}

void MainWindowTest::statusShowsTheState() {
    CVireoDataTransferSoftwareDlg w("1");
    QLabel *status = w.Lamp();
    QCOMPARE(w.Status(), SessionStatus::NotConnected);
    QVERIFY(status->text().endsWith(ResQString(1760)));
    w.SetReadyToMeasure(true);
    QCOMPARE(w.Status(), SessionStatus::NotConnected);
    w.SetInstrumentText("OS-100 : 4711");
    w.SetConnected(true);
    QCOMPARE(w.Status(), SessionStatus::Ready);
    // Ready names the instrument.
    QVERIFY2(status->text().endsWith(ResQString(1761).arg("OS-100 : 4711")), qPrintable(status->text()));
    QCOMPARE(LampColour(w), ColourOf(SessionStatus::Ready));
    QCOMPARE(status->toolTip(), ResQString(1761).arg("OS-100 : 4711"));
    w.SetReadyToMeasure(false);  // a calibration check that found one due
    QCOMPARE(w.Status(), SessionStatus::CalibrationNeeded);
    QVERIFY(status->text().endsWith(ResQString(1762)));
    QCOMPARE(LampColour(w), ColourOf(SessionStatus::CalibrationNeeded));
    w.SetReadyToMeasure(true);
    w.SetConnected(false);
    QCOMPARE(w.Status(), SessionStatus::NotConnected);
    // The whole text fits into the status.
    w.SetInstrumentText("OS-200 : 1234567");
    w.SetConnected(true);
    QVERIFY2(status->fontMetrics().horizontalAdvance(status->text()) + 2 * status->frameWidth() + status->indent() <=
                 status->width(),
             qPrintable(status->text()));
    // The rendered status carries the colour too.
    const QImage image = status->grab().toImage();
    bool coloured = false;
    for (int y = 0; y < image.height() && !coloured; ++y)
        for (int x = 0; x < image.width() && !coloured; ++x)
            coloured = image.pixelColor(x, y) == ColourOf(SessionStatus::Ready);
    QVERIFY(coloured);
}

void MainWindowTest::buttonStatesPerConnection() {
    CVireoDataTransferSoftwareDlg w("1");
    QVERIFY(w.Button(1000)->isEnabled());
    for (int id : kInstrumentButtons) QVERIFY(!w.Button(id)->isEnabled());

    w.ShowConnectedControls();
    for (int id : kButtons) QVERIFY(w.Button(id)->isEnabled());
    QCOMPARE(w.Button(1000)->text(), ResQString(1182));
    w.SetInstrumentText("FX-1 : 123");
    QCOMPARE(w.InstrumentText(), QString("FX-1 : 123"));

    w.ShowDisconnectedControls();
    QVERIFY(w.Button(1000)->isEnabled());
    for (int id : kInstrumentButtons) QVERIFY(!w.Button(id)->isEnabled());
    QCOMPARE(w.Button(1000)->text(), ResQString(1181));
    QCOMPARE(w.InstrumentText(), QString());
}

void MainWindowTest::menuEnableStates() {
    CVireoDataTransferSoftwareDlg w("1");
    QMenu popup;
    auto add = [&](int id) {
        QAction *a = popup.addAction(QString::number(id));
        a->setData(id);
        return a;
    };
    const int always[] = {1000, 32771, 32773, 32774};
    const int connectedOnly[] = {1001, 1002, 1020, 1028, 32772};
    for (int id : always) add(id);
    for (int id : connectedOnly) add(id);
    QAction *separator = popup.addSeparator();
    QAction *noCommand = popup.addAction("plain");
    noCommand->setEnabled(false);
    QMenu *sub = popup.addMenu("sub");
    sub->menuAction()->setEnabled(true);
    sub->addAction("x")->setData(1001);
    w.AttachPopup(&popup);

    for (bool connected : {false, true, false}) {
        w.SetConnected(connected);
        emit popup.aboutToShow();
        for (QAction *a : popup.actions()) {
            const int id = a->data().toInt();
            if (id == 0) continue;
            const bool needs = std::find(std::begin(connectedOnly), std::end(connectedOnly), id) !=
                               std::end(connectedOnly);
            QCOMPARE(a->isEnabled(), needs ? connected : true);
        }
        QVERIFY(!noCommand->isEnabled());        // keeps its state
        QVERIFY(sub->menuAction()->isEnabled()); // never disabled automatically
        QVERIFY(separator->isSeparator());
    }
}

void MainWindowTest::menuHints() {
    CVireoDataTransferSoftwareDlg w("1");
    QMenu popup;
    w.AttachPopup(&popup);
    QAction *connect = popup.addAction("c");
    connect->setData(1000);
    QAction *manual = popup.addAction("m");
    manual->setData(32774);
    QAction *other = popup.addAction("o");

    w.SetHintText("stale");
    connect->hover();
    QCOMPARE(w.HintText(), ResQString(1399));
    w.SetConnected(true);
    connect->hover();
    QCOMPARE(w.HintText(), ResQString(1400));
    manual->hover();
    QCOMPARE(w.HintText(), ResQString(32774));
    w.SetHintText("stale");
    other->hover();
    QCOMPARE(w.HintText(), QString());
}

void MainWindowTest::buttonHoverHints() {
    CVireoDataTransferSoftwareDlg w("1");
    w.ShowConnectedControls();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));

    w.SetHintText("stale");
    QTest::mouseMove(w.Button(1002), QPoint(60, 40));
    QTRY_VERIFY(w.Button(1002)->IsHover());
    QVERIFY(w.Button(1002)->hasFocus());
    QCOMPARE(w.HintText(), ResQString(1002));

    QTest::mouseMove(w.Button(1000), QPoint(60, 40));
    QTRY_VERIFY(w.Button(1000)->IsHover());
    QCOMPARE(w.HintText(), ResQString(1399));  // not connected yet: the Connect hint
    w.SetConnected(true);
    QTest::mouseMove(w.Button(1000), QPoint(61, 41));
    QTRY_COMPARE(w.HintText(), ResQString(1400));

    w.SetHintText("stale");
    QTest::mouseMove(w.ClientArea(), QPoint(5, 5));
    QTRY_COMPARE(w.HintText(), QString());
}

void MainWindowTest::menuItemsAppearOnceAndShowTheirKeys() {
    CVireoDataTransferSoftwareDlg w("1");
    QSet<QString> texts;
    QSet<int> commands;
    QMap<int, QAction *> items;
    for (QAction *top : w.MenuBar()->actions()) {
        QVERIFY(top->menu());
        for (QAction *a : top->menu()->actions()) {
            if (a->isSeparator()) continue;
            const QString text = a->text().remove('&');
            QVERIFY2(!texts.contains(text), qPrintable("twice in the menus: " + text));
            texts.insert(text);
            const int id = a->data().toInt();
            QVERIFY2(!commands.contains(id), qPrintable("command twice in the menus: " + text));
            commands.insert(id);
            items[id] = a;
        }
    }
    QVERIFY(texts.contains(ResQString(101).remove('&')));  // the About item is there, once

    const std::vector<ombra::core::platform::Accelerator> keys = ombra::core::platform::ResAccelerators(135);
    QVERIFY(keys.size() >= 9);
    for (const auto &entry : keys) {
        QAction *item = items.value(entry.commandId);
        QVERIFY2(item, qPrintable(QString("no menu item for %1").arg(entry.commandId)));
        QCOMPARE(item->shortcut().toString(QKeySequence::PortableText), QString::fromStdString(entry.keys));
        QVERIFY(item->isShortcutVisibleInContextMenu());
    }

    // The item's shortcut shown in the menu does not take the key from the window's accelerator.
    std::vector<int> run;
    ombra::ui::platform::InstallAccelerators(&w, keys, [&run](int command) { run.push_back(command); });
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(run, std::vector<int>{32775});
}

void MainWindowTest::pictureButtonsHaveTooltipsAndShowTheFocus() {
    CVireoDataTransferSoftwareDlg w("1");
    for (int id : kButtons) QCOMPARE(w.Button(id)->toolTip(), ResQString(id == 1000 ? 1399 : id));
    w.ShowConnectedControls();
    QCOMPARE(w.Button(1000)->toolTip(), ResQString(1400));
    w.ShowDisconnectedControls();
    QCOMPARE(w.Button(1000)->toolTip(), ResQString(1399));

    w.ShowConnectedControls();
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    OmbraImageButton *button = w.Button(1002);
    w.Button(1001)->setFocus();
    QTRY_VERIFY(w.Button(1001)->hasFocus());
    const QImage unfocused = button->grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(button->hasFocus());
    QVERIFY2(button->grab().toImage() != unfocused, "the focused button looks the same");
}

void MainWindowTest::aboutBoxShowsTheVersion() {
    CAboutDlg about("4.5.6-test");
    QCOMPARE(about.objectName(), QString("dlg_100"));
    auto *version = about.findChild<QLabel *>("aboutVersion");
    QVERIFY(version);
    QVERIFY(version->text().contains("4.5.6-test"));

    // The About command shows it modally with the window's version.
    CVireoDataTransferSoftwareDlg w("7.8.9");
    QString seen;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget())) {
            seen = box->VersionText();
            box->accept();
        }
    });
    w.OnCommand(32773);
    QCOMPARE(seen, QString("7.8.9"));
}

void MainWindowTest::manualCommandReportsFailure() {
    CVireoDataTransferSoftwareDlg w("1");
    ombra::ui::test::MessageBoxRecorder boxes;
    std::vector<QString> asked;
    int answer = ombra::ui::shell::kFileNotFound;
    struct RestoredOpener {
        ombra::ui::ShellOpener previous;
        ~RestoredOpener() { ombra::ui::SetShellOpener(previous); }
    } restored{ombra::ui::SetShellOpener([&](const QString &path) {
        asked.push_back(path);
        return answer;
    })};
    const QString manual = QCoreApplication::applicationDirPath() + "/Manual/" + ResQString(1395);
    w.OnCommand(32774);
    QVERIFY(!asked.empty());
    QCOMPARE(asked.front(), manual);
    QCOMPARE(boxes.Count(), size_t(1));
    // A manual that is there is never reported missing: the message names it instead.
    const QString expected = QFileInfo::exists(manual) ? ResQString(1397).arg(manual) : ResQString(1396);
    QCOMPARE(QString::fromStdString(boxes.Boxes()[0].text), expected);
    QCOMPARE(QString::fromStdString(boxes.Boxes()[0].caption), ResQString(1200));
    QCOMPARE(boxes.Boxes()[0].flags & 0xF0, ombra::core::platform::mb::ICONERROR);

    answer = ombra::ui::shell::kFailed;
    w.OnCommand(32774);
    QCOMPARE(boxes.Count(), size_t(2));
    QCOMPARE(QString::fromStdString(boxes.Boxes()[1].text), ResQString(1397).arg(manual));

    answer = ombra::ui::shell::kOpened;
    w.OnCommand(32774);
    QCOMPARE(boxes.Count(), size_t(2));
}

// F1 on a desktop with neither a PDF viewer nor a browser (nor xdg-utils): the message names
// the manual beside the program, which is there.
void MainWindowTest::manualWithoutViewerNamesItsFile() {
    const QString manual = QCoreApplication::applicationDirPath() + "/Manual/" + ResQString(1395);
    if (!QFileInfo::exists(manual)) QSKIP("the manual is not built beside the tests");
    QTemporaryDir emptyBin;
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(emptyBin.path()));
    CVireoDataTransferSoftwareDlg w("1");
    ombra::ui::test::MessageBoxRecorder boxes;
    w.OnCommand(32774);  // F1 and Help › Manual
    qputenv("PATH", path);
    QCOMPARE(boxes.Count(), size_t(1));
    QVERIFY2(QString::fromStdString(boxes.Boxes()[0].text).endsWith(manual), boxes.Boxes()[0].text.c_str());
}

// The manual is English only: opened from the German program, the status line says so in German;
// the English program says nothing, and a standing notice keeps the status line.
void MainWindowTest::manualOpenedInGermanSaysItIsEnglish() {
    struct RestoredOpener {
        ombra::ui::ShellOpener previous;
        ~RestoredOpener() { ombra::ui::SetShellOpener(previous); }
    } restored{ombra::ui::SetShellOpener([](const QString &) { return ombra::ui::shell::kOpened; })};
    {
        CVireoDataTransferSoftwareDlg w("1");
        w.OnCommand(32774);
        QVERIFY(w.HintText().isEmpty());
    }
    ombra::core::test::ScopedLanguage german("de_DE.UTF-8");
    QVERIFY(ombra::core::test::ScopedLanguage::LoadAsProgram());
    CVireoDataTransferSoftwareDlg w("1");
    ombra::ui::test::MessageBoxRecorder boxes;
    w.OnCommand(32774);
    QCOMPARE(boxes.Count(), size_t(0));
    QCOMPARE(w.HintText(), ResQString(2050));
    QVERIFY(ResQString(2050).contains("Englisch"));
}

void MainWindowTest::placeholdersAnswerWithoutCrashing() {
    CVireoDataTransferSoftwareDlg w("1");
    ombra::ui::test::MessageBoxRecorder boxes;
    // Commands that need an instrument do nothing while disconnected, however they arrive.
    for (int id : {1001, 1002, 1020, 1028, 32772}) w.OnCommand(id);
    QCOMPARE(boxes.Count(), size_t(0));
    QVERIFY(!QApplication::activeModalWidget());
    // Connect without an instrument library: no instrument found.
    QTest::mouseClick(w.Button(1000), Qt::LeftButton);
    QCOMPARE(boxes.Count(), size_t(1));
    QCOMPARE(boxes.Boxes().back().text, ResString(1183));

    w.show();
    w.OnCommand(32771);  // Exit ends the modal run
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(!w.isVisible());
}

void MainWindowTest::postedMessagesReachTheWindow() {
    CVireoDataTransferSoftwareDlg w("1");
    w.ShowConnectedControls();
    w.SetConnected(true);
    w.SetReadyToMeasure(true);
    // Triggers and releases are accepted quietly; loss of the instrument disconnects.
    for (int message : {32778, 32779, 32781, 32782})
        QCoreApplication::postEvent(&w, new QEvent(QEvent::Type(message)));
    QCoreApplication::processEvents();
    QVERIFY(w.IsConnected());
    QCoreApplication::postEvent(&w, new QEvent(QEvent::Type(32780)));
    QCoreApplication::processEvents();
    QVERIFY(!w.IsConnected());
    for (int id : kInstrumentButtons) QVERIFY(!w.Button(id)->isEnabled());
    QCOMPARE(w.Status(), SessionStatus::Lost);
    QVERIFY(w.Lamp()->text().endsWith(ResQString(1763)));
}

// Data › Set up LibreOffice, and anything else that sends its command, runs the application's
// set-up once and shows what it did; without a set-up (no office in the build) nothing happens.
void MainWindowTest::setUpOfficeCommandShowsWhatTheSetUpDid() {
    CVireoDataTransferSoftwareDlg w("1");
    ombra::ui::test::MessageBoxRecorder boxes;
    QAction *item = w.MenuAction(32776);
    QVERIFY(item);
    QCOMPARE(item->text(), QString("Set up &LibreOffice..."));
    w.OnCommand(32776);
    QCOMPARE(boxes.Count(), size_t(0));

    int runs = 0;
    w.SetOfficeSetup([&] {
        ++runs;
        return ombra::core::MakeNotice(1703, 1200, ombra::core::platform::mb::ICONINFORMATION, {"/p/registrymodifications.xcu"});
    });
    QVERIFY(item->isEnabled());
    item->trigger();
    w.OnCommand(32776);
    QCOMPARE(runs, 2);
    QCOMPARE(boxes.Count(), size_t(2));
    std::string expected = ResString(1703);
    expected.replace(expected.find("%1"), 2, "/p/registrymodifications.xcu");
    QCOMPARE(boxes.Boxes()[0].text, expected);
    QCOMPARE(boxes.Boxes()[0].flags & 0xF0, ombra::core::platform::mb::ICONINFORMATION);
}

OMBRA_QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
