// The *.uid file: what is read, what is refused, what is written, and that a failed save
// never costs the previous file.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <random>
#include <csignal>
#include <sys/resource.h>

#include "support/IlluminantTestSupport.h"

namespace ombra::core::test {
namespace {

class UidFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return dir_.path().toStdString() + "/" + name; }
    bool ParseText(const std::string &text) { return ParseUserIlluminant(text, record_); }

    QTemporaryDir dir_;
    UserIlluminantRecord record_ = RampRecord(-1.0f, 0.0f);  // all -1: shows whether a failure changed it
};

TEST_F(UidFileTest, ReadsNinetySevenLinesInWavelengthOrder) {
    std::string path = Path("ramp.uid");
    WriteText(path, RampText(97));
    ASSERT_TRUE(ReadUserIlluminantFile(path, record_));
    for (int i = 0; i < kUserIlluminantPoints; ++i) EXPECT_EQ(record_.power[i], static_cast<float>(i)) << i;
}

TEST_F(UidFileTest, AcceptsWindowsLineEndsAndAMissingLastLineEnd) {
    std::string crlf;
    for (int i = 0; i < 97; ++i) crlf += std::to_string(i) + ".5000\r\n";
    ASSERT_TRUE(ParseText(crlf));
    EXPECT_EQ(record_.power[96], 96.5f);
    std::string unterminated = RampText(97);
    unterminated.pop_back();
    ASSERT_TRUE(ParseText(unterminated));
    EXPECT_EQ(record_.power[96], 96.0f);
}

TEST_F(UidFileTest, ReadsTheFirstNinetySevenOfLongerFiles) {
    ASSERT_TRUE(ParseText(RampText(120)));
    EXPECT_EQ(record_.power[96], 96.0f);
    ASSERT_TRUE(ParseText(RampText(97) + "\nnot a number\n"));  // nothing after line 97 is looked at
}

TEST_F(UidFileTest, ConvertsTheLeadingNumberOfEachLine) {
    std::string text = RampText(97);
    auto withFirstLine = [&](const std::string &line) { return line + text.substr(text.find('\n')); };
    const std::pair<const char *, float> cases[] = {
        {"-", 0.0f}, {".", 0.0f}, {"--5", 0.0f}, {"1.2.3", 1.2f}, {"5-3", 5.0f}, {"-.5", -0.5f}, {"007", 7.0f},
        {"0.000000000000000000000000000000000000000000000000000001", 0.0f},
        {"340282346638528859811704183484516925440.0000", kNoValue}};
    for (auto [line, expected] : cases) {
        ASSERT_TRUE(ParseText(withFirstLine(line))) << line;
        EXPECT_EQ(record_.power[0], expected) << line;
    }
}

TEST_F(UidFileTest, RefusesEveryMalformedFileAndKeepsTheRecord) {
    std::string good = RampText(97);
    auto replaceLine = [&](int index, const std::string &line) {
        std::string text;
        std::istringstream in(good);
        std::string current;
        for (int i = 0; std::getline(in, current); ++i) text += (i == index ? line : current) + "\n";
        return text;
    };
    const std::pair<const char *, std::string> cases[] = {
        {"empty file", ""},
        {"96 lines", RampText(96)},
        {"blank line among the first 97", replaceLine(40, "")},
        {"blank line as the 97th", replaceLine(96, "")},
        {"only a carriage return", replaceLine(3, "\r")},
        {"exponent form", replaceLine(5, "1.5e3")},
        {"leading blank", replaceLine(0, " 1.0")},
        {"trailing blank", replaceLine(0, "1.0 ")},
        {"plus sign", replaceLine(0, "+1.0")},
        {"decimal comma", replaceLine(0, "1,5")},
        {"text", replaceLine(10, "abc")},
        {"nul byte", replaceLine(10, std::string("1\0", 2))},
        {"too large for a float", replaceLine(7, "340282356779733661637539395458142568448.0")},
        {"far too large", replaceLine(7, std::string(400, '9'))},
        {"huge negative", replaceLine(7, "-" + std::string(60, '9'))},
        {"old Mac line ends", [&] { std::string t = good; for (char &c : t) if (c == '\n') c = '\r'; return t; }()},
    };
    for (const auto &[what, text] : cases) {
        UserIlluminantRecord before = record_;
        EXPECT_FALSE(ParseText(text)) << what;
        EXPECT_EQ(0, std::memcmp(&before, &record_, sizeof before)) << what;
    }
    EXPECT_FALSE(ReadUserIlluminantFile(Path("does-not-exist.uid"), record_));
    EXPECT_FALSE(ReadUserIlluminantFile(dir_.path().toStdString(), record_));  // a folder
}

