#include "app/App.h"

#include <QApplication>
#include <QWidget>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/MainWindowRunner.h"
#include "app/VersionInfo.h"
#include "core/platform/Executable.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/SingleInstance.h"
#include "corvexres/ResourceIds.h"
#include "ui/platform/Accelerators.h"
#include "ui/platform/MessageBox.h"

namespace ombra::app {
namespace {

CVireoDataTransferSoftwareApp *&current() {
    static CVireoDataTransferSoftwareApp *instance = nullptr;
    return instance;
}

constexpr int kRaiseTimeoutMs = 5000;

bool Set(const char *variable) {
    const char *value = std::getenv(variable);
    return value && *value;
}

// The toolkit's window system: -platform NAME on the command line, else QT_QPA_PLATFORM (a list
// of names tried in turn); empty when neither names one.
std::string NamedPlatform(int argc, char **argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return argv[i + 1];
    const char *env = std::getenv("QT_QPA_PLATFORM");
    return env ? env : "";
}

// A window system the toolkit cannot reach aborts the process; the user gets one line instead.
QtMessageHandler previousHandler = nullptr;
void ExitOnFatalStartMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", core::platform::ResString(res::kStrNoDisplay).c_str());
        std::_Exit(1);
    }
    if (previousHandler) previousHandler(type, context, message);
    else std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

CVireoDataTransferSoftwareApp::Options::Options() : versionBlock(&ProgramVersionBlock()) {}

CVireoDataTransferSoftwareApp::CVireoDataTransferSoftwareApp(Options options)
    : options_(std::move(options)), instanceMarker_(std::make_unique<core::platform::SingleInstanceLock>()) {}

CVireoDataTransferSoftwareApp::~CVireoDataTransferSoftwareApp() {
    if (current() == this) current() = nullptr;
}

CVireoDataTransferSoftwareApp *CVireoDataTransferSoftwareApp::Current() { return current(); }

core::AppSettings &CVireoDataTransferSoftwareApp::Settings() { return ombra::core::Settings(); }

int CVireoDataTransferSoftwareApp::Run(int &argc, char **argv) {
    current() = this;
    // Without the resource library there is no text to say anything with: end silently.
    if (!LoadResources()) {
        outcome_ = Outcome::NoResourceLibrary;
        return 0;
    }
    // Every text and image is looked up in that library from here on; there is no separate
    // step to make it the first place to look, nor a common-controls set-up to run.
    if (!TakeSingleInstanceMarker()) {
        outcome_ = Outcome::AnotherCopyRunning;
        AskRunningCopyToRaise();
        return 0;
    }
    if (!QCoreApplication::instance() && !HaveDisplay(argc, argv)) {
        std::fprintf(stderr, "%s\n", core::platform::ResString(res::kStrNoDisplay).c_str());
        outcome_ = Outcome::NoDisplay;
        return 1;
    }
    InitFramework(argc, argv);
    ListenForSecondStarts();
    ShowMarkerNotice();
    ReadProductVersion();
    FixSettingsLocation();
    KeepJournalServer();
    LoadAccelerators();
    RunMainWindowModally();
    outcome_ = Outcome::MainWindowClosed;
    return 0;
}

bool CVireoDataTransferSoftwareApp::LoadResources() {
    std::string path = options_.resourceLibraryPath;
    if (path.empty()) path = core::platform::ExecutableDirectory() + "/libCorvexRes.so";
    return core::platform::LoadResourceLibrary(path);
}

// The marker stays held until the process ends. A marker that cannot be made at all (no
// writable folder) does not keep the program from running; neither does one that another user
// could have planted, but the user is told about it.
bool CVireoDataTransferSoftwareApp::TakeSingleInstanceMarker() {
    std::string path = options_.instanceLockPath;
    if (path.empty()) path = core::platform::SingleInstanceLock::DefaultLockPath(kInstanceMarkerName);
    instanceMarkerPath_ = path;
    core::platform::SingleInstanceLock::Result result = instanceMarker_->Acquire(path);
    if (result == core::platform::SingleInstanceLock::Result::Untrusted)
        markerNotice_ = core::MakeNotice(res::kStrUntrustedMarker, res::kStrMessageCaption,
                                   core::platform::mb::ICONWARNING | core::platform::mb::OK,
                                   {path, instanceMarker_->Problem()});
    return result != core::platform::SingleInstanceLock::Result::HeldElsewhere;
}

// A second start from the application menu must show the user the program that runs already.
void CVireoDataTransferSoftwareApp::AskRunningCopyToRaise() {
    const char *token = std::getenv("XDG_ACTIVATION_TOKEN");
    if (!core::platform::AskRunningCopyToRaise(core::platform::RaiseSocketPath(instanceMarkerPath_), kRaiseTimeoutMs,
                                         token ? token : ""))
        std::fprintf(stderr, "%s\n", core::platform::ResString(res::kStrNotRaised, {core::platform::ProgramName()}).c_str());
}

void CVireoDataTransferSoftwareApp::ListenForSecondStarts() {
    if (!instanceMarker_->Held()) return;
    raiseListener_ = std::make_unique<core::platform::RaiseListener>();
    raiseListener_->Listen(core::platform::RaiseSocketPath(instanceMarkerPath_), [this](const std::string &token) {
        // The toolkit hands the token to a Wayland desktop with the window's activation.
        if (!token.empty()) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(token));
        BringToFront(mainWindow_);
    });
}

