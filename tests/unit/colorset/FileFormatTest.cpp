#include <gtest/gtest.h>

#include "support/CommaLocale.h"

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "ColorSetTestSupport.h"
#include "corvexres/ResourceIds.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::Join;
using ombra::core::test::Lines;
using ombra::core::test::SampleSet;

std::vector<std::string> FileLines(const ColorSet &set) {
    std::optional<std::string> text = ColorSetFileText(set);
    EXPECT_TRUE(text.has_value());
    return text ? Lines(*text) : std::vector<std::string>{};
}

// Loads `text` into a copy of `into`; nothing when the file is refused (and the copy
// must then be unchanged).
std::optional<ColorSet> Load(const std::string &text, const ColorSet &into = ColorSet{}) {
    ColorSet set = into;
    if (!ReadColorSetFileText(text, set)) {
        EXPECT_EQ(set, into) << "a refused file changes nothing";
        return std::nullopt;
    }
    return set;
}

// The lines of the sample set with line `number` (counted from 1) replaced.
std::string SampleWith(int number, const std::string &line) {
    std::vector<std::string> lines = Lines(FormatColorSetFile(SampleSet()));
    lines.at(number - 1) = line;
    return Join(lines);
}

TEST(ColorSetFile, EmptySetIsWrittenLineByLine) {
    std::optional<std::string> text = ColorSetFileText(ColorSet{});
    ASSERT_TRUE(text);
    std::vector<std::string> l = Lines(*text);
    ASSERT_EQ(l.size(), 162u);
    size_t crlf = 0;
    for (size_t at = text->find("\r\n"); at != std::string::npos; at = text->find("\r\n", at + 2)) ++crlf;
    EXPECT_EQ(crlf, 162u) << "every line ends with CR LF";
    EXPECT_EQ(text->find('\n'), text->find("\r\n") + 1);

    std::map<int, std::string> expected{
        {1, "[VERSION]"}, {2, "1000"}, {3, "[COLOR_SET]"}, {4, ""}, {5, "2"}, {6, "0"}, {7, "1"}, {8, "0"},
        {9, "1.00,1.00,1.00"}, {10, "0"}, {11, "0"}, {12, "[PAPER]"}, {13, "-1"}, {14, "[COLOR_DATA]"},
        {15, "0"}, {16, "NONAME"}, {17, "93.00,0.00,-3.00"}, {18, "1"}, {19, "5.00,5.00,5.00,5.00"},
        {85, "0"}, {86, "NONAME"}, {89, "5.00,5.00,5.00,5.00"}, {90, "[MID_TONE_SPREAD]"}, {91, "0"}, {92, "1"},
        {93, "1,2,3"}, {94, "5.0"}, {95, "[TONE_DATA]"}, {96, "1"}, {97, "0"}, {98, "1.00"}, {99, "0"},
        {100, "0"}, {101, "1"}, {102, "75,20.0,5.0"}, {103, "1"}, {104, "50,20.0,5.0"}, {105, "1"},
        {106, "25,20.0,5.0"}, {155, "0"}, {156, "0"}, {162, "25,20.0,5.0"}};
    for (const auto &[number, line] : expected) EXPECT_EQ(l[number - 1], line) << "line " << number;
}

