#include "Scenario.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <set>

namespace fxsim {
namespace {

bool IsInteger(const QJsonValue &value, double low, double high) {
    if (!value.isDouble()) return false;
    double number = value.toDouble();
    return std::floor(number) == number && number >= low && number <= high;
}

// Reads one device; returns false with `error` set.
bool ReadDevice(const QJsonObject &object, DeviceConfig &device, std::string &error) {
    static const std::set<QString> known = {"model", "serial", "version", "calibrationStatus", "polarization",
                                            "sample", "light", "name", "userIlluminantSupported"};
    for (const auto &key : object.keys())
        if (!known.count(key)) {
            error = "unknown key \"" + key.toStdString() + "\"";
            return false;
        }
    auto integer = [&](const char *key, double low, double high, auto &out) {
        if (!object.contains(key)) return true;
        if (!IsInteger(object.value(key), low, high)) {
            error = std::string("\"") + key + "\" must be an integer from " + std::to_string(static_cast<long long>(low)) +
                    " to " + std::to_string(static_cast<long long>(high));
            return false;
        }
        out = static_cast<std::remove_reference_t<decltype(out)>>(object.value(key).toDouble());
        return true;
    };
    auto pair = [&](const char *key, double high0, double high1, auto &out) {
        if (!object.contains(key)) return true;
        QJsonArray array = object.value(key).toArray();
        if (!object.value(key).isArray() || array.size() != 2 || !IsInteger(array[0], 0, high0) ||
            !IsInteger(array[1], 0, high1)) {
            error = std::string("\"") + key + "\" must be a pair of integers [first, second] within range";
            return false;
        }
        out[0] = static_cast<std::remove_reference_t<decltype(out[0])>>(array[0].toDouble());
        out[1] = static_cast<std::remove_reference_t<decltype(out[1])>>(array[1].toDouble());
        return true;
    };
    auto sample = [&](const char *key, SampleKind kind, std::string &out) {
        if (!object.contains(key)) return true;
        auto found = FindSample(object.value(key).toString().toStdString());
        if (!object.value(key).isString() || !found || found->kind != kind) {
            error = std::string("\"") + key + "\" names no " +
                    (kind == SampleKind::Reflectance ? "reflecting sample" : "light source") + " of the catalogue";
            return false;
        }
        out = found->name;
        return true;
    };
    if (!integer("model", 0, INT32_MAX, device.model) || !integer("serial", 0, INT32_MAX, device.serial) ||
        !integer("calibrationStatus", INT32_MIN, INT32_MAX, device.calibrationStatus) ||
        !pair("version", UINT32_MAX, UINT32_MAX, device.version) || !pair("polarization", 2, 1, device.polarization) ||
        !sample("sample", SampleKind::Reflectance, device.sample) ||
        !sample("light", SampleKind::Irradiance, device.light))
        return false;
    if (object.contains("name")) {
        if (!object.value("name").isString()) {
            error = "\"name\" must be a text";
            return false;
        }
        device.name = object.value("name").toString().toStdString();
    }
    if (object.contains("userIlluminantSupported")) {
        if (!object.value("userIlluminantSupported").isBool()) {
            error = "\"userIlluminantSupported\" must be true or false";
            return false;
        }
        device.userIlluminantSupported = object.value("userIlluminantSupported").toBool();
    }
    return true;
}

}  // namespace

std::optional<std::vector<DeviceConfig>> ParseScenario(const QByteArray &json, std::string &error) {
    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        error = "not valid JSON: " + parseError.errorString().toStdString() + " at offset " +
                std::to_string(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isObject()) {
        error = "the scenario must be a JSON object with a \"devices\" list";
        return std::nullopt;
    }
    QJsonObject root = doc.object();
    for (const auto &key : root.keys())
        if (key != "devices") {
            error = "unknown key \"" + key.toStdString() + "\" at the top level";
            return std::nullopt;
        }
    std::vector<DeviceConfig> devices;
    if (!root.contains("devices")) {
        devices.emplace_back();
        return devices;
    }
    if (!root.value("devices").isArray()) {
        error = "\"devices\" must be a list";
        return std::nullopt;
    }
    QJsonArray list = root.value("devices").toArray();
    if (list.size() > 64) {
        error = "at most 64 devices";
        return std::nullopt;
    }
    std::set<int32_t> serials;
    for (qsizetype i = 0; i < list.size(); ++i) {
        DeviceConfig device;
        device.serial = 1000001 + static_cast<int32_t>(i);
        std::string why;
        if (!list[i].isObject() || !ReadDevice(list[i].toObject(), device, why)) {
            error = "device " + std::to_string(i) + ": " + (why.empty() ? "must be a JSON object" : why);
            return std::nullopt;
        }
        if (!serials.insert(device.serial).second) {
            error = "device " + std::to_string(i) + ": serial " + std::to_string(device.serial) + " used twice";
            return std::nullopt;
        }
        devices.push_back(device);
    }
    return devices;
}

std::optional<StoredBySerial> ParseState(const QByteArray &json, std::string &error) {
    QJsonDocument doc = QJsonDocument::fromJson(json);
    if (!doc.isObject() || !doc.object().value("devices").isObject()) {
        error = "not a state file of the virtual instrument";
        return std::nullopt;
    }
    StoredBySerial state;
    QJsonObject devices = doc.object().value("devices").toObject();
    for (const auto &key : devices.keys()) {
        bool ok = false;
        int32_t serial = key.toInt(&ok);
        QJsonObject entry = devices.value(key).toObject();
        if (!ok) continue;
        StoredData &data = state[serial];
        QJsonObject colorSets = entry.value("slots").toObject();
        for (const auto &slotKey : colorSets.keys()) {
            int slot = slotKey.toInt(&ok);
            QByteArray record = QByteArray::fromBase64(colorSets.value(slotKey).toString().toLatin1());
            if (!ok || slot < 0 || slot >= 50 || record.size() != 1260) continue;
            data.colorSets[static_cast<size_t>(slot)] = std::vector<uint8_t>(record.begin(), record.end());
        }
        QJsonArray illuminant = entry.value("userIlluminant").toArray();
        if (illuminant.size() == 97)
            for (qsizetype i = 0; i < 97; ++i)
                data.userIlluminant[static_cast<size_t>(i)] = static_cast<float>(illuminant[i].toDouble());
    }
    return state;
}

QByteArray SerializeState(const StoredBySerial &state) {
    QJsonObject devices;
    for (const auto &[serial, data] : state) {
        QJsonObject colorSets;
        for (size_t i = 0; i < data.colorSets.size(); ++i)
            if (data.colorSets[i]) {
                QByteArray record(reinterpret_cast<const char *>(data.colorSets[i]->data()),
                                  static_cast<qsizetype>(data.colorSets[i]->size()));
                colorSets.insert(QString::number(i), QString::fromLatin1(record.toBase64()));
            }
        QJsonArray illuminant;
        for (float value : data.userIlluminant) illuminant.append(static_cast<double>(value));
        devices.insert(QString::number(serial), QJsonObject{{"slots", colorSets}, {"userIlluminant", illuminant}});
    }
    return QJsonDocument(QJsonObject{{"devices", devices}}).toJson();
}

}  // namespace fxsim
