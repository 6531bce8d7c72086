#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/Numbers.h"
#include "platform/SingleInstance.h"
#include "platform/UserFolders.h"

namespace {

using namespace ombra::core::platform;

TEST(UserNumbers, ParsesWithTheGivenSeparator) {
    EXPECT_EQ(ParseUserNumber("1,5", ","), 1.5);
    EXPECT_EQ(ParseUserNumber(" -0,25 ", ","), -0.25);
    EXPECT_EQ(ParseUserNumber("2.5", ","), 2.5) << "a typed point is still understood";
    EXPECT_EQ(ParseUserNumber("+3", "."), 3.0);
    EXPECT_EQ(ParseUserNumber("1e2", "."), 100.0);
    EXPECT_EQ(ParseUserNumber("7٫5", "٫"), 7.5) << "multi-byte separator";
}

TEST(UserNumbers, RejectsWhatIsNotOneNumber) {
    for (const char *text : {"", " ", "abc", "1,5,5", "1.5x", "inf", "nan", "1 000", "--1", "1e999"})
        EXPECT_FALSE(ParseUserNumber(text, ",").has_value()) << text;
    EXPECT_FALSE(ParseUserNumber("1,5", ".").has_value()) << "a comma is no decimal point where '.' is";
}

TEST(UserNumbers, FormatsWithAPointAlways) {
    EXPECT_EQ(FormatNumber(1.5, 2), "1.50");
    EXPECT_EQ(FormatNumber(-0.004, 2), "0.00");
    EXPECT_EQ(FormatNumber(-1.25, 1), "-1.2");
    EXPECT_EQ(FormatNumber(1234567.0, 0), "1234567");
    EXPECT_EQ(NormalizeDecimalSeparator("1,5;2,5", ","), "1.5;2.5");
}

TEST(AtomicFile, WritesAndReplacesWholeFiles) {
    QTemporaryDir dir;
    std::string path = (dir.path() + "/out.txt").toStdString();
    ASSERT_TRUE(WriteFileAtomically(path, "first\n"));
    ASSERT_TRUE(WriteFileAtomically(path, "second\n"));
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "second\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.txt"}) << "no temporary left behind";

    std::string error;
    EXPECT_FALSE(WriteFileAtomically((dir.path() + "/missing/out.txt").toStdString(), "x", &error));
    EXPECT_FALSE(error.empty());
}

TEST(SingleInstance, OneHolderAtATime) {
    QTemporaryDir dir;
    std::string path = (dir.path() + "/Marker").toStdString();
    SingleInstanceLock first, second;
    EXPECT_EQ(first.Acquire(path), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire(path), SingleInstanceLock::Result::HeldElsewhere);
    first.Release();
    EXPECT_EQ(second.Acquire(path), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(first.Acquire((dir.path() + "/no/such/dir/Marker").toStdString()),
              SingleInstanceLock::Result::Unavailable);
}

// A marker another user could have made or could open is not used, and says why.
TEST(SingleInstance, AMarkerOthersCouldHoldIsUntrusted) {
    QTemporaryDir dir;
    auto problemOf = [](const std::string &path) {
        SingleInstanceLock lock;
        EXPECT_EQ(lock.Acquire(path), SingleInstanceLock::Result::Untrusted) << path;
        EXPECT_FALSE(lock.Held());
        return lock.Problem();
    };
    std::string open = (dir.path() + "/Open").toStdString();
    ::close(::open(open.c_str(), O_CREAT | O_WRONLY, 0600));
    ::chmod(open.c_str(), 0666);
    EXPECT_EQ(problemOf(open), "its mode 0666 lets other users open it");
    std::string link = (dir.path() + "/Link").toStdString();
    ASSERT_EQ(::symlink((dir.path() + "/Target").toStdString().c_str(), link.c_str()), 0);
    EXPECT_EQ(problemOf(link), "it is a symbolic link");
    EXPECT_FALSE(QFile::exists(dir.path() + "/Target")) << "the link was not followed";
    std::string fifo = (dir.path() + "/Fifo").toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(problemOf(fifo), "it is not a regular file");
    if (::getuid() == 0) {
        std::string foreign = (dir.path() + "/Foreign").toStdString();
        ::close(::open(foreign.c_str(), O_CREAT | O_WRONLY, 0600));
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
        EXPECT_EQ(problemOf(foreign), "it belongs to user 65534");
    }
    SingleInstanceLock own;
    EXPECT_EQ(own.Acquire((dir.path() + "/Own").toStdString()), SingleInstanceLock::Result::Acquired);
    EXPECT_EQ(own.Problem(), "");
}

TEST(SingleInstance, MarkerPathFollowsTheRuntimeFolder) {
    QTemporaryDir dir;
    QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    EXPECT_EQ(SingleInstanceLock::DefaultLockPath("Marker"), (dir.path() + "/Marker").toStdString());
    qputenv("XDG_RUNTIME_DIR", "/no/such/runtime/dir");
    std::string fallback = SingleInstanceLock::DefaultLockPath("Marker");
    EXPECT_NE(fallback.find("/Marker-"), std::string::npos) << fallback;
    if (saved.isNull()) qunsetenv("XDG_RUNTIME_DIR");
    else qputenv("XDG_RUNTIME_DIR", saved);
}

}  // namespace

// The file dialogs' folders of a user who has never used them: in the documents folder of a
// fresh home, not made before a dialog opens there.
TEST(UserFolders, InTheDocumentsFolderOfAFreshHome) {
    QTemporaryDir home;
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    const std::string colorSets = ombra::core::platform::UserFilesFolder(ombra::core::platform::UserFiles::ColorSets);
    const std::string illuminants =
        ombra::core::platform::UserFilesFolder(ombra::core::platform::UserFiles::Illuminants);
    qputenv("HOME", previousHome);
    EXPECT_EQ(colorSets, home.path().toStdString() + "/Documents/Ombra Data Transfer/ColorSet");
    EXPECT_EQ(illuminants, home.path().toStdString() + "/Documents/Ombra Data Transfer/Illuminants");
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/Documents"));
}
