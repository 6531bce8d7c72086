#include "platform/AtomicFile.h"

#include <QSaveFile>

namespace ombra::platform {

bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string *error) {
    QSaveFile file(QString::fromStdString(path));
    bool ok = file.open(QIODevice::WriteOnly) &&
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
