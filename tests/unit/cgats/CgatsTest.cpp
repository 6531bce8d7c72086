// CGATS.17 text: written and read back, the reader's tolerance and its faults (line and reason),
// and numbers that keep their "." under a locale with a decimal comma.
#include <gtest/gtest.h>

#include "cgats/Cgats.h"
#include "support/CommaLocale.h"

namespace {

using namespace ombra::cgats;

Table Sample() {
    Table t;
    t.identifier = "SPECT";
    t.keywords = {{"ORIGINATOR", "Ombra \"test\""}, {"ILLUMINATION_NAME", "D50"}};
    t.fields = {"SAMPLE_ID", "SAMPLE_NAME", "SPEC_380", "LAB_L"};
    t.rows = {{"1", "Cyan 100%", "12.5000", "55.1234"}, {"2", "42", "-0.0001", "9.8"}};
    return t;
}

ParseError ErrorOf(std::string_view text) {
    const ParseResult r = Parse(text);
    EXPECT_TRUE(r.tables.empty()) << "a bad file loads nothing";
    return r.error.value_or(ParseError{-1, Reason::NoData, {"no error"}});
}

TEST(Cgats, WrittenTablesReadBackWithTheirLinesAndQuoting) {
    Table second = Sample();
    second.identifier = "CGATS.17";
    second.rows.pop_back();
    const std::string text = Write({Sample(), second});
    EXPECT_NE(text.find("ORIGINATOR \"Ombra \"\"test\"\"\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("NUMBER_OF_FIELDS 4\nBEGIN_DATA_FORMAT\nSAMPLE_ID\tSAMPLE_NAME\tSPEC_380\tLAB_L\nEND_DATA_FORMAT\n"
                        "NUMBER_OF_SETS 2\nBEGIN_DATA\n1\t\"Cyan 100%\"\t12.5000\t55.1234\n2\t\"42\"\t-0.0001\t9.8\nEND_DATA\n"),
              std::string::npos)
        << "names stay quoted even when they look like numbers:\n" << text;

    const ParseResult r = Parse(text);
    ASSERT_TRUE(r.ok()) << r.error->line;
    ASSERT_EQ(r.tables.size(), 2u);
    EXPECT_EQ(r.tables[0].identifier, "SPECT");
    EXPECT_EQ(r.tables[1].identifier, "CGATS.17");
    for (size_t i = 0; i < 2; ++i) {
        Table expected = i == 0 ? Sample() : second;
        EXPECT_EQ(r.tables[i].keywords.size(), expected.keywords.size());
        EXPECT_EQ(*r.tables[i].Value("ORIGINATOR"), "Ombra \"test\"");
        EXPECT_EQ(r.tables[i].fields, expected.fields);
        EXPECT_EQ(r.tables[i].rows, expected.rows);
    }
    EXPECT_EQ(r.tables[0].rowLines, (std::vector<int>{10, 11}));
    EXPECT_EQ(r.tables[0].formatLine, 5);
}

TEST(Cgats, ReaderToleratesOrderCommentsQuotesAndLineEnds) {
    const char *text =
        "\xEF\xBB\xBF# made by hand\r\n"
        "NUMBER_OF_SETS 1\r\n"       // before the format, and no identifier line
        "KEYWORD \"MY_KEY\"\r\n"
        "MY_KEY \"a # in quotes\"   # a comment\r\n"
        "\r\n"
        "BEGIN_DATA_FORMAT\r\n"
        "SAMPLE_ID   SAMPLE_NAME\r\n"
        "LAB_L\tLAB_A LAB_B END_DATA_FORMAT\r\n"
        "BEGIN_DATA\r\n"
        "  A1 \"say \"\"hi\"\"\" +50.5 -1e-1 3   # first\r\n"
        "END_DATA";
    const ParseResult r = Parse(text);
    ASSERT_TRUE(r.ok()) << r.error->line << " " << static_cast<int>(r.error->reason);
    const Table &t = r.tables.at(0);
    EXPECT_EQ(*t.Value("MY_KEY"), "a # in quotes");
    EXPECT_EQ(t.fields, (std::vector<std::string>{"SAMPLE_ID", "SAMPLE_NAME", "LAB_L", "LAB_A", "LAB_B"}));
    EXPECT_EQ(t.rows.at(0), (std::vector<std::string>{"A1", "say \"hi\"", "+50.5", "-1e-1", "3"}));
    EXPECT_EQ(ParseNumber(t.rows[0][2]), 50.5);
    EXPECT_EQ(ParseNumber(t.rows[0][3]), -0.1);

    Table named;
    named.fields = {"SAMPLE_NAME"};
    named.rows = {{"END_DATA"}};
    const ParseResult quoted = Parse(Write({named}));
    ASSERT_TRUE(quoted.ok()) << "a quoted word is a value, not the end of the data";
    EXPECT_EQ(quoted.tables.at(0).rows, named.rows);

    // Two byte-order marks (an editor that adds one to a file that has one): the identifier is
    // read without them, so what is written back reads and writes the same again.
    const ParseResult twice = Parse("\xEF\xBB\xBF\xEF\xBB\xBF" "CGATS.17\nBEGIN_DATA_FORMAT\nSAMPLE_ID\nEND_DATA_FORMAT\n"
                                    "BEGIN_DATA\n1\nEND_DATA\n");
    ASSERT_TRUE(twice.ok());
    const std::string written = Write(twice.tables);
    EXPECT_EQ(written.find("\xEF\xBB\xBF"), std::string::npos);
    EXPECT_EQ(Write(Parse(written).tables), written);
}

TEST(Cgats, EveryFaultGivesItsLineAndReasonAndNoTables) {
    const std::string head = "CGATS.17\nNUMBER_OF_FIELDS 2\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L\nEND_DATA_FORMAT\n";
    struct Case {
        std::string text;
        ParseError expected;
    };
    const Case cases[] = {
        {head + "BEGIN_DATA\n1 50\n2\nEND_DATA\n", {8, Reason::ValueCount, {"1", "2"}}},
        {head + "BEGIN_DATA\n1 50 7\nEND_DATA\n", {7, Reason::ValueCount, {"3", "2"}}},
        {head + "BEGIN_DATA\n1 \"open\nEND_DATA\n", {7, Reason::UnclosedQuote, {}}},
        {head + "NUMBER_OF_SETS 3\nBEGIN_DATA\n1 50\nEND_DATA\n", {6, Reason::CountMismatch, {"NUMBER_OF_SETS", "3", "1"}}},
        {"CGATS.17\nNUMBER_OF_FIELDS 3\nBEGIN_DATA_FORMAT\nSAMPLE_ID LAB_L\nEND_DATA_FORMAT\nBEGIN_DATA\n1 50\nEND_DATA\n",
         {2, Reason::CountMismatch, {"NUMBER_OF_FIELDS", "3", "2"}}},
        {"CGATS.17\nNUMBER_OF_SETS many\n", {2, Reason::NotANumber, {"many"}}},
        {head + "BEGIN_DATA\n1 50\n", {7, Reason::Missing, {"END_DATA"}}},
        {head, {5, Reason::Missing, {"BEGIN_DATA"}}},
        {"CGATS.17\nBEGIN_DATA\n", {2, Reason::Missing, {"BEGIN_DATA_FORMAT"}}},
        {"CGATS.17\nBEGIN_DATA_FORMAT\nLAB_L LAB_L\n", {3, Reason::Unexpected, {"LAB_L"}}},
        {"CGATS.17\nEND_DATA\n", {2, Reason::Unexpected, {"END_DATA"}}},
        {"# only a comment\n\n", {2, Reason::NoData, {}}},
    };
    for (const Case &c : cases) EXPECT_EQ(ErrorOf(c.text), c.expected) << c.text;
}

TEST(Cgats, NumbersKeepTheirPointUnderACommaLocale) {
    ombra::core::test::CommaLocale comma;
    EXPECT_EQ(FormatNumber(1234.56789, 4), "1234.5679");
    EXPECT_EQ(FormatNumber(-0.00001, 2), "0.00") << "no negative zero";
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN(), 2), "");
    EXPECT_EQ(ParseNumber(" 95.25 "), 95.25);
    for (const char *bad : {"95,25", "1.2.3", "", "-", "nan", "inf", "0x10", "++1", "1 2"})
        EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
    Table t = Sample();
    t.rows = {{"1", "x", FormatNumber(0.5, 4), FormatNumber(-12.25, 2)}};
    const ParseResult r = Parse(Write({t}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.tables[0].rows[0][2], "0.5000");
    EXPECT_EQ(ParseNumber(r.tables[0].rows[0][3]), -12.25);
}

}  // namespace