TEST_F(UidFileTest, WritesFourDecimalsOneValuePerLineAndReadsItBack) {
    UserIlluminantRecord record = RampRecord(0.25f, 1.5f);
    record.power[3] = -2.71828f;
    std::string path = Path("out.uid");
    ASSERT_TRUE(WriteUserIlluminantFile(path, record));
    std::string text = ReadText(path);
    EXPECT_EQ(text.substr(0, 35), "0.2500\n1.7500\n3.2500\n-2.7183\n6.2500");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 97);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    UserIlluminantRecord back{};
    ASSERT_TRUE(ReadUserIlluminantFile(path, back));
    for (int i = 0; i < kUserIlluminantPoints; ++i) EXPECT_NEAR(back.power[i], record.power[i], 0.00005) << i;
}

TEST_F(UidFileTest, SaveCheckTurnsMissingValuesIntoZeroAndRefusesNonNumbers) {
    UserIlluminantRecord record = RampRecord(1.0f, 1.0f);
    record.power[0] = kNoValue;
    record.power[96] = -kNoValue;  // not the marker: kept, and it still reads back
    UserIlluminantRecord scratch{};
    ASSERT_TRUE(PrepareUserIlluminantForSave(record, scratch));
    EXPECT_EQ(scratch.power[0], 0.0f);
    EXPECT_EQ(scratch.power[96], -kNoValue);
    std::string text = FormatUserIlluminant(scratch);
    EXPECT_EQ(text.substr(0, 7), "0.0000\n");
    UserIlluminantRecord back{};
    ASSERT_TRUE(ParseUserIlluminant(text, back));
    EXPECT_EQ(back.power[96], -kNoValue);

    for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
        record.power[50] = bad;
        EXPECT_FALSE(PrepareUserIlluminantForSave(record, scratch)) << bad;
    }
}

TEST_F(UidFileTest, CommaLocaleStillWritesAndReadsAPoint) {
    CommaLocale comma;
    if (!comma.CLibraryUsesComma()) std::printf("note: only the C++ locale could be switched to a comma\n");
    UserIlluminantRecord record = RampRecord(0.5f, 1.0f);
    UserIlluminantRecord scratch{};
    ASSERT_TRUE(PrepareUserIlluminantForSave(record, scratch));
    std::string text = FormatUserIlluminant(scratch);
    EXPECT_EQ(text.substr(0, 14), "0.5000\n1.5000\n");
    EXPECT_EQ(text.find(','), std::string::npos);
    UserIlluminantRecord back{};
    ASSERT_TRUE(ParseUserIlluminant(text, back));
    EXPECT_EQ(back.power[1], 1.5f);
}

TEST_F(UidFileTest, FailedSaveKeepsThePreviousFile) {
    std::string path = Path("kept.uid");
    ASSERT_TRUE(WriteUserIlluminantFile(path, RampRecord()));
    std::string before = ReadText(path);
    // A file size limit makes the write fail half-way (also for root, unlike permissions).
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = WriteUserIlluminantFile(path, RampRecord(5.0f));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadText(path), before);
    EXPECT_FALSE(WriteUserIlluminantFile(Path("no/such/folder/x.uid"), RampRecord()));
}

// Thousands of random and mutated inputs: every answer is a clean yes or no, and a yes only
// ever comes with 97 finite values.
TEST_F(UidFileTest, FuzzSmoke) {
    std::mt19937 random(20261207);
    std::string seed = RampText(97);
    const std::string alphabet = "0123456789.-\r\n \te+,x";
    int accepted = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string text;
        if (round % 3 == 0) {
            size_t length = random() % 1200;
            for (size_t i = 0; i < length; ++i)
                text += round % 2 ? alphabet[random() % alphabet.size()] : static_cast<char>(random() % 256);
        } else {
            text = seed;
            int edits = 1 + static_cast<int>(random() % 8);
            for (int e = 0; e < edits && !text.empty(); ++e) {
                size_t at = random() % text.size();
                switch (random() % 4) {
                case 0: text[at] = alphabet[random() % alphabet.size()]; break;
                case 1: text.erase(at, 1 + random() % 5); break;
                case 2: text.insert(at, std::string(1 + random() % 60, "9.-\n"[random() % 4])); break;
                default: text.insert(at, text.substr(random() % text.size(), random() % 40)); break;
                }
            }
        }
        UserIlluminantRecord record{};
        if (ParseUserIlluminant(text, record)) {
            ++accepted;
            for (float v : record.power) ASSERT_TRUE(std::isfinite(v));
        }
    }
    std::printf("fuzz smoke: %d of 6000 inputs accepted\n", accepted);
}

}  // namespace
}  // namespace ombra::core::test
