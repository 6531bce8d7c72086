// The editor pages' logic without a window: entry fields, the condition maps, the colour and
// tone lists and their way back into the slot, the paper-colour rule, the mid-tone choices,
// the tone entry and measuring a colour.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ColorSetTestSupport.h"
#include "core/colorset/ColorDataPageLogic.h"
#include "core/colorset/ColorSetFields.h"
#include "core/colorset/MeasCondPageLogic.h"
#include "core/colorset/ToneDataPageLogic.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "support/CommaLocale.h"
#include "support/FakeInstrument.h"

namespace {

using namespace ombra;
using namespace ombra::core;
namespace mb = platform::mb;

// ---- entry fields ----

struct FieldCase {
    const char *typed;
    NumericFieldRule rule;
    std::string separator;
    std::string shown;
    int notice;  // 0: accepted
};

void ExpectFieldCases(double previous) {
    const FieldCase cases[] = {
        {"12,5", fields::Lightness(), ",", "12.50", 0},
        {"12,5", fields::Lightness(), ".", "12.00", 0},  // "," passes, the number ends before it
        {"-", fields::Lightness(), ",", "7.25", ombra::res::kStrBadCharacter},
        {"-1", fields::Lightness(), ".", "7.25", ombra::res::kStrBadCharacter},
        {"-1", fields::ColorAxis(), ".", "-1.00", 0},
        {"-", fields::ColorAxis(), ".", "0.00", 0},  // no number at all reads as 0
        {"\xE2\x88\x92" "1", fields::ColorAxis(), ".", "7.25", ombra::res::kStrBadCharacter},  // a typographic minus
        {"1.2.3", fields::Lightness(), ".", "1.20", 0},
        {"1,2,3", fields::Lightness(), ",", "1.20", 0},
        {"99.99", fields::ColorTolerance(), ",", "7.25", ombra::res::kStrValueOutOfRange},
        {"0", fields::ColorTolerance(), ".", "7.25", ombra::res::kStrValueOutOfRange},
        {"", fields::Lightness(), ",", "7.25", 0},  // empty keeps the previous value
        {"1000", fields::Lightness(), ".", "7.25", ombra::res::kStrValueOutOfRange},
        {"0", fields::Factor(), ".", "1.00", ombra::res::kStrValueOutOfRange},
        {"", fields::Factor(), ".", "1.00", ombra::res::kStrValueOutOfRange},
        {"x", fields::Factor(), ".", "1.00", ombra::res::kStrBadCharacter},
        {"", fields::MidToneTolerance(), ".", "5.0", 0},
        {"100", fields::MidToneTolerance(), ".", "5.0", ombra::res::kStrValueOutOfRange},
        {"12.6", fields::Tint(), ".", "13", 0},
        {"0", fields::Tint(), ".", "7", ombra::res::kStrValueOutOfRange},
        {"-5", fields::Aim(), ".", "-5.0", 0},
    };
    for (const FieldCase &c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " with separator " + c.separator);
        FieldCheck check = CheckNumericField(c.typed, previous, c.rule, c.separator);
        EXPECT_EQ(check.text, c.shown);
        EXPECT_EQ(check.notice ? check.notice->textId : 0, c.notice);
    }
}

TEST(ColorSetFields, TypedNumbersInACommaAndADotLocale) {
    ExpectFieldCases(7.25);
    test::CommaLocale comma;
    ExpectFieldCases(7.25);  // the program's own texts keep "." whatever the locale
}

