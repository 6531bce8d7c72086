#include "support/CoreTestSupport.h"

#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/platform/Resources.h"

namespace ombra::core::test {

void EnterTestState() {
    QStandardPaths::setTestModeEnabled(true);
    // Measurements a test leaves held must not land in the user's state folder, nor in the
    // next test program's: every test program keeps its own, removed when it ends.
    static QTemporaryDir stateHome;
    if (stateHome.isValid()) qputenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit());
    // Tests compare texts with the English table, whatever the locale of the one running them.
    platform::LoadResourceLibrary(std::string(OMBRA_BIN_DIR) + "/libCorvexRes.so", "en");
    platform::InstallProfileStore(std::make_unique<platform::MemoryProfileStore>());
}

CoreTestEnvironment::CoreTestEnvironment(int &argc, char **argv) {
    app_ = std::make_unique<QCoreApplication>(argc, argv);
    EnterTestState();
}

CoreTestEnvironment::~CoreTestEnvironment() = default;

ScopedMemoryProfile::ScopedMemoryProfile() {
    auto store = std::make_unique<platform::MemoryProfileStore>();
    store_ = store.get();
    previous_ = platform::InstallProfileStore(std::move(store));
}

ScopedMemoryProfile::~ScopedMemoryProfile() { platform::InstallProfileStore(std::move(previous_)); }

bool ScopedInstrumentLibrary::Load(const std::string &path, std::string *error) {
    if (!replaced_) previousTable_ = Instrument();
    replaced_ = true;
    if (!LoadInstrumentLibrary(path, error)) return false;
    if (!pauseReplaced_) previousPause_ = SetInstrumentPauseHook([](int) {});
    pauseReplaced_ = true;
    return true;
}

void ScopedInstrumentLibrary::Restore() {
    if (!replaced_) return;
    replaced_ = false;
    if (pauseReplaced_) SetInstrumentPauseHook(previousPause_);
    pauseReplaced_ = false;
    InstallInstrumentFunctions(previousTable_);
}

}  // namespace ombra::core::test
