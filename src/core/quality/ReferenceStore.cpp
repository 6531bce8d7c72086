#include "core/quality/ReferenceStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/colorset/ColorSet.h"
#include "core/instrument/MeasuredData.h"
#include "core/instrument/PropertyTables.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/AtomicFile.h"
#include "core/platform/PrivateFiles.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

constexpr int kFileVersion = 1;

// Colour-set formulas: 0 ΔE*ab, 1 CMC, 2 ΔE94, 3 ΔE00, 4 Hunter.
std::optional<DeltaEFormula> FormulaOfColorSet(int differenceFormula) {
    switch (differenceFormula) {
    case 0: return DeltaEFormula::Cie76;
    case 1: return DeltaEFormula::Cmc;
    case 2: return DeltaEFormula::Cie94;
    case 3: return DeltaEFormula::Ciede2000;
    default: return std::nullopt;
    }
}

QJsonArray ToArray(std::span<const double> values) {
    QJsonArray a;
    for (double v : values) a.append(v);
    return a;
}

template <size_t N>
bool FromArray(const QJsonValue &value, std::array<double, N> &out) {
    const QJsonArray a = value.toArray();
    if (a.size() != static_cast<qsizetype>(N)) return false;
    for (size_t i = 0; i < N; ++i) {
        if (!a[static_cast<qsizetype>(i)].isDouble()) return false;
        out[i] = a[static_cast<qsizetype>(i)].toDouble();
    }
    return true;
}

QJsonObject ToJson(const Reference &r) {
    const ColourTolerance &t = r.tolerance;
    QJsonObject tolerance{{"formula", static_cast<int>(t.formula)}, {"limit", t.limit},
                          {"factors", ToArray(t.factors)},         {"components", ToArray(t.componentLimits)},
                          {"warn", t.warnFraction}};
    QJsonObject o{{"name", QString::fromStdString(r.name)}, {"lab", ToArray(r.lab)},
                  {"illuminant", r.conditions.illuminant}, {"observer", r.conditions.observer},
                  {"tolerance", tolerance}};
    if (r.spectrum) o["spectrum"] = ToArray(*r.spectrum);
    return o;
}

std::optional<Reference> FromJson(const QJsonObject &o) {
    Reference r;
    r.name = o["name"].toString().toStdString();
    r.conditions = {o["illuminant"].toInt(-1), o["observer"].toInt(-1)};
    if (!FromArray(o["lab"], r.lab)) return std::nullopt;
    if (o.contains("spectrum")) {
        ReflectanceSpectrum s{};
        if (!FromArray(o["spectrum"], s)) return std::nullopt;
        r.spectrum = s;
    }
    const QJsonObject t = o["tolerance"].toObject();
    const int formula = t["formula"].toInt(-1);
    if (formula < 0 || formula >= kDeltaEFormulas) return std::nullopt;
    r.tolerance.formula = static_cast<DeltaEFormula>(formula);
    r.tolerance.limit = t["limit"].toDouble();
    r.tolerance.warnFraction = t["warn"].toDouble();
    if (!FromArray(t["factors"], r.tolerance.factors) || !FromArray(t["components"], r.tolerance.componentLimits))
        return std::nullopt;
    if (!IsValidReference(r)) return std::nullopt;
    return r;
}

bool ValidLimit(double v) { return std::isfinite(v) && v >= 0; }

Comparison NotComparedFor(const std::string &name, NotCompared reason) {
    Comparison c;
    c.referenceName = name;
    c.reason = reason;
    return c;
}

}  // namespace

bool IsValidReference(const Reference &r) { return !r.name.empty() && HasValidValues(r); }

bool HasValidValues(const Reference &r) {
    const auto finite = [](double v) { return std::isfinite(v); };
    const ColourTolerance &t = r.tolerance;
    return std::all_of(r.lab.begin(), r.lab.end(), finite) && r.lab[0] >= 0 && r.lab[0] <= 100 &&
           r.conditions.illuminant >= 0 && r.conditions.illuminant < colorimetry::kIlluminantCount &&
           (r.conditions.observer == colorimetry::kObserver2 || r.conditions.observer == colorimetry::kObserver10) &&
           (!r.spectrum || std::all_of(r.spectrum->begin(), r.spectrum->end(), finite)) && ValidLimit(t.limit) &&
           std::all_of(t.componentLimits.begin(), t.componentLimits.end(), ValidLimit) &&
           std::all_of(t.factors.begin(), t.factors.end(), [](double f) { return std::isfinite(f) && f > 0; }) &&
           std::isfinite(t.warnFraction) && t.warnFraction >= 0 && t.warnFraction < 1;
}

