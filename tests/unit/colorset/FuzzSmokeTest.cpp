// Thousands of damaged colour-set files and instrument records, run under the sanitizers:
// the reader must never crash, and whatever it accepts must save and read back the same.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "ColorSetTestSupport.h"
#include "core/colorset/Configuration.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::Join;
using ombra::core::test::Lines;
using ombra::core::test::SampleSet;

class Mutator {
public:
    explicit Mutator(uint32_t seed) : random_(seed) {}

    std::string Mutate(const std::string &seed) {
        std::vector<std::string> lines = Lines(seed);
        int rounds = Pick(1, 4);
        for (int i = 0; i < rounds; ++i) MutateLines(lines);
        std::string text = Join(lines, Pick(0, 3) == 0 ? "\n" : "\r\n");
        if (Pick(0, 4) == 0) FlipBytes(text);
        if (Pick(0, 9) == 0) text.resize(Pick(0, static_cast<int>(text.size())));
        return text;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::string Bytes(size_t size) {
        std::string bytes(size, '\0');
        for (char &c : bytes) c = static_cast<char>(Pick(0, 255));
        return bytes;
    }

private:
    std::string Number() {
        static const std::vector<std::string> odd{
            "", "-", "+", ".", "-.", "1e", "1e+", "e5", "nan", "-inf", "0x10", "99999999999999999999999",
            "-2147483649", "2147483648", "1e308", "1e-400", "4.9e-324", "  7", "\t-3", "0,0", ",", ",,,",
            "3.14159", "-0", "-0.00", "1.5abc", std::string(300, '9'), "\x80\xff", "NONAME", "1\r2"};
        switch (Pick(0, 3)) {
        case 0: return odd[Pick(0, static_cast<int>(odd.size()) - 1)];
        case 1: return std::to_string(Pick(-20, 1020));
        case 2: return std::to_string(Pick(-1000, 1000) / 10.0);
        default: return std::to_string(Pick(-1, 14)) + "," + std::to_string(Pick(0, 999) / 100.0) + "," +
                        std::to_string(Pick(-99, 99));
        }
    }

    void MutateLines(std::vector<std::string> &lines) {
        if (lines.empty()) {
            lines.push_back(Number());
            return;
        }
        size_t at = static_cast<size_t>(Pick(0, static_cast<int>(lines.size()) - 1));
        switch (Pick(0, 6)) {
        case 0: lines[at] = Number(); break;
        case 1: lines.erase(lines.begin() + at); break;
        case 2: lines.insert(lines.begin() + at, lines[at]); break;
        case 3: lines[at] += Number(); break;
        case 4: lines[at] = Bytes(Pick(0, 20)); break;
        case 5: std::swap(lines[at], lines[Pick(0, static_cast<int>(lines.size()) - 1)]); break;
        default: lines[at].clear(); break;
        }
    }

    void FlipBytes(std::string &text) {
        if (text.empty()) return;
        for (int i = Pick(1, 8); i > 0; --i) text[Pick(0, static_cast<int>(text.size()) - 1)] ^= char(1 << Pick(0, 7));
    }

    std::mt19937 random_;
};

// What reading accepts saves without complaint; after one save the text is stable.
void ExpectStableWhenAccepted(const std::string &text, int &accepted) {
    ColorSet first;
    if (!ReadColorSetFileText(text, first)) return;
    ++accepted;
    std::optional<std::string> saved = ColorSetFileText(first);
    ASSERT_TRUE(saved) << "accepted but not savable:\n" << text;
    ColorSet second;
    ASSERT_TRUE(ReadColorSetFileText(*saved, second)) << *saved;
    EXPECT_EQ(ColorSetFileText(second), saved);
}

TEST(ColorSetFuzzSmoke, DamagedFilesNeverCrashTheReader) {
    const std::vector<std::string> seeds{*ColorSetFileText(SampleSet()), *ColorSetFileText(ColorSet{})};
    Mutator mutator(20261207);
    int accepted = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string text = mutator.Mutate(seeds[i % seeds.size()]);
        ExpectStableWhenAccepted(text, accepted);
        if (HasFatalFailure()) return;
    }
    for (int i = 0; i < 1000; ++i) ExpectStableWhenAccepted(mutator.Bytes(mutator.Pick(0, 6000)), accepted);
    EXPECT_GT(accepted, 100) << "the mutations should leave many files valid";
    std::printf("[ fuzz     ] %d of 5000 damaged files accepted\n", accepted);
}

TEST(ColorSetFuzzSmoke, RandomInstrumentRecordsAreHandledSafely) {
    Mutator mutator(7);
    CConfiguration config;
    config.ResetAll();
    int savable = 0;
    for (int i = 0; i < 2000; ++i) {
        CertificationColorSetRecord record = RecordFromColorSet(SampleSet());
        std::string noise = mutator.Bytes(sizeof record);
        size_t from = static_cast<size_t>(mutator.Pick(0, sizeof record - 1));
        size_t count = static_cast<size_t>(mutator.Pick(1, static_cast<int>(sizeof record - from)));
        std::memcpy(reinterpret_cast<char *>(&record) + from, noise.data(), i % 10 == 0 ? sizeof record - from : count);
        *config.Slot(0) = ColorSetFromRecord(record);
        config.CheckMidToneSpread(0);
        if (std::optional<std::string> text = ColorSetFileText(*config.Slot(0))) {
            ++savable;
            ColorSet back;
            EXPECT_TRUE(ReadColorSetFileText(*text, back));
        }
        CertificationColorSetRecord again = RecordFromColorSet(*config.Slot(0));
        EXPECT_EQ(again.name[15], '\0');
    }
    std::printf("[ fuzz     ] %d of 2000 damaged records savable\n", savable);
}

}  // namespace
