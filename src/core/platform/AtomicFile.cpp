#include "core/platform/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>

namespace ombra::core::platform {

namespace {

// The rename that replaced the file is itself only durable once its folder reached the disk;
// without this a crash right after saving may bring back the old file, or no file at all.
// The folder is the one that holds the file the path finally names (a link's target).
bool SyncFolderOf(const std::string &path) {
    QFileInfo info(QString::fromStdString(path));
    QString target = info.canonicalFilePath();
    QString folder = QFileInfo(target.isEmpty() ? info.absoluteFilePath() : target).absolutePath();
    int fd = ::open(folder.toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string *error) {
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered: a buffered QSaveFile hands its bytes to the disk only in commit(), which
    // then reports success even when the disk took just part of them (full disk, file size
    // limit), and the cut file replaces the old one. Written directly, a short write shows.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
              file.write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size());
    if (!ok) {
        if (error) *error = file.errorString().toStdString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = file.errorString().toStdString();
        return false;
    }
    // The new contents are in place by now; a folder that cannot be synced does not undo that,
    // so it is not reported as a failed write.
    SyncFolderOf(path);
    return true;
}

AtomicFileWriter::AtomicFileWriter(const std::string &path) : path_(path) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ && file_->isOpen()) file_->cancelWriting();
}

bool AtomicFileWriter::Open(std::string *error) {
    file_ = std::make_unique<QSaveFile>(QString::fromStdString(path_));
    // Unbuffered for the reason WriteFileAtomically gives: a short write must show.
    if (file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return true;
    if (error) *error = file_->errorString().toStdString();
    return false;
}

bool AtomicFileWriter::Append(const std::string &bytes, std::string *error) {
    if (!file_ || !file_->isOpen()) return false;
    if (file_->write(bytes.data(), static_cast<qint64>(bytes.size())) == static_cast<qint64>(bytes.size())) return true;
    if (error) *error = file_->errorString().toStdString();
    file_->cancelWriting();
    return false;
}

bool AtomicFileWriter::Commit(std::string *error) {
    if (!file_ || !file_->isOpen()) return false;
    if (!file_->commit()) {
        if (error) *error = file_->errorString().toStdString();
        return false;
    }
    SyncFolderOf(path_);
    return true;
}

}  // namespace ombra::core::platform
