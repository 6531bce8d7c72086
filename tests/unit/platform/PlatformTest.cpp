#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>

#include "core/platform/AtomicFile.h"
#include "core/platform/Numbers.h"
#include "core/platform/SingleInstance.h"
#include "core/platform/UserFolders.h"

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

// A second start asks the running copy, which answers while its event loop runs; the socket is
// the user's alone and goes with the copy; a socket left by a killed copy is replaced, any other
// file at its place is left alone.
TEST(RaiseChannel, TheRunningCopyAnswersOnASocketOfTheUsersAlone) {
    QTemporaryDir dir;
    const std::string path = RaiseSocketPath((dir.path() + "/Marker").toStdString());
    EXPECT_EQ(path, (dir.path() + "/Marker.socket").toStdString());
    int raised = 0;
    std::string token = "none yet";
    auto ask = [&](const std::string &activationToken = {}) {
        std::future<bool> asked =
            std::async(std::launch::async, [&] { return AskRunningCopyToRaise(path, 5000, activationToken); });
        QDeadlineTimer deadline(10000);
        while (asked.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready && !deadline.hasExpired())
            QCoreApplication::processEvents();
        return asked.get();
    };
    {
        RaiseListener listener;
        ASSERT_TRUE(listener.Listen(path, [&](const std::string &given) {
            ++raised;
            token = given;
        }));
        struct stat info {};
        ASSERT_EQ(::lstat(path.c_str(), &info), 0);
        EXPECT_TRUE(S_ISSOCK(info.st_mode));
        EXPECT_EQ(info.st_mode & 077, 0u) << "no one else may connect";
        EXPECT_TRUE(ask());
        EXPECT_EQ(token, "");
        EXPECT_TRUE(ask("gnome-shell/ombra-dts/1234-5-host_TIME77"));
        EXPECT_EQ(token, "gnome-shell/ombra-dts/1234-5-host_TIME77") << "the desktop's token reaches the running copy";
        EXPECT_FALSE(AskRunningCopyToRaise(path, 1000, "two\nlines")) << "a token is one word";
        EXPECT_EQ(raised, 2);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path))) << "the socket goes with the listener";
    EXPECT_FALSE(AskRunningCopyToRaise(path, 1000)) << "nobody runs";

    {
        RaiseListener killed;  // a copy killed before it could remove its socket
        ASSERT_TRUE(killed.Listen(path, [](const std::string &) {}));
        ASSERT_EQ(::link(path.c_str(), (path + ".kept").c_str()), 0);
    }
    ASSERT_EQ(::rename((path + ".kept").c_str(), path.c_str()), 0);
    EXPECT_FALSE(AskRunningCopyToRaise(path, 1000)) << "a socket nobody listens on";
    {
        RaiseListener next;
        ASSERT_TRUE(next.Listen(path, [&](const std::string &) { ++raised; }));
        EXPECT_TRUE(ask());
        EXPECT_EQ(raised, 3);
    }
    std::ofstream(path) << "not a socket";
    RaiseListener refused;
    EXPECT_FALSE(refused.Listen(path, [](const std::string &) {}));
    EXPECT_FALSE(AskRunningCopyToRaise(path, 1000));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));
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
