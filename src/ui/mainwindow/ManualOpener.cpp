#include "mainwindow/ManualOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include "UiLayer.h"

namespace ombra::ui {
namespace {

constexpr int kStrManualMissing = 1396;
constexpr int kStrManualNotOpened = 1397;
const char kManualFolder[] = "Manual";
const char kFallbackPrefix[] = "OpalMan";
const char kFallbackSuffix[] = ".pdf";
constexpr int kFallbackMiddleLength = 5;

ShellOpener &installedOpener() {
    static ShellOpener opener;
    return opener;
}

}  // namespace

ShellOpener SetShellOpener(ShellOpener opener) {
    std::swap(installedOpener(), opener);
    return opener;
}

int ShellOpen(const QString &path) {
    return installedOpener() ? installedOpener()(path) : DesktopShellOpen(path);
}

int DesktopShellOpen(const QString &path) {
    const QFileInfo info(path);
    if (!info.dir().exists()) return shell::kPathNotFound;
    // An empty or wrong name must not open the folder itself.
    if (!info.isFile()) return shell::kFileNotFound;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())) ? shell::kOpened
                                                                                    : shell::kFailed;
}

QString FindFallbackManual(const QString &manualDir) {
    const QString pattern = QString(kFallbackPrefix) + "*" + kFallbackSuffix;
    const QStringList names =
        QDir(manualDir).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::CaseSensitive, QDir::Name);
    const qsizetype fixed = qsizetype(sizeof kFallbackPrefix - 1 + sizeof kFallbackSuffix - 1);
    for (const QString &name : names) {
        if (!name.startsWith(kFallbackPrefix) || !name.endsWith(kFallbackSuffix)) continue;
        if (name.size() - fixed == kFallbackMiddleLength) return name;
    }
    return {};
}

ManualOpenResult OpenManual(const QString &programDir, const QString &manualName) {
    ManualOpenResult result;
    const QString manualDir = programDir + "/" + kManualFolder;
    result.lastAnswer = ShellOpen(manualDir + "/" + manualName);
    if (shell::Succeeded(result.lastAnswer)) {
        result.opened = true;
        result.openedPath = manualDir + "/" + manualName;
        return result;
    }
    const QString fallback = FindFallbackManual(manualDir);
    if (!fallback.isEmpty()) {
        result.lastAnswer = ShellOpen(manualDir + "/" + fallback);
        if (shell::Succeeded(result.lastAnswer)) {
            result.opened = true;
            result.openedPath = manualDir + "/" + fallback;
            return result;
        }
    }
    const bool missing = result.lastAnswer == shell::kFileNotFound || result.lastAnswer == shell::kPathNotFound;
    result.messageId = missing ? kStrManualMissing : kStrManualNotOpened;
    return result;
}

}  // namespace ombra::ui
