// The per-user settings store: integers and texts by (section, name), in the
// hierarchy LARKSPUR / <application> / <section>. An empty section means the
// application level itself. Every write reaches the disk before it returns.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Notice.h"

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

// Kept in memory; remembers every write in order (for tests).
class MemoryProfileStore : public ProfileStore {
public:
    struct Write {
        std::string section, name;
        bool isInt = false;
        int intValue = 0;
        std::string text;
    };
    int GetInt(const std::string &section, const std::string &name, int defaultValue) override;
    std::string GetString(const std::string &section, const std::string &name,
                          const std::string &defaultValue) override;
    bool WriteInt(const std::string &section, const std::string &name, int value) override;
    bool WriteString(const std::string &section, const std::string &name, const std::string &value) override;

    // Raw access: put a value without recording it as a write.
    void Seed(const std::string &section, const std::string &name, int value);
    void Seed(const std::string &section, const std::string &name, const std::string &value);
    const std::vector<Write> &Writes() const { return writes_; }
    void ClearWrites() { writes_.clear(); }
    // From now on every write fails with `reason` (nullopt: writes succeed again).
    void FailWrites(std::optional<std::string> reason) { failWith_ = std::move(reason); }
    std::optional<std::string> TakeLastWriteError() override { return std::exchange(lastError_, std::nullopt); }

private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, int> ints_;
    std::map<Key, std::string> strings_;
    std::vector<Write> writes_;
    std::optional<std::string> failWith_, lastError_;
    bool failing_ = false;
    bool Refused();  // a write fails now (and records the reason once per run of failures)
};

// The store the program uses. Until one is installed, a settings-backed store is created on
// first use. Installing returns the previous one (tests restore it).
ProfileStore &Profile();
std::unique_ptr<ProfileStore> InstallProfileStore(std::unique_ptr<ProfileStore> store);

// String 1600 ("settings could not be saved: %1") under caption 1200 when `store` has a write
// failure not yet told; the window shows it after the writes of a command.
inline constexpr int kSettingsNotSavedTextId = 1600;
std::optional<Notice> TakeSettingsFailureNotice(ProfileStore &store);

}  // namespace ombra::core::platform
