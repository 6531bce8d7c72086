// The platform layer against real widgets: boxes and file dialogs actually shown and
// answered, posted messages across threads, the wait cursor and keyboard accelerators.
#include <QDeadlineTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <thread>

#include "core/platform/PostedMessage.h"
#include "support/TestSupport.h"
#include "ui/platform/Accelerators.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"
#include "ui/platform/WaitCursor.h"

using namespace ombra::core;
using namespace ombra::core::platform;

using namespace ombra::ui::platform;

namespace {

// Calls `answer` with the first modal widget of type T that appears (polled, bounded);
// closes whatever is modal when none appears in time, so no test can hang.
template <typename T, typename Fn>
void WhenModal(Fn answer, int timeoutMs = 10000) {
    auto *timer = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, [=] {
        if (auto *widget = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(widget);
        } else if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (QWidget *any = QApplication::activeModalWidget()) any->close();
        }
    });
    timer->start(10);
}

class MessageReceiver : public QObject {
public:
    struct Got {
        int message;
        intptr_t wParam, lParam;
        bool onOwnThread;
    };
    std::vector<Got> got;

    bool event(QEvent *e) override {
        if (e->type() != AppMessageEvent::EventType()) return QObject::event(e);
        auto *m = static_cast<AppMessageEvent *>(e);
        got.push_back({m->message(), m->wParam(), m->lParam(), QThread::currentThread() == thread()});
        return true;
    }
};

class MessageWidget : public QWidget {
public:
    std::vector<std::pair<int, intptr_t>> got;
    bool event(QEvent *e) override {
        if (e->type() != AppMessageEvent::EventType()) return QWidget::event(e);
        auto *m = static_cast<AppMessageEvent *>(e);
        got.emplace_back(m->message(), m->wParam());
        return true;
    }
};

// Shows real boxes and dialogs for the length of one test.
class NoHooks {
public:
    NoHooks() : box_(SetMessageBoxHook({})), file_(SetFileDialogHook({})) {}
    ~NoHooks() {
        SetMessageBoxHook(box_);
        SetFileDialogHook(file_);
    }

private:
    MessageBoxHook box_;
    FileDialogHook file_;
};

}  // namespace

class PlatformWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void realMessageBoxIsAsWideAsItsTitle() {
        NoHooks real;
        const QString title = "Ombra Data Transfer – a long window name that a short message would cut";
        int width = 0, titleWidth = 0;
        WhenModal<QMessageBox>([&](QMessageBox *box) {
            width = box->width();
            titleWidth = box->fontMetrics().horizontalAdvance(title);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        ShowMessageBox(nullptr, "Done.", title.toStdString(), mb::OK);
        QVERIFY(titleWidth > 0);
        QVERIFY2(width > titleWidth, qPrintable(QString("box %1, title %2").arg(width).arg(titleWidth)));
    }

    void realMessageBoxReturnsTheClickedAnswer() {
        NoHooks real;
        QString seenTitle, seenText;
        WhenModal<QMessageBox>([&](QMessageBox *box) {
            seenTitle = box->windowTitle();
            seenText = box->text();
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        });
        QCOMPARE(ShowMessageBox(nullptr, "Replace the set?", "Caption", mb::YESNO | mb::ICONQUESTION), mb::IDYES);
        QCOMPARE(seenTitle, QString("Caption"));
        QCOMPARE(seenText, QString("Replace the set?"));

        WhenModal<QMessageBox>([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(ShowMessageBox(nullptr, "Go on?", "Caption", mb::OKCANCEL), mb::IDCANCEL);
        WhenModal<QMessageBox>([](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(ShowMessageBox(nullptr, "Lost", "Caption", mb::ICONERROR | mb::SYSTEMMODAL | mb::SETFOREGROUND),
                 mb::IDOK);
    }

    void saveDialogAddsTheExtensionAndAsksBeforeReplacing() {
        NoHooks real;
        QTemporaryDir dir;
        QFile existing(dir.path() + "/set.fcs");
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        bool asked = false;
        WhenModal<QFileDialog>([&](QFileDialog *dialog) {
            QCOMPARE(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
            QCOMPARE(dialog->nameFilters(), QStringList{"Color Set File(*.fcs)"});
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText("set");
            WhenModal<QMessageBox>([&](QMessageBox *box) {
                asked = true;
                QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            });
            static_cast<QDialog *>(dialog)->accept();
        });
        FileDialogRequest request{true, "Save", "Color Set File(*.fcs)|*.fcs||", "fcs", dir.path().toStdString(), ""};
        std::optional<std::string> chosen = ShowFileDialog(nullptr, request);
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen), dir.path() + "/set.fcs");
        QVERIFY(asked);

        WhenModal<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); });
        QVERIFY(!ShowFileDialog(nullptr, request).has_value());
    }

    void openDialogReturnsTheChosenFile() {
        NoHooks real;
        QTemporaryDir dir;
        QFile existing(dir.path() + "/light.uid");
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        const QString file = dir.path() + "/light.uid";
        // The dialog takes the file only once its file model lists it (the folder is read in the
        // background) and its name field holds the name; accepted without, it stays open. So accept
        // once the model has the file, again while the dialog stays open, and reject it after 10 s:
        // a failure, never a hang.
        WhenModal<QFileDialog>([file](QFileDialog *dialog) {
            auto *retry = new QTimer(dialog);
            auto deadline = std::make_shared<QDeadlineTimer>(10000);
            QObject::connect(retry, &QTimer::timeout, dialog, [dialog, retry, deadline, file] {
                if (!dialog->isVisible()) {
                    retry->stop();
                    return;
                }
                if (deadline->hasExpired()) {
                    retry->stop();
                    dialog->reject();
                    return;
                }
                auto *model = dialog->findChild<QFileSystemModel *>();
                if (model && !model->index(file).isValid()) return;
                // Typed into the name field as a user does: selectFile leaves a focused field alone.
                if (auto *name = dialog->findChild<QLineEdit *>("fileNameEdit"))
                    name->setText(QFileInfo(file).fileName());
                else
                    dialog->selectFile(file);
                static_cast<QDialog *>(dialog)->accept();
            });
            retry->start(20);
        });
        FileDialogRequest request{false, "", "User Illuminant|*.uid||", "uid", dir.path().toStdString(), ""};
        std::optional<std::string> chosen = ShowFileDialog(nullptr, request);
        QVERIFY(chosen.has_value());
        QCOMPARE(QString::fromStdString(*chosen), dir.path() + "/light.uid");
    }

    void postedMessagesArriveInOrderOnTheReceiversThread() {
        MessageReceiver receiver;
        constexpr int kCount = 500;
        std::thread worker([&] {
            for (int i = 0; i < kCount; ++i) PostAppMessage(&receiver, kAppMessageBase + 10 + i % 5, i, -i);
        });
        worker.join();
        QVERIFY(receiver.got.empty());  // nothing is delivered before the UI thread runs its loop
        QTRY_COMPARE_WITH_TIMEOUT(receiver.got.size(), size_t(kCount), 10000);
        for (int i = 0; i < kCount; ++i) {
            QCOMPARE(receiver.got[i].message, kAppMessageBase + 10 + i % 5);
            QCOMPARE(receiver.got[i].wParam, intptr_t(i));
            QCOMPARE(receiver.got[i].lParam, intptr_t(-i));
            QVERIFY(receiver.got[i].onOwnThread);
        }
    }

    void waitCursorsNest() {
        QVERIFY(!QGuiApplication::overrideCursor());
        {
            WaitCursor outer;
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            {
                WaitCursor inner;
                inner.End();
                inner.End();
                QVERIFY(QGuiApplication::overrideCursor());
                inner.Resume();
            }
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            outer.End();
            QVERIFY(!QGuiApplication::overrideCursor());
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void acceleratorsSendTheirCommands() {
        MessageWidget window;
        std::vector<int> viaCallback;
        auto shortcuts = InstallAccelerators(&window, {{"Ctrl+K", 32771}, {"", 1}, {"F1", 57670}});
        QCOMPARE(shortcuts.size(), size_t(2));
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window)) QSKIP("the platform cannot activate windows");
        QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(window.got.size(), size_t(2));
        QCOMPARE(window.got[0], std::make_pair(kCommandMessage, intptr_t(32771)));
        QCOMPARE(window.got[1], std::make_pair(kCommandMessage, intptr_t(57670)));

        MessageWidget other;
        InstallAccelerators(&other, {{"Ctrl+L", 32772}}, [&](int id) { viaCallback.push_back(id); });
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::keyClick(&other, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(viaCallback, std::vector<int>{32772});
        QVERIFY(other.got.empty());
    }
};

OMBRA_QTEST_MAIN(PlatformWidgetsTest)
#include "tst_platform.moc"
