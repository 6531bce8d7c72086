// The language the program speaks follows the user's locale environment, the way the program
// loads its resource library at start-up: German for "de*", English otherwise and for every text
// German lacks. Numbers are written the same in every language.
#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "core/output/Catalogue.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "support/CommaLocale.h"
#include "support/ScopedLanguage.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::ScopedLanguage;
using platform::ResString;
using platform::UserInterfaceLanguage;

struct LocaleCase {
    const char *lang, *lcMessages, *lcAll, *expected;
};

}  // namespace

TEST(LanguageChoice, FirstSetOfLcAllLcMessagesLangDecides) {
    const LocaleCase cases[] = {
        {"de_DE.UTF-8", "", "", "de"},        {"de_AT", "", "", "de"},          {"de", "", "", "de"},
        {"en_GB.UTF-8", "", "", "en"},        {"", "", "", "en"},               {"C", "", "", "en"},
        {"en_US.UTF-8", "de_CH.UTF-8", "", "de"}, {"de_DE.UTF-8", "en_US.UTF-8", "", "en"},
        {"de_DE.UTF-8", "de_DE.UTF-8", "C", "en"}, {"en_US.UTF-8", "", "de_DE.UTF-8", "de"},
        {"fr_FR.UTF-8", "", "", "en"},        {"nl_DE.UTF-8", "", "", "en"},
    };
    for (const LocaleCase &c : cases) {
        ScopedLanguage language(c.lang, c.lcMessages, c.lcAll);
        EXPECT_EQ(UserInterfaceLanguage(), c.expected)
            << "LANG=" << c.lang << " LC_MESSAGES=" << c.lcMessages << " LC_ALL=" << c.lcAll;
    }
}

TEST(LanguageChoice, GermanLocaleMakesTheProgramsTextsAndMenuGerman) {
    const std::string english = ResString(1181);
    const std::string englishMenu = platform::ResMenu(132).front().text;
    {
        ScopedLanguage language("de_DE.UTF-8");
        ASSERT_TRUE(ScopedLanguage::LoadAsProgram());
        EXPECT_EQ(platform::ResourceLanguage(), "de");
        EXPECT_EQ(ResString(1181), "Verbinden");
        EXPECT_EQ(ResString(1271), "Normlichtart");
        EXPECT_EQ(platform::ResMenu(132).front().text, "&Messgerät");
        EXPECT_EQ(ResString(1234), "OS-100") << "model names are settings sections in every language";
        EXPECT_EQ(platform::ResCountString(1, 1720, 1423), "1 Messung nicht geschrieben – Daten › Messungen");
    }
    EXPECT_EQ(platform::ResourceLanguage(), "en");
    EXPECT_EQ(ResString(1181), english) << "back in English";
    EXPECT_EQ(platform::ResMenu(132).front().text, englishMenu);
}

TEST(LanguageChoice, WhatGermanLacksIsShownInEnglish) {
    // A library whose German table has 1181, an empty 1182 and nothing else.
    const std::string english1182 = ResString(1182), english1183 = ResString(1183);
    ScopedLanguage language("de_DE.UTF-8");
    ASSERT_TRUE(ScopedLanguage::LoadAsProgram(OMBRA_PARTIAL_RES_LIBRARY));
    EXPECT_EQ(platform::ResourceLanguage(), "de");
    EXPECT_EQ(ResString(1181), "Verbinden");
    EXPECT_EQ(ResString(1182), english1182) << "empty in German";
    EXPECT_EQ(ResString(1183), english1183) << "missing in German";
    EXPECT_TRUE(platform::HasResString(1146)) << "reserved, empty in both";
    EXPECT_FALSE(platform::HasResString(99999));
}

TEST(LanguageChoice, LeavesTheProcessLocaleAlone) {
    const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
    const std::string messages = std::setlocale(LC_MESSAGES, nullptr);
    ScopedLanguage language("de_DE.UTF-8", "de_DE.UTF-8");
    ASSERT_TRUE(ScopedLanguage::LoadAsProgram());
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), numeric);
    EXPECT_EQ(std::setlocale(LC_MESSAGES, nullptr), messages);
    EXPECT_EQ(FormatFixed(1.5, 2), "1.50");
}

TEST(LanguageChoice, MeasuredValuesAreWrittenAlikeInGermanAndEnglish) {
    AppSettings settings;
    MeasuredDataRecord record;
    const struct { int place; float value; } values[] = {{97, 52.345678f}, {99, -3.1f}, {104, 0.3127f}, {105, 0.329f},
                                                         {132, 1.11f},     {138, 5499.9f}, {140, 0.3333f}, {492, 1.45f}};
    for (const auto &v : values) record.SetFloat(v.place, v.value);
    record.SetFloat(101, std::numeric_limits<float>::max());  // not delivered: "---" in both
    const MeasurementStamp stamp{"2026/12/09", "13:30:00"};
    auto build = [&] {
        CMeasuredData data;
        data.Append(record);
        SelectionValues &selection = settings.selection.InForce();
        selection.reflectionSelection.clear();
        for (int id : {1000, 1002, 1003, 1011, 1012, 1013, 1035, 1037, 1039, 2020, 2000})
            selection.reflectionSelection.push_back(MakeItem(id));
        OutputValues output;
        output.BuildValues(settings, data, stamp);
        return output.valueItems;
    };
    const OutputItemList english = build();
    OutputItemList german;
    {
        ScopedLanguage language("de_DE.UTF-8");
        ASSERT_TRUE(ScopedLanguage::LoadAsProgram());
        ombra::core::test::CommaLocale comma;  // as a German desktop's C library would have it
        german = build();
    }
    ASSERT_EQ(german.size(), english.size());
    ASSERT_GT(english.size(), 8u);
    bool labelsTranslated = false;
    for (size_t i = 0; i < english.size(); ++i) {
        EXPECT_EQ(german[i].identifier, english[i].identifier);
        EXPECT_EQ(german[i].valueText, english[i].valueText) << "item " << english[i].identifier;
        EXPECT_EQ(german[i].valueText.find(','), std::string::npos) << "item " << english[i].identifier;
        labelsTranslated = labelsTranslated || german[i].label != english[i].label;
    }
    EXPECT_TRUE(labelsTranslated) << "the labels were German";
}
