#include "Samples.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace fxsim {

namespace cm = ombra::colorimetry;

namespace {

struct Alias {
    const char *name;
    const char *target;  // a library sample, or a light source
    double lux;          // 0 for a reflecting sample
};

// The catalogue of earlier versions, kept so that scenarios and scripts written for it still work.
constexpr Alias kAliases[] = {
    {"paper", "paper_white", 0},   {"white", "white_tile", 0},       {"grey", "grey_18", 0},
    {"cyan", "solid_cyan", 0},     {"magenta", "solid_magenta", 0},  {"yellow", "solid_yellow", 0},
    {"black", "solid_black", 0},   {"daylight", "D65", 1000},        {"tungsten", "A", 500},
    {"led-4000", "LED4000K", 750},
};

// The library's spelling of a light source name, compared without regard to case.
std::optional<std::string> LightName(const std::string &name) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        return s;
    };
    for (const auto &known : cm::LightSourceNames())
        if (lower(known) == lower(name)) return known;
    return std::nullopt;
}

std::optional<Sample> Resolve(const std::string &name) {
    if (auto body = cm::FindSample(name)) return Sample{name, SampleKind::Reflectance, *body, {}};
    if (auto light = FindLight(name, kDefaultLux)) return light;
    auto at = name.find('@');
    if (at == std::string::npos) return std::nullopt;
    double lux = 0;
    const char *first = name.data() + at + 1, *last = name.data() + name.size();
    auto [end, ec] = std::from_chars(first, last, lux);
    if (ec != std::errc() || end != last || first == last) return std::nullopt;
    auto light = FindLight(name.substr(0, at), lux);
    if (light) light->name = name;
    return light;
}

}  // namespace

std::optional<Sample> FindLight(const std::string &name, double lux) {
    // Above 1e6 lx the values would no longer mean anything for a handheld instrument.
    if (!std::isfinite(lux) || lux <= 0 || lux > 1e6) return std::nullopt;
    auto known = LightName(name);
    if (!known) return std::nullopt;
    auto light = cm::MakeLightSource(*known, lux);
    if (!light) return std::nullopt;
    // Filled member by member: g++ 12 at -O3 takes the aggregate form for a read of an
    // uninitialised string.
    Sample sample;
    sample.name = name;
    sample.kind = SampleKind::Irradiance;
    sample.light = *light;
    return sample;
}

std::optional<Sample> FindSample(const std::string &name) {
    for (const auto &alias : kAliases) {
        if (name != alias.name) continue;
        auto sample = alias.lux > 0 ? FindLight(alias.target, alias.lux) : Resolve(alias.target);
        if (sample) sample->name = name;
        return sample;
    }
    return Resolve(name);
}

std::vector<std::string> SampleNames() {
    std::vector<std::string> names;
    for (const auto &alias : kAliases) names.push_back(alias.name);
    for (const auto &sample : cm::SampleLibrary()) names.push_back(sample.name);
    for (const auto &light : cm::LightSourceNames()) names.push_back(light);
    return names;
}

namespace {

std::optional<Sample> FromJson(const QByteArray &text, const QString &path, std::string &error) {
    const std::string where = path.toStdString();
    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (!doc.isObject()) {
        error = where + ": not a JSON object (" + parseError.errorString().toStdString() + ")";
        return std::nullopt;
    }
    QJsonObject object = doc.object();
    QString kind = object.value("kind").toString("reflectance");
    if (kind != "reflectance" && kind != "irradiance") {
        error = where + ": \"kind\" must be \"reflectance\" or \"irradiance\"";
        return std::nullopt;
    }
    int first = object.value("first").toInt(380), step = object.value("step").toInt(10);
    QJsonArray array = object.value("values").toArray();
    if (step <= 0 || array.size() < 2 || array.size() > 1000) {
        error = where + ": needs a positive \"step\" and 2 to 1000 \"values\"";
        return std::nullopt;
    }
    std::vector<float> values;
    for (const auto &value : array) {
        double v = value.toDouble(-1);
        if (!value.isDouble() || !std::isfinite(v) || v < 0 || v > FLT_MAX / 2) {
            error = where + ": every value must be a number of at least 0";
            return std::nullopt;
        }
        values.push_back(static_cast<float>(v));
    }
    Sample sample;
    sample.name = object.value("name").toString(QFileInfo(path).baseName()).toStdString();
    if (kind == "irradiance") {
        sample.kind = SampleKind::Irradiance;
        sample.light = {sample.name, cm::ResampleIrradiance(first, step, values)};
    } else {
        sample.reflecting = {sample.name, cm::ResampleReflectance(first, step, values), 0, 0};
    }
    return sample;
}

}  // namespace

std::optional<Sample> LoadSampleFile(const std::string &path, std::string &error) {
    QString file = QString::fromStdString(path);
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    QByteArray text = input.read(1 << 20);
    if (text.trimmed().startsWith('{')) return FromJson(text, file, error);
    std::string message;
    auto body = cm::ParseSampleText(text.toStdString(), QFileInfo(file).completeBaseName().toStdString(), &message);
    if (!body) {
        error = path + ": " + message;
        return std::nullopt;
    }
    return Sample{body->name, SampleKind::Reflectance, *body, {}};
}

}  // namespace fxsim