TEST(ColorSetFile, SampleSetIsWrittenWithItsConversions) {
    std::vector<std::string> l = FileLines(SampleSet());
    ASSERT_EQ(l.size(), 162u);
    EXPECT_EQ(l[3], "Press A 12");
    EXPECT_EQ(l[6], "3") << "condition 161 is index 3";
    EXPECT_EQ(l[8], "2.00,1.50,0.75");
    EXPECT_EQ(l[12], "0");
    // colour 4 (undefined) starts at line 15 + 3 * 5
    EXPECT_EQ(l[29], "0");
    EXPECT_EQ(l[30], "NONAME");
    EXPECT_EQ(l[31], "13.25,-17.50,27.75");
    // colour 2: its third tolerance is not in use
    EXPECT_EQ(l[23], "0.50,0.75,0.00,1.25");
    EXPECT_EQ(l[90], "1");
    EXPECT_EQ(l[91], "2");
    EXPECT_EQ(l[92], "4,5,6");
    EXPECT_EQ(l[93], "7.5");
    EXPECT_EQ(l[96], "1") << "tone condition 160 is index 1";
    EXPECT_EQ(l[97], "2.50");
    // tone entry 6 starts at line 99 + 5 * 8
    EXPECT_EQ(l[138], "1");
    EXPECT_EQ(l[139], "5");
    EXPECT_EQ(l[140], "0");
    EXPECT_EQ(l[141], "85,-5.5,1.5");
}

TEST(ColorSetFile, RoundTripKeepsEveryValueAndTheRegisteredState) {
    ColorSet sample = SampleSet();
    for (bool registered : {false, true}) {
        ColorSet into;
        into.registered = registered;
        std::optional<ColorSet> loaded = Load(*ColorSetFileText(sample), into);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->registered, registered);
        loaded->registered = sample.registered;
        EXPECT_EQ(*loaded, sample);
    }
    std::optional<ColorSet> empty = Load(*ColorSetFileText(ColorSet{}));
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, ColorSet{});
}

TEST(ColorSetFile, ConversionsOnTheWayThroughAFile) {
    ColorSet s = SampleSet();
    s.colors[0].name = "NONAME";               // a defined colour with that very name
    s.tones[1].steps[0].tint = 74.9f;          // tints are whole numbers in files
    for (Tolerance &t : s.colors[2].tolerances) t.inUse = 0;
    s.colors[2].toleranceCheck = 1;
    std::optional<ColorSet> loaded = Load(*ColorSetFileText(s));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->colors[0].name, "");
    EXPECT_EQ(loaded->tones[1].steps[0].tint, 74.0f);
    for (const Tolerance &t : loaded->colors[2].tolerances) EXPECT_EQ(t, (Tolerance{0, 5.0f}));
    EXPECT_EQ(loaded->colors[2].toleranceCheck, 1) << "kept as stored";
}

TEST(ColorSetFile, ReadingAcceptsLineFeedsAloneAndIgnoresWhatFollows) {
    std::vector<std::string> lines = Lines(FormatColorSetFile(SampleSet()));
    EXPECT_TRUE(Load(Join(lines, "\n")));
    std::string noFinalBreak = Join(lines);
    noFinalBreak.resize(noFinalBreak.size() - 2);
    EXPECT_TRUE(Load(noFinalBreak)) << "the last line needs no line end";
    EXPECT_TRUE(Load(Join(lines) + "extra\r\n\x01\x02 anything\n"));
    lines.pop_back();
    EXPECT_FALSE(Load(Join(lines))) << "161 lines";
    EXPECT_FALSE(Load(Join(lines) + "\r\n")) << "an empty line 162 carries no numbers";
    EXPECT_FALSE(Load(""));
    EXPECT_FALSE(Load(std::string(200, '\r'))) << "CR alone ends no line";
}

TEST(ColorSetFile, NumbersAreReadFromTheirLeadingPart) {
    EXPECT_EQ(Load(SampleWith(5, "  4"))->illuminant, 4);
    EXPECT_EQ(Load(SampleWith(5, "+5 lux"))->illuminant, 5);
    EXPECT_EQ(Load(SampleWith(5, "abc"))->illuminant, 0) << "no number at all reads as 0";
    EXPECT_EQ(Load(SampleWith(5, "3.9"))->illuminant, 3);
    EXPECT_EQ(Load(SampleWith(9, "1.5abc,.5,2e0"))->factors, (std::array<float, 3>{1.5f, 0.5f, 2.0f}));
    EXPECT_EQ(Load(SampleWith(9, "1.5,1.5,3.25,7"))->factors[2], 3.25f) << "the last field is the rest";
    EXPECT_EQ(Load(SampleWith(19, "1,1,1,,5"))->colors[0].tolerances[3], (Tolerance{0, 5.0f}))
        << "the last field \",5\" is not empty and reads as 0";
    EXPECT_EQ(Load(SampleWith(9, "1.5,1.5,3.25e"))->factors[2], 3.25f) << "an exponent needs digits";
    EXPECT_EQ(Load(SampleWith(94, "5.5\t"))->midToneSpread.tolerance, 5.5f);
}

