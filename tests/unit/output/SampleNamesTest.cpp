// The names the Sample item writes: automatic numbering that goes on across restarts, and a
// list taken name by name until it ends.
#include <gtest/gtest.h>

#include "core/output/SampleNames.h"
#include "core/platform/Resources.h"
#include "support/MemoryProfileStore.h"

namespace ombra::core {
namespace {

using Names = std::vector<std::string>;

struct SampleNamesFixture : ::testing::Test {
    platform::MemoryProfileStore store;
    AppSettings settings{store};
};

TEST_F(SampleNamesFixture, AutomaticNumbersGoOnFromTheLastOneWrittenAcrossAReload) {
    const std::string prefix = platform::ResString(2021) + " ";
    EXPECT_EQ(TakeSampleName(settings.samples), prefix + "1");
    EXPECT_EQ(TakeSampleName(settings.samples), prefix + "2");

    AppSettings restarted(store);
    EXPECT_EQ(TakeSampleName(restarted.samples), prefix + "3");

    restarted.samples.SetPrefix("P-");
    restarted.samples.SetNextNumber(40);
    EXPECT_EQ(TakeSampleName(restarted.samples), "P-40");
    EXPECT_EQ(AppSettings(store).samples.NextNumber(), 41);
    restarted.samples.SetNextNumber(-3);
    EXPECT_EQ(TakeSampleName(restarted.samples), "P-0") << "never below zero";
}

TEST_F(SampleNamesFixture, AListGivesItsNamesInOrderThenSaysItEnded) {
    settings.samples.SetMode(SampleSettings::Naming::List);
    settings.samples.SetList({"Cyan patch", "Magenta patch", "Yellow patch"});
    EXPECT_EQ(TakeSampleName(settings.samples), "Cyan patch");

    AppSettings restarted(store);  // the place in the list is kept too
    EXPECT_EQ(restarted.samples.List(), (Names{"Cyan patch", "Magenta patch", "Yellow patch"}));
    EXPECT_EQ(TakeSampleName(restarted.samples), "Magenta patch");
    EXPECT_EQ(TakeSampleName(restarted.samples), "Yellow patch");
    EXPECT_EQ(TakeSampleName(restarted.samples), std::nullopt);
    EXPECT_EQ(TakeSampleName(restarted.samples), std::nullopt) << "an ended list stays ended";
    EXPECT_EQ(restarted.samples.NextNumber(), 1) << "the list leaves the numbering alone";

    restarted.samples.SetList({"Black"});
    EXPECT_EQ(TakeSampleName(restarted.samples), "Black") << "a new list starts at its first name";
    restarted.samples.SetList({});
    EXPECT_EQ(TakeSampleName(restarted.samples), std::nullopt);
}

TEST(SampleNameFiles, OneNameALineOrTheFirstFieldOfACsvLine) {
    EXPECT_EQ(SampleNamesOf("first\nsecond\r\n\n  third  \n"), (Names{"first", "second", "third"}));
    EXPECT_EQ(SampleNamesOf("\xEF\xBB\xBFName,L*,a*\n\"Smith, \"\"J\"\"\",1,2\nplain;3\ntabbed\t4\n,orphan\n"),
              (Names{"Name", "Smith, \"J\"", "plain", "tabbed"}));
    EXPECT_TRUE(SampleNamesOf("").empty());
}

}  // namespace
}  // namespace ombra::core
