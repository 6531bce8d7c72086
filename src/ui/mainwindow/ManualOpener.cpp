#include "ui/mainwindow/ManualOpener.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include "corvexres/ResourceIds.h"

namespace ombra::ui {
namespace {

const char kManualFolder[] = "Manual";
const char kFallbackPrefix[] = "OpalMan";
const char kFallbackSuffix[] = ".pdf";
constexpr int kFallbackMiddleLength = 5;
constexpr int kQueryTimeoutMs = 3000;

ShellOpener &installedOpener() {
    static ShellOpener opener;
    return opener;
}

// The desktop entry xdg-mime names for `mimeType`; empty when there is none or no answer.
QString DefaultApplicationFor(const QString &mimeType) {
    const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
    if (xdgMime.isEmpty()) return {};
    QProcess query;
    query.start(xdgMime, {"query", "default", mimeType});
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished(kQueryTimeoutMs);
        return {};
    }
    return query.exitCode() == 0 ? QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed() : QString();
}

// A web browser xdg-open falls back on for a page no application is registered for.
bool BrowserInstalled() {
    const QString chosen = qEnvironmentVariable("BROWSER").section(':', 0, 0);
    if (!chosen.isEmpty() && !QStandardPaths::findExecutable(chosen).isEmpty()) return true;
    for (const char *browser : {"x-www-browser", "firefox", "chromium"})
        if (!QStandardPaths::findExecutable(browser).isEmpty()) return true;
    return false;
}

bool TryOpen(const QString &path, ManualOpenResult &result) {
    result.lastAnswer = ShellOpen(path);
    if (!shell::Succeeded(result.lastAnswer)) return false;
    result.opened = true;
    result.openedPath = path;
    return true;
}

}  // namespace

ShellOpener SetShellOpener(ShellOpener opener) {
    std::swap(installedOpener(), opener);
    return opener;
}

int ShellOpen(const QString &path) {
    return installedOpener() ? installedOpener()(path) : DesktopShellOpen(path);
}

bool DesktopCanOpen(const QString &path) {
    if (QStandardPaths::findExecutable("xdg-open").isEmpty()) return false;
    const QString type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
    if (!DefaultApplicationFor(type).isEmpty()) return true;
    return type == "text/html" && BrowserInstalled();
}

int DesktopShellOpen(const QString &path) {
    const QFileInfo info(path);
    if (!info.dir().exists()) return shell::kPathNotFound;
    // An empty or wrong name must not open the folder itself.
    if (!info.isFile()) return shell::kFileNotFound;
    if (!DesktopCanOpen(path)) return shell::kFailed;
    // xdg-open may stay until the viewer closes: it runs on its own.
    return QProcess::startDetached(QStandardPaths::findExecutable("xdg-open"), {info.absoluteFilePath()})
               ? shell::kOpened
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

QString HtmlManualName(const QString &manualName) {
    const QFileInfo info(manualName);
    return (info.suffix().isEmpty() ? manualName : manualName.left(manualName.size() - info.suffix().size() - 1)) +
           ".html";
}

ManualOpenResult OpenManual(const QString &programDir, const QString &manualName) {
    ManualOpenResult result;
    const QString manualDir = programDir + "/" + kManualFolder;
    const QString pdf = manualDir + "/" + manualName;
    if (TryOpen(pdf, result)) return result;
    const QString fallback = FindFallbackManual(manualDir);
    if (!fallback.isEmpty() && TryOpen(manualDir + "/" + fallback, result)) return result;
    // Without a PDF viewer the same manual opens in the browser.
    const QString html = manualDir + "/" + HtmlManualName(manualName);
    const int pdfAnswer = result.lastAnswer;
    if (QFileInfo(html).isFile() && TryOpen(html, result)) return result;
    // The message names a file that is there, so the user can open it another way.
    for (const QString &candidate : {pdf, fallback.isEmpty() ? QString() : manualDir + "/" + fallback, html})
        if (!candidate.isEmpty() && QFileInfo(candidate).isFile()) {
            result.manualPath = candidate;
            break;
        }
    const bool missing = result.manualPath.isEmpty() &&
                         (pdfAnswer == shell::kFileNotFound || pdfAnswer == shell::kPathNotFound);
    result.messageId = missing ? res::kStrManualMissing : res::kStrManualNotOpened;
    if (result.manualPath.isEmpty()) result.manualPath = pdf;
    return result;
}

}  // namespace ombra::ui