TEST(ColorSetFile, RejectsMalformedLines) {
    const std::vector<std::pair<int, std::string>> cases{
        {5, ""},                       // a number line that is empty
        {9, "1.00,,1.00"},             // an empty field
        {9, "1.00,1.00"},              // a missing field
        {17, ",0.00,0.00"},
        {93, "1,2,"},
        {102, "75,20.0"},
        {4, "ABCDEFGHIJKLM"},          // set name of 13 characters
        {16, "ABCDEFGHIJ"},            // colour name of 10 characters
        {1, "[VERSION] "},             // keyword longer than itself
        {2, "1001"},
        {12, "[paper]"},               // keywords are case-sensitive
        {95, "[TONE DATA]"},
        {4, "Tab\there"},
        {4, "back`tick"},
        {16, "tilde~"},
    };
    for (const auto &[line, text] : cases) EXPECT_FALSE(Load(SampleWith(line, text))) << line << ": " << text;
}

TEST(ColorSetFile, RejectsValuesOutOfRange) {
    const std::vector<std::pair<int, std::string>> cases{
        {5, "15"}, {5, "-1"}, {6, "2"}, {7, "5"}, {7, "-1"}, {8, "5"},
        {9, "0.00,1.00,1.00"}, {9, "1.00,10.00,1.00"}, {9, "1.00,1.00,9.991"},
        {10, "3"}, {11, "2"}, {13, "15"}, {13, "-2"},
        {97, "3"}, {96, "5"}, {98, "0.49"}, {98, "9.91"},
        {15, "2"},                           // valid flag of colour 1
        {17, "-0.01,0.00,0.00"}, {17, "999.991,0.00,0.00"}, {17, "0,-1000,0"}, {17, "0,0,999.999"},
        {18, "2"},                           // tolerance check
        {19, "10.00,1,1,1"}, {19, "1,1,1,-0.01"},
        {91, "2"}, {92, "3"}, {92, "-1"}, {93, "1,8,3"}, {93, "-1,2,3"}, {94, "0.0"}, {94, "100.0"},
        {99, "2"}, {100, "15"}, {101, "2"}, {102, "75,100.0,5.0"}, {102, "75,-99.95,5.0"},
        {102, "75,20.0,0.0"}, {102, "75,20.0,99.91"},
        // numbers too large for any field, and forms that are no decimal numbers
        {5, "99999999999999999999"}, {13, "-4294967295"}, {9, "1e999,1,1"}, {9, "nan,1,1"}, {9, "inf,1,1"},
        {98, "0x1p1"},
    };
    for (const auto &[line, text] : cases) EXPECT_FALSE(Load(SampleWith(line, text))) << line << ": " << text;
    EXPECT_TRUE(Load(SampleWith(5, "14")));
    EXPECT_TRUE(Load(SampleWith(98, "9.9")));
    EXPECT_TRUE(Load(SampleWith(102, "75,-99.9,99.9")));
    EXPECT_TRUE(Load(SampleWith(102, "-4000000000,20.0,5.0"))) << "tints are not limited";
}

