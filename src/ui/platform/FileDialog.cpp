#include "ui/platform/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace ombra::ui::platform {
namespace {

FileDialogHook &hook() {
    static FileDialogHook instance;
    return instance;
}

// Patterns of one filter entry as the toolkit writes them: "*.a *.b".
QString patternList(const QString &patterns) {
    QStringList parts = patterns.split(';', Qt::SkipEmptyParts);
    for (QString &p : parts) p = p.trimmed();
    parts.removeAll(QString());
    return parts.join(' ');
}

// The toolkit takes the patterns from the last "(...)" of an entry, so keep a description
// that already ends with exactly its patterns, and append them otherwise.
QString filterEntry(const QString &description, const QString &patterns) {
    QString list = patternList(patterns);
    QString text = description.trimmed();
    if (list.isEmpty()) return text;
    int open = text.lastIndexOf('(');
    if (open >= 0 && text.endsWith(')') && patternList(text.mid(open + 1, text.size() - open - 2)) == list)
        return text;
    return (text.isEmpty() ? list : text + " ") + "(" + list + ")";
}

}  // namespace

QString ConvertFileFilter(const std::string &filter) {
    QStringList fields = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].isEmpty() && fields[i + 1].isEmpty()) break;  // the "||" end mark
        entries << filterEntry(fields[i], fields[i + 1]);
    }
    return entries.join(";;");
}

std::string AddDefaultExtension(const std::string &path, const std::string &extension) {
    std::string ext = extension;
    if (!ext.empty() && ext.front() == '.') ext.erase(0, 1);
    if (ext.empty() || path.empty()) return path;
    QString name = QFileInfo(QString::fromStdString(path)).fileName();
    if (name.isEmpty() || name.contains('.')) return path;
    return path + "." + ext;
}

FileDialogHook SetFileDialogHook(FileDialogHook newHook) {
    std::swap(hook(), newHook);
    return newHook;
}

std::optional<std::string> ShowFileDialog(QWidget *parent, const FileDialogRequest &request) {
    if (hook()) {
        std::optional<std::string> answer = hook()(request);
        if (!answer || answer->empty()) return std::nullopt;
        return AddDefaultExtension(*answer, request.defaultExtension);
    }
    QString start = QString::fromStdString(request.startFolder);
    // A folder that cannot be made leaves the user at home rather than in the working folder.
    if (request.createStartFolder && !start.isEmpty() && !QDir().mkpath(start)) start = QDir::homePath();
    QFileDialog dialog(parent, QString::fromStdString(request.title), start, ConvertFileFilter(request.filter));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The dialog adds the extension itself, before it asks about overwriting.
    QString ext = QString::fromStdString(request.defaultExtension);
    if (ext.startsWith('.')) ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    return AddDefaultExtension(files.front().toStdString(), request.defaultExtension);
}

}  // namespace ombra::ui::platform
