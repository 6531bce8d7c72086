// A profile store kept in memory for tests: remembers every write in order, can be seeded
// without recording a write, and can be made to refuse writes.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/ProfileStore.h"

namespace ombra::core::platform {

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

}  // namespace ombra::core::platform
