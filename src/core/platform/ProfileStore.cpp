#include "platform/ProfileStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QString>

namespace ombra::platform {
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

class SettingsProfileStore : public ProfileStore {
public:
    explicit SettingsProfileStore(const std::string &fileName) {
        if (!fileName.empty()) {
            settings_ = std::make_unique<QSettings>(QString::fromStdString(fileName), QSettings::IniFormat);
        } else {
            QString app = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
            if (app.isEmpty()) app = "ombra-dts";
            settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, "LARKSPUR", app);
        }
    }

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
        settings_->setValue(fullKey(section, name), value);
        return commit();
    }

    bool WriteString(const std::string &section, const std::string &name, const std::string &value) override {
        settings_->setValue(fullKey(section, name), QString::fromStdString(value));
        return commit();
    }

private:
    // A value set must survive a crash right after it: write through at once.
    bool commit() {
        settings_->sync();
        return settings_->status() == QSettings::NoError;
    }
    std::unique_ptr<QSettings> settings_;
};

std::unique_ptr<ProfileStore> &current() {
    static std::unique_ptr<ProfileStore> store;
    return store;
}

}  // namespace

std::unique_ptr<ProfileStore> MakeSettingsProfileStore(const std::string &fileName) {
    return std::make_unique<SettingsProfileStore>(fileName);
}

int MemoryProfileStore::GetInt(const std::string &section, const std::string &name, int defaultValue) {
    auto it = ints_.find({section, name});
    return it == ints_.end() ? defaultValue : it->second;
}

std::string MemoryProfileStore::GetString(const std::string &section, const std::string &name,
                                          const std::string &defaultValue) {
    auto it = strings_.find({section, name});
    return it == strings_.end() ? defaultValue : it->second;
}

bool MemoryProfileStore::WriteInt(const std::string &section, const std::string &name, int value) {
    Seed(section, name, value);
    writes_.push_back({section, name, true, value, {}});
    return true;
}

bool MemoryProfileStore::WriteString(const std::string &section, const std::string &name, const std::string &value) {
    Seed(section, name, value);
    writes_.push_back({section, name, false, 0, value});
    return true;
}

void MemoryProfileStore::Seed(const std::string &section, const std::string &name, int value) {
    ints_[{section, name}] = value;
}

void MemoryProfileStore::Seed(const std::string &section, const std::string &name, const std::string &value) {
    strings_[{section, name}] = value;
}

ProfileStore &Profile() {
    if (!current()) current() = MakeSettingsProfileStore();
    return *current();
}

std::unique_ptr<ProfileStore> InstallProfileStore(std::unique_ptr<ProfileStore> store) {
    std::swap(current(), store);
    return store;
}

}  // namespace ombra::platform
