// The set-up of LibreOffice's connection URL in a profile, and its undo, on profile files as the
// office writes them (no office needed: a running one is played by a process of its name).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "calcbridge/CalcSetup.h"

namespace ombra {
namespace {

namespace fs = std::filesystem;
using Outcome = OfficeSetup::Outcome;

const std::string kOurItem =
    "<item oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupConnectionURL\" oor:op=\"fuse\">"
    "<value>pipe,name=ombra-dts;urp;StarOffice.ServiceManager</value></prop></item>";

// A profile file as the office writes it: one item a line.
std::string OfficeFile(const std::string &extraItem = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
           "<item oor:path=\"/org.openoffice.Office.Common/Misc\"><prop oor:name=\"FirstRun\" oor:op=\"fuse\"><value>false</value></prop></item>\n" +
           extraItem +
           "<item oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupInstCompleted\" oor:op=\"fuse\"><value>true</value></prop></item>\n"
           "</oor:items>\n";
}

std::string Slurp(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path &p, const std::string &text) { std::ofstream(p, std::ios::binary) << text; }

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ombra-setup-XXXXXX";
        root_ = mkdtemp(tmpl);
        user_ = root_ / "home" / ".config" / "libreoffice" / "4" / "user";
        fs::create_directories(user_);
        file_ = user_ / "registrymodifications.xcu";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    OfficeSetup Run(bool undo) { return SetUpLibreOfficeProfile(user_.string(), undo); }
    // Everything the set-up left in the profile folder besides the office's file.
    size_t FilesBesides() {
        size_t n = 0;
        for (const auto &entry : fs::directory_iterator(user_)) n += entry.path() != file_;
        return n;
    }
    fs::path root_, user_, file_;
};

TEST_F(Profile, AddsTheItemOnceAndTheUndoGivesTheFileBackByteForByte) {
    Write(file_, OfficeFile());
    OfficeSetup done = Run(false);
    ASSERT_EQ(done.outcome, Outcome::SetUp) << done.error;
    EXPECT_EQ(done.file, file_.string());
    EXPECT_FALSE(done.newProfile);
    EXPECT_TRUE(done.otherUrl.empty());
    const std::string setUp = Slurp(file_);
    EXPECT_NE(setUp.find("\n" + kOurItem + "\n</oor:items>"), std::string::npos) << setUp;

    EXPECT_EQ(Run(false).outcome, Outcome::AlreadySetUp);
    EXPECT_EQ(Slurp(file_), setUp) << "a second set-up changes nothing, and keeps what the undo needs";

    EXPECT_EQ(Run(true).outcome, Outcome::Undone);
    EXPECT_EQ(Slurp(file_), OfficeFile());
    EXPECT_EQ(FilesBesides(), 0u) << "the undo leaves nothing of the set-up behind";
    EXPECT_EQ(Run(true).outcome, Outcome::NotSetUp);
    EXPECT_EQ(Slurp(file_), OfficeFile());
}

// The office rewrites the file when it closes: the item may move, the undo still finds it.
TEST_F(Profile, ReplacesAnotherConnectionAndTheUndoPutsItBackAfterTheOfficeRewroteTheFile) {
    const std::string socketItem =
        "<item oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupConnectionURL\" oor:op=\"fuse\">"
        "<value>socket,host=localhost,port=2002;urp;</value></prop></item>\n";
    Write(file_, OfficeFile(socketItem));
    OfficeSetup done = Run(false);
    ASSERT_EQ(done.outcome, Outcome::SetUp) << done.error;
    EXPECT_EQ(done.otherUrl, "socket,host=localhost,port=2002;urp;");
    EXPECT_EQ(Slurp(file_), OfficeFile(kOurItem + "\n"));

    done = Run(true);
    EXPECT_EQ(done.outcome, Outcome::Undone);
    EXPECT_EQ(done.otherUrl, "socket,host=localhost,port=2002;urp;");
    EXPECT_EQ(Slurp(file_), OfficeFile(socketItem));

    // Set up, then the office (started and closed) wrote its file anew with the item elsewhere.
    Write(file_, OfficeFile());
    ASSERT_EQ(Run(false).outcome, Outcome::SetUp);
    Write(file_, OfficeFile(kOurItem + "\n"));
    EXPECT_EQ(Run(true).outcome, Outcome::Undone);
    EXPECT_EQ(Slurp(file_), OfficeFile());

    // Someone else changed the connection since: it is not the set-up's to take back.
    Write(file_, OfficeFile());
    ASSERT_EQ(Run(false).outcome, Outcome::SetUp);
    Write(file_, OfficeFile(socketItem));
    EXPECT_EQ(Run(true).outcome, Outcome::NotSetUp);
    EXPECT_EQ(Slurp(file_), OfficeFile(socketItem));
    EXPECT_EQ(FilesBesides(), 0u);
}

// No office has run for this user yet: the set-up makes the profile folder with the one item;
// undone before the office ran, every folder it made goes again; after the office completed the
// profile, only the item goes.
TEST_F(Profile, WithoutAProfileMakesOneAndTheUndoRemovesWhatItMade) {
    fs::remove_all(root_ / "home" / ".config");
    OfficeSetup done = Run(false);
    ASSERT_EQ(done.outcome, Outcome::SetUp) << done.error;
    EXPECT_TRUE(done.newProfile);
    const std::string made = Slurp(file_);
    EXPECT_NE(made.find(kOurItem), std::string::npos);
    EXPECT_EQ(made.rfind("</oor:items>\n"), made.size() - 13);
    struct stat info {};
    ASSERT_EQ(stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u) << "the profile file is the user's alone";

    done = Run(true);
    EXPECT_EQ(done.outcome, Outcome::Undone);
    EXPECT_TRUE(done.newProfile);
    EXPECT_FALSE(fs::exists(root_ / "home" / ".config")) << "the folders it made are gone";
    EXPECT_TRUE(fs::exists(root_ / "home"));

    ASSERT_EQ(Run(false).outcome, Outcome::SetUp);
    Write(file_, OfficeFile(kOurItem + "\n"));  // the office's first start completed the profile
    fs::create_directories(user_ / "basic");
    done = Run(true);
    EXPECT_EQ(done.outcome, Outcome::Undone);
    EXPECT_FALSE(done.newProfile);
    EXPECT_EQ(Slurp(file_), OfficeFile());
    EXPECT_TRUE(fs::exists(user_ / "basic"));
}

TEST_F(Profile, ADamagedFileOrALinkedOneIsHandledWithCare) {
    Write(file_, "<oor:items");
    EXPECT_EQ(Run(false).outcome, Outcome::Damaged);
    EXPECT_EQ(Slurp(file_), "<oor:items");
    EXPECT_EQ(FilesBesides(), 0u);

    // A profile file reached through a link stays a link to the same, private file.
    fs::path real = root_ / "kept" / "real.xcu";
    fs::create_directories(real.parent_path());
    Write(real, OfficeFile());
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::remove(file_);
    fs::create_symlink(real, file_);
    ASSERT_EQ(Run(false).outcome, Outcome::SetUp);
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_NE(Slurp(real).find(kOurItem), std::string::npos);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Run(true).outcome, Outcome::Undone);
    EXPECT_EQ(Slurp(real), OfficeFile());
    EXPECT_TRUE(fs::is_symlink(file_));
}

