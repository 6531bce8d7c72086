#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <fstream>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ColorSetTestSupport.h"
#include "core/colorset/Configuration.h"
#include "core/instrument/VireoDllAdapter.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::ColorSetInstrument;
using ombra::core::test::FakeCall;
using ombra::core::test::SampleSet;

constexpr DIHANDLE kDevice = 0x1A0;

bool SameRecord(const CertificationColorSetRecord &a, const CertificationColorSetRecord &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class ColorSetInstrumentTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceHandle() = kDevice; }
    void TearDown() override { EXPECT_EQ(CVireoDllAdapter::Users(), 0) << "every operation gave up its count"; }

    ColorSetInstrument instrument;
    CConfiguration config;
};

// While the main window is connected it holds an adapter of its own.
class ConnectedTest : public ColorSetInstrumentTest {
protected:
    void TearDown() override {
        owner.reset();
        ColorSetInstrumentTest::TearDown();
    }
    std::unique_ptr<CVireoDllAdapter> owner = std::make_unique<CVireoDllAdapter>();
};

TEST_F(ConnectedTest, DownloadReadsAllFiftySlotsInOrderAndEmptySlotsAreEmptySets) {
    ColorSet sample = SampleSet();
    instrument.Hold(3, sample);
    config.Slots()[77] = sample;  // replaced wholesale
    ASSERT_EQ(config.ReadAllFromInstrument(), 0);

    std::vector<FakeCall> calls = instrument.fake.Calls();
    ASSERT_EQ(calls.size(), 50u);
    for (int slot = 0; slot < 50; ++slot) {
        EXPECT_EQ(calls[slot].fn, "DIGetCertificationColorSet");
        EXPECT_EQ(calls[slot].handle, kDevice);
        EXPECT_EQ(calls[slot].a, slot);
    }
    ASSERT_EQ(config.Slots().size(), 50u);
    EXPECT_EQ(config.Slots().rbegin()->first, 49);
    ColorSet expected = sample;
    expected.registered = true;
    EXPECT_EQ(*config.Slot(3), expected);
    EXPECT_EQ(*config.Slot(0), ColorSet{});
    EXPECT_EQ(*config.Slot(49), ColorSet{});
    EXPECT_TRUE(config.AnyRegistered());
    EXPECT_EQ(DeviceHandle().load(), kDevice) << "the main window still uses the instrument";
}

TEST_F(ConnectedTest, DownloadStopsAtAFailingSlotAndKeepsTheSlotsBeforeIt) {
    instrument.Hold(2, SampleSet());
    instrument.fake.SetRule([](const FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DIGetCertificationColorSet" && c.a == 5) return DI_ERR_TIMEOUT;
        return std::nullopt;
    });
    EXPECT_EQ(config.ReadAllFromInstrument(), DI_ERR_TIMEOUT);
    EXPECT_EQ(instrument.fake.Count("DIGetCertificationColorSet"), 6);
    ASSERT_EQ(config.Slots().size(), 5u);
    EXPECT_TRUE(config.Slot(2)->registered);
    EXPECT_EQ(config.Slot(5), nullptr);
}

// The colour-set operations hold no adapter of their own: whoever holds the instrument (the
// session) keeps it open, and none of them closes it behind its holder's back.
TEST_F(ColorSetInstrumentTest, OperationsMakeTheirCallsAndNeverCloseTheInstrument) {
    const int32_t users = CVireoDllAdapter::Users();
    EXPECT_EQ(config.ReadAllFromInstrument(), 0);
    EXPECT_EQ(instrument.fake.Names().size(), 50u);
    EXPECT_EQ(config.WriteToInstrument(4), 0);
    EXPECT_EQ(config.ClearInInstrument(4), 0);
    EXPECT_EQ(instrument.fake.CloseCount(kDevice), 0);
    EXPECT_EQ(DeviceHandle().load(), kDevice);
    EXPECT_EQ(CVireoDllAdapter::Users(), users);
}

TEST_F(ConnectedTest, UploadSendsTheSlotAsARecordAndMarksItRegistered) {
    config.ResetAll();
    ColorSet &slot = *config.Slot(12);
    slot = SampleSet();
    ASSERT_EQ(config.WriteToInstrument(12), 0);

    std::vector<FakeCall> calls = instrument.fake.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].fn, "DISetCertificationColorSet");
    EXPECT_EQ(calls[0].handle, kDevice);
    EXPECT_EQ(calls[0].a, 12);
    ASSERT_EQ(instrument.sent.size(), 1u);
    EXPECT_TRUE(SameRecord(instrument.sent[0].second, RecordFromColorSet(SampleSet())));
    EXPECT_TRUE(slot.registered);
    EXPECT_FALSE(config.Slot(11)->registered);
}

