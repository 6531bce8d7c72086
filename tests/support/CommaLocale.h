// Switches the process's numbers to a "," decimal separator while alive: the C++ global locale
// always, and the C library's LC_NUMERIC through an installed German or French locale, or one
// built into a scratch folder with localedef when none is installed.
#pragma once

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <string>

namespace ombra::core::test {

class CommaLocale {
public:
    CommaLocale() {
        struct Comma : std::numpunct<char> {
            char do_decimal_point() const override { return ','; }
        };
        previousGlobal_ = std::locale::global(std::locale(std::locale::classic(), new Comma));
        if (const char *current = std::setlocale(LC_NUMERIC, nullptr)) previousC_ = current;
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_NUMERIC, name)) return;
        if (!dir_.isValid()) return;
        std::string command =
            "localedef -i de_DE -f UTF-8 '" + dir_.path().toStdString() + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return;
        setenv("LOCPATH", dir_.path().toStdString().c_str(), 1);
        builtLocale_ = true;
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    ~CommaLocale() { Restore(); }
    CommaLocale(const CommaLocale &) = delete;
    CommaLocale &operator=(const CommaLocale &) = delete;

    // True when printf itself writes "," now.
    bool CLibraryUsesComma() const {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%0.1f", 1.5);
        return std::string(buffer) == "1,5";
    }

    // Puts the previous locales back early (also done on destruction).
    void Restore() {
        if (restored_) return;
        restored_ = true;
        std::setlocale(LC_NUMERIC, previousC_.c_str());
        if (builtLocale_) unsetenv("LOCPATH");
        std::locale::global(previousGlobal_);
    }

private:
    QTemporaryDir dir_;
    std::locale previousGlobal_;
    std::string previousC_ = "C";
    bool builtLocale_ = false;
    bool restored_ = false;
};

}  // namespace ombra::core::test
