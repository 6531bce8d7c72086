// Journal entries as CGATS: one table per set of conditions, the conditions as keywords, values
// from the measured record or the value items, gaps left out; fault texts and reference files.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <limits>

#include "core/instrument/MeasuredData.h"
#include "core/output/CgatsExport.h"
#include "core/platform/AtomicFile.h"
#include "core/platform/Resources.h"
#include "support/CommaLocale.h"

namespace ombra::core {
namespace {

using platform::ResString;

// A reflection measurement under the settings texts shown (string ids of their lists).
JournalEntry Reflection(const std::string &time, int illuminantText, int conditionText, float lab0) {
    MeasuredDataRecord r;
    for (int i = 0; i < 36; ++i) r.SetFloat(i, 0.25f + 0.01f * static_cast<float>(i));
    for (int i = 0; i < 3; ++i) {
        r.SetFloat(MeasuredDataRecord::kColorValue0 + i, lab0 + static_cast<float>(i));
        r.SetFloat(MeasuredDataRecord::kColorValue4 + i, 20.5f + static_cast<float>(i));
    }
    JournalEntry e;
    e.date = "2026-12-09";
    e.time = time;
    e.model = "OS-100";
    e.serial = "4711";
    e.settingTexts = {ResString(1140), ResString(conditionText), ResString(1159), ResString(1161),
                      ResString(illuminantText), ResString(1282)};
    e.rawRecord.assign(reinterpret_cast<const char *>(&r), sizeof r);
    return e;
}

cgats::Table Only(const std::string &text, size_t table = 0) {
    cgats::ParseResult r = cgats::Parse(text);
    EXPECT_TRUE(r.ok()) << text;
    return r.ok() && table < r.tables.size() ? r.tables[table] : cgats::Table{};
}

class CgatsExport : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(ResString(1165).empty()) << "needs the resource library"; }
};

TEST_F(CgatsExport, EachSetOfConditionsHasItsTableInTheOrderMeasured) {
    const std::string text = CgatsOfEntries({Reflection("10:00:01", 1165, 1143, 50), Reflection("10:00:02", 1167, 1143, 60),
                                             Reflection("10:00:03", 1165, 1143, 70)},
                                            "2026-12-09T10:41:57Z");
    const cgats::ParseResult r = cgats::Parse(text);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.tables.size(), 2u);
    const cgats::Table &d50 = r.tables[0], &d65 = r.tables[1];
    EXPECT_EQ(d50.identifier, "SPECT");
    EXPECT_EQ(*d50.Value("CREATED"), "2026-12-09T10:41:57Z");
    EXPECT_TRUE(d50.Value("ORIGINATOR")->starts_with("Ombra Data Transfer"));
    EXPECT_EQ(*d50.Value("INSTRUMENTATION"), "OS-100 4711");
    EXPECT_EQ(*d50.Value("MEAS_TYPE"), "REFLECTIVE");
    EXPECT_EQ(*d50.Value("ILLUMINATION_NAME"), "D50");
    EXPECT_EQ(*d65.Value("ILLUMINATION_NAME"), "D65");
    EXPECT_EQ(*d50.Value("OBSERVER_ANGLE"), "2");
    EXPECT_EQ(*d50.Value("MEASUREMENT_CONDITION"), "M1");
    EXPECT_EQ(*d50.Value("POLARIZATION"), "OFF");
    EXPECT_EQ(*d50.Value("SPECTRAL_BANDS"), "36");
    ASSERT_EQ(d50.fields.size(), 2u + 36 + 6);
    EXPECT_EQ(d50.fields[2], "SPEC_380");
    EXPECT_EQ(d50.fields[37], "SPEC_730");
    EXPECT_EQ(std::vector<std::string>(d50.fields.end() - 6, d50.fields.end()),
              (std::vector<std::string>{"XYZ_X", "XYZ_Y", "XYZ_Z", "LAB_L", "LAB_A", "LAB_B"}));
    ASSERT_EQ(d50.rows.size(), 2u);
    EXPECT_EQ(d50.rows[0][0], "1");
    EXPECT_EQ(d50.rows[1][0], "3") << "sample ids run through the file";
    EXPECT_EQ(d65.rows.at(0)[0], "2");
    EXPECT_EQ(d50.rows[0][1], "2026-12-09 10:00:01");
    EXPECT_EQ(d50.rows[0][2], "25.0000") << "reflectance in percent";
    EXPECT_EQ(d50.rows[1][d50.FieldIndex("LAB_L")], "70.0000");
    EXPECT_EQ(d50.rows[1][d50.FieldIndex("XYZ_Z")], "22.5000");
}

TEST_F(CgatsExport, ConditionsNamedByTheirCode) {
    JournalEntry source = Reflection("1", 1165, 1148, 50);  // a D65 source matched to its illuminant
    JournalEntry m3 = Reflection("2", 1165, 1273, 50);
    m3.settingTexts[5] = ResString(1283);
    JournalEntry foreign = Reflection("3", 1165, 1143, 50);
    foreign.settingTexts[4] = "D50 (Tageslicht)";  // taken under another language
    const std::string text = CgatsOfEntries({source, m3, foreign}, "now");
    const cgats::Table s = Only(text, 0), p = Only(text, 1), f = Only(text, 2);
    EXPECT_EQ(*s.Value("ILLUMINATION_NAME"), "D65");
    EXPECT_EQ(*s.Value("MEASUREMENT_CONDITION"), "Source D65");
    EXPECT_EQ(*p.Value("MEASUREMENT_CONDITION"), "M3");
    EXPECT_EQ(*p.Value("POLARIZATION"), "ON");
    EXPECT_EQ(*f.Value("ILLUMINATION_NAME"), "D50 (Tageslicht)");
}

