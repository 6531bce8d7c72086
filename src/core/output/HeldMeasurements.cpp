#include "core/output/HeldMeasurements.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "core/platform/AtomicFile.h"
#include "core/platform/PrivateFiles.h"

namespace ombra::core {

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }
std::string S(const QJsonValue &v) { return v.toString().toStdString(); }

QJsonArray ItemsJson(const OutputItemList &items) {
    QJsonArray array;
    for (const OutputItem &item : items) {
        QJsonObject o{{"id", item.identifier}, {"label", Q(item.label)}, {"text", Q(item.valueText)}};
        if (std::isfinite(item.value)) o["value"] = item.value;
        array.append(o);
    }
    return array;
}

OutputItemList ItemsOf(const QJsonValue &json) {
    OutputItemList items;
    for (const QJsonValue &v : json.toArray()) {
        const QJsonObject o = v.toObject();
        items.push_back({o["id"].toInt(), S(o["label"]), o.contains("value") ? o["value"].toDouble() : NAN,
                         S(o["text"])});
    }
    return items;
}

QJsonObject EntryJson(const JournalEntry &e) {
    QJsonArray settings;
    for (const std::string &text : e.settingTexts) settings.append(Q(text));
    const TransferLayout &l = e.layout;
    const TransferOutcome &o = e.outcome;
    return QJsonObject{
        {"uid", Q(e.uid)}, {"recordedUtc", Q(e.recordedUtc)}, {"date", Q(e.date)}, {"time", Q(e.time)}, {"model", Q(e.model)},
        {"serial", Q(e.serial)}, {"measurementType", e.measurementType}, {"settings", settings},
        {"layout", QJsonArray{l.Label, l.Row, l.ValSep, l.FuncSep, l.BlockSep, l.MeasurementTypeSel}},
        {"outputItems", ItemsJson(e.outputItems)}, {"valueItems", ItemsJson(e.valueItems)},
        {"spectralCount", e.spectralCount}, {"densityCount", e.densityCount},
        {"rawRecord", QString::fromLatin1(QByteArray::fromStdString(e.rawRecord).toBase64())},
        {"outcome", QJsonArray{static_cast<int>(o.result), Q(o.workbookName), Q(o.sheetName), Q(o.firstCell), Q(o.lastCell)}},
        {"readings", e.readings},
    };
}

QJsonObject HeldJson(const JournalEntry &e, const std::vector<JournalEntry> &readings) {
    QJsonObject json = EntryJson(e);
    if (readings.empty()) return json;
    QJsonArray array;
    for (const JournalEntry &reading : readings) array.append(EntryJson(reading));
    json["sampleReadings"] = array;
    return json;
}

JournalEntry EntryOf(const QJsonObject &j) {
    JournalEntry e;
    e.uid = S(j["uid"]);
    e.recordedUtc = S(j["recordedUtc"]);
    e.date = S(j["date"]);
    e.time = S(j["time"]);
    e.model = S(j["model"]);
    e.serial = S(j["serial"]);
    e.measurementType = j["measurementType"].toInt(1);
    const QJsonArray settings = j["settings"].toArray();
    for (size_t i = 0; i < e.settingTexts.size(); ++i) e.settingTexts[i] = S(settings.at(static_cast<qsizetype>(i)));
    const QJsonArray l = j["layout"].toArray();
    int *layout[] = {&e.layout.Label, &e.layout.Row, &e.layout.ValSep, &e.layout.FuncSep, &e.layout.BlockSep,
                     &e.layout.MeasurementTypeSel};
    for (qsizetype i = 0; i < l.size() && i < 6; ++i) *layout[i] = l.at(i).toInt();
    e.outputItems = ItemsOf(j["outputItems"]);
    e.valueItems = ItemsOf(j["valueItems"]);
    e.spectralCount = j["spectralCount"].toInt();
    e.densityCount = j["densityCount"].toInt();
    e.rawRecord = QByteArray::fromBase64(j["rawRecord"].toString().toLatin1()).toStdString();
    const QJsonArray o = j["outcome"].toArray();
    e.outcome = KeptOutcome(o.at(0).toInt(), S(o.at(1)), S(o.at(2)), S(o.at(3)), S(o.at(4)));
    e.readings = j["readings"].toInt();
    return e;
}