// A process named like the office's, with a given command line and environment, until Stop.
class OfficeLookalike {
public:
    OfficeLookalike(const fs::path &dir, const std::vector<std::string> &args, const std::vector<std::string> &env) {
        fs::path binary = dir / "soffice.bin";
        if (!fs::exists(binary)) fs::copy_file("/bin/sh", binary);
        int fds[2];
        EXPECT_EQ(pipe(fds), 0);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[0], 0);
            close(fds[1]);
            std::vector<std::string> all = {"soffice.bin", "-c", "read line"};
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char *> argv, envp;
            for (std::string &a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            std::vector<std::string> environment = env;
            for (std::string &e : environment) envp.push_back(e.data());
            envp.push_back(nullptr);
            execve(binary.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        close(fds[0]);
        stdin_ = fds[1];
    }
    ~OfficeLookalike() {
        close(stdin_);  // its `read` ends, and so does it
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
};

// Waits (bounded) until the process runs as the office's name with its whole command line.
bool WaitUntilNamed(pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        std::string comm = Slurp("/proc/" + std::to_string(pid) + "/comm");
        if (comm == "soffice.bin\n") return true;
        usleep(10000);
    }
    return false;
}

// A running office writes its own settings back when it closes: neither the set-up nor its undo
// touches a profile that one has open, however it names the profile.
TEST_F(Profile, ARunningOfficeOfTheProfileKeepsTheFileAsItIs) {
    Write(file_, OfficeFile());
    fs::path spaced = root_ / "a b" / "user";
    fs::create_directories(spaced);
    {
        // Its profile named on its command line, with the space of the path as %20.
        OfficeLookalike office(root_, {"-env:UserInstallation=file://" + root_.string() + "/a%20b"}, {"HOME=/nonexistent"});
        ASSERT_TRUE(WaitUntilNamed(office.Pid()));
        EXPECT_EQ(RunningOfficeFor(spaced.string()), office.Pid());
        EXPECT_EQ(RunningOfficeFor(user_.string()), 0) << "another profile is not this office's";
        OfficeSetup done = SetUpLibreOfficeProfile(spaced.string(), false);
        EXPECT_EQ(done.outcome, Outcome::OfficeRunning);
        EXPECT_EQ(done.officePid, office.Pid());
        EXPECT_FALSE(fs::exists(spaced / "registrymodifications.xcu"));
    }
    ASSERT_EQ(Run(false).outcome, Outcome::SetUp);
    const std::string setUp = Slurp(file_);
    {
        // The default profile of its environment's HOME.
        OfficeLookalike office(root_, {}, {"HOME=" + (root_ / "home").string()});
        ASSERT_TRUE(WaitUntilNamed(office.Pid()));
        OfficeSetup done = Run(true);
        EXPECT_EQ(done.outcome, Outcome::OfficeRunning);
        EXPECT_EQ(Slurp(file_), setUp);
    }
    EXPECT_EQ(RunningOfficeFor(user_.string()), 0);
    EXPECT_EQ(Run(true).outcome, Outcome::Undone);
    EXPECT_EQ(Slurp(file_), OfficeFile());
}

}  // namespace
}  // namespace ombra
