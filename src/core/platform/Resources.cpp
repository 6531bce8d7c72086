#include "core/platform/Resources.h"

#include <corvexres/corvexres.h>
#include <dlfcn.h>

#include <cstdlib>

#include <QCoreApplication>
#include <QByteArray>
#include <QString>

#include "corvexres/ResourceIds.h"

namespace ombra::core::platform {
namespace {

struct Library {
    void *handle = nullptr;
    decltype(&CorvexRes_String) string = nullptr;
    decltype(&CorvexRes_Image) image = nullptr;
    decltype(&CorvexRes_Menu) menu = nullptr;
    decltype(&CorvexRes_Accelerators) accelerators = nullptr;
    std::string language = "en";
};

Library &lib() {
    static Library instance;
    return instance;
}

template <typename Fn>
Fn resolve(void *handle, const char *name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

// Tells the library which language to use; a library without languages speaks English.
std::string ChooseLanguage(void *handle, const std::string &language) {
    auto choose = resolve<decltype(&CorvexRes_SetLanguage)>(handle, "CorvexRes_SetLanguage");
    if (choose && choose(language.c_str()) == 1) return language;
    if (choose) choose("en");
    return "en";
}

}  // namespace

std::string UserInterfaceLanguage() {
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = std::getenv(name);
        if (!value || !*value) continue;
        return std::string(value).starts_with("de") ? "de" : "en";
    }
    return "en";
}

bool LoadResourceLibrary(const std::string &path) { return LoadResourceLibrary(path, UserInterfaceLanguage()); }

bool LoadResourceLibrary(const std::string &path, const std::string &language) {
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    Library loaded;
    loaded.handle = handle;
    loaded.string = resolve<decltype(loaded.string)>(handle, "CorvexRes_String");
    loaded.image = resolve<decltype(loaded.image)>(handle, "CorvexRes_Image");
    loaded.menu = resolve<decltype(loaded.menu)>(handle, "CorvexRes_Menu");
    loaded.accelerators = resolve<decltype(loaded.accelerators)>(handle, "CorvexRes_Accelerators");
    if (!loaded.string || !loaded.image || !loaded.menu || !loaded.accelerators) {
        dlclose(handle);
        return false;
    }
    loaded.language = ChooseLanguage(handle, language);
    // Never unloaded: texts handed out point into the library.
    lib() = loaded;
    return true;
}

bool ResourceLibraryLoaded() { return lib().handle != nullptr; }

std::string ResourceLanguage() { return lib().language; }

std::string DefaultResourceLibraryPath() {
    return (QCoreApplication::applicationDirPath() + "/libCorvexRes.so").toStdString();
}

bool HasResString(int id) { return lib().string && lib().string(id) != nullptr; }

std::string ResString(int id) {
    if (!lib().string) return {};
    const char *text = lib().string(id);
    return text ? std::string(text) : std::string();
}

std::string ResString(int id, const std::vector<std::string> &args) {
    std::string text = ResString(id);
    // %1..%9, each replaced wherever it stands; a missing argument leaves its marker.
    for (size_t i = 0; i < args.size() && i < 9; ++i) {
        const std::string marker = "%" + std::to_string(i + 1);
        for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + args[i].size()))
            text.replace(at, marker.size(), args[i]);
    }
    return text;
}

std::string ResCountString(int count, int oneId, int otherId) {
    return ResString(count == 1 ? oneId : otherId, {std::to_string(count)});
}

QString ResQString(int id) { return QString::fromStdString(ResString(id)); }

QString ResWindowTitle(int windowNameId) {
    QString name = ResQString(windowNameId);
    name.remove('&');
    if (name.endsWith(QStringLiteral("..."))) name.chop(3);
    return ResQString(res::kStrWindowTitlePattern).arg(name.trimmed());
}

QByteArray ResImageData(int id) {
    if (!lib().image) return {};
    size_t size = 0;
    const unsigned char *data = lib().image(id, &size);
    if (!data || size == 0) return {};
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

std::vector<MenuEntry> ResMenu(int menuId) {
    std::vector<MenuEntry> entries;
    if (!lib().menu) return entries;
    const CorvexResMenuEntry *items = nullptr;
    int count = lib().menu(menuId, &items);
    for (int i = 0; i < count && items; ++i) {
        MenuEntry e;
        e.level = items[i].level;
        e.commandId = items[i].commandId;
        e.separator = items[i].text == nullptr;
        if (items[i].text) e.text = items[i].text;
        entries.push_back(e);
    }
    return entries;
}

std::vector<Accelerator> ResAccelerators(int tableId) {
    std::vector<Accelerator> out;
    if (!lib().accelerators) return out;
    const CorvexResAccelerator *items = nullptr;
    int count = lib().accelerators(tableId, &items);
    for (int i = 0; i < count && items; ++i) out.push_back({items[i].keys ? items[i].keys : "", items[i].commandId});
    return out;
}

}  // namespace ombra::core::platform
