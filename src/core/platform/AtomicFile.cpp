#include "platform/AtomicFile.h"

#include <QSaveFile>

namespace ombra::platform {

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
    return true;
}

}  // namespace ombra::platform