void CVireoDataTransferSoftwareApp::BringToFront(QWidget *window) {
    if (!window) return;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
    // A dialog or message box open over the window stays in front of it.
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != window) {
        modal->raise();
        modal->activateWindow();
    }
}

// X needs DISPLAY, Wayland WAYLAND_DISPLAY; any other platform named (offscreen, for tests) is taken as it is.
bool CVireoDataTransferSoftwareApp::HaveDisplay(int argc, char **argv) const {
    const std::string named = NamedPlatform(argc, argv);
    if (named.empty()) return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
    size_t from = 0;
    while (from <= named.size()) {
        size_t to = named.find(';', from);
        if (to == std::string::npos) to = named.size();
        const std::string name = named.substr(from, to - from);
        if (name.rfind("xcb", 0) == 0 ? Set("DISPLAY") : name.rfind("wayland", 0) == 0 ? Set("WAYLAND_DISPLAY") : !name.empty())
            return true;
        from = to + 1;
    }
    return false;
}

void CVireoDataTransferSoftwareApp::ShowMarkerNotice() {
    if (!markerNotice_) return;
    std::fprintf(stderr, "%s\n", markerNotice_->Text().c_str());
    ui::platform::ShowMessageBox(nullptr, markerNotice_->Text(), markerNotice_->Caption(), markerNotice_->flags);
}

void CVireoDataTransferSoftwareApp::InitFramework(int &argc, char **argv) {
    if (!QCoreApplication::instance()) {
        previousHandler = qInstallMessageHandler(ExitOnFatalStartMessage);
        ownApplication_ = std::make_unique<QApplication>(argc, argv);
        qInstallMessageHandler(previousHandler);
    }
    // Ties the windows to the installed desktop entry, so the desktop shows its name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ombra-dts"));
    // The toolkit adopts the user's locale for the C library; numbers the program formats
    // with printf-style functions must keep "." as their decimal point.
    std::setlocale(LC_NUMERIC, "C");
}

void CVireoDataTransferSoftwareApp::ReadProductVersion() {
    productVersion_ = LookUpProductVersion(options_.versionBlock);
    QCoreApplication::setApplicationVersion(QString::fromStdString(productVersion_));
}

void CVireoDataTransferSoftwareApp::FixSettingsLocation() {
    QCoreApplication::setOrganizationName(kCompanyName);
    QCoreApplication::setApplicationName(QString::fromStdString(core::platform::ProgramName()));
    if (options_.installSettingsStore) core::platform::InstallProfileStore(core::platform::MakeSettingsProfileStore());
}

// The server named on the command line is the one of this start and of the next ones.
void CVireoDataTransferSoftwareApp::KeepJournalServer() {
    if (options_.journalServer) Settings().journalServer.SetUrl(*options_.journalServer);
}

void CVireoDataTransferSoftwareApp::LoadAccelerators() {
    accelerators_ = core::platform::ResAccelerators(res::kAcceleratorTable);
}

void CVireoDataTransferSoftwareApp::InstallAccelerators(QWidget *mainWindow, std::function<void(int)> onCommand) {
    ui::platform::InstallAccelerators(mainWindow, accelerators_, std::move(onCommand));
}

void CVireoDataTransferSoftwareApp::RunMainWindowModally() {
    if (options_.runMainWindow) options_.runMainWindow(*this);
    else RunMainWindow(*this);
}

}  // namespace ombra::app
