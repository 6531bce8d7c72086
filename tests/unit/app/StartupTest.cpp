#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <clocale>
#include <fstream>
#include <sstream>

#include "app/App.h"
#include "core/platform/Executable.h"
#include "core/platform/SingleInstance.h"
#include "corvexres/ResourceIds.h"
#include "support/ScopedLanguage.h"
#include "support/TestSupport.h"

using namespace ombra::ui;
using namespace ombra::core;

namespace {

using ombra::app::CVireoDataTransferSoftwareApp;
using Outcome = CVireoDataTransferSoftwareApp::Outcome;

// ---- start-up inside this process, with the main window replaced by a probe ----

CVireoDataTransferSoftwareApp::Options TestOptions(const QTemporaryDir &dir, std::function<int(CVireoDataTransferSoftwareApp &)> window) {
    CVireoDataTransferSoftwareApp::Options options;
    options.resourceLibraryPath = OMBRA_TEST_RESOURCE_LIBRARY;
    options.instanceLockPath = (dir.path() + "/Marker").toStdString();
    options.installSettingsStore = false;
    options.runMainWindow = std::move(window);
    return options;
}

int RunApp(CVireoDataTransferSoftwareApp &app) {
    int argc = 1;
    char name[] = "unit_app";
    char *argv[] = {name, nullptr};
    return app.Run(argc, argv);
}

TEST(Startup, RunsEveryStepBeforeTheMainWindow) {
    QTemporaryDir dir;
    int windows = 0;
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    CVireoDataTransferSoftwareApp app(TestOptions(dir, [&](CVireoDataTransferSoftwareApp &running) {
        ++windows;
        EXPECT_EQ(CVireoDataTransferSoftwareApp::Current(), &running);
        EXPECT_EQ(running.ProductVersion(), OMBRA_VERSION);
        EXPECT_EQ(QCoreApplication::organizationName(), "LARKSPUR");
        EXPECT_EQ(QCoreApplication::applicationName().toStdString(), ombra::core::platform::ExecutableBaseName());
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
        EXPECT_EQ(running.Accelerators().size(), 2u);
        ombra::core::platform::SingleInstanceLock other;
        EXPECT_EQ(other.Acquire((dir.path() + "/Marker").toStdString()),
                  ombra::core::platform::SingleInstanceLock::Result::HeldElsewhere)
            << "the marker is held while the main window runs";
        return 1;
    }));
    EXPECT_EQ(RunApp(app), 0);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(app.LastOutcome(), Outcome::MainWindowClosed);
}

TEST(Startup, MissingResourceLibraryEndsBeforeAnythingElse) {
    QTemporaryDir dir;
    auto options = TestOptions(dir, [](CVireoDataTransferSoftwareApp &) {
        ADD_FAILURE() << "no main window without resources";
        return 0;
    });
    options.resourceLibraryPath = (dir.path() + "/libCorvexRes.so").toStdString();
    CVireoDataTransferSoftwareApp app(options);
    EXPECT_EQ(RunApp(app), 0);
    EXPECT_EQ(app.LastOutcome(), Outcome::NoResourceLibrary);
    EXPECT_FALSE(QFile::exists(dir.path() + "/Marker")) << "the marker is not even made";
    EXPECT_EQ(app.ProductVersion(), "");
}

TEST(Startup, SecondCopyEndsSilentlyAndAnUnusableMarkerDoesNotBlock) {
    QTemporaryDir dir;
    ombra::core::platform::SingleInstanceLock firstCopy;
    ASSERT_EQ(firstCopy.Acquire((dir.path() + "/Marker").toStdString()),
              ombra::core::platform::SingleInstanceLock::Result::Acquired);
    int windows = 0;
    auto count = [&](CVireoDataTransferSoftwareApp &) { return ++windows; };
    CVireoDataTransferSoftwareApp second(TestOptions(dir, count));
    EXPECT_EQ(RunApp(second), 0);
    EXPECT_EQ(second.LastOutcome(), Outcome::AnotherCopyRunning);
    EXPECT_EQ(windows, 0);

    auto options = TestOptions(dir, count);
    options.instanceLockPath = (dir.path() + "/no/such/folder/Marker").toStdString();
    CVireoDataTransferSoftwareApp withoutMarker(options);
    EXPECT_EQ(RunApp(withoutMarker), 0);
    EXPECT_EQ(windows, 1);
}

// A marker another user could hold: the program says so, names the file and the reason, and starts.
TEST(Startup, AnUntrustedMarkerIsReportedAndTheProgramStarts) {
    ombra::core::test::ScopedLanguage english("en_US.UTF-8");
    QTemporaryDir dir;
    QString marker = dir.path() + "/Marker";
    QFile(marker).open(QIODevice::WriteOnly);
    ASSERT_EQ(chmod(marker.toUtf8().constData(), 0666), 0);
    ombra::ui::test::MessageBoxRecorder boxes;
    int windows = 0;
    auto options = TestOptions(dir, [&](CVireoDataTransferSoftwareApp &) { return ++windows; });
    options.resourceLibraryPath = ombra::core::test::ScopedLanguage::LibraryPath();  // the reason is the program's text
    CVireoDataTransferSoftwareApp app(options);
    EXPECT_EQ(RunApp(app), 0);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(app.LastOutcome(), Outcome::MainWindowClosed);
    ASSERT_TRUE(app.MarkerNotice());
    EXPECT_EQ(app.MarkerNotice()->textId, ombra::res::kStrUntrustedMarker);
    EXPECT_EQ(app.MarkerNotice()->args,
              (std::vector<std::string>{marker.toStdString(), "its mode 0666 lets other users open it"}));
    EXPECT_EQ(boxes.Count(), 1u);
}

// ---- the real program as its own process ----

// A copy of the program in a folder of its own, with its own runtime and settings folders, run
// in an English session.
class ProgramCopy {
public:
    // With resources the copy gets the small test library, or the library named.
    explicit ProgramCopy(bool withResources, const QString &library = OMBRA_TEST_RESOURCE_LIBRARY) {
        program_ = dir_.path() + "/ombra-dts";
        EXPECT_TRUE(QFile::copy(OMBRA_PROGRAM, program_));
        QFile::setPermissions(program_, QFile::permissions(OMBRA_PROGRAM));
        if (withResources) {
            EXPECT_TRUE(QFile::copy(library, dir_.path() + "/libCorvexRes.so"));
        }
        runtimeDir_ = dir_.path() + "/runtime";
        mkdir(runtimeDir_.toUtf8().constData(), 0700);
        mkdir((dir_.path() + "/config").toUtf8().constData(), 0700);
    }

