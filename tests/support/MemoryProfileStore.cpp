#include "support/MemoryProfileStore.h"

namespace ombra::core::platform {

int MemoryProfileStore::GetInt(const std::string &section, const std::string &name, int defaultValue) {
    auto it = ints_.find({section, name});
    return it == ints_.end() ? defaultValue : it->second;
}

std::string MemoryProfileStore::GetString(const std::string &section, const std::string &name,
                                          const std::string &defaultValue) {
    auto it = strings_.find({section, name});
    return it == strings_.end() ? defaultValue : it->second;
}

bool MemoryProfileStore::WriteInt(const std::string &section, const std::string &name, int value) {
    if (Refused()) return false;
    Seed(section, name, value);
    writes_.push_back({section, name, true, value, {}});
    return true;
}

bool MemoryProfileStore::WriteString(const std::string &section, const std::string &name, const std::string &value) {
    if (Refused()) return false;
    Seed(section, name, value);
    writes_.push_back({section, name, false, 0, value});
    return true;
}

bool MemoryProfileStore::Refused() {
    if (!failWith_) {
        failing_ = false;
        return false;
    }
    if (!failing_) lastError_ = failWith_;
    failing_ = true;
    return true;
}

void MemoryProfileStore::Seed(const std::string &section, const std::string &name, int value) {
    ints_[{section, name}] = value;
}

void MemoryProfileStore::Seed(const std::string &section, const std::string &name, const std::string &value) {
    strings_[{section, name}] = value;
}

}  // namespace ombra::core::platform
