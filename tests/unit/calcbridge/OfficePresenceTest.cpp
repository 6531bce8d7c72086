// An office of this user is found by its process, under a process file system laid out by the
// test: only a process of this user named like the office's counts.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>

#include "calcbridge/OfficePresence.h"

namespace {

void Process(const QString &root, int pid, const std::string &name) {
    const std::string folder = root.toStdString() + "/" + std::to_string(pid);
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/comm") << name << "\n";
}

TEST(OfficePresence, AnOfficeProcessOfThisUserIsFound) {
    QTemporaryDir proc;
    ASSERT_TRUE(proc.isValid());
    EXPECT_FALSE(ombra::OfficeProcessOfThisUser(proc.path().toStdString())) << "no processes";
    Process(proc.path(), 12, "bash");
    Process(proc.path(), 13, "oosplash");
    std::filesystem::create_directories(proc.path().toStdString() + "/self");
    std::ofstream(proc.path().toStdString() + "/self/comm") << "soffice.bin\n";  // not a process folder
    EXPECT_FALSE(ombra::OfficeProcessOfThisUser(proc.path().toStdString()));
    Process(proc.path(), 4711, "soffice.bin");
    EXPECT_TRUE(ombra::OfficeProcessOfThisUser(proc.path().toStdString()));
    EXPECT_FALSE(ombra::OfficeProcessOfThisUser(proc.path().toStdString() + "/missing"));
}

}  // namespace
