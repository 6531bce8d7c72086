// The interface's platform helpers: file-dialog filters and extensions, and the hooks that
// answer file dialogs and message boxes in the tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include "support/TestSupport.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

using namespace ombra::core;
using namespace ombra::core::platform;

namespace {

using namespace ombra::ui::platform;

TEST(FileDialogs, FilterConversion) {
    EXPECT_EQ(ConvertFileFilter("Color Set File(*.fcs)|*.fcs||"), "Color Set File(*.fcs)");
    EXPECT_EQ(ConvertFileFilter("User Illuminant|*.uid|All Files (*.*)|*.*||"),
              "User Illuminant (*.uid);;All Files (*.*)");
    EXPECT_EQ(ConvertFileFilter("Text (UTF-8)|*.txt;*.csv||"), "Text (UTF-8) (*.txt *.csv)");
    EXPECT_EQ(ConvertFileFilter(""), "");
}

TEST(FileDialogs, DefaultExtensionOnlyWhenNoneTyped) {
    EXPECT_EQ(AddDefaultExtension("/d/set", "fcs"), "/d/set.fcs");
    EXPECT_EQ(AddDefaultExtension("/d/set", ".fcs"), "/d/set.fcs");
    EXPECT_EQ(AddDefaultExtension("/d/set.txt", "fcs"), "/d/set.txt");
    EXPECT_EQ(AddDefaultExtension("/d.x/set", "fcs"), "/d.x/set.fcs") << "a dot in the folder does not count";
    EXPECT_EQ(AddDefaultExtension("/d/set", ""), "/d/set");
}

TEST(FileDialogs, HookAnswersInsteadOfTheDialog) {
    std::vector<FileDialogRequest> seen;
    std::vector<std::optional<std::string>> answers = {"/tmp/colours", std::nullopt};
    FileDialogHook previous = SetFileDialogHook([&](const FileDialogRequest &r) {
        seen.push_back(r);
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    FileDialogRequest request{true, "Save", "Color Set File(*.fcs)|*.fcs||", "fcs", "/start", "set1"};
    EXPECT_EQ(ShowFileDialog(nullptr, request), std::optional<std::string>("/tmp/colours.fcs"));
    EXPECT_EQ(ShowFileDialog(nullptr, request), std::nullopt);
    SetFileDialogHook(previous);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].save);
    EXPECT_EQ(seen[0].filter, "Color Set File(*.fcs)|*.fcs||");
    EXPECT_EQ(seen[0].startFolder, "/start");
    EXPECT_EQ(seen[0].fileName, "set1");
}

// The user's own start folder is made when the dialog first opens there, with its parents.
TEST(FileDialogs, TheUsersStartFolderIsMadeWhenTheDialogOpens) {
    QTemporaryDir home;
    const QString folder = home.path() + "/Documents/Ombra Data Transfer/ColorSet";
    FileDialogRequest request;
    request.filter = "Color Set File(*.fcs)|*.fcs||";
    request.startFolder = folder.toStdString();
    request.createStartFolder = true;
    QString shownIn;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QFileDialog *>(widget); dialog && dialog->isVisible()) {
                shownIn = dialog->directory().absolutePath();
                dialog->reject();
            }
    });
    closer.start(20);
    EXPECT_EQ(ShowFileDialog(nullptr, request), std::nullopt);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(shownIn, folder);
}

TEST(MessageBoxHook, RecordsEachBoxAndReturnsTheQueuedAnswers) {
    ombra::ui::test::MessageBoxRecorder boxes(mb::IDOK);
    boxes.Answer(mb::IDNO);
    EXPECT_EQ(ShowMessageBox(nullptr, "Replace?", "Caption", mb::YESNO | mb::ICONQUESTION), mb::IDNO);
    EXPECT_EQ(ShowMessageBox(nullptr, "Done", "Caption", mb::ICONINFORMATION), mb::IDOK);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Replace?");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Caption");
    EXPECT_EQ(boxes.Boxes()[0].flags, mb::YESNO | mb::ICONQUESTION);
    EXPECT_EQ(boxes.Boxes()[1].flags, mb::ICONINFORMATION);
}

}  // namespace
