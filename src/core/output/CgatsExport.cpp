#include "core/output/CgatsExport.h"

#include <QDateTime>
#include <QFile>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>

#include "core/instrument/MeasuredData.h"
#include "core/instrument/PropertyTables.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

// In the order of cgats::Reason.
constexpr int kReasonTexts[] = {res::kStrUnclosedQuote, res::kStrValueCountWrong, res::kStrNotANumber,
                                res::kStrCountMismatch, res::kStrIsMissing,         res::kStrNotExpectedHere,
                                res::kStrNothingToRead};

constexpr qint64 kMaxReferenceFileBytes = 64 * 1024 * 1024;

// Places of the measured record and the items that carry the same values.
constexpr int kLabPlace = MeasuredDataRecord::kColorValue0;  // items 1000..1002
constexpr int kXyzPlace = MeasuredDataRecord::kColorValue4;  // items 1005..1007
constexpr int kLabItem = 1000, kXyzItem = 1005;

// The illuminants of the measurement settings, in the order of their list, as CGATS names them.
constexpr const char *kIlluminantNames[] = {"A",  "C",  "D50", "D55", "D65", "D75", "F1", "F2",
                                            "F3", "F6", "F7", "F8",  "F10", "F11", "USER"};
static_assert(std::size(kIlluminantNames) == std::size(meas::kIlluminantEntries));

// The values of an entry: from its measured record, or from its value items when it has none.
class EntryValues {
public:
    explicit EntryValues(const JournalEntry &entry) : entry_(entry) {
        if (entry.rawRecord.size() == sizeof(MeasuredDataRecord)) {
            record_.emplace();
            std::memcpy(static_cast<void *>(&*record_), entry.rawRecord.data(), sizeof(MeasuredDataRecord));
        }
    }
    std::optional<double> At(int place, int item) const {
        double v = 0;
        if (record_) {
            v = record_->Float(place);
        } else {
            auto it = std::find_if(entry_.valueItems.begin(), entry_.valueItems.end(),
                                   [&](const OutputItem &o) { return o.identifier == item; });
            if (it == entry_.valueItems.end()) return std::nullopt;
            v = it->value;
        }
        if (!std::isfinite(v) || IsMissingValue(v)) return std::nullopt;
        return v;
    }
    // All three values, or none.
    std::optional<std::array<double, 3>> Triple(int place, int item) const {
        std::array<double, 3> t{};
        for (int i = 0; i < 3; ++i) {
            std::optional<double> v = At(place + i, item + i);
            if (!v) return std::nullopt;
            t[static_cast<size_t>(i)] = *v;
        }
        return t;
    }

private:
    const JournalEntry &entry_;
    std::optional<MeasuredDataRecord> record_;
};

int MaskOfText(std::span<const ListEntry> list, const std::string &text) {
    for (const ListEntry &e : list)
        if (!text.empty() && platform::ResString(e.stringId) == text) return e.code;
    return -1;
}

std::string IlluminantOfMask(int mask) {
    for (size_t i = 0; i < std::size(meas::kIlluminantEntries); ++i)
        if (meas::kIlluminantEntries[i].code == mask) return kIlluminantNames[i];
    return {};
}

// The conditions of an entry as keywords. The settings are kept as the texts shown when the
// measurement was taken; a text of another language than the present one is written as it is.
std::vector<cgats::Keyword> ConditionKeywords(const JournalEntry &entry) {
    const auto &[typeText, condText, whiteRefText, observerText, illuminantText, polarizationText] = entry.settingTexts;
    (void)typeText;
    (void)whiteRefText;
    std::string illuminant = IlluminantOfMask(MaskOfText(meas::kIlluminantEntries, illuminantText));
    if (illuminant.empty()) illuminant = illuminantText;
    std::string condition = condText;
    const int condMask = condText == platform::ResString(meas::kPolarizedCondition.stringId)
                             ? meas::kPolarizedCondition.code
                             : MaskOfText(meas::kConditionEntries, condText);
    const std::map<int, std::string> mConditions = {{0x1, "M0"}, {0x4, "M1"}, {0x4000, "M2"}, {meas::kPolarizedCondition.code, "M3"}};
    if (auto m = mConditions.find(condMask); m != mConditions.end()) {
        condition = m->second;
    } else if (const std::string source = IlluminantOfMask(condMask); !source.empty()) {
        // A light source matched to an illuminant: the colour values are for that illuminant.
        condition = "Source " + source;
        illuminant = source;
    }
    std::string observer = observerText;
    if (const int mask = MaskOfText(meas::kObserverEntries, observerText); mask > 0) observer = mask == 0x1 ? "2" : "10";
    std::string polarization = polarizationText;
    if (const int code = MaskOfText(meas::kPolarizationEntries, polarizationText); code >= 0) polarization = code ? "ON" : "OFF";
    const bool reflection = entry.measurementType == 1;
    std::vector<cgats::Keyword> k = {{"INSTRUMENTATION", entry.model + (entry.serial.empty() ? "" : " " + entry.serial)},
                                     {"MEAS_TYPE", reflection ? "REFLECTIVE" : "AMBIENT"}};
    // An irradiance measurement has no sample illuminant, condition or polarisation.
    if (!reflection) return k;
    for (cgats::Keyword kw : {cgats::Keyword{"ILLUMINATION_NAME", illuminant}, {"OBSERVER_ANGLE", observer},
                              {"MEASUREMENT_CONDITION", condition}, {"POLARIZATION", polarization}})
        if (!kw.value.empty()) k.push_back(std::move(kw));
    return k;
}

