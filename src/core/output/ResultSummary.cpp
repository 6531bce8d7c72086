#include "core/output/ResultSummary.h"

#include <cmath>
#include <cstring>

#include "colorimetry/Srgb.h"
#include "core/instrument/MeasuredData.h"
#include "core/output/JournalTransfer.h"
#include "core/output/Values.h"

namespace ombra::core {
namespace {

namespace cm = ombra::colorimetry;

constexpr int kLuxPlace = 138, kCctPlace = 139, kDuvPlace = 140;

std::optional<MeasuredDataRecord> RecordOf(const JournalEntry &entry) {
    if (entry.rawRecord.size() != sizeof(MeasuredDataRecord)) return std::nullopt;
    MeasuredDataRecord record;
    std::memcpy(record.FloatsAt(0), entry.rawRecord.data(), sizeof(MeasuredDataRecord));
    return record;
}

bool Usable(float v) { return std::isfinite(v) && !IsMissingValue(v); }

void SetReflectionColour(ResultSummary &s) {
    if (s.spectrum.size() != cm::kReflectanceCount) return;
    cm::Reflectance r{};
    for (size_t i = 0; i < r.size(); ++i) r[i] = s.spectrum[i].value / 100.0;
    const auto d50 = cm::TabulatedWeights(cm::kIlluminantD50, cm::kObserver2);
    const cm::Triple lab = cm::ToLab(cm::ToXYZ(r, *d50), cm::WhitePoint(*d50));
    const cm::SrgbColour colour = cm::LabD50ToSrgb(lab);
    s.labD50 = lab;
    s.swatch = colour.Bytes();
    s.outOfGamut = colour.outOfGamut;
}

void SetLightColour(ResultSummary &s, const MeasuredDataRecord &record) {
    s.lux = record.Float(kLuxPlace);
    s.cct = record.Float(kCctPlace);
    s.duv = record.Float(kDuvPlace);
    cm::Irradiance e{};
    for (int k = 0; k < cm::kIrradianceCount; ++k) {
        const float v = record.Float(MeasuredDataRecord::kIrradianceSpectrumFirst + k);
        e[static_cast<size_t>(k)] = Usable(v) ? v : 0.0;
    }
    const auto light = cm::AnalyseLight(e);
    if (!light) return;
    if (const auto colour = cm::ChromaticityToSrgb(light->x, light->y)) {
        s.swatch = colour->Bytes();
        s.outOfGamut = colour->outOfGamut;
    }
}

std::string SettingsLine(const JournalEntry &entry) {
    std::string line;
    for (const std::string &text : entry.settingTexts) {
        if (text.empty()) continue;
        if (!line.empty()) line += " · ";
        line += text;
    }
    return line;
}

}  // namespace

std::vector<SpectrumPoint> RecordedSpectrum(const JournalEntry &entry) {
    std::vector<SpectrumPoint> points;
    const std::optional<MeasuredDataRecord> record = RecordOf(entry);
    if (!record) return points;
    const bool irradiance = entry.measurementType != 1;
    const int first = irradiance ? MeasuredDataRecord::kIrradianceSpectrumFirst : MeasuredDataRecord::kSpectrum;
    const int count = irradiance ? cm::kIrradianceCount : cm::kReflectanceCount;
    const int firstNm = irradiance ? cm::kIrradianceFirstNm : cm::kReflectanceFirstNm;
    const int step = irradiance ? 5 : 10;
    for (int k = 0; k < count; ++k) {
        const float v = record->Float(first + k);
        if (!Usable(v)) continue;
        points.push_back({double(firstNm + step * k), irradiance ? double(v) : double(v) * 100.0});
    }
    return points;
}

std::string WhereText(const TransferOutcome &o) {
    std::string range = o.firstCell;
    if (!o.lastCell.empty() && o.lastCell != o.firstCell) range += (range.empty() ? "" : ":") + o.lastCell;
    std::string text = o.workbookName;
    for (const std::string &part : {o.sheetName, range})
        if (!part.empty()) text += (text.empty() ? "" : " › ") + part;
    return text;
}

ResultSummary SummariseEntry(const JournalEntry &entry, const std::string &missText) {
    ResultSummary s;
    s.irradiance = entry.measurementType != 1;
    s.spectrum = RecordedSpectrum(entry);
    if (!s.irradiance)
        SetReflectionColour(s);
    else if (const auto record = RecordOf(entry))
        SetLightColour(s, *record);
    for (const OutputItem &item : entry.valueItems) {
        if (s.firstValues.size() == kPanelValueCount) break;
        s.firstValues.emplace_back(item.label, item.valueText);
    }
    s.written = entry.outcome.written();
    s.where = s.written ? WhereText(entry.outcome) : (missText.empty() ? OutcomeText(entry.outcome) : missText);
    s.settingsLine = SettingsLine(entry);
    s.stamp = entry.date + " " + entry.time;
    return s;
}

}  // namespace ombra::core
