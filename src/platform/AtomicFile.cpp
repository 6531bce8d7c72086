#include "platform/AtomicFile.h"

#include <QSaveFile>

namespace ombra::platform {

bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string *error) {
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered, so a short write (disk full, file size limit) shows in write()'s count: a
    // buffered write reports everything as written and its flush at commit can lose the tail.
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
    return true;
}

}  // namespace ombra::platform