TEST_F(ConnectedTest, UploadSendsAnUndefinedPaperColourAsNone) {
    config.ResetAll();
    for (int paper : {3, 15, -7}) {  // undefined colour, and indexes that name no colour
        ColorSet &slot = *config.Slot(0);
        slot = SampleSet();
        slot.paperColor = paper;
        ASSERT_EQ(config.WriteToInstrument(0), 0);
        EXPECT_EQ(instrument.sent.back().second.paperColor, -1) << paper;
        EXPECT_EQ(slot.paperColor, -1) << "the slot follows what was sent";
    }
    config.Slot(0)->paperColor = 4;
    config.WriteToInstrument(0);
    EXPECT_EQ(instrument.sent.back().second.paperColor, 4);
}

TEST_F(ConnectedTest, UploadReturnsTheInstrumentStatusAndRefusesAnAbsentSlot) {
    config.ResetSlot(1);
    instrument.fake.Script("DISetCertificationColorSet", {DI_ERR_DEVICE_GONE});
    EXPECT_EQ(config.WriteToInstrument(1), DI_ERR_DEVICE_GONE);
    EXPECT_EQ(config.WriteToInstrument(2), DI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(instrument.fake.Count("DISetCertificationColorSet"), 1) << "nothing sent for the absent slot";
    EXPECT_EQ(config.Slot(2), nullptr);
}

TEST_F(ConnectedTest, ClearCallsTheInstrumentAndLeavesTheCollectionAlone) {
    config.ResetAll();
    *config.Slot(9) = SampleSet();
    config.Slot(9)->registered = true;
    instrument.fake.Script("DIClearCertificationColorSet", {0, 20003});
    EXPECT_EQ(config.ClearInInstrument(9), 0);
    EXPECT_EQ(config.ClearInInstrument(10), 20003);
    std::vector<FakeCall> calls = instrument.fake.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].fn, "DIClearCertificationColorSet");
    EXPECT_EQ(calls[0].handle, kDevice);
    EXPECT_EQ(calls[0].a, 9);
    EXPECT_EQ(calls[1].a, 10);
    EXPECT_TRUE(config.Slot(9)->registered);
    EXPECT_EQ(config.Slot(9)->name, SampleSet().name);
}

TEST_F(ConnectedTest, DownloadEditUploadClearAndDownloadAgain) {
    instrument.Hold(3, SampleSet());
    ASSERT_EQ(config.ReadAllFromInstrument(), 0);
    config.Slot(3)->name = "Renamed";
    *config.Slot(20) = SampleSet();
    ASSERT_EQ(config.WriteToInstrument(3), 0);
    ASSERT_EQ(config.WriteToInstrument(20), 0);
    ASSERT_EQ(config.ClearInInstrument(3), 0);
    config.ResetSlot(3);
    ASSERT_EQ(config.ReadAllFromInstrument(), 0);

    std::vector<std::string> names = instrument.fake.Names();
    ASSERT_EQ(names.size(), 103u);
    EXPECT_EQ(names[50], "DISetCertificationColorSet");
    EXPECT_EQ(names[51], "DISetCertificationColorSet");
    EXPECT_EQ(names[52], "DIClearCertificationColorSet");
    EXPECT_EQ(*config.Slot(3), ColorSet{});
    ColorSet expected = SampleSet();
    expected.registered = true;
    EXPECT_EQ(*config.Slot(20), expected);
}

// ---- files ----

std::string ReadAll(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
}

void WriteAll(const QString &path, const std::string &bytes) {
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

class ColorSetFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        config.ResetAll();
        *config.Slot(0) = SampleSet();
    }
    std::string Path(const char *name) const { return dir.filePath(name).toStdString(); }

    QTemporaryDir dir;
    CConfiguration config;
};