TEST(ColorSetFields, RefusalsNameTheRangeAndTheIcon) {
    FieldCheck tolerance = CheckNumericField("99.99", 2.0, fields::ColorTolerance(), ".");
    ASSERT_TRUE(tolerance.refused());
    EXPECT_EQ(tolerance.notice->args, (std::vector<std::string>{"0.01", "9.99"}));
    EXPECT_EQ(tolerance.notice->flags, mb::ICONEXCLAMATION);
    EXPECT_DOUBLE_EQ(tolerance.value, 2.0);
    EXPECT_EQ(CheckNumericField("0", 5, fields::Tint(), ".").notice->args, (std::vector<std::string>{"1", "99"}));
    for (const NumericFieldRule &step : {fields::Tint(), fields::Aim(), fields::StepTolerance()})
        EXPECT_EQ(CheckNumericField("a", 5, step, ".").notice->flags, mb::ICONHAND) << "the three fields of a tone step";
    EXPECT_EQ(CheckNumericField("0", 1, fields::ToneFactor(), ".").notice->args, (std::vector<std::string>{"0.50", "9.90"}));
    EXPECT_EQ(CheckNumericField("0", 1, fields::MidToneTolerance(), ".").notice->args,
              (std::vector<std::string>{"0.1", "99.9"}));
    // The kept value is the typed one, not its rounded text: 12.6 is listed as tint 12 later.
    EXPECT_DOUBLE_EQ(CheckNumericField("12.6", 5, fields::Tint(), ".").value, 12.6);
}

TEST(ColorSetFields, AMeasuredValueCountsOnlyInRangeAndAnUndeliveredOneShowsAsMissing) {
    const double undelivered = std::numeric_limits<float>::max();
    EXPECT_EQ(MeasuredFieldText(undelivered, fields::ColorAxis()), platform::ResString(1196));
    for (double refused : {undelivered, std::nan(""), -0.5}) {
        FieldCheck check = CheckMeasuredValue(refused, 7.25, fields::Lightness());
        EXPECT_EQ(check.notice ? check.notice->textId : 0, ombra::res::kStrValueOutOfRange) << refused;
        EXPECT_EQ(check.text, "7.25");
    }
    EXPECT_EQ(CheckMeasuredValue(-12.345, 7.25, fields::ColorAxis()).text, "-12.35");
}

TEST(ColorSetFields, NamesWithAForbiddenCharacterKeepThePreviousName) {
    NameCheck tilde = CheckNameField("Cyan~", "Old", kColorNameLimit);
    EXPECT_EQ(tilde.name, "Old");
    ASSERT_TRUE(tilde.notice);
    EXPECT_EQ(tilde.notice->textId, ombra::res::kStrBadName);
    EXPECT_EQ(CheckNameField("Cyan 100%", "Old", kColorNameLimit).name, "Cyan 100%");
    EXPECT_FALSE(CheckNameField("", "Old", kColorNameLimit).notice);
}

// ---- measurement-condition page ----

TEST(MeasCondPage, LoadAndStoreThroughTheMapsAndClamps) {
    ColorSet set = test::SampleSet();
    meascond::Form form = meascond::LoadForm(set);
    EXPECT_EQ(form.conditionIndex, 3);
    EXPECT_EQ(form.toneConditionIndex, 1);
    ColorSet stored;
    meascond::StoreForm(form, stored);
    EXPECT_EQ(stored.name, set.name);
    EXPECT_EQ(stored.measurementCondition, 161);
    EXPECT_EQ(stored.toneMeasurementCondition, 160);
    EXPECT_EQ(stored.illuminant, 7);
    EXPECT_EQ(stored.observer, 1);
    EXPECT_EQ(stored.differenceFormula, 3);
    EXPECT_EQ(stored.factors, set.factors);
    EXPECT_EQ(stored.conditionMode, 2);
    EXPECT_EQ(stored.polarization, 1);
    EXPECT_EQ(stored.toneSetting, 4);
    EXPECT_FLOAT_EQ(stored.toneFactor, 2.5f);

    const std::pair<int, int> conditions[] = {{0, 0}, {2, 1}, {160, 2}, {161, 3}, {14, 4}, {99, 1}};
    for (auto [code, index] : conditions) {
        set.measurementCondition = code;
        EXPECT_EQ(meascond::LoadForm(set).conditionIndex, index) << code;
    }
    meascond::Form odd;
    odd.name = "ThirteenChars";
    odd.illuminant = 15;
    odd.observer = 2;
    odd.differenceFormula = 5;
    odd.conditionMode = 3;
    odd.polarization = 2;
    odd.conditionIndex = 7;
    odd.toneConditionIndex = 5;
    odd.toneSetting = 9;
    meascond::StoreForm(odd, stored);
    EXPECT_EQ(stored.name, "ThirteenChar");
    EXPECT_EQ(std::vector<int>({stored.illuminant, stored.observer, stored.differenceFormula, stored.conditionMode,
                                stored.polarization, stored.measurementCondition, stored.toneMeasurementCondition,
                                stored.toneSetting}),
              std::vector<int>({2, 0, 0, 0, 0, 2, 0, 1}));
}