    // With `display` false the process gets no display at all: it must end before it needs one.
    // `xDisplay` names an X display for the process (with `display` false).
    std::unique_ptr<QProcess> Start(bool display = true, const QStringList &args = {}, const QString &xDisplay = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtimeDir_);
        env.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
        env.insert("LD_LIBRARY_PATH", OMBRA_BIN_DIR);
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        env.insert("LANG", "en_US.UTF-8");
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        if (display) env.insert("QT_QPA_PLATFORM", "offscreen");
        else env.remove("QT_QPA_PLATFORM");
        if (!xDisplay.isEmpty()) env.insert("DISPLAY", xDisplay);
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->start(program_, args);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }

    // Waits (bounded) until `process` holds the marker: it got past the single-instance step.
    bool WaitUntilHoldsMarker(QProcess &process) {
        QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && process.state() == QProcess::Running) {
            if (HoldsMarker(process.processId())) return true;
            QThread::msleep(20);
        }
        return false;
    }

private:
    // Reads the kernel's lock table: no probing lock of our own that could disturb the program.
    bool HoldsMarker(qint64 pid) const {
        struct stat info {};
        if (stat((runtimeDir_ + "/OmbraDataTransferSoftware").toUtf8().constData(), &info) != 0) return false;
        std::ifstream locks("/proc/locks");
        std::string line;
        const std::string inodeSuffix = ":" + std::to_string(info.st_ino);
        while (std::getline(locks, line)) {
            std::istringstream fields(line);
            std::string number, kind, mode, access, lockPid, device;
            fields >> number >> kind >> mode >> access >> lockPid >> device;
            if (kind == "FLOCK" && lockPid == std::to_string(pid) && device.size() > inodeSuffix.size() &&
                device.compare(device.size() - inodeSuffix.size(), inodeSuffix.size(), inodeSuffix) == 0)
                return true;
        }
        return false;
    }

    QTemporaryDir dir_;
    QString program_;
    QString runtimeDir_;
};

