// The per-user settings store: integers and texts by (section, name), in the
// hierarchy LARKSPUR / <application> / <section>. An empty section means the
// application level itself. Every write reaches the disk before it returns.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "core/platform/Notice.h"

namespace ombra::core::platform {

class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual int GetInt(const std::string &section, const std::string &name, int defaultValue) = 0;
    virtual std::string GetString(const std::string &section, const std::string &name,
                                  const std::string &defaultValue) = 0;
    virtual bool WriteInt(const std::string &section, const std::string &name, int value) = 0;
    virtual bool WriteString(const std::string &section, const std::string &name, const std::string &value) = 0;

    // Each write succeeds or fails on its own: a failed one does not make later ones fail. The
    // reason of a failure is handed out once per run of failures (the first failure after a
    // success), so the user is told once and not at every change: "the folder ... cannot be
    // created", "... is read-only", "... could not be written". Empty when there is nothing new.
    virtual std::optional<std::string> TakeLastWriteError() { return std::nullopt; }
};

// Backed by QSettings (organisation "LARKSPUR", application = executable base name, or
// `fileName` when given: an INI file at that path, used by tests).
std::unique_ptr<ProfileStore> MakeSettingsProfileStore(const std::string &fileName = {});

// The store the program uses. Until one is installed, a settings-backed store is created on
// first use. Installing returns the previous one (tests restore it).
ProfileStore &Profile();
std::unique_ptr<ProfileStore> InstallProfileStore(std::unique_ptr<ProfileStore> store);

// String 1600 ("settings could not be saved: %1") under caption 1200 when `store` has a write
// failure not yet told; the window shows it after the writes of a command.
std::optional<Notice> TakeSettingsFailureNotice(ProfileStore &store);

}  // namespace ombra::core::platform
