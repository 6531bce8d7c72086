// Opening the manual: the named file, the OpalMan fallback, and the message chosen from the
// opener's answer. The desktop is never asked: every test answers through the opener seam.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <vector>

#include "mainwindow/ManualOpener.h"

using namespace ombra;
using namespace ombra::ui;

namespace {

class ManualOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QDir(dir_.path()).mkdir("Manual");
        previous_ = SetShellOpener([this](const QString &path) {
            opened_.push_back(QFileInfo(path).fileName());
            if (answers_.empty()) return QFileInfo(path).isFile() ? ui::shell::kOpened : ui::shell::kFileNotFound;
            const int a = answers_.front();
            answers_.erase(answers_.begin());
            return a;
        });
    }
    void TearDown() override { SetShellOpener(previous_); }

    void Touch(const QString &name) {
        QFile f(dir_.path() + "/Manual/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString ManualDir() const { return dir_.path() + "/Manual"; }

    QTemporaryDir dir_;
    ShellOpener previous_;
    std::vector<QString> opened_;
    std::vector<int> answers_;  // scripted answers; otherwise by whether the file exists
};

}  // namespace

TEST_F(ManualOpenerTest, NamedManualOpensDirectly) {
    Touch("Guide.pdf");
    Touch("OpalMan12345.pdf");
    const ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.messageId, 0);
    EXPECT_EQ(r.openedPath, ManualDir() + "/Guide.pdf");
    EXPECT_EQ(opened_, std::vector<QString>{"Guide.pdf"});
}

TEST_F(ManualOpenerTest, FallbackNeedsExactlyFiveCharacters) {
    Touch("OpalMan1234.pdf");
    Touch("OpalMan123456.pdf");
    Touch("OpalManABCDE.pdf.bak");
    Touch("opalmanABCDE.pdf");
    EXPECT_EQ(FindFallbackManual(ManualDir()), QString());
    Touch("OpalManZZZZZ.pdf");
    Touch("OpalManAAAAA.pdf");
    EXPECT_EQ(FindFallbackManual(ManualDir()), QString("OpalManAAAAA.pdf"));  // first by name
    EXPECT_EQ(FindFallbackManual(dir_.path() + "/nowhere"), QString());
}

TEST_F(ManualOpenerTest, FallbackOpensWhenTheNamedFileIsMissing) {
    Touch("OpalManEN-01.pdf");
    const ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.openedPath, ManualDir() + "/OpalManEN-01.pdf");
    EXPECT_EQ(opened_, (std::vector<QString>{"Guide.pdf", "OpalManEN-01.pdf"}));
}

TEST_F(ManualOpenerTest, MessageFollowsTheLastAnswer) {
    // Only a four-character match: nothing qualifies, the first answer (2) decides.
    Touch("OpalMan1234.pdf");
    ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.lastAnswer, ui::shell::kFileNotFound);
    EXPECT_EQ(r.messageId, 1396);

    answers_ = {ui::shell::kPathNotFound};
    EXPECT_EQ(OpenManual(dir_.path(), "Guide.pdf").messageId, 1396);

    answers_ = {ui::shell::kFailed};
    EXPECT_EQ(OpenManual(dir_.path(), "Guide.pdf").messageId, 1397);

    // The fallback exists but the desktop cannot open it: its answer decides.
    Touch("OpalManABCDE.pdf");
    answers_ = {ui::shell::kFileNotFound, ui::shell::kFailed};
    r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_EQ(r.lastAnswer, ui::shell::kFailed);
    EXPECT_EQ(r.messageId, 1397);
    answers_ = {ui::shell::kFailed, ui::shell::kFileNotFound};
    EXPECT_EQ(OpenManual(dir_.path(), "Guide.pdf").messageId, 1396);
}

TEST(DesktopShellOpen, MissingFolderOrFileIsReportedWithoutAskingTheDesktop) {
    QTemporaryDir dir;
    EXPECT_EQ(DesktopShellOpen(dir.path() + "/Manual/x.pdf"), ui::shell::kPathNotFound);
    EXPECT_EQ(DesktopShellOpen(dir.path() + "/x.pdf"), ui::shell::kFileNotFound);
    // An empty manual name must not open the folder.
    EXPECT_EQ(DesktopShellOpen(dir.path() + "/"), ui::shell::kFileNotFound);
}
