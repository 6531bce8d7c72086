// Open and save file dialogs. Filters are given the way the program's resources write
// them: "Description|pattern;pattern|Description|pattern||". Tests install a hook that
// answers each request (a path, or nothing for Cancel) without a modal loop.
#pragma once

#include <functional>
#include <optional>
#include <string>

class QString;
class QWidget;

namespace ombra::ui::platform {

struct FileDialogRequest {
    bool save = false;             // save dialog (overwrite prompt) or open dialog (existing file)
    std::string title;             // empty: the toolkit's own title
    std::string filter;            // "Color Set File(*.fcs)|*.fcs||"
    std::string defaultExtension;  // without the dot; added when the chosen name has none
    std::string startFolder;       // folder shown first; empty: the toolkit's choice
    std::string fileName;          // name proposed in the name field
    bool createStartFolder = false;  // the user's own folder: made (with its parents) when missing
};

// Shows the dialog; the chosen absolute path, or nothing when the user cancelled.
std::optional<std::string> ShowFileDialog(QWidget *parent, const FileDialogRequest &request);

// While a hook is installed no dialog is shown: the hook's answer stands for the user's
// choice (the default extension is still added to it). Returns the previous hook.
using FileDialogHook = std::function<std::optional<std::string>(const FileDialogRequest &)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// "Color Set File(*.fcs)|*.fcs|All Files|*.*||" -> "Color Set File(*.fcs);;All Files (*.*)".
QString ConvertFileFilter(const std::string &filter);

// `path` with "." + `extension` added when its file name carries no extension at all.
std::string AddDefaultExtension(const std::string &path, const std::string &extension);

}  // namespace ombra::ui::platform