TEST_F(ColorSetFiles, SaveAndLoadAnotherSlot) {
    ASSERT_TRUE(config.SaveToFile(Path("press.fcs"), 0));
    config.Slot(5)->registered = true;
    ASSERT_EQ(config.LoadFromFile(Path("press.fcs"), 5), 0);
    ColorSet expected = SampleSet();
    expected.registered = true;
    EXPECT_EQ(*config.Slot(5), expected);
    EXPECT_EQ(ReadAll(dir.filePath("press.fcs")), *ColorSetFileText(SampleSet()));
}

TEST_F(ColorSetFiles, LoadRefusesUnreadableAndInvalidFilesAndAbsentSlots) {
    ColorSet before = *config.Slot(0);
    EXPECT_EQ(config.LoadFromFile(Path("missing.fcs"), 0), -1);
    EXPECT_EQ(config.LoadFromFile(dir.path().toStdString(), 0), -1) << "a folder";
    WriteAll(dir.filePath("bad.fcs"), "[VERSION]\r\n1001\r\n");
    EXPECT_EQ(config.LoadFromFile(Path("bad.fcs"), 0), -1);
    EXPECT_EQ(*config.Slot(0), before);

    WriteAll(dir.filePath("good.fcs"), *ColorSetFileText(ColorSet{}));
    EXPECT_EQ(config.LoadFromFile(Path("good.fcs"), 50), -1) << "no slot 50 to take the file";
    EXPECT_EQ(config.Slot(50), nullptr);
}

TEST_F(ColorSetFiles, LargeFilesAreReadOnlyAsFarAsNeeded) {
    std::string valid = *ColorSetFileText(SampleSet());
    WriteAll(dir.filePath("tail.fcs"), valid + std::string(3 << 20, 'x'));
    EXPECT_EQ(config.LoadFromFile(Path("tail.fcs"), 1), 0);
    EXPECT_EQ(config.Slot(1)->name, SampleSet().name);

    // Line 162 cut at the reading limit would read "3.5000..." and pass; the whole line
    // reads 3.5e9. A cut line is never taken for a whole one.
    std::string cut = valid.substr(0, valid.size() - 2) + std::string(kColorSetFileReadLimit, '0') + "e9";
    WriteAll(dir.filePath("cut.fcs"), cut);
    EXPECT_EQ(config.LoadFromFile(Path("cut.fcs"), 2), -1);
    EXPECT_EQ(config.Slot(2)->name, "");

    WriteAll(dir.filePath("nobreak.fcs"), std::string(2 << 20, 'x'));
    EXPECT_EQ(config.LoadFromFile(Path("nobreak.fcs"), 2), -1);
}

TEST_F(ColorSetFiles, SaveRefusesAnAbsentSlotAndAnInvalidSetWithoutTouchingTheFile) {
    EXPECT_FALSE(config.SaveToFile(Path("absent.fcs"), 60));
    EXPECT_FALSE(QFile::exists(dir.filePath("absent.fcs")));

    WriteAll(dir.filePath("old.fcs"), "old contents");
    config.Slot(0)->illuminant = 99;
    EXPECT_FALSE(config.SaveToFile(Path("old.fcs"), 0));
    EXPECT_EQ(ReadAll(dir.filePath("old.fcs")), "old contents");

    config.Slot(0)->illuminant = 1;
    EXPECT_TRUE(config.SaveToFile(Path("old.fcs"), 0));
    EXPECT_EQ(ReadAll(dir.filePath("old.fcs")), *ColorSetFileText(*config.Slot(0)));
}

// While alive, this thread obeys file permissions even as root: the capability to
// override them is taken out of its effective set (and put back at the end).
class PermissionsObeyed {
public:
    PermissionsObeyed() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~PermissionsObeyed() {
        if (changed_) syscall(SYS_capset, &header_, saved_);
    }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool changed_ = false;
};

TEST_F(ColorSetFiles, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
    QString folder = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkdir(folder));
    QByteArray native = folder.toLocal8Bit();
    WriteAll(folder + "/set.fcs", "old contents");
    chmod(native.constData(), 0555);
    bool writable = true, saved = false;
    {
        PermissionsObeyed obeyed;
        // access() would ask with root's full rights; a real attempt tells.
        QFile probe(folder + "/probe");
        writable = probe.open(QIODevice::WriteOnly);
        if (writable) probe.remove();
        if (!writable) saved = config.SaveToFile((folder + "/set.fcs").toStdString(), 0);
    }
    chmod(native.constData(), 0755);
    if (writable) GTEST_SKIP() << "this process may write into read-only folders";
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(folder + "/set.fcs"), "old contents");
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"set.fcs"});
}

