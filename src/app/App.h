// The application object: starts the program, holds what lives as long as the process
// (resource library, single-instance marker, accelerator table, product version, the
// settings) and runs the main window.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/Notice.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"

class QApplication;
class QWidget;

namespace ombra::core::platform {
class SingleInstanceLock;
class RaiseListener;
}

namespace ombra::app {

struct VersionBlock;

class CVireoDataTransferSoftwareApp {
public:
    static constexpr const char *kInstanceMarkerName = "OmbraDataTransferSoftware";
    static constexpr const char *kCompanyName = "LARKSPUR";

    // Everything start-up takes from its surroundings; the defaults are the real program's.
    struct Options {
        std::string resourceLibraryPath;         // empty: libCorvexRes.so beside the executable
        std::string instanceLockPath;            // empty: the default marker path
        const VersionBlock *versionBlock;        // the program's own block by default
        bool installSettingsStore = true;        // false: keep the settings store already installed
        std::function<int(CVireoDataTransferSoftwareApp &)> runMainWindow;  // empty: RunMainWindow
        std::optional<std::string> journalServer;  // --journal-server: kept in the settings at the start
        Options();
    };

    enum class Outcome {
        NotStarted,
        NoResourceLibrary,   // ended silently: the resource library is missing or unusable
        AnotherCopyRunning,  // another copy holds the marker: it was asked to bring its window to the front
        NoDisplay,           // there is no display to open the window on (exit status 1)
        MainWindowClosed,    // ran the main window to its end
    };

    explicit CVireoDataTransferSoftwareApp(Options options = Options());
    ~CVireoDataTransferSoftwareApp();
    CVireoDataTransferSoftwareApp(const CVireoDataTransferSoftwareApp &) = delete;
    CVireoDataTransferSoftwareApp &operator=(const CVireoDataTransferSoftwareApp &) = delete;

    // Start-up: every step in order, then the main window until it closes. Creates the
    // QApplication from argc/argv unless one exists. Returns the process exit status: 0, also
    // for an early end, but 1 without a display.
    int Run(int &argc, char **argv);

    Outcome LastOutcome() const { return outcome_; }
    // Empty until start-up read it.
    const std::string &ProductVersion() const { return productVersion_; }
    // The settings fields of the program.
    core::AppSettings &Settings();

    // Accelerator table 135 as loaded at start-up (empty when the library has none).
    const std::vector<core::platform::Accelerator> &Accelerators() const { return accelerators_; }
    // Makes the loaded accelerators shortcuts of `mainWindow`; each sends its command id to
    // `onCommand`, or, without one, a command message to the window.
    void InstallAccelerators(QWidget *mainWindow, std::function<void(int commandId)> onCommand = {});

    // The notice start-up showed because the single-instance marker could not be trusted.
    const std::optional<core::Notice> &MarkerNotice() const { return markerNotice_; }

    // The window a second start brings to the front (with the dialog open over it, if any).
    void SetMainWindow(QWidget *window) { mainWindow_ = window; }
    static void BringToFront(QWidget *window);

    // The application object that is running start-up or the main window, if any.
    static CVireoDataTransferSoftwareApp *Current();

private:
    bool LoadResources();
    void KeepJournalServer();
    bool TakeSingleInstanceMarker();
    void AskRunningCopyToRaise();
    bool HaveDisplay(int argc, char **argv) const;
    void InitFramework(int &argc, char **argv);
    void ListenForSecondStarts();
    void ReadProductVersion();
    void FixSettingsLocation();
    void LoadAccelerators();
    void RunMainWindowModally();
    void ShowMarkerNotice();

    Options options_;
    Outcome outcome_ = Outcome::NotStarted;
    std::unique_ptr<core::platform::SingleInstanceLock> instanceMarker_;
    std::string instanceMarkerPath_;
    QWidget *mainWindow_ = nullptr;
    std::optional<core::Notice> markerNotice_;
    std::unique_ptr<QApplication> ownApplication_;
    std::unique_ptr<core::platform::RaiseListener> raiseListener_;  // ends before the application object
    std::string productVersion_;
    std::vector<core::platform::Accelerator> accelerators_;
};

}  // namespace ombra::app
