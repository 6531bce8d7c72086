// The library as the program sees it: only its five entry points are exported, unknown ids
// answer "nothing", images decode, the menu and accelerators carry the program's commands.
#include <gtest/gtest.h>

#include <corvexres/corvexres.h>
#include <dlfcn.h>

#include <QFile>
#include <QImage>
#include <QKeySequence>
#include <QPixmap>
#include <QProcess>
#include <QStringList>
#include <set>
#include <string>

#include "core/platform/Resources.h"
#include "ui/platform/ResourceImages.h"

using namespace ombra::core;

namespace {

const std::string kLibraryPath = std::string(OMBRA_BIN_DIR) + "/libCorvexRes.so";
const std::set<int> kMenuCommands = {1000, 1001, 1002, 1020, 1028, 32771, 32772, 32773, 32774, 32775, 32776, 1880, 1979};

class LoadedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(kLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle_) dlclose(handle_);
    }
    template <typename Fn>
    Fn Resolve(const char *name) {
        return reinterpret_cast<Fn>(dlsym(handle_, name));
    }
    void *handle_ = nullptr;
};

QImage Decode(int id) {
    size_t size = 0;
    const unsigned char *data = CorvexRes_Image(id, &size);
    QImage image;
    if (data) image.loadFromData(data, static_cast<int>(size), "PNG");
    return image;
}

}  // namespace

TEST_F(LoadedLibrary, ExportsItsEntryPoints) {
    EXPECT_NE(Resolve<void *>("CorvexRes_String"), nullptr);
    EXPECT_NE(Resolve<void *>("CorvexRes_SetLanguage"), nullptr);
    EXPECT_NE(Resolve<void *>("CorvexRes_Image"), nullptr);
    EXPECT_NE(Resolve<void *>("CorvexRes_Menu"), nullptr);
    EXPECT_NE(Resolve<void *>("CorvexRes_Accelerators"), nullptr);
    EXPECT_EQ(Resolve<void *>("corvexres_strings"), nullptr) << "the tables stay inside";
    EXPECT_EQ(Resolve<void *>("corvexres_images"), nullptr);
    EXPECT_EQ(Resolve<void *>("corvexres_strings_de"), nullptr);
}

TEST(LibraryExports, DynamicSymbolTableHoldsOnlyTheEntryPoints) {
    if (std::string(OMBRA_NM_TOOL).empty() || !QFile::exists(OMBRA_NM_TOOL)) GTEST_SKIP() << "nm not available";
    QProcess nm;
    nm.start(OMBRA_NM_TOOL, {"-D", "--defined-only", QString::fromStdString(kLibraryPath)});
    ASSERT_TRUE(nm.waitForFinished(30000));
    std::set<std::string> names;
    for (const QString &line : QString::fromUtf8(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        if (fields.size() == 3 && fields[1] != "A") names.insert(fields[2].toStdString());
    }
    EXPECT_EQ(names, (std::set<std::string>{"CorvexRes_Accelerators", "CorvexRes_Image", "CorvexRes_Menu", "CorvexRes_SetLanguage",
                                                 "CorvexRes_String"}));
}

TEST(LibraryLookups, UnknownIdsAnswerNothing) {
    size_t size = 123;
    EXPECT_EQ(CorvexRes_String(0), nullptr);
    EXPECT_EQ(CorvexRes_String(-5), nullptr);
    EXPECT_EQ(CorvexRes_Image(1000, &size), nullptr);
    EXPECT_EQ(size, 0u);
    const CorvexResMenuEntry *items = reinterpret_cast<const CorvexResMenuEntry *>(1);
    EXPECT_EQ(CorvexRes_Menu(133, &items), 0);
    EXPECT_EQ(items, nullptr);
    const CorvexResAccelerator *keys = reinterpret_cast<const CorvexResAccelerator *>(1);
    EXPECT_EQ(CorvexRes_Accelerators(132, &keys), 0);
    EXPECT_EQ(keys, nullptr);
    EXPECT_EQ(CorvexRes_Menu(132, nullptr), 0);
}

TEST(LibraryImages, ButtonImagesDecodeAtButtonSize) {
    for (int id = 146; id <= 169; ++id) {
        const QImage image = Decode(id);
        ASSERT_FALSE(image.isNull()) << "image " << id;
        EXPECT_EQ(image.size(), QSize(120, 112)) << "image " << id;
        // Black is the colour the button replaces by its face or white: the corners must be black.
        EXPECT_EQ(image.pixel(0, 111) & 0xFFFFFF, 0u) << "image " << id;
    }
}

TEST(LibraryImages, NormalAndHoverImagesOfAButtonDiffer) {
    for (int base = 146; base <= 166; base += 4) {
        const QImage disabled = Decode(base), normal = Decode(base + 1), hover = Decode(base + 2), pressed = Decode(base + 3);
        EXPECT_NE(normal, hover) << "button " << base;
        EXPECT_NE(normal, pressed) << "button " << base;
        EXPECT_NE(normal, disabled) << "button " << base;
    }
    EXPECT_NE(Decode(147), Decode(151)) << "connected and disconnected sets differ";
}

TEST(LibraryImages, IconBackgroundAndPlatformPixmap) {
    const QImage icon = Decode(128);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.width(), icon.height());
    EXPECT_FALSE(Decode(145).isNull());
    EXPECT_EQ(ombra::ui::platform::ResPixmap(147).size(), QSize(120, 112));
    EXPECT_TRUE(ombra::ui::platform::ResPixmap(170).isNull());
}