TEST(ColorSetFile, PolarisationMustMatchTheCondition) {
    // the sample is index 3 with polarisation 1
    EXPECT_FALSE(Load(SampleWith(11, "0")));
    std::vector<std::string> lines = Lines(FormatColorSetFile(SampleSet()));
    lines[6] = "2";
    EXPECT_FALSE(Load(Join(lines))) << "polarised while the condition is not";
    lines[10] = "0";
    std::optional<ColorSet> loaded = Load(Join(lines));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->measurementCondition, 160);
    EXPECT_EQ(loaded->polarization, 0);
}

TEST(ColorSetFile, PaperColourMustNameADefinedColour) {
    EXPECT_FALSE(Load(SampleWith(13, "3"))) << "colour 4 is undefined";
    EXPECT_EQ(Load(SampleWith(13, "4"))->paperColor, 4);
    EXPECT_EQ(Load(SampleWith(13, "-1"))->paperColor, -1);
}

TEST(ColorSetFile, ToneEntryOfAnUndefinedColourIsLoadedSwitchedOff) {
    std::vector<std::string> lines = Lines(FormatColorSetFile(SampleSet()));
    lines[98 + 8 * 3] = "1";  // tone entry 4 enabled; it names colour 4, which is undefined
    std::optional<ColorSet> loaded = Load(Join(lines));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->tones[3].enabled, 0);
    EXPECT_EQ(loaded->tones[3].defined, 0);
    EXPECT_EQ(loaded->tones[5].enabled, 1);
    EXPECT_EQ(loaded->tones[5].defined, 1);
}

// Saving checks what will be read back: anything refused there is not written.
TEST(ColorSetFile, SetsThatWouldNotReadBackAreNotWritten) {
    auto refused = [](auto change) {
        ColorSet s = SampleSet();
        change(s);
        return !ColorSetFileText(s).has_value();
    };
    EXPECT_TRUE(refused([](ColorSet &s) { s.name = "much too long a name"; }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.name = "two\r\nlines"; }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.colors[0].name = "x\ny"; }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.illuminant = 15; }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.factors[1] = 0.004f; }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.colors[5].L = std::numeric_limits<float>::quiet_NaN(); }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.colors[5].a = std::numeric_limits<float>::infinity(); }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.tones[2].steps[1].tint = std::numeric_limits<float>::quiet_NaN(); }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.midToneSpread.toneIndexes[0] = 8; }));
    EXPECT_TRUE(refused([](ColorSet &s) { s.polarization = 0; })) << "condition 161 is polarised";
    EXPECT_TRUE(refused([](ColorSet &s) { s.paperColor = 15; }));
    // Only the colour's name while it is undefined: written as NONAME.
    EXPECT_FALSE(refused([](ColorSet &s) { s.colors[3].name = "~`\t"; }));
    // Values rounded on the way into range are written.
    EXPECT_FALSE(refused([](ColorSet &s) { s.factors[0] = 0.01f; }));
    EXPECT_FALSE(refused([](ColorSet &s) { s.colors[0].tolerances[0] = Tolerance{1, 9.99f}; }));
}

TEST(ColorSetFile, UndefinedPaperColourIsSavedAsNone) {
    ColorSet s = SampleSet();
    s.paperColor = 3;  // undefined: such a file could never be loaded
    std::optional<std::string> text = ColorSetFileText(s);
    ASSERT_TRUE(text);
    EXPECT_EQ(Lines(*text)[12], "-1");
    EXPECT_EQ(Load(*text)->paperColor, -1);
}

TEST(ColorSetFile, CommaLocaleStillWritesAndReadsPoints) {
    ombra::core::test::CommaLocale comma;
    if (!comma.CLibraryUsesComma()) GTEST_SKIP() << "no comma locale available";
    std::optional<std::string> text = ColorSetFileText(SampleSet());
    std::optional<ColorSet> loaded = text ? Load(*text) : std::nullopt;
    comma.Restore();
    ASSERT_TRUE(text);
    EXPECT_EQ(Lines(*text)[8], "2.00,1.50,0.75");
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->factors[1], 1.5f);
}

}  // namespace