TEST_F(CgatsExport, ValuesWithoutARecordAndGapsLeftOut) {
    JournalEntry items = Reflection("1", 1165, 1143, 50);
    items.rawRecord.clear();
    items.valueItems = {{1000, "L*", 51.25, "51.25"}, {1001, "a*", -2.5, "-2.50"}, {1002, "b*", 3, "3.00"}};
    JournalEntry gap = Reflection("2", 1165, 1143, 50);
    MeasuredDataRecord r;
    std::memcpy(static_cast<void *>(&r), gap.rawRecord.data(), sizeof r);
    r.SetFloat(5, std::numeric_limits<float>::max());  // a spectral value not delivered
    r.SetFloat(MeasuredDataRecord::kColorValue4, std::numeric_limits<float>::max());
    gap.rawRecord.assign(reinterpret_cast<const char *>(&r), sizeof r);
    const cgats::Table t = Only(CgatsOfEntries({items, gap}, "now"));
    EXPECT_EQ(t.identifier, "CGATS.17") << "no spectrum";
    EXPECT_EQ(t.fields, (std::vector<std::string>{"SAMPLE_ID", "SAMPLE_NAME", "LAB_L", "LAB_A", "LAB_B"}));
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0], (std::vector<std::string>{"1", "2026-12-09 1", "51.2500", "-2.5000", "3.0000"}));
    EXPECT_EQ(t.Value("SPECTRAL_BANDS"), nullptr);
}

TEST_F(CgatsExport, IrradianceHasItsGridAndNoSampleConditions) {
    MeasuredDataRecord r;
    for (int i = 0; i < 97; ++i) r.SetFloat(i, 0.125f * static_cast<float>(i));
    JournalEntry e = Reflection("1", 1165, 1143, 50);
    e.measurementType = 4;
    e.rawRecord.assign(reinterpret_cast<const char *>(&r), sizeof r);
    const cgats::Table t = Only(CgatsOfEntries({e}, "now"));
    EXPECT_EQ(*t.Value("MEAS_TYPE"), "AMBIENT");
    EXPECT_EQ(*t.Value("SPECTRAL_START_NM"), "360");
    EXPECT_EQ(*t.Value("SPECTRAL_BANDS"), "75");
    EXPECT_EQ(t.Value("ILLUMINATION_NAME"), nullptr);
    EXPECT_EQ(t.fields.back(), "SPEC_730");
    EXPECT_EQ(t.rows.at(0)[2], "1.500000") << "360 nm is place 12 of the 300..780 nm grid";
}

TEST_F(CgatsExport, NumbersKeepTheirPointUnderACommaLocale) {
    test::CommaLocale comma;
    const std::string text = CgatsOfEntries({Reflection("1", 1165, 1143, 50.5f)}, "now");
    EXPECT_NE(text.find("\t50.5000\t51.5000\t52.5000\n"), std::string::npos) << text;
}

TEST_F(CgatsExport, FaultTextsAndReferenceFilesAsTheProgramReadsThem) {
    EXPECT_EQ(ParseErrorText({7, cgats::Reason::ValueCount, {"3", "2"}}), "Line 7: 3 values where 2 are expected");
    EXPECT_EQ(ParseErrorText({2, cgats::Reason::NotANumber, {"zwei"}}), "Line 2: “zwei” is not a number");
    QTemporaryDir dir;
    const std::string good = dir.filePath("refs.csv").toStdString(), bad = dir.filePath("bad.txt").toStdString();
    ASSERT_TRUE(platform::WriteFileAtomically(good, "name,L,a,b\nCyan,55,-37,-50\n"));
    ASSERT_TRUE(platform::WriteFileAtomically(bad, "BEGIN_DATA_FORMAT\nSAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\n"
                                                   "BEGIN_DATA\nA 1 2 3\nB 1 2\nEND_DATA\n"));
    const ReferenceFileLoad ok = LoadReferenceFile(good);
    EXPECT_TRUE(ok.error.empty());
    ASSERT_EQ(ok.entries.size(), 1u);
    EXPECT_EQ(ok.entries[0].name, "Cyan");
    const ReferenceFileLoad refused = LoadReferenceFile(bad);
    EXPECT_TRUE(refused.entries.empty()) << "nothing half-loaded";
    EXPECT_EQ(refused.error, "Line 6: 3 values where 4 are expected");
    const std::string exported = dir.filePath("exported.txt").toStdString();
    ASSERT_TRUE(platform::WriteFileAtomically(exported, CgatsOfEntries({Reflection("10:00:01", 1167, 1143, 40.5f)}, "now")));
    const ReferenceFileLoad back = LoadReferenceFile(exported);
    ASSERT_EQ(back.entries.size(), 1u) << back.error;
    EXPECT_EQ(back.entries[0].name, "2026-12-09 10:00:01");
    EXPECT_EQ(back.entries[0].illuminant, "D65");
    EXPECT_EQ(back.entries[0].observer, 2);
    EXPECT_DOUBLE_EQ(back.entries[0].L, 40.5);
    EXPECT_EQ(back.entries[0].spectrum.size(), 36u);
    EXPECT_NEAR(back.entries[0].spectrum[0], 0.25, 1e-6);
    const ReferenceFileLoad missing = LoadReferenceFile(dir.filePath("none.csv").toStdString());
    EXPECT_TRUE(missing.entries.empty());
    EXPECT_NE(missing.error.find("none.csv"), std::string::npos) << missing.error;
}

}  // namespace
}  // namespace ombra::core
