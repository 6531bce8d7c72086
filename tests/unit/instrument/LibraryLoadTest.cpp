#include <gtest/gtest.h>

#include <QFileInfo>

#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/VireoDllAdapter.h"
#include "support/CoreTestSupport.h"

namespace {

using namespace ombra;
using namespace ombra::core;

using ombra::core::test::KeepTable;

TEST(InstrumentLibrary, ALibraryWithoutTheFunctionsIsRefusedAndTheTableStays) {
    KeepTable keep;
    auto before = Instrument().DIEnumDevice;
    std::string error;
    EXPECT_FALSE(LoadInstrumentLibrary("libc.so.6", &error));
    EXPECT_NE(error.find("DIEnumDevice"), std::string::npos) << error;
    EXPECT_EQ(Instrument().DIEnumDevice, before);
    EXPECT_FALSE(LoadInstrumentLibrary("/nonexistent/libfxAPI.so", &error));
    EXPECT_FALSE(error.empty());
}

TEST(InstrumentLibrary, DefaultPathIsBesideTheExecutable) {
    std::string path = DefaultInstrumentLibraryPath();
    EXPECT_EQ(QFileInfo(QString::fromStdString(path)).fileName(), QString("libfxAPI.so"));
    EXPECT_EQ(path.front(), '/');
}

// Against the real instrument library when the build has one: all 21 functions resolve.
TEST(InstrumentLibrary, TheBuiltLibraryResolvesEveryFunction) {
    std::string path = std::string(OMBRA_BIN_DIR) + "/libfxAPI.so";
    if (!QFileInfo::exists(QString::fromStdString(path))) GTEST_SKIP() << "no libfxAPI.so in this build";
    KeepTable keep;
    std::string error;
    ASSERT_TRUE(LoadInstrumentLibrary(path, &error)) << error;
    EXPECT_NE(Instrument().DIGetPolFilterCondition, nullptr);
}

}  // namespace
