#include "Samples.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace fxsim {

double Spectrum::At(double nm) const {
    if (values.empty()) return 0.0;
    double position = (nm - firstNm) / stepNm;
    if (position <= 0) return values.front();
    size_t last = values.size() - 1;
    if (position >= static_cast<double>(last)) return values.back();
    size_t i = static_cast<size_t>(position);
    double t = position - static_cast<double>(i);
    return values[i] * (1.0 - t) + values[i + 1] * t;
}

namespace {

double Bell(double nm, double centre, double width) {
    double d = (nm - centre) / width;
    return std::exp(-0.5 * d * d);
}

double Planck(double nm, double kelvin) {
    double m = nm * 1e-9;
    return 3.74183e-16 / (std::pow(m, 5) * (std::exp(1.4388e-2 / (m * kelvin)) - 1.0));
}

// A reflectance sampled every 10 nm from 380 to 730 nm.
template <typename Curve>
Sample Reflecting(const char *name, Curve curve) {
    Sample sample{name, SampleKind::Reflectance, {380, 10, {}}};
    for (int nm = 380; nm <= 730; nm += 10)
        sample.spectrum.values.push_back(static_cast<float>(std::clamp(curve(nm), 0.0, 1.2)));
    return sample;
}

// A light source sampled every 5 nm from 360 to 780 nm, scaled to roughly `lux`.
template <typename Curve>
Sample Emitting(const char *name, double lux, Curve curve) {
    Sample sample{name, SampleKind::Irradiance, {360, 5, {}}};
    double luminous = 0;
    for (int nm = 360; nm <= 780; nm += 5) luminous += curve(nm) * Bell(nm, 557, 42) * 5;
    double scale = lux / (683.0 * luminous);
    for (int nm = 360; nm <= 780; nm += 5) sample.spectrum.values.push_back(static_cast<float>(curve(nm) * scale));
    return sample;
}

std::vector<Sample> MakeCatalogue() {
    std::vector<Sample> samples;
    samples.push_back(Reflecting("paper", [](double nm) { return 0.86 + 0.06 * Bell(nm, 440, 18) - 0.25 * Bell(nm, 385, 12); }));
    samples.push_back(Reflecting("white", [](double) { return 0.90; }));
    samples.push_back(Reflecting("grey", [](double) { return 0.18; }));
    samples.push_back(Reflecting("cyan", [](double nm) { return 0.05 + 0.75 * Bell(nm, 480, 45); }));
    samples.push_back(Reflecting("magenta", [](double nm) { return 0.06 + 0.75 * Bell(nm, 420, 30) + 0.85 / (1 + std::exp(-(nm - 610) / 12)); }));
    samples.push_back(Reflecting("yellow", [](double nm) { return 0.05 + 0.83 / (1 + std::exp(-(nm - 505) / 12)); }));
    samples.push_back(Reflecting("black", [](double nm) { return 0.025 + 0.005 * Bell(nm, 700, 40); }));
    samples.push_back(Emitting("daylight", 1000, [](double nm) { return Planck(nm, 6500); }));
    samples.push_back(Emitting("tungsten", 500, [](double nm) { return Planck(nm, 2856); }));
    samples.push_back(Emitting("led-4000", 750, [](double nm) { return 0.6 * Bell(nm, 450, 10) + Bell(nm, 590, 55); }));
    return samples;
}

}  // namespace

const std::vector<Sample> &BuiltinSamples() {
    static const std::vector<Sample> samples = MakeCatalogue();
    return samples;
}

const Sample *FindSample(const std::string &name) {
    for (const auto &sample : BuiltinSamples())
        if (sample.name == name) return &sample;
    return nullptr;
}

std::optional<Sample> LoadSampleFile(const std::string &path, std::string &error) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    QJsonParseError parseError;
    QJsonDocument doc = QJsonDocument::fromJson(file.read(1 << 20), &parseError);
    if (!doc.isObject()) {
        error = path + ": not a JSON object (" + parseError.errorString().toStdString() + ")";
        return std::nullopt;
    }
    QJsonObject object = doc.object();
    Sample sample;
    sample.name = object.value("name").toString(QFileInfo(file).baseName()).toStdString();
    QString kind = object.value("kind").toString("reflectance");
    if (kind != "reflectance" && kind != "irradiance") {
        error = path + ": \"kind\" must be \"reflectance\" or \"irradiance\"";
        return std::nullopt;
    }
    sample.kind = kind == "irradiance" ? SampleKind::Irradiance : SampleKind::Reflectance;
    sample.spectrum.firstNm = object.value("first").toInt(380);
    sample.spectrum.stepNm = object.value("step").toInt(10);
    QJsonArray values = object.value("values").toArray();
    if (sample.spectrum.stepNm <= 0 || values.size() < 2 || values.size() > 1000) {
        error = path + ": needs a positive \"step\" and 2 to 1000 \"values\"";
        return std::nullopt;
    }
    for (const auto &value : values) {
        if (!value.isDouble() || !std::isfinite(value.toDouble()) || value.toDouble() < 0) {
            error = path + ": every value must be a number of at least 0";
            return std::nullopt;
        }
        sample.spectrum.values.push_back(static_cast<float>(value.toDouble()));
    }
    return sample;
}

}  // namespace fxsim
