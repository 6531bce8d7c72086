#include "core/platform/ProfileStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <utility>
#include <vector>

#include "core/platform/PrivateFiles.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core::platform {
namespace {

// QSettings splits group names at "/" and treats "\\" specially; a model name must stay
// one section whatever it holds, so those characters are escaped reversibly.
QString sectionKey(const std::string &section) {
    QString out;
    for (QChar c : QString::fromStdString(section)) {
        if (c == '/' || c == '\\' || c == '%') out += QString("%%%1").arg(c.unicode(), 2, 16, QChar('0')).toUpper();
        else out += c;
    }
    return out;
}

QString fullKey(const std::string &section, const std::string &name) {
    QString key = QString::fromStdString(name);
    return section.empty() ? key : sectionKey(section) + "/" + key;
}

// Why the settings file could not be written, as far as can be told from outside.
std::string WriteFailureReason(const QString &file) {
    
    QFileInfo info(file);
    QFileInfo folder(info.absolutePath());
    const std::vector<std::string> path = {file.toStdString()}, folderPath = {folder.filePath().toStdString()};
    if (!folder.exists()) return ResString(res::kStrNoFolder, folderPath);
    if (!folder.isDir()) return ResString(res::kStrNotAFolder, folderPath);
    if (info.exists() && !info.isWritable()) return ResString(res::kStrFileReadOnly, path);
    if (!folder.isWritable()) return ResString(res::kStrFolderReadOnly, folderPath);
    return ResString(res::kStrCouldNotBeWritten, path);
}

class SettingsProfileStore : public ProfileStore {
public:
    explicit SettingsProfileStore(const std::string &fileName) : fileName_(fileName), settings_(MakeSettings()) {}

    int GetInt(const std::string &section, const std::string &name, int defaultValue) override {
        QVariant v = settings_->value(fullKey(section, name));
        if (!v.isValid()) return defaultValue;
        bool ok = false;
        // Stored as 32-bit numbers: 4294967295 reads back as -1, like a registry DWORD.
        qlonglong n = v.toLongLong(&ok);
        if (!ok) return defaultValue;
        return static_cast<int>(static_cast<uint32_t>(n & 0xFFFFFFFFLL));
    }

    std::string GetString(const std::string &section, const std::string &name,
                          const std::string &defaultValue) override {
        QVariant v = settings_->value(fullKey(section, name));
        if (!v.isValid()) return defaultValue;
        return v.toString().toStdString();
    }

    bool WriteInt(const std::string &section, const std::string &name, int value) override {
        Writable().setValue(fullKey(section, name), value);
        return commit();
    }

    bool WriteString(const std::string &section, const std::string &name, const std::string &value) override {
        Writable().setValue(fullKey(section, name), QString::fromStdString(value));
        return commit();
    }

    std::optional<std::string> TakeLastWriteError() override { return std::exchange(lastError_, std::nullopt); }

private:
    // A value set must survive a crash right after it: write through at once.
    bool commit() {
        // The folder is made the user's own before the first write can create the file in it.
        const QString file = settings_->fileName();
        if (!privateFolder_) privateFolder_ = MakePrivateFolder(QFileInfo(file).absolutePath().toStdString());
        settings_->sync();
        if (settings_->status() == QSettings::NoError) {
            if (!privateFile_) privateFile_ = MakePrivateFile(file.toStdString());
            failing_ = false;
            return true;
        }
        if (!failing_) lastError_ = WriteFailureReason(settings_->fileName());
        failing_ = true;
        return false;
    }

    // QSettings keeps an error status for good: after a failure each write starts on a fresh
    // object for the same file. The values not yet saved are still pending in QSettings' shared
    // file cache, so the next write that succeeds saves them too.
    QSettings &Writable() {
        if (failing_) settings_ = MakeSettings();  // made before the old one goes: it shares the cache
        return *settings_;
    }

    std::unique_ptr<QSettings> MakeSettings() const {
        if (!fileName_.empty()) return std::make_unique<QSettings>(QString::fromStdString(fileName_), QSettings::IniFormat);
        QString app = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (app.isEmpty()) app = "ombra-dts";
        return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "LARKSPUR", app);
    }

    std::string fileName_;
    std::unique_ptr<QSettings> settings_;
    bool failing_ = false;
    bool privateFolder_ = false;
    bool privateFile_ = false;
    std::optional<std::string> lastError_;
};

std::unique_ptr<ProfileStore> &current() {
    static std::unique_ptr<ProfileStore> store;
    return store;
}

}  // namespace

std::unique_ptr<ProfileStore> MakeSettingsProfileStore(const std::string &fileName) {
    return std::make_unique<SettingsProfileStore>(fileName);
}

ProfileStore &Profile() {
    if (!current()) current() = MakeSettingsProfileStore();
    return *current();
}

std::unique_ptr<ProfileStore> InstallProfileStore(std::unique_ptr<ProfileStore> store) {
    std::swap(current(), store);
    return store;
}

std::optional<Notice> TakeSettingsFailureNotice(ProfileStore &store) {
    std::optional<std::string> reason = store.TakeLastWriteError();
    if (!reason) return std::nullopt;
    return MakeNotice(res::kStrSettingsNotSaved, res::kStrMessageCaption, mb::ICONWARNING | mb::OK, {*reason});
}

}  // namespace ombra::core::platform
