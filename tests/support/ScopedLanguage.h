// Runs a test under the locale environment of a user (LC_ALL, LC_MESSAGES, LANG) and with the
// build's resource library loaded the way the program loads it there. Puts the environment back
// and the library back into English when it goes.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

#include "core/platform/Resources.h"

namespace ombra::core::test {

class ScopedLanguage {
public:
    // Unset variables are left out; `lang` alone makes a typical desktop session.
    explicit ScopedLanguage(const std::string &lang, const std::string &lcMessages = {}, const std::string &lcAll = {}) {
        for (int i = 0; i < 3; ++i) {
            if (const char *value = std::getenv(kNames[i])) saved_[i] = value;
            unsetenv(kNames[i]);
        }
        const std::string values[3] = {lcAll, lcMessages, lang};
        for (int i = 0; i < 3; ++i)
            if (!values[i].empty()) setenv(kNames[i], values[i].c_str(), 1);
    }
    ~ScopedLanguage() {
        for (int i = 0; i < 3; ++i) {
            if (saved_[i]) setenv(kNames[i], saved_[i]->c_str(), 1);
            else unsetenv(kNames[i]);
        }
        platform::LoadResourceLibrary(LibraryPath(), "en");
    }
    ScopedLanguage(const ScopedLanguage &) = delete;
    ScopedLanguage &operator=(const ScopedLanguage &) = delete;

    // Loads `path` (the build's library unless given) as the program does at start-up.
    static bool LoadAsProgram(const std::string &path = LibraryPath()) { return platform::LoadResourceLibrary(path); }
    static std::string LibraryPath() { return std::string(OMBRA_BIN_DIR) + "/libCorvexRes.so"; }

private:
    static constexpr const char *kNames[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::optional<std::string> saved_[3];
};

}  // namespace ombra::core::test