TEST(MeasCondPage, PolarisationGoesWithThePolarisedConditionsOnly) {
    meascond::Form form;
    form.conditionIndex = 4;
    form.toneConditionIndex = 1;
    meascond::ChangePolarization(form, 1);
    EXPECT_EQ(form.conditionIndex, 3);
    EXPECT_EQ(form.toneConditionIndex, 2);
    ASSERT_EQ(meascond::ConditionChoices(1).size(), 1u);
    EXPECT_EQ(meascond::ConditionChoices(1)[0].textId, 1273);
    EXPECT_EQ(meascond::ToneConditionChoices(1)[0].index, 2);
    meascond::ChangePolarization(form, 0);
    EXPECT_EQ(form.conditionIndex, 1);
    EXPECT_EQ(form.toneConditionIndex, 0);
    // The fourth entry without polarisation is the user-illuminant condition, index 4.
    EXPECT_EQ(meascond::PositionOf(meascond::ConditionChoices(0), 4), 3);
    EXPECT_EQ(meascond::FactorsInUse(1), (std::array<bool, 3>{true, true, false}));
    EXPECT_EQ(meascond::FactorsInUse(4), (std::array<bool, 3>{false, false, false}));
}

// ---- colour-data page ----

TEST(ColorDataPage, ListTextsCarryTwoDecimalsBackIntoTheSlot) {
    test::CommaLocale comma;
    ColorSet set = test::SampleSet();
    set.colors[1].L = 12.345f;
    set.colors[1].toleranceCheck = 0;
    set.colors[1].tolerances[0] = Tolerance{0, 3.0f};
    colordata::ColorList list = colordata::FillColorList(set);
    EXPECT_EQ(list.rows[1][2], "12.35");
    EXPECT_EQ(list.rows[1][5], "FALSE");
    EXPECT_EQ(list.rows[1][6], "") << "a tolerance not in use shows nothing";
    EXPECT_EQ(list.rows[3][1], "") << "undefined colours show only their number";
    EXPECT_EQ(list.rows[3][0], "4");
    colordata::StoreColorList(list, 3, set);
    EXPECT_FLOAT_EQ(set.colors[1].L, 12.35f);
    EXPECT_EQ(set.colors[1].tolerances[0], (Tolerance{0, 3.0f}));
    EXPECT_EQ(set.paperColor, 2);
    EXPECT_EQ(colordata::Columns(0)[9].headerId, 1408);
    EXPECT_EQ(colordata::Columns(3)[9].headerId, 1277);
}