bool SameMeasurement(const JournalEntry &a, const JournalEntry &b) {
    return a.recordedUtc == b.recordedUtc && a.time == b.time && a.serial == b.serial;
}

}  // namespace

QStringList HeldMeasurements::DefaultFolders() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || QDir::isRelativePath(state)) state = QDir::homePath() + "/.local/state";
    QStringList folders{state + "/ombra-dts"};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && !QDir::isRelativePath(runtime)) folders << runtime + "/ombra-dts";
    return folders;
}

HeldMeasurements::HeldMeasurements(QStringList folders) : folders_(std::move(folders)) { Load(); }

void HeldMeasurements::Load() {
    for (const QString &folder : folders_) {
        QFile file(folder + "/" + kFileName);
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const QJsonValue &v : QJsonDocument::fromJson(file.readAll()).array()) {
            JournalEntry entry = EntryOf(v.toObject());
            bool known = false;
            for (const JournalEntry &held : entries_) known = known || SameMeasurement(held, entry);
            if (known) continue;
            entry.id = nextId_--;
            entries_.push_back(std::move(entry));
            std::vector<JournalEntry> &readings = readings_.emplace_back();
            for (const QJsonValue &reading : v.toObject()["sampleReadings"].toArray())
                readings.push_back(EntryOf(reading.toObject()));
        }
    }
}

qint64 HeldMeasurements::Add(JournalEntry entry) {
    if (entry.recordedUtc.empty())
        entry.recordedUtc = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
    if (entry.uid.empty()) entry.uid = NewMeasurementUid();
    entry.id = nextId_--;
    entries_.push_back(std::move(entry));
    readings_.emplace_back();
    Save();
    return entries_.back().id;
}

bool HeldMeasurements::SetReadings(qint64 id, std::vector<JournalEntry> readings) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].id != id) continue;
        readings_[i] = std::move(readings);
        Save();
        return true;
    }
    return false;
}

bool HeldMeasurements::SetOutcome(qint64 id, const TransferOutcome &outcome) {
    for (JournalEntry &entry : entries_) {
        if (entry.id != id) continue;
        entry.outcome = outcome;
        Save();
        return true;
    }
    return false;
}

void HeldMeasurements::DropFirst(size_t count) {
    const auto dropped = static_cast<std::ptrdiff_t>(std::min(count, entries_.size()));
    entries_.erase(entries_.begin(), entries_.begin() + dropped);
    readings_.erase(readings_.begin(), readings_.begin() + dropped);
    Save();
}

// The whole list goes to the first folder that takes it; the files in the other folders are
// then removed, so that one file alone says what is held.
bool HeldMeasurements::Save() {
    QJsonArray array;
    for (size_t i = 0; i < entries_.size(); ++i) array.append(HeldJson(entries_[i], readings_[i]));
    const std::string bytes = QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
    int written = -1;
    for (int i = 0; i < folders_.size() && written < 0; ++i) {
        const QString path = folders_[i] + "/" + kFileName;
        if (entries_.empty()) continue;
        if (platform::MakePrivateFolder(folders_[i].toStdString()) && platform::MakePrivateFile(path.toStdString()) &&
            platform::WriteFileAtomically(path.toStdString(), bytes)) {
            written = i;
            filePath_ = path;
        }
    }
    for (int i = 0; i < folders_.size(); ++i)
        if (i != written) QFile::remove(folders_[i] + "/" + kFileName);
    saved_ = entries_.empty() || written >= 0;
    return saved_;
}

}  // namespace ombra::core
