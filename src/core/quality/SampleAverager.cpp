#include "core/quality/SampleAverager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>

#include "colorimetry/Difference.h"

namespace ombra::core {
namespace {

using R = MeasuredDataRecord;
constexpr float kNotDelivered = std::numeric_limits<float>::max();
// Colour value 1 is L*, C*, h: its third value is an angle in degrees.
constexpr int kHuePlace = R::kColorValue1 + 2;

bool Delivered(float v) { return v != kNotDelivered && std::isfinite(v); }

// The circular mean of angles in degrees, 0..360.
double MeanAngle(const std::vector<double> &degrees) {
    double s = 0, c = 0;
    for (double d : degrees) {
        s += std::sin(d * std::numbers::pi / 180);
        c += std::cos(d * std::numbers::pi / 180);
    }
    double mean = std::atan2(s, c) * 180 / std::numbers::pi;
    return mean < 0 ? mean + 360 : mean;
}

// The mean of place `i`; nullopt when a reading did not deliver it.
std::optional<double> MeanAt(const std::vector<R> &records, int i) {
    std::vector<double> values;
    for (const R &r : records) {
        if (!Delivered(r.Float(i))) return std::nullopt;
        values.push_back(r.Float(i));
    }
    if (i == kHuePlace) return MeanAngle(values);
    double sum = 0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

// The automatic spot density: the wavelength most readings found (the first of a tie) and the
// mean density of those readings.
void MeanAutoSpot(const std::vector<R> &records, R &mean) {
    std::map<int32_t, int> counts;
    for (const R &r : records) ++counts[r.Int(R::kAutoSpotWavelength)];
    int32_t wavelength = records.front().Int(R::kAutoSpotWavelength);
    for (const R &r : records) {
        const int32_t w = r.Int(R::kAutoSpotWavelength);
        if (counts[w] > counts[wavelength]) wavelength = w;
    }
    std::vector<R> found;
    std::copy_if(records.begin(), records.end(), std::back_inserter(found),
                 [&](const R &r) { return r.Int(R::kAutoSpotWavelength) == wavelength; });
    const std::optional<double> density = MeanAt(found, R::kAutoSpotDensity);
    mean.SetInt(R::kAutoSpotWavelength, wavelength);
    mean.SetFloat(R::kAutoSpotDensity, density ? static_cast<float>(*density) : kNotDelivered);
}

std::optional<colorimetry::Triple> LabOf(const R &r) {
    colorimetry::Triple lab{};
    for (int k = 0; k < 3; ++k) {
        if (!Delivered(r.Float(R::kColorValue0 + k))) return std::nullopt;
        lab[k] = r.Float(R::kColorValue0 + k);
    }
    return lab;
}

}  // namespace

SampleAverager::SampleAverager(int readings)
    : readings_(std::clamp(readings, kMinReadingsPerSample, kMaxReadingsPerSample)) {}

void SampleAverager::SetReadings(int readings) {
    readings_ = std::clamp(readings, kMinReadingsPerSample, kMaxReadingsPerSample);
    records_.clear();
}

void SampleAverager::Add(const MeasuredDataRecord &record) {
    if (Complete()) records_.clear();
    records_.push_back(record);
}

std::optional<MeasuredDataRecord> SampleAverager::Mean() const {
    if (!Complete()) return std::nullopt;
    R mean;
    for (int i = 0; i < R::kAutoSpotDensity; ++i) {
        const std::optional<double> m = MeanAt(records_, i);
        mean.SetFloat(i, m ? static_cast<float>(*m) : kNotDelivered);
    }
    MeanAutoSpot(records_, mean);
    return mean;
}

std::optional<SampleSpread> SampleAverager::Spread() const {
    const std::optional<R> mean = Mean();
    const std::optional<colorimetry::Triple> meanLab = mean ? LabOf(*mean) : std::nullopt;
    if (!meanLab) return std::nullopt;
    SampleSpread spread;
    std::array<double, 3> squares{};
    for (const R &r : records_) {
        const colorimetry::Triple lab = *LabOf(r);  // delivered, or the mean would not be
        for (int k = 0; k < 3; ++k) squares[k] += (lab[k] - (*meanLab)[k]) * (lab[k] - (*meanLab)[k]);
        spread.maxDeltaE00 = std::max(spread.maxDeltaE00, colorimetry::DeltaE00(*meanLab, lab));
    }
    if (records_.size() > 1) {
        const double n1 = static_cast<double>(records_.size() - 1);
        spread.sdL = std::sqrt(squares[0] / n1);
        spread.sdA = std::sqrt(squares[1] / n1);
        spread.sdB = std::sqrt(squares[2] / n1);
    }
    return spread;
}

}  // namespace ombra::core
