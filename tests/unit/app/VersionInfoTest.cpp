#include <gtest/gtest.h>

#include "app/VersionInfo.h"


namespace {

using ombra::app::LookUpProductVersion;
using ombra::app::StringQueryPath;
using ombra::app::VersionBlock;

VersionBlock BlockWith(std::optional<std::vector<uint32_t>> translations,
                       std::vector<std::pair<std::string, std::string>> strings) {
    return VersionBlock{std::move(translations), std::move(strings)};
}

std::string Entry(const char *langCodePage, const char *name = "ProductVersion") {
    return std::string("\\StringFileInfo\\") + langCodePage + "\\" + name;
}

TEST(ProductVersion, QueryPathFormat) {
    EXPECT_EQ(StringQueryPath(0x0409, 0x04B0, "ProductVersion"), "\\StringFileInfo\\040904b0\\ProductVersion");
    EXPECT_EQ(StringQueryPath(0, 0, "X"), "\\StringFileInfo\\00000000\\X");
}

TEST(ProductVersion, NoBlockOrNoTranslationTableLeavesItEmpty) {
    EXPECT_EQ(LookUpProductVersion(nullptr), "");
    VersionBlock noTable = BlockWith(std::nullopt, {{Entry("040904B0"), "2.0"}});
    EXPECT_EQ(LookUpProductVersion(&noTable), "") << "the translation query fails: stop with nothing";
}

TEST(ProductVersion, FirstTranslationIsQueriedDirectly) {
    // 0407/04E4 is reached late by the search; 0409/04B0 early. The direct query wins.
    VersionBlock block = BlockWith(std::vector<uint32_t>{0x04E40407u, 0x04B00409u},
                                   {{Entry("040904B0"), "searched"}, {Entry("040704E4"), "direct"}});
    EXPECT_EQ(LookUpProductVersion(&block), "direct");
}

TEST(ProductVersion, EmptyTranslationTableFallsBackToTheSearch) {
    VersionBlock block = BlockWith(std::vector<uint32_t>{}, {{Entry("040904B0"), "3.1.4"}});
    EXPECT_EQ(LookUpProductVersion(&block), "3.1.4");
    VersionBlock lower = BlockWith(std::vector<uint32_t>{}, {{Entry("040904b0"), "lower"}});
    EXPECT_EQ(LookUpProductVersion(&lower), "lower");
}

TEST(ProductVersion, TranslationWithoutEntryFallsBackToTheSearch) {
    VersionBlock block = BlockWith(std::vector<uint32_t>{0x04E40407u}, {{Entry("040904B0"), "found"}});
    EXPECT_EQ(LookUpProductVersion(&block), "found");
}

TEST(ProductVersion, SearchRunsCodePagesInTheOuterLoop) {
    // Language 0401 comes before 0409, but code page 04B0 comes before 04E4.
    VersionBlock block = BlockWith(std::vector<uint32_t>{},
                                   {{Entry("040104E4"), "cp1252"}, {Entry("040904B0"), "unicode"}});
    EXPECT_EQ(LookUpProductVersion(&block), "unicode");
    VersionBlock sameCodePage = BlockWith(std::vector<uint32_t>{},
                                          {{Entry("041004B0"), "later"}, {Entry("040504B0"), "earlier"}});
    EXPECT_EQ(LookUpProductVersion(&sameCodePage), "earlier");
    VersionBlock neutral = BlockWith(std::vector<uint32_t>{}, {{Entry("00000000"), "neutral"}});
    EXPECT_EQ(LookUpProductVersion(&neutral), "neutral") << "language 0000 is in the list";
}

TEST(ProductVersion, BlockWithoutReachableProductVersionGivesTheFallback) {
    VersionBlock otherName = BlockWith(std::vector<uint32_t>{0x04B00409u}, {{Entry("040904B0", "FileVersion"), "9"}});
    EXPECT_EQ(LookUpProductVersion(&otherName), "1.00.0000");
    // Code page 65001 and language 0C07 are in neither list.
    VersionBlock unlisted = BlockWith(std::vector<uint32_t>{}, {{Entry("0C07FDE9"), "9"}});
    EXPECT_EQ(LookUpProductVersion(&unlisted), "1.00.0000");
    VersionBlock empty = BlockWith(std::vector<uint32_t>{}, {});
    EXPECT_EQ(LookUpProductVersion(&empty), "1.00.0000");
}

TEST(ProductVersion, SearchListsInTrialOrder) {
    const std::vector<unsigned> codePages = {0x0000, 0x03A4, 0x03B5, 0x03B6, 0x04B0, 0x04E2,
                                             0x04E3, 0x04E4, 0x04E5, 0x04E6, 0x04E7, 0x04E8};
    EXPECT_EQ(ombra::app::VersionSearchCodePages(), codePages);
    std::vector<unsigned> languages;
    for (unsigned l = 0x0401; l <= 0x0420; ++l) languages.push_back(l);
    for (unsigned l : {0x0421u, 0x0804u, 0x0807u, 0x0809u, 0x080Au, 0x080Cu, 0x0810u, 0x0813u, 0x0814u, 0x0816u,
                       0x081Au, 0x0C0Cu, 0x100Cu})
        languages.push_back(l);
    languages.insert(languages.end(), 10, 0u);
    ASSERT_EQ(languages.size(), 55u);
    EXPECT_EQ(ombra::app::VersionSearchLanguages(), languages);
}

TEST(ProductVersion, ProgramBlockCarriesTheBuildVersion) {
    EXPECT_EQ(LookUpProductVersion(&ombra::app::ProgramVersionBlock()), OMBRA_VERSION);
    VersionBlock withoutTable = ombra::app::ProgramVersionBlock();
    withoutTable.translations = std::vector<uint32_t>{};
    EXPECT_EQ(LookUpProductVersion(&withoutTable), OMBRA_VERSION);
}

}  // namespace