TEST_F(ColorSetFiles, SaveThatFailsWhileWritingKeepsTheOldFile) {
    WriteAll(dir.filePath("full.fcs"), "old contents");
    // A file-size limit makes the write fail part-way, as a full disk would.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 512;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = config.SaveToFile(Path("full.fcs"), 0);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadAll(dir.filePath("full.fcs")), "old contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"full.fcs"}) << "no leftovers";
}

// ---- mid-tone spread ----

class MidToneSpreadCheck : public ::testing::Test {
protected:
    void SetUp() override {
        config.ResetAll();
        set = config.Slot(0);
        set->midToneSpread = MidToneSpread{1, 1, {0, 1, 2}, 5.0f};
        for (int i = 0; i < kColorSetTones; ++i) set->tones[i].color = i;
    }
    int Check(std::array<int, 3> tones) {
        set->midToneSpread.toneIndexes = tones;
        return config.CheckMidToneSpread(0);
    }
    CConfiguration config;
    ColorSet *set = nullptr;
};

TEST_F(MidToneSpreadCheck, ConsistentDisabledOrAbsentGivesNothing) {
    EXPECT_EQ(Check({0, 1, 2}), 0);
    set->tones[1].steps[1].tint = 50.9f;  // the same whole tint
    EXPECT_EQ(Check({0, 1, 2}), 0);
    set->midToneSpread.enabled = 0;
    set->tones[0].color = 1;
    EXPECT_EQ(Check({0, 0, 0}), 0);
    EXPECT_EQ(config.CheckMidToneSpread(33), 0);
    EXPECT_EQ(CConfiguration().CheckMidToneSpread(0), 0);
}

TEST_F(MidToneSpreadCheck, RepeatedEntriesSameColoursAndDifferentTints) {
    // the same entry twice also has the same colour twice
    EXPECT_EQ(Check({0, 0, 1}), midtone::kRepeatedTone | midtone::kSameColor);
    set->tones[2].color = 0;
    EXPECT_EQ(Check({0, 1, 2}), midtone::kSameColor);
    set->tones[2].color = 2;
    set->tones[2].steps[1].tint = 49.0f;
    EXPECT_EQ(Check({0, 1, 2}), midtone::kDifferentTints);
    set->tones[2].steps[0].tint = 1.0f;  // another step does not count
    set->tones[2].steps[1].tint = 50.0f;
    EXPECT_EQ(Check({0, 1, 2}), 0);
}

TEST_F(MidToneSpreadCheck, StepSwitchedOffSomewhereGivesOnlyTheOffBitAndRepeats) {
    set->tones[2].steps[1].on = false;
    set->tones[1].color = 0;              // would be "same colour"
    set->tones[1].steps[1].tint = 10.0f;  // would be "different tints"
    EXPECT_EQ(Check({0, 1, 2}), midtone::kStepOff);
    EXPECT_EQ(Check({2, 2, 1}), midtone::kStepOff | midtone::kRepeatedTone);
    set->tones[2].steps[1].on = true;
    set->tones[2].steps[2].on = false;  // not the compared step
    EXPECT_EQ(Check({0, 1, 2}), midtone::kSameColor | midtone::kDifferentTints);
}

TEST_F(MidToneSpreadCheck, EntriesOrStepsThatDoNotExistAreReportedNotUsed) {
    EXPECT_EQ(Check({0, 8, 1}), midtone::kNoSuchEntry);
    EXPECT_EQ(Check({-1, 0, 1}), midtone::kNoSuchEntry);
    set->midToneSpread.stepIndex = 3;
    EXPECT_EQ(Check({0, 1, 2}), midtone::kNoSuchEntry);
}

TEST(ColorSetCollection, ResetsAndRegisteredState) {
    CConfiguration config;
    EXPECT_TRUE(config.Slots().empty());
    EXPECT_FALSE(config.AnyRegistered());
    config.ResetAll();
    EXPECT_EQ(config.Slots().size(), 50u);
    config.Slot(7)->registered = true;
    config.Slot(7)->name = "x";
    EXPECT_TRUE(config.AnyRegistered());
    config.ResetSlot(7);
    EXPECT_EQ(*config.Slot(7), ColorSet{});
    EXPECT_FALSE(config.AnyRegistered());
}

}  // namespace
