#include "app/VersionInfo.h"

#include <cstdio>
#include <strings.h>

namespace ombra::app {

std::optional<std::string> VersionBlock::Query(const std::string &queryPath) const {
    for (const auto &[path, text] : strings)
        if (strcasecmp(path.c_str(), queryPath.c_str()) == 0) return text;
    return std::nullopt;
}

std::string StringQueryPath(unsigned language, unsigned codePage, const std::string &name) {
    char query[261];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", language & 0xFFFFu, codePage & 0xFFFFu,
                  name.c_str());
    return query;
}

const std::vector<unsigned> &VersionSearchCodePages() {
    static const std::vector<unsigned> codePages = {0x0000, 0x03A4, 0x03B5, 0x03B6, 0x04B0, 0x04E2,
                                                     0x04E3, 0x04E4, 0x04E5, 0x04E6, 0x04E7, 0x04E8};
    return codePages;
}

const std::vector<unsigned> &VersionSearchLanguages() {
    static const std::vector<unsigned> languages = [] {
        std::vector<unsigned> list;
        for (unsigned language = 0x0401; language <= 0x0420; ++language) list.push_back(language);
        for (unsigned language : {0x0421u, 0x0804u, 0x0807u, 0x0809u, 0x080Au, 0x080Cu, 0x0810u, 0x0813u, 0x0814u,
                                  0x0816u, 0x081Au, 0x0C0Cu, 0x100Cu})
            list.push_back(language);
        list.insert(list.end(), 10, 0x0000u);
        return list;
    }();
    return languages;
}

std::string LookUpProductVersion(const VersionBlock *block) {
    if (!block || !block->translations) return {};
    const std::string name = "ProductVersion";
    // A table that lists nothing has no first entry to try directly.
    if (!block->translations->empty()) {
        uint32_t first = block->translations->front();
        if (auto text = block->Query(StringQueryPath(first & 0xFFFFu, first >> 16, name))) return *text;
    }
    for (unsigned codePage : VersionSearchCodePages())
        for (unsigned language : VersionSearchLanguages())
            if (auto text = block->Query(StringQueryPath(language, codePage, name))) return *text;
    return kFallbackProductVersion;
}

const VersionBlock &ProgramVersionBlock() {
    static const VersionBlock block{
        std::vector<uint32_t>{0x04B00409u},
        {{"\\StringFileInfo\\040904B0\\ProductVersion", OMBRA_VERSION},
         {"\\StringFileInfo\\040904B0\\ProductName", "Ombra Data Transfer"}},
    };
    return block;
}

}  // namespace ombra::app