std::vector<Reference> ReferencesOfColorSet(const ColorSet &set) {
    std::vector<Reference> refs;
    const std::optional<DeltaEFormula> formula = FormulaOfColorSet(set.differenceFormula);
    for (int k = 0; k < kColorSetColors; ++k) {
        const ColorEntry &colour = set.colors[k];
        if (colour.valid != 1) continue;
        Reference r;
        // An unnamed colour is known by its set and number.
        r.name = colour.name.empty() ? set.name + " " + std::to_string(k + 1) : colour.name;
        r.lab = {colour.L, colour.a, colour.b};
        r.conditions = {set.illuminant, set.observer};
        if (formula) r.tolerance.formula = *formula;
        for (int k = 0; k < 3; ++k) r.tolerance.factors[k] = set.factors[k];
        if (colour.toleranceCheck == 1) {
            const auto limit = [&](int t) { return colour.tolerances[t].inUse ? colour.tolerances[t].value : 0.0; };
            r.tolerance.componentLimits[static_cast<int>(Component::dL)] = limit(0);
            r.tolerance.componentLimits[static_cast<int>(Component::dC)] = limit(1);
            r.tolerance.componentLimits[static_cast<int>(Component::dH)] = limit(2);
            if (formula) r.tolerance.limit = limit(3);
        }
        refs.push_back(r);
    }
    return refs;
}

std::optional<Reference> ReferenceOfRecord(const std::string &name, const MeasuredDataRecord &record,
                                           const ViewingConditions &conditions) {
    Reference r;
    r.name = name;
    r.conditions = conditions;
    for (int k = 0; k < 3; ++k) r.lab[k] = record.Float(MeasuredDataRecord::kColorValue0 + k);
    r.spectrum = SpectrumOf(record);
    const auto notDelivered = [](double v) { return v == std::numeric_limits<float>::max(); };
    if (!HasValidValues(r) || std::any_of(r.lab.begin(), r.lab.end(), notDelivered)) return std::nullopt;
    return r;
}

namespace {

// The code of the list entry whose text is `text`; 0 when none has it.
template <size_t N>
int CodeOfText(const ListEntry (&entries)[N], const std::string &text) {
    for (const ListEntry &e : entries)
        if (platform::ResString(e.stringId) == text) return e.code;
    return 0;
}

}  // namespace

std::optional<Reference> ReferenceOfJournalEntry(const std::string &name, const JournalEntry &entry) {
    constexpr int kObserverText = 3, kIlluminantText = 4;
    if (entry.measurementType != 1 || entry.rawRecord.size() != sizeof(MeasuredDataRecord)) return std::nullopt;
    const std::optional<ViewingConditions> conditions =
        ConditionsOfCodes(CodeOfText(meas::kObserverEntries, entry.settingTexts[kObserverText]),
                          CodeOfText(meas::kIlluminantEntries, entry.settingTexts[kIlluminantText]));
    if (!conditions) return std::nullopt;
    MeasuredDataRecord record;
    std::memcpy(record.FloatsAt(0), entry.rawRecord.data(), sizeof record);
    return ReferenceOfRecord(name, record, *conditions);
}

QString ReferenceStore::DefaultPath() {
    return QFileInfo(MeasurementJournal::DefaultPath()).absolutePath() + "/references.json";
}

ReferenceStore::ReferenceStore(QString path) : path_(std::move(path)) { Load(); }

