#include "core/platform/UserFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace ombra::core::platform {
namespace {

constexpr const char *kProgramFolder = "Ombra Data Transfer";

const char *SubfolderOf(UserFiles kind) { return kind == UserFiles::ColorSets ? "ColorSet" : "Illuminants"; }

}  // namespace

std::string UserFilesFolder(UserFiles kind) {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::homePath() + "/Documents";
    return QDir::cleanPath(documents + "/" + kProgramFolder + "/" + SubfolderOf(kind)).toStdString();
}

}  // namespace ombra::core::platform
