// Opening the user manual: the file named by the resource text under Manual/ beside the
// program, else the first "OpalMan?????.pdf" there, else the HTML manual of the same name in
// the browser. Files are handed to the desktop's opener through a replaceable function that
// answers like a shell: above 32 is success, 2 file not found, 3 path not found, anything else
// up to 32 a failure of another kind.
#pragma once

#include <QString>
#include <functional>

namespace ombra::ui {

namespace shell {
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;
constexpr int kFailed = 31;   // the desktop has no way to open the file
constexpr int kOpened = 42;
inline bool Succeeded(int answer) { return answer > 32; }
}  // namespace shell

using ShellOpener = std::function<int(const QString &path)>;

// Installs `opener` (an empty function restores the desktop's); returns the previous one.
ShellOpener SetShellOpener(ShellOpener opener);
// Opens `path` with the installed opener.
int ShellOpen(const QString &path);
// The desktop's opener: checks the folder and the file, then hands the file to xdg-open when
// the desktop has an application for its type (a PDF viewer for a PDF; an application for
// HTML or a web browser for HTML). Never waits for the application itself.
int DesktopShellOpen(const QString &path);
// Whether the desktop has an application for the file at `path` (asks xdg-mime, briefly).
bool DesktopCanOpen(const QString &path);

// First name in `manualDir` (by name order) matching OpalMan*.pdf with exactly five
// characters in place of the asterisk; empty when none qualifies.
QString FindFallbackManual(const QString &manualDir);

// The HTML manual beside the PDF `manualName`: the same name ending in ".html".
QString HtmlManualName(const QString &manualName);

struct ManualOpenResult {
    bool opened = false;
    int lastAnswer = 0;   // the last answer of the opener
    QString openedPath;   // the file that opened
    int messageId = 0;    // string to show when nothing opened (1396 or 1397), else 0
    QString manualPath;   // the manual's file ("%1" of 1397), which the user can open another way
};
// Opens the manual beside the program in `programDir`; `manualName` is the file name.
ManualOpenResult OpenManual(const QString &programDir, const QString &manualName);

}  // namespace ombra::ui
