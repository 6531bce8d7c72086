// Files of named references: CSV and CGATS read into entries with their optional parts, and a
// bad file refused whole with the line and reason of its first fault.
#include <gtest/gtest.h>

#include "cgats/ReferenceFile.h"

namespace {

using namespace ombra::cgats;

ParseError ErrorOf(const ReferenceFileResult &r) {
    EXPECT_TRUE(r.entries.empty()) << "nothing half-loaded";
    return r.error.value_or(ParseError{-1, Reason::NoData, {"no error"}});
}

TEST(ReferenceFile, CsvWithEveryOptionalColumn) {
    const char *text =
        "Name, L*, a*, b*, Illuminant, Observer, Formula, Limit, Warning, dL, da, db, 400nm, 500nm, 600nm\n"
        "\"Cyan, 100%\",55.5,-37.25,-50,d65,10°,dE00,2,1.5,,,,10,50,20\n"
        "\n"
        "Paper,95,0.5,-2,,,,,,1,0.5,0.5,,,\n";
    const ReferenceFileResult r = ReadReferenceCsv(text);
    ASSERT_TRUE(r.ok()) << r.error->line << " " << static_cast<int>(r.error->reason);
    ASSERT_EQ(r.entries.size(), 2u);
    const ReferenceFileEntry &cyan = r.entries[0];
    EXPECT_EQ(cyan.name, "Cyan, 100%");
    EXPECT_EQ(cyan.line, 2);
    EXPECT_DOUBLE_EQ(cyan.L, 55.5);
    EXPECT_DOUBLE_EQ(cyan.a, -37.25);
    EXPECT_DOUBLE_EQ(cyan.b, -50);
    EXPECT_EQ(cyan.illuminant, "D65");
    EXPECT_EQ(cyan.observer, 10);
    EXPECT_EQ(cyan.tolerance, (ReferenceTolerance{"dE00", 2.0, 1.5, {}, {}, {}}));
    EXPECT_EQ(cyan.spectrum, (std::vector<double>{0.1, 0.5, 0.2}));
    EXPECT_EQ(cyan.spectrumFirstNm, 400);
    EXPECT_EQ(cyan.spectrumStepNm, 100);
    const ReferenceFileEntry &paper = r.entries[1];
    EXPECT_EQ(paper.line, 4);
    EXPECT_EQ(paper.illuminant, "");
    EXPECT_EQ(paper.observer, 0);
    EXPECT_EQ(paper.tolerance, (ReferenceTolerance{"", {}, {}, 1.0, 0.5, 0.5}));
    EXPECT_TRUE(paper.spectrum.empty());
}

TEST(ReferenceFile, SemicolonCsvTakesDecimalCommas) {
    const ReferenceFileResult r = ReadReferenceCsv("name;L;a;b\r\nRot;47,5;68,25;48\r\n");
    ASSERT_TRUE(r.ok());
    EXPECT_DOUBLE_EQ(r.entries.at(0).a, 68.25);
    EXPECT_EQ(ErrorOf(ReadReferenceCsv("name,L,a,b\nRot,47,5,68,48\n")), (ParseError{2, Reason::ValueCount, {"5", "4"}}))
        << "with comma separators a decimal comma shifts the cells and is refused";
}

TEST(ReferenceFile, CgatsTakesConditionsFromKeywordsAndSpectraByNorm) {
    const char *text =
        "CGATS.17\nILLUMINATION_NAME \"D50\"\nOBSERVER_ANGLE \"2\"\nSPECTRAL_NORM \"1\"\n"
        "BEGIN_DATA_FORMAT\nSAMPLE_ID SAMPLE_NAME SPEC_380 SPEC_390 LAB_L LAB_A LAB_B XYZ_X\nEND_DATA_FORMAT\n"
        "BEGIN_DATA\n1 \"Magenta\" 0.25 0.5 48 74 -3 1\nEND_DATA\n"
        "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\nP7 90 0 1\nEND_DATA\n";
    const ReferenceFileResult r = ReadReferenceFile(text);
    ASSERT_TRUE(r.ok()) << r.error->line << " " << static_cast<int>(r.error->reason);
    ASSERT_EQ(r.entries.size(), 2u);
    EXPECT_EQ(r.entries[0].name, "Magenta");
    EXPECT_EQ(r.entries[0].illuminant, "D50");
    EXPECT_EQ(r.entries[0].observer, 2);
    EXPECT_EQ(r.entries[0].spectrum, (std::vector<double>{0.25, 0.5}));
    EXPECT_EQ(r.entries[0].line, 9);
    EXPECT_EQ(r.entries[1].name, "P7") << "named by SAMPLE_ID without SAMPLE_NAME";
    EXPECT_EQ(r.entries[1].illuminant, "") << "each table has its own conditions";
    EXPECT_DOUBLE_EQ(r.entries[1].L, 90);
}

TEST(ReferenceFile, BadFilesGiveOneErrorWithLineAndReason) {
    struct Case {
        std::string text;
        ParseError expected;
    };
    const std::string head = "name,L,a,b,illuminant,observer,formula,limit,warning\n";
    const Case cases[] = {
        {"name,L,a\nX,1,2\n", {1, Reason::Missing, {"b*"}}},
        {"name,L,a,b,L*\n", {1, Reason::Unexpected, {"L*"}}},
        {"name,L,a,b,380nm,390nm,410nm\n", {1, Reason::Unexpected, {"410nm"}}},
        {head + "X,1,2,3,,,,,\nY,1,zwei,3,,,,,\n", {3, Reason::NotANumber, {"zwei"}}},
        {head + ",1,2,3,,,,,\n", {2, Reason::Missing, {"name"}}},
        {head + "X,,2,3,,,,,\n", {2, Reason::Missing, {"L"}}},
        {head + "X,1,2,3,D49,,,,\n", {2, Reason::Unexpected, {"D49"}}},
        {head + "X,1,2,3,,15,,,\n", {2, Reason::Unexpected, {"15"}}},
        {head + "X,1,2,3,,,dE99,1,\n", {2, Reason::Unexpected, {"dE99"}}},
        {head + "X,1,2,3,,,dE00,,\n", {2, Reason::Missing, {"limit"}}},
        {head + "X,1,2,3,,,,2,\n", {2, Reason::Missing, {"formula"}}},
        {head + "X,1,2,3,,,dE00,1,2\n", {2, Reason::Unexpected, {"2"}}},
        {head + "X,1,2,3,,,dE00,-1,\n", {2, Reason::Unexpected, {"-1"}}},
        {"name,L,a,b,400nm,410nm\nX,1,2,3,50,\n", {2, Reason::Missing, {"410nm"}}},
        {"name,L,a,b\n\"X,1,2,3\n", {2, Reason::UnclosedQuote, {}}},
        {"name,L,a,b\n\n", {2, Reason::NoData, {}}},
        {"", {1, Reason::NoData, {}}},
        {"BEGIN_DATA_FORMAT\nSAMPLE_NAME LAB_L LAB_A\nEND_DATA_FORMAT\nBEGIN_DATA\nX 1 2\nEND_DATA\n", {1, Reason::Missing, {"b*"}}},
        {"ILLUMINATION_NAME \"D99\"\nBEGIN_DATA_FORMAT\nSAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\nX 1 2 3\nEND_DATA\n",
         {2, Reason::Unexpected, {"D99"}}},
        {"BEGIN_DATA_FORMAT\nSAMPLE_NAME LAB_L LAB_A LAB_B\nEND_DATA_FORMAT\nBEGIN_DATA\nX 1 2 3\nY 1 2\nEND_DATA\n",
         {6, Reason::ValueCount, {"3", "4"}}},
    };
    for (const Case &c : cases) EXPECT_EQ(ErrorOf(ReadReferenceFile(c.text)), c.expected) << c.text;
}

}  // namespace
