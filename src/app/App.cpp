#include "app/App.h"

#include <QApplication>
#include <clocale>
#include <cstdio>

#include "app/MainWindowRunner.h"
#include "app/VersionInfo.h"
#include "platform/Accelerators.h"
#include "platform/Executable.h"
#include "platform/MessageBox.h"
#include "platform/ProfileStore.h"
#include "platform/SingleInstance.h"
#include "AppLayer.h"

namespace ombra::app {
namespace {

CVireoDataTransferSoftwareApp *&current() {
    static CVireoDataTransferSoftwareApp *instance = nullptr;
    return instance;
}

}  // namespace

CVireoDataTransferSoftwareApp::Options::Options() : versionBlock(&ProgramVersionBlock()) {}

CVireoDataTransferSoftwareApp::CVireoDataTransferSoftwareApp(Options options)
    : options_(std::move(options)), instanceMarker_(std::make_unique<platform::SingleInstanceLock>()) {}

CVireoDataTransferSoftwareApp::~CVireoDataTransferSoftwareApp() {
    if (current() == this) current() = nullptr;
}

CVireoDataTransferSoftwareApp *CVireoDataTransferSoftwareApp::Current() { return current(); }

AppSettings &CVireoDataTransferSoftwareApp::Settings() { return ombra::core::Settings(); }

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
        return 0;
    }
    InitFramework(argc, argv);
    ShowMarkerNotice();
    ReadProductVersion();
    FixSettingsLocation();
    LoadAccelerators();
    RunMainWindowModally();
    outcome_ = Outcome::MainWindowClosed;
    return 0;
}

bool CVireoDataTransferSoftwareApp::LoadResources() {
    std::string path = options_.resourceLibraryPath;
    if (path.empty()) path = platform::ExecutableDirectory() + "/libCorvexRes.so";
    return platform::LoadResourceLibrary(path);
}

// The marker stays held until the process ends. A marker that cannot be made at all (no
// writable folder) does not keep the program from running; neither does one that another user
// could have planted, but the user is told about it.
bool CVireoDataTransferSoftwareApp::TakeSingleInstanceMarker() {
    std::string path = options_.instanceLockPath;
    if (path.empty()) path = platform::SingleInstanceLock::DefaultLockPath(kInstanceMarkerName);
    platform::SingleInstanceLock::Result result = instanceMarker_->Acquire(path);
    if (result == platform::SingleInstanceLock::Result::Untrusted)
        markerNotice_ = MakeNotice(kUntrustedMarkerTextId, 1200, platform::mb::ICONWARNING | platform::mb::OK,
                                   {path, instanceMarker_->Problem()});
    return result != platform::SingleInstanceLock::Result::HeldElsewhere;
}

void CVireoDataTransferSoftwareApp::ShowMarkerNotice() {
    if (!markerNotice_) return;
    std::fprintf(stderr, "%s\n", markerNotice_->Text().c_str());
    platform::ShowMessageBox(nullptr, markerNotice_->Text(), markerNotice_->Caption(), markerNotice_->flags);
}

void CVireoDataTransferSoftwareApp::InitFramework(int &argc, char **argv) {
    if (!QCoreApplication::instance()) ownApplication_ = std::make_unique<QApplication>(argc, argv);
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
    std::string name = platform::ExecutableBaseName();
    QCoreApplication::setOrganizationName(kCompanyName);
    QCoreApplication::setApplicationName(QString::fromStdString(name.empty() ? "ombra-dts" : name));
    if (options_.installSettingsStore) platform::InstallProfileStore(platform::MakeSettingsProfileStore());
}

void CVireoDataTransferSoftwareApp::LoadAccelerators() {
    accelerators_ = platform::ResAccelerators(kAcceleratorTableId);
}

void CVireoDataTransferSoftwareApp::InstallAccelerators(QWidget *mainWindow, std::function<void(int)> onCommand) {
    platform::InstallAccelerators(mainWindow, accelerators_, std::move(onCommand));
}

void CVireoDataTransferSoftwareApp::RunMainWindowModally() {
    if (options_.runMainWindow) options_.runMainWindow(*this);
    else RunMainWindow(*this);
}

}  // namespace ombra::app
