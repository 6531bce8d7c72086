#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "ColorSetTestSupport.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::SampleSet;

template <class T>
T At(const CertificationColorSetRecord &record, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const char *>(&record) + offset, sizeof value);
    return value;
}

std::string TextAt(const CertificationColorSetRecord &record, size_t offset, size_t size) {
    const char *p = reinterpret_cast<const char *>(&record) + offset;
    return std::string(p, size);
}

TEST(CertificationColorSetRecord, EveryFieldGoesToItsOffset) {
    ColorSet s = SampleSet();
    s.colors[1].toleranceCheck = 1;
    CertificationColorSetRecord r = RecordFromColorSet(s);

    EXPECT_EQ(TextAt(r, 0, 16), std::string("Press A 12") + std::string(6, '\0'));
    const size_t color1 = 16 + 48;  // the second colour
    EXPECT_EQ(TextAt(r, color1, 12), std::string("Col2") + std::string(8, '\0'));
    EXPECT_EQ(At<float>(r, color1 + 12), 11.25f);
    EXPECT_EQ(At<float>(r, color1 + 16), -19.5f);
    EXPECT_EQ(At<float>(r, color1 + 20), 29.75f);
    EXPECT_EQ(At<int32_t>(r, color1 + 24), 1);
    EXPECT_EQ(At<float>(r, color1 + 28), 0.5f);
    EXPECT_EQ(At<float>(r, color1 + 32), 0.75f);
    EXPECT_EQ(At<float>(r, color1 + 36), 0.0f) << "not in use";
    EXPECT_EQ(At<float>(r, color1 + 40), 1.25f);
    EXPECT_EQ(At<int32_t>(r, color1 + 44), 1);

    EXPECT_EQ(At<int32_t>(r, 736), 7);
    EXPECT_EQ(At<int32_t>(r, 740), 1);
    EXPECT_EQ(At<int32_t>(r, 744), 161);
    EXPECT_EQ(At<int32_t>(r, 748), 3);
    EXPECT_EQ(At<float>(r, 752), 2.0f);
    EXPECT_EQ(At<float>(r, 756), 1.5f);
    EXPECT_EQ(At<float>(r, 760), 0.75f);
    EXPECT_EQ(At<int32_t>(r, 764), 2);
    EXPECT_EQ(At<int32_t>(r, 768), 1);
    EXPECT_EQ(At<int32_t>(r, 772), 0);
    EXPECT_EQ(At<int32_t>(r, 776), 4);
    EXPECT_EQ(At<int32_t>(r, 780), 160);
    EXPECT_EQ(At<float>(r, 784), 2.5f);

    const size_t tone5 = 788 + 5 * 56;
    EXPECT_EQ(At<int32_t>(r, tone5), 1);
    EXPECT_EQ(At<int32_t>(r, tone5 + 4), 5);
    for (int k = 0; k < 3; ++k) {
        size_t step = tone5 + 8 + 16 * k;
        EXPECT_EQ(At<uint8_t>(r, step), (5 + k) % 2 == 0 ? 1 : 0);
        EXPECT_EQ(TextAt(r, step + 1, 3), std::string(3, '\0')) << "padding";
        EXPECT_EQ(At<float>(r, step + 4), float(85 - 20 * k));
        EXPECT_EQ(At<float>(r, step + 8), -5.5f + k);
        EXPECT_EQ(At<float>(r, step + 12), 1.5f + k);
    }
    EXPECT_EQ(At<int32_t>(r, 1236), 1);
    EXPECT_EQ(At<int32_t>(r, 1240), 2);
    EXPECT_EQ(At<int32_t>(r, 1244), 4);
    EXPECT_EQ(At<int32_t>(r, 1248), 5);
    EXPECT_EQ(At<int32_t>(r, 1252), 6);
    EXPECT_EQ(At<float>(r, 1256), 7.5f);
}

TEST(CertificationColorSetRecord, RoundTripKeepsTheSetAndMarksItRegistered) {
    ColorSet s = SampleSet();
    ColorSet back = ColorSetFromRecord(RecordFromColorSet(s));
    EXPECT_TRUE(back.registered);
    back.registered = false;
    EXPECT_EQ(back, s);
}