TEST(LibraryImages, CalibrationPicturesBesideTheProgram) {
    for (const char *name : {"Ombra-Zero-Calib.bmp", "Ombra-White-Calib.bmp"}) {
        const QImage picture(QString(OMBRA_BIN_DIR) + "/PIC/" + name);
        ASSERT_FALSE(picture.isNull()) << name;
        EXPECT_EQ(picture.size(), QSize(230, 240)) << name;
    }
}

TEST(LibraryMenu, MainMenuCarriesEveryCommandOnce) {
    const auto menu = ombra::core::platform::ResMenu(132);
    ASSERT_FALSE(menu.empty());
    EXPECT_EQ(menu.front().level, 0) << "starts with a popup";
    std::multiset<int> commands;
    for (const auto &entry : menu) {
        if (entry.level == 0) {
            EXPECT_EQ(entry.commandId, 0);
            EXPECT_FALSE(entry.text.empty()) << "a popup needs a title";
        } else if (entry.separator) {
            EXPECT_EQ(entry.commandId, 0);
        } else {
            EXPECT_FALSE(entry.text.empty()) << "command " << entry.commandId;
            commands.insert(entry.commandId);
        }
    }
    EXPECT_EQ(std::set<int>(commands.begin(), commands.end()), kMenuCommands);
    EXPECT_EQ(commands.size(), kMenuCommands.size()) << "no command twice";
}

TEST(LibraryMenu, ConnectItemStartsWithTheConnectText) {
    for (const auto &entry : ombra::core::platform::ResMenu(132)) {
        if (entry.commandId == 1000) {
            EXPECT_EQ(entry.text, ombra::core::platform::ResString(1419));
        }
    }
}

TEST(LibraryMenu, AcceleratorsAreValidDistinctKeysForMenuCommands) {
    const auto keys = ombra::core::platform::ResAccelerators(135);
    ASSERT_FALSE(keys.empty());
    std::set<int> seenKeys;
    std::set<int> commands;
    for (const auto &accelerator : keys) {
        const QKeySequence sequence(QString::fromStdString(accelerator.keys), QKeySequence::PortableText);
        ASSERT_EQ(sequence.count(), 1) << accelerator.keys;
        EXPECT_EQ(sequence.toString(QKeySequence::PortableText).toStdString(), accelerator.keys) << "portable form";
        EXPECT_TRUE(seenKeys.insert(sequence[0].toCombined()).second) << accelerator.keys << " used twice";
        EXPECT_TRUE(kMenuCommands.count(accelerator.commandId)) << accelerator.commandId;
        commands.insert(accelerator.commandId);
    }
    EXPECT_TRUE(commands.count(1000)) << "connect has a key";
    EXPECT_TRUE(commands.count(32774)) << "the manual has a key";
}

TEST(LibraryDump, PrintsEveryStringInIdOrder) {
    QProcess dump;
    dump.start(QString(OMBRA_BIN_DIR) + "/corvexres-dump", {});
    ASSERT_TRUE(dump.waitForFinished(30000));
    EXPECT_EQ(dump.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(dump.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 572);
    int previous = 0;
    for (const QString &line : lines) {
        const qsizetype tab = line.indexOf('\t');
        ASSERT_GT(tab, 0) << line.toStdString();
        const int id = line.left(tab).toInt();
        EXPECT_GT(id, previous) << "ascending ids";
        previous = id;
        if (!ombra::core::platform::ResQString(id).contains('\n')) {
            EXPECT_EQ(line.mid(tab + 1), ombra::core::platform::ResQString(id)) << id;
        }
    }
}