void Finish(QProcess &process) {
    if (process.state() == QProcess::NotRunning) return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

TEST(ProgramStartup, WithoutResourceLibraryEndsAtOnceWithSuccess) {
    ProgramCopy copy(false);
    auto process = copy.Start(false);
    ASSERT_TRUE(process->waitForFinished(30000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);
    EXPECT_EQ(process->readAllStandardOutput(), "");
}

// The second copy needs no display of its own: the first one brings its window to the front and
// says so (e2e.sh second-start checks the window on a real desktop).
TEST(ProgramStartup, SecondCopyHasTheFirstRaiseItsWindowAndAKilledCopyDoesNotBlock) {
    ProgramCopy copy(true);
    auto first = copy.Start();
    ASSERT_TRUE(copy.WaitUntilHoldsMarker(*first)) << first->readAllStandardError().toStdString();

    auto second = copy.Start(false);
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(second->readAllStandardOutput(), "");
    EXPECT_EQ(second->readAllStandardError().toStdString(), "") << "the first copy confirmed";
    EXPECT_EQ(first->state(), QProcess::Running) << "the first copy is unaffected";

    first->kill();  // SIGKILL: no chance to clean anything up
    ASSERT_TRUE(first->waitForFinished(10000));

    auto third = copy.Start(false);  // the socket of the killed copy is still there, nobody answers
    ASSERT_TRUE(third->waitForFinished(30000));
    EXPECT_EQ(third->exitCode(), 1) << "no display, and no copy that runs";
    auto fourth = copy.Start();
    EXPECT_TRUE(copy.WaitUntilHoldsMarker(*fourth)) << fourth->readAllStandardError().toStdString();
    EXPECT_FALSE(fourth->waitForFinished(500)) << "the new copy keeps running its window";
    auto fifth = copy.Start(false);
    ASSERT_TRUE(fifth->waitForFinished(30000));
    EXPECT_EQ(fifth->exitCode(), 0);
    EXPECT_EQ(fifth->readAllStandardError().toStdString(), "") << "the new copy answers on the socket it made anew";
    Finish(*fourth);
}

// Exit status 2 and the usage for a mistyped option; 1 and one line without a display (also with
// a display that cannot be reached), where the toolkit itself would abort.
TEST(ProgramStartup, AWrongOptionGivesTheUsageAndNoDisplayOneLine) {
    ProgramCopy copy(true, QString::fromStdString(ombra::core::test::ScopedLanguage::LibraryPath()));
    auto wrong = copy.Start(true, {"--setup-libreofice"});
    ASSERT_TRUE(wrong->waitForFinished(30000));
    EXPECT_EQ(wrong->exitCode(), 2);
    const QString error = QString::fromUtf8(wrong->readAllStandardError());
    EXPECT_TRUE(error.startsWith("ombra-dts: unknown option --setup-libreofice\n")) << error.toStdString();
    EXPECT_TRUE(error.contains("Usage: ombra-dts") && error.contains("--setup-libreoffice --undo")) << error.toStdString();
    EXPECT_EQ(wrong->readAllStandardOutput(), "");

    auto noDisplay = copy.Start(false);
    ASSERT_TRUE(noDisplay->waitForFinished(30000));
    EXPECT_EQ(noDisplay->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(noDisplay->exitCode(), 1);
    EXPECT_EQ(noDisplay->readAllStandardError().toStdString(), "no display: set DISPLAY or WAYLAND_DISPLAY\n");

    auto unreachable = copy.Start(false, {"-platform", "xcb"}, ":9876");
    ASSERT_TRUE(unreachable->waitForFinished(30000));
    EXPECT_EQ(unreachable->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(unreachable->exitCode(), 1);
    EXPECT_TRUE(unreachable->readAllStandardError().endsWith("no display: set DISPLAY or WAYLAND_DISPLAY\n"));

    // The toolkit's own options still reach it: a window on the offscreen platform.
    auto offscreen = copy.Start(false, {"-platform", "offscreen"});
    EXPECT_TRUE(copy.WaitUntilHoldsMarker(*offscreen)) << offscreen->readAllStandardError().toStdString();
    EXPECT_FALSE(offscreen->waitForFinished(500));
    Finish(*offscreen);
}

TEST(ProgramStartup, VersionAndHelpNeedNoWindow) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    env.insert("LANG", "en_US.UTF-8");
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    QProcess version;
    version.setProcessEnvironment(env);
    version.start(OMBRA_PROGRAM, {"--version"});
    ASSERT_TRUE(version.waitForFinished(30000));
    EXPECT_EQ(version.exitCode(), 0);
    EXPECT_EQ(version.readAllStandardOutput().toStdString(), std::string("ombra-dts ") + OMBRA_VERSION + "\n");

    QProcess help;
    help.setProcessEnvironment(env);
    help.start(OMBRA_PROGRAM, {"--help"});
    ASSERT_TRUE(help.waitForFinished(30000));
    EXPECT_EQ(help.exitCode(), 0);
    QByteArray text = help.readAllStandardOutput();
    EXPECT_TRUE(text.contains("Usage: ombra-dts")) << text.toStdString();
    EXPECT_TRUE(text.contains("--version"));

    // The help speaks the session's language, a wrong option too.
    env.insert("LANG", "de_DE.UTF-8");
    env.remove("LC_ALL");
    env.remove("LC_MESSAGES");
    help.setProcessEnvironment(env);
    help.start(OMBRA_PROGRAM, {"--help"});
    ASSERT_TRUE(help.waitForFinished(30000));
    text = help.readAllStandardOutput();
    EXPECT_TRUE(text.startsWith("Aufruf: ombra-dts [Option]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("--setup-libreoffice --undo") && text.contains("diese Einrichtung rückgängig machen"))
        << text.toStdString();
    help.start(OMBRA_PROGRAM, {"--undo"});
    ASSERT_TRUE(help.waitForFinished(30000));
    EXPECT_EQ(help.exitCode(), 2);
    EXPECT_TRUE(help.readAllStandardError().startsWith("ombra-dts: --undo gilt nur zusammen mit --setup-libreoffice\n"));
}

}  // namespace