TEST(ColorDataPage, PaperColourSwitchesToneEntriesOnItsColourOffAndOnAgain) {
    ColorSet set;
    for (int k : {0, 1, 2}) set.colors[k].valid = 1;
    auto tone = [](int color) {
        ToneEntry t;
        t.enabled = t.defined = 1;
        t.color = color;
        return t;
    };
    set.tones[0] = tone(1);  // colour 2
    set.tones[1] = tone(2);  // colour 3
    std::vector<int> asked;
    NoticeSink answer = [&](const Notice &n) {
        asked.push_back(n.textId);
        return mb::IDOK;
    };
    // Choice 2 is colour 2 (index 1): the entry on index 1 goes off, the one on index 2 stays.
    EXPECT_EQ(colordata::ChangePaperChoice(set, 0, 2, answer), 2);
    EXPECT_EQ(set.tones[0].enabled, 0);
    EXPECT_EQ(set.tones[1].enabled, 1);
    EXPECT_EQ(asked, std::vector<int>{res::kStrPaperChangeQuestion});
    EXPECT_EQ(tonedata::EligibleNames(set).size(), 1u);
    // Colour 3 instead: colour 2's entry on again, colour 3's off.
    EXPECT_EQ(colordata::ChangePaperChoice(set, 2, 3, answer), 3);
    EXPECT_EQ(set.tones[0].enabled, 1);
    EXPECT_EQ(set.tones[1].enabled, 0);
    EXPECT_EQ(colordata::ChangePaperChoice(set, 3, 0, answer), 0);
    EXPECT_EQ(set.tones[1].enabled, 1);
    // An undefined colour is refused, and Cancel keeps the paper colour.
    asked.clear();
    EXPECT_EQ(colordata::ChangePaperChoice(set, 0, 5, answer), 0);
    EXPECT_EQ(asked, std::vector<int>{res::kStrPaperUndefined});
    EXPECT_EQ(colordata::ChangePaperChoice(set, 0, 2, [](const Notice &) { return mb::IDCANCEL; }), 0);
    EXPECT_EQ(set.tones[0].enabled, 1);
}

TEST(ColorDataPage, DeletingColoursResetsTheirToneEntriesAndThePaperColour) {
    ColorSet set = test::SampleSet();
    set.paperColor = 4;
    colordata::DeleteColor(set, 2);
    EXPECT_EQ(set.paperColor, 4);
    EXPECT_EQ(set.colors[2], ColorEntry{});
    EXPECT_EQ(set.tones[2], ToneEntry{});
    colordata::DeleteColor(set, 4);
    EXPECT_EQ(set.paperColor, kNoPaperColor);
    MidToneSpread rule = set.midToneSpread;
    colordata::DeleteAllColors(set);
    EXPECT_FALSE(colordata::AnyColorDefined(set));
    EXPECT_EQ(set.tones, ColorSet{}.tones);
    EXPECT_EQ(set.midToneSpread, rule);
}

TEST(ColorDataPage, EntryFormJudgesTheColourExactlyWhenAToleranceIsInUse) {
    ColorSet set;
    colordata::ColorEntryForm form = colordata::LoadColorEntry(set, 6);
    EXPECT_DOUBLE_EQ(form.L, 93.0);
    EXPECT_DOUBLE_EQ(form.b, -3.0);
    form.name = "Cyan";
    form.inUse = {false, false, false, false};
    colordata::StoreColorEntry(form, set, 6);
    EXPECT_EQ(set.colors[6].valid, 1);
    EXPECT_EQ(set.colors[6].toleranceCheck, 0);
    EXPECT_EQ(colordata::FillColorList(set).rows[6][5], "FALSE");
    form.inUse[2] = true;
    colordata::StoreColorEntry(form, set, 6);
    EXPECT_EQ(set.colors[6].toleranceCheck, 1);
}

// ---- tone-data page ----

ColorSet SetWithTones(int eligible) {
    ColorSet set;
    for (int k = 0; k < 8; ++k) {
        set.colors[k].valid = 1;
        set.colors[k].name = "C" + std::to_string(k + 1);
    }
    for (int e = 0; e < eligible; ++e) {
        set.tones[e].enabled = set.tones[e].defined = 1;
        set.tones[e].color = e;
    }
    return set;
}

TEST(ToneDataPage, MidToneChoicesWithZeroToEightEligibleEntries) {
    const std::string suffix = platform::ResString(res::kStrNumberSuffix);
    // The empty slot's rule names entries 2, 3 and 4 (indexes 1, 2, 3): kept with 8 eligible
    // entries; with 3 the fourth is missing, so the first three are taken.
    const std::pair<int, std::array<int, 3>> expected[] = {
        {0, {-1, -1, -1}}, {1, {0, -1, -1}}, {2, {0, 1, -1}}, {3, {0, 1, 2}}, {8, {1, 2, 3}}};
    for (auto [eligible, positions] : expected) {
        SCOPED_TRACE(eligible);
        ColorSet set = SetWithTones(eligible);
        tonedata::NameList names = tonedata::EligibleNames(set);
        ASSERT_EQ(names.size(), static_cast<size_t>(eligible));
        tonedata::MidTone midTone = tonedata::LoadMidTone(set, names);
        // Ends (it used to go round for ever with fewer than three names).
        EXPECT_EQ(tonedata::FillMidToneChoices(names, midTone), positions);
        for (int i = 0; i < 3; ++i) {
            int e = positions[i];
            EXPECT_EQ(midTone.texts[i], e < 0 ? "" : "C" + std::to_string(e + 1) + suffix + " " + std::to_string(e + 1) + ")");
            if (e >= 0) {
                EXPECT_EQ(midTone.indexes[i], e);
            }
        }
        tonedata::ApplyEligibility(midTone, names.size());
        if (eligible < 3) {
            EXPECT_FALSE(midTone.on);
        }
    }
}

