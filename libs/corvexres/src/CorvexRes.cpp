// The entry points of the resource library, the main menu in each language and the accelerators.
#pragma GCC visibility push(default)
#include <corvexres/corvexres.h>
#pragma GCC visibility pop

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>

#include "Tables.h"

namespace {

// Menu 132: the main window's menu bar. Item 1000 starts with the Connect text (the same
// as string 1419); the program swaps it for the Disconnect text while connected. Shortcuts
// are not part of the texts: the program shows those of accelerator table 135.
const CorvexResMenuEntry kMainMenu[] = {
    {0, 0, "&Instrument"},
    {1, 1000, "&Connect"},
    {1, 0, nullptr},
    {1, 1001, "C&alibration..."},
    {1, 1002, "&Measurement settings..."},
    {1, 1028, "C&olour sets..."},
    {1, 32772, "&User illuminant..."},
    {1, 0, nullptr},
    {1, 32771, "E&xit"},
    {0, 0, "&Data"},
    {1, 1020, "&Data items..."},
    {1, 32775, "&Measurements..."},
    {1, 1979, "&References..."},
    {1, 0, nullptr},
    {1, 32776, "Set up &LibreOffice..."},
    {0, 0, "&View"},
    {1, 1880, "&Result panel"},
    {0, 0, "&Help"},
    {1, 32774, "User &manual"},
    {1, 0, nullptr},
    {1, 32773, "&About Ombra Data Transfer..."},
};

// Menu 132 in German: the same entries in the same order; item 1000 starts with string 1419
// of the German table. Accelerator letters are unique within each popup and across the bar.
const CorvexResMenuEntry kMainMenuDe[] = {
    {0, 0, "&Messger\u00e4t"},
    {1, 1000, "&Verbinden"},
    {1, 0, nullptr},
    {1, 1001, "&Kalibrierung..."},
    {1, 1002, "&Messeinstellungen..."},
    {1, 1028, "&Farbs\u00e4tze..."},
    {1, 32772, "&Benutzerlichtart..."},
    {1, 0, nullptr},
    {1, 32771, "B&eenden"},
    {0, 0, "&Daten"},
    {1, 1020, "&Datenelemente..."},
    {1, 32775, "&Messungen..."},
    {1, 1979, "&Referenzen..."},
    {1, 0, nullptr},
    {1, 32776, "&LibreOffice einrichten..."},
    {0, 0, "&Ansicht"},
    {1, 1880, "&Ergebnisbereich"},
    {0, 0, "&Hilfe"},
    {1, 32774, "Benutzer&handbuch"},
    {1, 0, nullptr},
    {1, 32773, "\u00dc&ber Ombra Data Transfer..."},
};
static_assert(std::size(kMainMenuDe) == std::size(kMainMenu), "one menu, two languages");

// Accelerator table 135.
const CorvexResAccelerator kAccelerators[] = {
    {"Ctrl+K", 1000}, {"Ctrl+L", 1001}, {"Ctrl+M", 1002}, {"Ctrl+D", 1020},
    {"Ctrl+O", 1028}, {"Ctrl+U", 32772}, {"Alt+F4", 32771}, {"F1", 32774},
    {"Ctrl+J", 32775},
};

constexpr int kMainMenuId = 132;
constexpr int kAcceleratorTableId = 135;

enum class Language { English, German };
std::atomic<Language> language{Language::English};

template <typename Row>
const Row *findById(const Row *rows, int count, int id) {
    const Row *end = rows + count;
    const Row *it = std::lower_bound(rows, end, id, [](const Row &row, int key) { return row.id < key; });
    return (it != end && it->id == id) ? it : nullptr;
}

const char *englishText(int id) {
    const CorvexResStringRow *row = findById(corvexres_strings, corvexres_strings_count, id);
    return row ? row->text : nullptr;
}

const char *germanText(int id) {
    const CorvexResStringRow *row = findById(corvexres_strings_de, corvexres_strings_de_count, id);
    return row && row->text[0] ? row->text : nullptr;
}

}  // namespace

extern "C" int CorvexRes_SetLanguage(const char *code) {
    const bool german = code && std::strcmp(code, "de") == 0;
    language = german ? Language::German : Language::English;
    return german || (code && std::strcmp(code, "en") == 0) ? 1 : 0;
}

extern "C" const char *CorvexRes_String(int id) {
    if (language == Language::German) {
        if (const char *text = germanText(id)) return text;
    }
    return englishText(id);
}

extern "C" const unsigned char *CorvexRes_Image(int id, size_t *size) {
    const CorvexResImageRow *row = findById(corvexres_images, corvexres_image_count, id);
    if (size) *size = row ? row->size : 0;
    return row ? row->data : nullptr;
}

extern "C" int CorvexRes_Menu(int menuId, const CorvexResMenuEntry **items) {
    if (items) *items = nullptr;
    if (menuId != kMainMenuId || !items) return 0;
    *items = language == Language::German ? kMainMenuDe : kMainMenu;
    return static_cast<int>(std::size(kMainMenu));
}

extern "C" int CorvexRes_Accelerators(int tableId, const CorvexResAccelerator **entries) {
    if (entries) *entries = nullptr;
    if (tableId != kAcceleratorTableId || !entries) return 0;
    *entries = kAccelerators;
    return static_cast<int>(std::size(kAccelerators));
}
