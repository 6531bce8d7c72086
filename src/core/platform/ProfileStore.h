// The per-user settings store: integers and texts by (section, name), in the
// hierarchy LARKSPUR / <application> / <section>. An empty section means the
// application level itself. Every write reaches the disk before it returns.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ombra::platform {

class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    virtual int GetInt(const std::string &section, const std::string &name, int defaultValue) = 0;
    virtual std::string GetString(const std::string &section, const std::string &name,
                                  const std::string &defaultValue) = 0;
    virtual bool WriteInt(const std::string &section, const std::string &name, int value) = 0;
    virtual bool WriteString(const std::string &section, const std::string &name, const std::string &value) = 0;
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

private:
    using Key = std::pair<std::string, std::string>;
    std::map<Key, int> ints_;
    std::map<Key, std::string> strings_;
    std::vector<Write> writes_;
};

// The store the program uses. Until one is installed, a settings-backed store is created on
// first use. Installing returns the previous one (tests restore it).
ProfileStore &Profile();
std::unique_ptr<ProfileStore> InstallProfileStore(std::unique_ptr<ProfileStore> store);

}  // namespace ombra::platform