TEST(ToneDataPage, RememberedChoicesStayAndADeletedOneBringsBackTheFirstThree) {
    ColorSet set = SetWithTones(8);
    set.midToneSpread = MidToneSpread{1, 2, {5, 6, 7}, 3.5f};
    tonedata::NameList names = tonedata::EligibleNames(set);
    tonedata::MidTone midTone = tonedata::LoadMidTone(set, names);
    tonedata::ApplyEligibility(midTone, names.size());
    EXPECT_TRUE(midTone.on);
    EXPECT_EQ(midTone.stepIndex, 2);
    EXPECT_EQ(tonedata::FillMidToneChoices(names, midTone), (std::array<int, 3>{5, 6, 7}));
    tonedata::DeleteToneEntry(set, 6, midTone);
    EXPECT_EQ(midTone.texts[1], "");
    names = tonedata::EligibleNames(set);
    EXPECT_EQ(tonedata::FillMidToneChoices(names, midTone), (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(midTone.indexes, (std::array<int, 3>{0, 1, 2}));
    midTone.on = false;
    tonedata::ApplyEligibility(midTone, names.size());
    EXPECT_EQ(midTone.stepIndex, 0) << "a rule that is off compares step 1";
}

TEST(ToneDataPage, ListTextsGoBackIntoTheSlotWholeTintsAndOneDecimal) {
    ColorSet set = SetWithTones(3);
    set.tones[1].steps[0] = ToneStep{true, 12.6f, 20.04f, 5.06f};
    set.tones[1].steps[1].on = false;
    set.tones[2].color = 5;
    set.paperColor = 5;  // entry 3 is on the paper colour: not listed
    tonedata::ToneList list = tonedata::FillToneList(set);
    EXPECT_EQ(list.rows[1][2], "12");
    EXPECT_EQ(list.rows[1][3], "20.0");
    EXPECT_EQ(list.rows[1][5], "") << "a step that is off shows nothing";
    EXPECT_EQ(list.rows[2][1], "");
    ColorSet stored = set;
    tonedata::MidTone midTone;
    tonedata::StoreToneList(list, midTone, stored);
    EXPECT_EQ(stored.tones[1].steps[0], (ToneStep{true, 12.0f, 20.0f, 5.1f}));
    EXPECT_EQ(stored.tones[1].steps[1], set.tones[1].steps[1]);
    EXPECT_EQ(stored.tones[2], set.tones[2]);
}

TEST(ToneDataPage, AHiddenPageDoesNotOverwriteAnEntryItDidNotList) {
    // Tone entry on colour 2; paper := 2 switches it off; the tone page is filled while it is
    // off; paper := none switches it on again; then the editor stores every page. The tone
    // page's rows for the entry are empty and must not become tint 0, aim 0.0, tolerance 0.0.
    ColorSet set = SetWithTones(1);
    set.tones[0].color = 1;
    const ToneEntry before = set.tones[0];
    NoticeSink ok = [](const Notice &) { return mb::IDOK; };
    ASSERT_EQ(colordata::ChangePaperChoice(set, 0, 2, ok), 2);
    set.paperColor = 1;
    tonedata::ToneList shownWhileOff = tonedata::FillToneList(set);
    ASSERT_EQ(colordata::ChangePaperChoice(set, 2, 0, ok), 0);
    set.paperColor = kNoPaperColor;
    tonedata::MidTone midTone;
    tonedata::StoreToneList(shownWhileOff, midTone, set);
    EXPECT_EQ(set.tones[0], before);
}

TEST(ToneDataPage, EntryFormNeedsAColourAndOffersTheDefinedColoursButThePaper) {
    ColorSet set;
    tonedata::ToneEntryForm form = tonedata::LoadToneEntry(set, 0);
    EXPECT_EQ(form.color, -1);
    EXPECT_TRUE(tonedata::ToneColorChoices(set).empty());
    EXPECT_FALSE(tonedata::StoreToneEntry(form, set, 0)) << "colour -1 must not become an enabled entry";
    EXPECT_EQ(set.tones[0], ToneEntry{});
    EXPECT_FALSE(tonedata::CanEnterToneEntry(set));
    set.colors[0].valid = set.colors[3].valid = 1;
    set.colors[3].name = "Mag";
    set.paperColor = 0;
    EXPECT_TRUE(tonedata::CanEnterToneEntry(set));
    set.colors[3].valid = 0;
    EXPECT_FALSE(tonedata::CanEnterToneEntry(set)) << "the only colour is the paper";
    set.colors[3].valid = 1;
    tonedata::NameList colors = tonedata::ToneColorChoices(set);
    ASSERT_EQ(colors.size(), 1u);
    EXPECT_EQ(colors[0].first, 3);
    EXPECT_EQ(colors[0].second, "Mag" + platform::ResString(1387) + " 4)");
    form.color = 3;
    form.tints[0] = 12.6;
    ASSERT_TRUE(tonedata::StoreToneEntry(form, set, 0));
    EXPECT_EQ(set.tones[0].enabled, 1);
    EXPECT_EQ(set.tones[0].defined, 1);
    EXPECT_EQ(tonedata::FillToneList(set).rows[0][2], "12");
}

// ---- measuring a colour ----

class MeasureColorTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceHandle() = fake.AddDevice(); }
    std::vector<int32_t> TypeValuesSent() const {
        std::vector<int32_t> values;
        for (const test::FakeCall &c : fake.CallsOf("DISetProperty"))
            if (c.a == 0) values.push_back(c.b);
        return values;
    }
    test::FakeInstrument fake;
};