TEST(CertificationColorSetRecord, ReadingNormalisesTolerancesFlagsAndToneState) {
    CertificationColorSetRecord r = RecordFromColorSet(ColorSet{});
    r.colors[0].tolerances[0] = 0.0f;
    r.colors[0].tolerances[1] = 2.5f;
    r.tones[0].enabled = 1;
    r.tones[0].steps[0].on = 7;  // any non-zero byte is on
    r.tones[1].enabled = 2;      // not 1: not defined
    ColorSet s = ColorSetFromRecord(r);
    EXPECT_EQ(s.colors[0].tolerances[0], (Tolerance{0, 5.0f}));
    EXPECT_EQ(s.colors[0].tolerances[1], (Tolerance{1, 2.5f}));
    EXPECT_TRUE(s.tones[0].steps[0].on);
    EXPECT_EQ(s.tones[0].defined, 1);
    EXPECT_EQ(s.tones[1].defined, 0);
}

TEST(CertificationColorSetRecord, ReadingTakesThePolarisationFromTheCondition) {
    // Whatever the instrument holds beside the condition, the set read can be saved.
    CertificationColorSetRecord r = RecordFromColorSet(SampleSet());
    for (auto [code, held, read] : {std::tuple{161, 0, 1}, {2, 1, 0}, {161, 1, 1}, {0, 0, 0}}) {
        r.measurementCondition = code;
        r.polarization = held;
        ColorSet pair = ColorSetFromRecord(r);
        EXPECT_EQ(pair.polarization, read) << "condition " << code << " held with polarisation " << held;
        EXPECT_EQ(pair.measurementCondition, code);
        EXPECT_TRUE(ColorSetFileText(pair));
    }
}

TEST(CertificationColorSetRecord, NamesWithoutTerminatorStayInsideTheirFields) {
    CertificationColorSetRecord r{};
    std::memset(r.name, 'N', sizeof r.name);
    for (CertColorRecord &c : r.colors) std::memset(c.name, 'c', sizeof c.name);
    ColorSet s = ColorSetFromRecord(r);
    EXPECT_EQ(s.name, std::string(16, 'N'));
    EXPECT_EQ(s.colors[14].name, std::string(12, 'c'));
}

TEST(CertificationColorSetRecord, SendingCutsNamesAndSendsFlagsOnlyWhenTheyAreOne) {
    ColorSet s;
    s.name = "ABCDEFGHIJKLMNOPQRS";
    s.colors[0].name = "0123456789AB";
    s.colors[0].valid = 2;
    s.colors[0].toleranceCheck = -1;
    s.colors[1].valid = 1;
    s.colors[1].tolerances[2] = Tolerance{0, 3.0f};
    CertificationColorSetRecord r = RecordFromColorSet(s);
    EXPECT_EQ(TextAt(r, 0, 16), std::string("ABCDEFGHIJKL") + std::string(4, '\0'));
    EXPECT_EQ(TextAt(r, 16, 12), std::string("012345678") + std::string(3, '\0'));
    EXPECT_EQ(r.colors[0].valid, 0);
    EXPECT_EQ(r.colors[0].toleranceCheck, 0);
    EXPECT_EQ(r.colors[1].valid, 1);
    EXPECT_EQ(r.colors[1].tolerances[2], 0.0f) << "a tolerance not in use goes out as 0";
    EXPECT_EQ(r.colors[1].tolerances[1], 5.0f);
}

TEST(ColorSetModel, NameRuleAcceptsSpaceToBraceWithoutGraveAccent) {
    EXPECT_TRUE(IsValidColorSetText(" !AZaz0}_^", 12));
    EXPECT_TRUE(IsValidColorSetText("", 12));
    EXPECT_FALSE(IsValidColorSetText("a`b", 12));
    EXPECT_FALSE(IsValidColorSetText("a~", 12));
    EXPECT_FALSE(IsValidColorSetText("tab\t", 12));
    EXPECT_FALSE(IsValidColorSetText("\xC3\xA9", 12)) << "bytes above 0x7E";
    EXPECT_TRUE(IsValidColorSetText("123456789", 9));
    EXPECT_FALSE(IsValidColorSetText("1234567890", 9));
}

TEST(ColorSetModel, WholeTintCutsTowardsZeroAndNeverOverflows) {
    EXPECT_EQ(WholeTint(74.9f), 74);
    EXPECT_EQ(WholeTint(-74.9f), -74);
    EXPECT_EQ(WholeTint(1e30f), INT32_MAX);
    EXPECT_EQ(WholeTint(-1e30f), INT32_MIN);
    EXPECT_EQ(WholeTint(std::numeric_limits<float>::quiet_NaN()), 0);
}

}  // namespace
