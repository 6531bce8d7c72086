// Access to the resource library: texts, images, the main menu and the accelerators.
// The program holds only numeric identifiers; everything shown comes from here.
#pragma once

#include <string>
#include <vector>

class QString;
class QByteArray;

namespace ombra::core::platform {

// Loads the resource library from `path` (absolute) and shows its texts in the language of
// the user's locale (UserInterfaceLanguage()), or in `language` ("de", "en"). Returns false
// when it cannot be loaded or lacks its entry points; the previous library (if any) stays in
// use. Only the environment is read: the process's locale (numbers included) stays as it is.
bool LoadResourceLibrary(const std::string &path);
bool LoadResourceLibrary(const std::string &path, const std::string &language);
bool ResourceLibraryLoaded();
// "de" when the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty starts with
// "de"; "en" otherwise.
std::string UserInterfaceLanguage();
// The language the texts are shown in: the one asked for when the library has it, else "en".
std::string ResourceLanguage();
// Absolute path of the resource library beside the running executable.
std::string DefaultResourceLibraryPath();

// Text of string `id` (UTF-8); empty when the library or the string is missing.
std::string ResString(int id);
QString ResQString(int id);
// String `id` with %1, %2, ... replaced by `args` in order (a marker without its argument stays).
std::string ResString(int id, const std::vector<std::string> &args);
// The title of a window other than the main one: the program's name, a dash and the window's
// name (string `windowNameId`, mnemonic marks and a trailing "..." dropped).
QString ResWindowTitle(int windowNameId);
// A text with a count as %1, in its singular form (string `oneId`) for a count of 1 and in its
// plural form (string `otherId`) for any other count.
std::string ResCountString(int count, int oneId, int otherId);
// True when string `id` exists (an existing string may still be empty).
bool HasResString(int id);

// The encoded bytes of image `id`; empty when missing (platform/ResourceImages.h decodes them).
QByteArray ResImageData(int id);

struct MenuEntry {
    int level = 0;       // 0 popup, 1 item of the popup before it
    int commandId = 0;   // 0 for popups and separators
    std::string text;    // empty for a separator
    bool separator = false;
};
std::vector<MenuEntry> ResMenu(int menuId);

struct Accelerator {
    std::string keys;    // Qt portable key text, e.g. "Ctrl+K"
    int commandId = 0;
};
std::vector<Accelerator> ResAccelerators(int tableId);

}  // namespace ombra::core::platform