void ReferenceStore::Load() {
    QFile file(path_);
    if (!file.exists()) return;
    bool sound = file.open(QIODevice::ReadOnly);
    QJsonParseError parseError{};
    const QJsonDocument doc = sound ? QJsonDocument::fromJson(file.readAll(), &parseError) : QJsonDocument();
    file.close();
    const QJsonObject root = doc.object();
    sound = sound && parseError.error == QJsonParseError::NoError && root["version"].toInt() == kFileVersion;
    std::vector<Reference> read;
    for (const QJsonValue &v : root["references"].toArray()) {
        std::optional<Reference> r = sound ? FromJson(v.toObject()) : std::nullopt;
        if (!r || Find(r->name)) sound = false;
        if (!sound) break;
        references_.push_back(*r);
    }
    if (sound) {
        active_ = root["active"].toString().toStdString();
        if (!Find(active_)) active_.clear();
        nearest_ = root["nearest"].toBool();
        return;
    }
    // Nothing half-read: the damaged file is kept aside for the user and the list starts empty.
    references_.clear();
    const QString aside = path_ + ".damaged-" + QDateTime::currentDateTimeUtc().toString("yyyyMMddTHHmmss");
    QFile::rename(path_, aside);
    loadProblem_ = QDir::toNativeSeparators(aside).toStdString();
}

bool ReferenceStore::Save() {
    QJsonArray list;
    for (const Reference &r : references_) list.append(ToJson(r));
    const QJsonObject root{{"version", kFileVersion}, {"active", QString::fromStdString(active_)},
                           {"nearest", nearest_}, {"references", list}};
    saveError_.clear();
    const std::string folder = QFileInfo(path_).absolutePath().toStdString();
    if (!platform::MakePrivateFolder(folder)) {
        saveError_ = folder;
        return false;
    }
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return platform::WriteFileAtomically(path_.toStdString(), bytes.toStdString(), &saveError_);
}

const Reference *ReferenceStore::Find(const std::string &name) const {
    auto it = std::find_if(references_.begin(), references_.end(), [&](const Reference &r) { return r.name == name; });
    return it == references_.end() ? nullptr : &*it;
}

const Reference *ReferenceStore::Active() const { return nearest_ ? nullptr : Find(active_); }

bool ReferenceStore::Put(const Reference &reference) {
    saveError_.clear();
    if (!IsValidReference(reference)) return false;
    auto it = std::find_if(references_.begin(), references_.end(),
                           [&](const Reference &r) { return r.name == reference.name; });
    if (it != references_.end()) *it = reference;
    else references_.push_back(reference);
    return Save();
}

bool ReferenceStore::Remove(const std::string &name) {
    const auto removed = std::erase_if(references_, [&](const Reference &r) { return r.name == name; });
    if (removed == 0) return true;
    if (active_ == name) active_.clear();
    return Save();
}

bool ReferenceStore::SetActive(const std::string &name) {
    saveError_.clear();
    if (!name.empty() && !Find(name)) return false;
    active_ = name;
    return Save();
}

bool ReferenceStore::SetNearestMode(bool on) {
    nearest_ = on;
    return Save();
}

ImportResult ReferenceStore::Import(const std::vector<ReferenceFileEntry> &entries, const ViewingConditions &conditions,
                                    const ColourTolerance &tolerance) {
    ImportResult result;
    std::vector<Reference> taken;
    for (const ReferenceFileEntry &e : entries) {
        Reference r{e.name, e.lab, e.conditions.value_or(conditions), e.spectrum, e.tolerance.value_or(tolerance)};
        if (!IsValidReference(r)) {
            result.badLine = e.line;
            result.error = platform::ResQString(res::kStrBadEntry).arg(e.line).toStdString();
            return result;
        }
        taken.push_back(std::move(r));
    }
    for (const Reference &r : taken) {
        auto it = std::find_if(references_.begin(), references_.end(), [&](const Reference &o) { return o.name == r.name; });
        if (it != references_.end()) *it = r;
        else references_.push_back(r);
    }
    result.imported = static_cast<int>(taken.size());
    if (!Save()) result.error = saveError_;
    return result;
}

std::optional<Comparison> ReferenceStore::CompareWith(const std::optional<MeasuredColour> &measured) const {
    const Reference *reference = Active();
    if (nearest_ && measured) {
        const std::optional<size_t> nearest = NearestReference(references_, *measured);
        if (nearest) reference = &references_[*nearest];
        else if (!references_.empty()) return NotComparedFor({}, NotCompared::ConditionsDiffer);
    }
    if (!reference) {
        if (nearest_ && !references_.empty()) return NotComparedFor({}, NotCompared::NoLab);
        return std::nullopt;
    }
    if (!measured) return NotComparedFor(reference->name, NotCompared::NoLab);
    return Compare(*reference, *measured);
}

}  // namespace ombra::core