TEST_F(MeasureColorTest, MeasuresLabAndPutsTheMeasurementTypeBack) {
    CVireoDllAdapter adapter;
    std::array<double, 3> lab{1, 2, 3};
    ASSERT_EQ(colordata::MeasureColorLab(adapter, 0x4, lab), 0);
    EXPECT_EQ(fake.Names(), (std::vector<std::string>{"DISetProperty", "DIDoMeasurement", "DISetProperty", "DIGetColor",
                                                      "DISetProperty"}));
    EXPECT_EQ(TypeValuesSent(), (std::vector<int32_t>{0, 3}));
    EXPECT_EQ(fake.Property(5), 0);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(lab[i], test::FakeInstrument::ColorValue(0, i));
}

TEST_F(MeasureColorTest, AFailureStillPutsTheMeasurementTypeBackAndIsTheOneReported) {
    for (const char *failing : {"DIDoMeasurement", "DIGetColor"}) {
        SCOPED_TRACE(failing);
        fake.Script(failing, {19});
        CVireoDllAdapter adapter;
        std::array<double, 3> lab{1, 2, 3};
        EXPECT_EQ(colordata::MeasureColorLab(adapter, 0x4, lab), 19);
        EXPECT_EQ(lab, (std::array<double, 3>{1, 2, 3})) << "nothing measured, nothing taken";
        EXPECT_EQ(fake.Property(0), 3) << "irradiance as set, not reflection";
    }
    // A failing restore after a good measurement is reported too.
    fake.Script("DISetProperty", {0, 0, 4});
    CVireoDllAdapter adapter;
    std::array<double, 3> lab{};
    EXPECT_EQ(colordata::MeasureColorLab(adapter, 0x4, lab), 4);
}

}  // namespace