// One measurement as a set: its conditions and fields decide the table it goes into.
struct Set {
    std::vector<cgats::Keyword> keywords;
    std::vector<std::string> fields;
    std::vector<std::string> values;
};

void AddSpectrum(const JournalEntry &entry, const EntryValues &values, Set &set) {
    const bool reflection = entry.measurementType == 1;
    const int first = reflection ? 380 : 360, step = reflection ? 10 : 5, gridFirst = reflection ? 380 : 300;
    const int last = 730;
    std::vector<std::string> spectrum;
    for (int nm = first; nm <= last; nm += step) {
        const std::optional<double> v = values.At((nm - gridFirst) / step, nm);
        if (!v) return;  // a spectrum with a gap is left out whole
        spectrum.push_back(cgats::FormatNumber(reflection ? *v * 100 : *v, reflection ? 4 : 6));
    }
    set.keywords.insert(set.keywords.end(), {{"SPECTRAL_BANDS", std::to_string(spectrum.size())},
                                             {"SPECTRAL_START_NM", std::to_string(first)},
                                             {"SPECTRAL_END_NM", std::to_string(last)},
                                             {"SPECTRAL_NORM", reflection ? "100" : "1"}});
    for (int nm = first; nm <= last; nm += step) set.fields.push_back("SPEC_" + std::to_string(nm));
    set.values.insert(set.values.end(), spectrum.begin(), spectrum.end());
}

Set SetOf(const JournalEntry &entry) {
    Set set{ConditionKeywords(entry), {"SAMPLE_ID", "SAMPLE_NAME"}, {"", entry.date + " " + entry.time}};
    const EntryValues values(entry);
    AddSpectrum(entry, values, set);
    if (entry.measurementType != 1) return set;
    const std::pair<const char *, std::optional<std::array<double, 3>>> colours[] = {
        {"XYZ_", values.Triple(kXyzPlace, kXyzItem)}, {"LAB_", values.Triple(kLabPlace, kLabItem)}};
    for (const auto &[prefix, triple] : colours) {
        if (!triple) continue;
        const char *axes = std::strcmp(prefix, "XYZ_") == 0 ? "XYZ" : "LAB";
        for (int i = 0; i < 3; ++i) {
            set.fields.push_back(std::string(prefix) + axes[i]);
            set.values.push_back(cgats::FormatNumber((*triple)[static_cast<size_t>(i)], 4));
        }
    }
    return set;
}

bool SameTable(const Set &set, const cgats::Table &table, size_t fixedKeywords) {
    if (set.fields != table.fields || set.keywords.size() + fixedKeywords != table.keywords.size()) return false;
    for (size_t i = 0; i < set.keywords.size(); ++i) {
        const cgats::Keyword &k = table.keywords[fixedKeywords + i];
        if (k.name != set.keywords[i].name || k.value != set.keywords[i].value) return false;
    }
    return true;
}

}  // namespace

std::string CgatsOfEntries(const std::vector<JournalEntry> &entries, const std::string &createdUtc) {
    // What the file says of itself is part of its format, not a text for the user: the same in
    // every language, so that a file reads alike wherever it was written.
    const std::vector<cgats::Keyword> fixed = {{"ORIGINATOR", "Ombra Data Transfer " OMBRA_VERSION},
                                               {"DESCRIPTOR", "Measurements"},
                                               {"CREATED", createdUtc}};
    std::vector<cgats::Table> tables;
    int sampleId = 0;
    for (const JournalEntry &entry : entries) {
        Set set = SetOf(entry);
        set.values.front() = std::to_string(++sampleId);
        auto table = std::find_if(tables.begin(), tables.end(),
                                  [&](const cgats::Table &t) { return SameTable(set, t, fixed.size()); });
        if (table == tables.end()) {
            cgats::Table t;
            t.identifier = set.fields.size() > 2 && set.fields[2].starts_with("SPEC_") ? "SPECT" : "CGATS.17";
            t.keywords = fixed;
            t.keywords.insert(t.keywords.end(), set.keywords.begin(), set.keywords.end());
            t.fields = set.fields;
            table = tables.insert(tables.end(), std::move(t));
        }
        table->rows.push_back(std::move(set.values));
    }
    return cgats::Write(tables);
}

std::string CgatsCreatedNow() {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
}

std::string ParseErrorText(const cgats::ParseError &error) {
    QString reason = platform::ResQString(kReasonTexts[static_cast<size_t>(error.reason)]);
    for (size_t i = error.args.size(); i-- > 0;)
        reason.replace(QStringLiteral("%%1").arg(i + 1), QString::fromStdString(error.args[i]));
    return platform::ResQString(res::kStrLine).arg(error.line).replace(QStringLiteral("%2"), reason).toStdString();
}

ReferenceFileLoad LoadReferenceFile(const std::string &path) {
    ReferenceFileLoad load;
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxReferenceFileBytes) {
        load.error = platform::ResQString(res::kStrFileUnreadable).replace(QStringLiteral("%1"), QString::fromStdString(path)).toStdString();
        return load;
    }
    const QByteArray bytes = file.readAll();
    cgats::ReferenceFileResult result = cgats::ReadReferenceFile(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (result.ok()) load.entries = std::move(result.entries);
    else load.error = ParseErrorText(*result.error);
    return load;
}

}  // namespace ombra::core
