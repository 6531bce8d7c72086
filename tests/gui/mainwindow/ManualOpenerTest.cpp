// Opening the manual: the named file, the OpalMan fallback, the HTML manual in the browser and
// the message chosen from the opener's answer; then the desktop's opener itself, with stand-ins
// for xdg-mime and xdg-open on the PATH.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <vector>

#include "ui/mainwindow/ManualOpener.h"


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
    // A file that is there is never called missing, and the message names it.
    answers_ = {ui::shell::kFailed, ui::shell::kFileNotFound};
    r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_EQ(r.messageId, 1397);
    EXPECT_EQ(r.manualPath, ManualDir() + "/OpalManABCDE.pdf");
}

TEST_F(ManualOpenerTest, WithoutAPdfViewerTheHtmlManualOpens) {
    Touch("Guide.pdf");
    Touch("Guide.html");
    answers_ = {ui::shell::kFailed};
    ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(r.openedPath, ManualDir() + "/Guide.html");
    // Neither opens: the message names the PDF.
    answers_ = {ui::shell::kFailed, ui::shell::kFailed};
    r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.messageId, 1397);
    EXPECT_EQ(r.manualPath, ManualDir() + "/Guide.pdf");
    EXPECT_EQ(HtmlManualName("OmbraDataTransfer-Manual.pdf"), "OmbraDataTransfer-Manual.html");
}

// The desktop's opener with its own PATH: stand-ins for xdg-mime (answering a desktop entry per
// type, or nothing) and xdg-open (writing what it was asked to open into a file).
class DesktopOpenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bin_.isValid() && dir_.isValid());
        QDir(dir_.path()).mkdir("Manual");
        for (const char *name : {"Guide.pdf", "Guide.html"}) {
            QFile f(dir_.path() + "/Manual/" + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        path_ = qgetenv("PATH");
        browser_ = qgetenv("BROWSER");
        qputenv("PATH", QFile::encodeName(bin_.path()));
        qunsetenv("BROWSER");
        previous_ = SetShellOpener({});  // the desktop's own
    }
    void TearDown() override {
        SetShellOpener(previous_);
        qputenv("PATH", path_);
        if (!browser_.isEmpty()) qputenv("BROWSER", browser_);
    }
    void Script(const QString &name, const QString &body) {
        QFile f(bin_.path() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // xdg-utils with an application for the given types only.
    void Desktop(const QStringList &typesWithApplication) {
        QString cases;
        for (const QString &type : typesWithApplication) cases += "  " + type + ") echo viewer.desktop ;;\n";
        Script("xdg-mime", "case \"$3\" in\n" + cases + "esac\nexit 0");
        Script("xdg-open", "echo \"$1\" > '" + bin_.path() + "/opened'");
    }
    // What xdg-open was asked to open (it runs on its own: waited for, within bounds).
    QString Opened() {
        QFile f(bin_.path() + "/opened");
        for (int i = 0; i < 500 && !f.exists(); ++i) QThread::msleep(10);
        for (int i = 0; i < 100 && f.size() == 0; ++i) QThread::msleep(10);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
    }
    QString Manual(const QString &name) const { return QDir(dir_.path()).absolutePath() + "/Manual/" + name; }

    QTemporaryDir bin_, dir_;
    QByteArray path_, browser_;
    ShellOpener previous_;
};

TEST_F(DesktopOpenerTest, ThePdfGoesToThePdfViewer) {
    Desktop({"application/pdf", "text/html"});
    const ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(Opened(), Manual("Guide.pdf"));
}

TEST_F(DesktopOpenerTest, WithoutAPdfViewerTheBrowserShowsTheHtmlManual) {
    Desktop({"text/html"});
    EXPECT_FALSE(DesktopCanOpen(Manual("Guide.pdf")));
    const ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(Opened(), Manual("Guide.html"));
    // A browser xdg-open falls back on counts as well.
    Desktop({});
    Script("x-www-browser", "exit 0");
    EXPECT_TRUE(DesktopCanOpen(Manual("Guide.html")));
    EXPECT_FALSE(DesktopCanOpen(Manual("Guide.pdf")));
}

TEST_F(DesktopOpenerTest, WithNeitherTheMessageNamesTheFile) {
    Desktop({});
    ManualOpenResult r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.messageId, 1397);
    EXPECT_EQ(QFileInfo(r.manualPath).absoluteFilePath(), Manual("Guide.pdf"));
    EXPECT_FALSE(QFile::exists(bin_.path() + "/opened"));
    // No xdg-utils at all: the same.
    QFile::remove(bin_.path() + "/xdg-open");
    QFile::remove(bin_.path() + "/xdg-mime");
    r = OpenManual(dir_.path(), "Guide.pdf");
    EXPECT_EQ(r.messageId, 1397);
}

TEST(DesktopShellOpen, MissingFolderOrFileIsReportedWithoutAskingTheDesktop) {
    QTemporaryDir dir;
    EXPECT_EQ(DesktopShellOpen(dir.path() + "/Manual/x.pdf"), ui::shell::kPathNotFound);
    EXPECT_EQ(DesktopShellOpen(dir.path() + "/x.pdf"), ui::shell::kFileNotFound);
    // An empty manual name must not open the folder.
    EXPECT_EQ(DesktopShellOpen(dir.path() + "/"), ui::shell::kFileNotFound);
}
