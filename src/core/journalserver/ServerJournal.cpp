#include "core/journalserver/ServerJournal.h"

#include <unistd.h>
#include <pwd.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QSysInfo>
#include <QTimeZone>
#include <QVariant>
#include <cmath>
#include <functional>

#include "core/platform/Resources.h"
#include "core/quality/Reference.h"
#include "core/quality/ReferenceStore.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

// Stations starting at once on a new database take turns at its schema under this lock.
constexpr qint64 kSchemaLock = 0x6f6d627261;  // "ombra"

constexpr int kReferenceName = 2100, kDeltaE00 = 2108, kVerdict = 2110;

QString Q(const std::string &s) { return QString::fromStdString(s); }
QVariant TextOrNull(const std::string &s) { return s.empty() ? QVariant() : QVariant(Q(s)); }

// Each step brings the schema from its position in this list to the next version; steps are only
// ever appended.
const std::vector<QStringList> &SchemaSteps() {
    static const std::vector<QStringList> steps = {{
        "CREATE TABLE measurements ("
        " uid uuid PRIMARY KEY, arrival bigserial NOT NULL,"
        " station text NOT NULL, station_user text NOT NULL, station_seq bigint NOT NULL,"
        " recorded_at timestamptz NOT NULL, date_text text NOT NULL, time_text text NOT NULL,"
        " model text NOT NULL, serial text NOT NULL, measurement_type integer NOT NULL,"
        " measurement_type_text text, condition_text text, white_reference_text text, observer_text text,"
        " illuminant_text text, polarisation_text text,"
        " outcome text NOT NULL, workbook text, sheet text, first_cell text, last_cell text,"
        " withdrawn boolean NOT NULL DEFAULT false,"
        " l_star double precision, a_star double precision, b_star double precision,"
        " reference_name text, delta_e00 double precision, verdict text,"
        " readings integer, sample_of uuid,"
        " output_items jsonb NOT NULL, value_items jsonb NOT NULL, raw_record bytea, search_text text NOT NULL,"
        " received_at timestamptz NOT NULL DEFAULT now(), updated_at timestamptz NOT NULL DEFAULT now())",
        "CREATE INDEX measurements_by_station ON measurements (station, station_seq)",
        "CREATE INDEX measurements_by_time ON measurements (recorded_at)",
        "CREATE VIEW measurements_today AS"
        " SELECT station, station_user, model, serial, count(*) AS measurements,"
        " count(*) FILTER (WHERE verdict = 'fail') AS failures,"
        " count(*) FILTER (WHERE outcome <> 'written') AS not_in_a_sheet,"
        " min(recorded_at) AS first_at, max(recorded_at) AS last_at"
        " FROM measurements WHERE recorded_at >= date_trunc('day', now()) AND sample_of IS NULL AND NOT withdrawn"
        " GROUP BY station, station_user, model, serial",
        "CREATE VIEW failed_measurements AS"
        " SELECT recorded_at, station, station_user, model, serial, reference_name, delta_e00, l_star, a_star, b_star,"
        " date_text, time_text, uid"
        " FROM measurements WHERE verdict = 'fail' AND sample_of IS NULL AND NOT withdrawn",
    }};
    return steps;
}

bool RunSteps(ServerConnection &server) {
    if (!server.Exec(QString("SELECT pg_advisory_xact_lock(%1)").arg(kSchemaLock)) ||
        !server.Exec("CREATE TABLE IF NOT EXISTS journal_schema_version (version integer NOT NULL)"))
        return false;
    QSqlQuery read(server.Database());
    read.setForwardOnly(true);
    if (!server.Prepare(read, "SELECT version FROM journal_schema_version") || !server.Exec(read)) return false;
    const bool hasRow = read.next();
    int version = hasRow ? read.value(0).toInt() : 0;
    read.finish();
    const auto &steps = SchemaSteps();
    for (; version < static_cast<int>(steps.size()); ++version)
        for (const QString &sql : steps[static_cast<size_t>(version)])
            if (!server.Exec(sql)) return false;
    if (hasRow) return server.Exec(QString("UPDATE journal_schema_version SET version = %1 WHERE version < %1").arg(version));
    return server.Exec(QString("INSERT INTO journal_schema_version (version) VALUES (%1)").arg(version));
}

const OutputItem *Item(const OutputItemList &items, int identifier) {
    for (const OutputItem &item : items)
        if (item.identifier == identifier) return &item;
    return nullptr;
}

bool IsValue(double v) { return std::isfinite(v) && std::abs(v) < 1e30; }

QVariant NumberOrNull(double v) { return IsValue(v) ? QVariant(v) : QVariant(); }

// "pass", "warn" or "fail" from the verdict's text (in the language it was written in); null
// without a verdict.
QVariant VerdictName(const OutputItemList &items) {
    const OutputItem *item = Item(items, kVerdict);
    if (!item) return {};
    const std::pair<Verdict, const char *> names[] = {{Verdict::Pass, "pass"}, {Verdict::Warn, "warn"}, {Verdict::Fail, "fail"}};
    for (const auto &[verdict, name] : names)
        if (item->valueText == VerdictText(verdict)) return QString::fromLatin1(name);
    return {};
}

QString ItemsJson(const OutputItemList &items) {
    QJsonArray array;
    for (const OutputItem &item : items) {
        QJsonObject o{{"id", item.identifier}, {"label", Q(item.label)}, {"text", Q(item.valueText)}};
        if (std::isfinite(item.value)) o["value"] = item.value;
        array.append(o);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString SearchText(const JournalEntry &e, const Station &station) {
    QStringList parts{Q(e.date), Q(e.time), Q(e.model), Q(e.serial), station.name};
    for (const OutputItem &item : e.valueItems) parts << Q(item.valueText);
    return parts.join(' ');
}

const char *const kUpsert =
    "INSERT INTO measurements (uid, station, station_user, station_seq, recorded_at, date_text, time_text, model, serial,"
    " measurement_type, measurement_type_text, condition_text, white_reference_text, observer_text, illuminant_text,"
    " polarisation_text, outcome, workbook, sheet, first_cell, last_cell, withdrawn, l_star, a_star, b_star,"
    " reference_name, delta_e00, verdict, readings, sample_of, output_items, value_items, raw_record, search_text)"
    " VALUES (CAST(? AS uuid), ?, ?, ?, CAST(? AS timestamptz), ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
    " ?, ?, ?, ?, CAST(? AS uuid), CAST(? AS jsonb), CAST(? AS jsonb), ?, ?)"
    " ON CONFLICT (uid) DO UPDATE SET outcome = EXCLUDED.outcome, workbook = EXCLUDED.workbook,"
    " sheet = EXCLUDED.sheet, first_cell = EXCLUDED.first_cell, last_cell = EXCLUDED.last_cell,"
    " withdrawn = EXCLUDED.withdrawn, updated_at = now()";

void BindMeasurement(QSqlQuery &q, const Station &station, const OutboxItem &item) {
    const JournalEntry &e = item.entry;
    for (const QVariant &v : {QVariant(Q(e.uid)), QVariant(station.name), QVariant(station.user), QVariant(e.id),
                              QVariant(Q(e.recordedUtc)), QVariant(Q(e.date)), QVariant(Q(e.time)), QVariant(Q(e.model)),
                              QVariant(Q(e.serial)), QVariant(e.measurementType)})
        q.addBindValue(v);
    for (const std::string &text : e.settingTexts) q.addBindValue(TextOrNull(text));
    const TransferOutcome &o = e.outcome;
    q.addBindValue(QString::fromLatin1(OutcomeName(o.result)));
    for (const std::string *text : {&o.workbookName, &o.sheetName, &o.firstCell, &o.lastCell}) q.addBindValue(TextOrNull(*text));
    q.addBindValue(e.withdrawn);
    const std::optional<Reference> colour = ReferenceOfJournalEntry({}, e);
    for (int i = 0; i < 3; ++i) q.addBindValue(colour ? NumberOrNull(colour->lab[static_cast<size_t>(i)]) : QVariant());
    const OutputItem *reference = Item(e.valueItems, kReferenceName);
    const OutputItem *deltaE = Item(e.valueItems, kDeltaE00);
    q.addBindValue(reference && deltaE && IsValue(deltaE->value) ? QVariant(Q(reference->valueText)) : QVariant());
    q.addBindValue(deltaE ? NumberOrNull(deltaE->value) : QVariant());
    q.addBindValue(VerdictName(e.valueItems));
    q.addBindValue(e.readings > 0 ? QVariant(e.readings) : QVariant());
    q.addBindValue(TextOrNull(item.sampleOfUid));
    q.addBindValue(ItemsJson(e.outputItems));
    q.addBindValue(ItemsJson(e.valueItems));
    q.addBindValue(QByteArray(e.rawRecord.data(), static_cast<qsizetype>(e.rawRecord.size())));
    q.addBindValue(SearchText(e, station));
}

TransferResult ResultOfName(const QString &name) {
    for (TransferResult r : {TransferResult::Written, TransferResult::NotWritten, TransferResult::PartlyWritten,
                             TransferResult::OutsideSheet})
        if (name == QLatin1String(OutcomeName(r))) return r;
    return TransferResult::Pending;
}

const char *const kReadColumns =
    "station_seq, to_char(recorded_at AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), date_text, time_text,"
    " model, serial, measurement_type, measurement_type_text, condition_text, white_reference_text, observer_text,"
    " illuminant_text, polarisation_text, outcome, workbook, sheet, first_cell, last_cell, withdrawn,"
    " output_items::text, value_items::text, raw_record, readings, replace(uid::text, '-', ''), station, station_user";

ServerEntry EntryOfRow(const QSqlQuery &q) {
    ServerEntry s;
    JournalEntry &e = s.entry;
    int c = 0;
    auto text = [&] { return q.value(c++).toString().toStdString(); };
    e.id = q.value(c++).toLongLong();
    e.recordedUtc = text();
    e.date = text();
    e.time = text();
    e.model = text();
    e.serial = text();
    e.measurementType = q.value(c++).toInt();
    for (std::string &setting : e.settingTexts) setting = text();
    const TransferResult result = ResultOfName(q.value(c++).toString());
    std::string workbook = text(), sheet = text(), first = text();
    e.outcome = KeptOutcome(static_cast<int>(result), std::move(workbook), std::move(sheet), std::move(first), text());
    e.withdrawn = q.value(c++).toBool();
    e.outputItems = JournalItemsFromJson(q.value(c++).toString());
    e.valueItems = JournalItemsFromJson(q.value(c++).toString());
    e.rawRecord = q.value(c++).toByteArray().toStdString();
    e.readings = q.value(c++).toInt();
    e.uid = text();
    s.station = q.value(c++).toString();
    s.stationUser = q.value(c++).toString();
    return s;
}

QString DayStartUtc(const QDate &day) {
    return QDateTime(day, QTime(0, 0), QTimeZone::systemTimeZone()).toUTC().toString(Qt::ISODateWithMs);
}

}  // namespace

std::string ServerWaitingText(int waiting) {
    if (waiting <= 0) return {};
    if (waiting == 1) return platform::ResString(res::kStrServerOneWaiting);
    return QString::fromStdString(platform::ResString(res::kStrServerWaiting)).arg(waiting).toStdString();
}

const char *OutcomeName(TransferResult result) {
    switch (result) {
    case TransferResult::Pending: return "pending";
    case TransferResult::Written: return "written";
    case TransferResult::NotWritten: return "not-written";
    case TransferResult::PartlyWritten: return "partly-written";
    case TransferResult::OutsideSheet: return "outside-sheet";
    case TransferResult::Reading: return "reading";
    }
    return "pending";
}

Station ThisStation(const QString &name) {
    Station station;
    station.name = name.isEmpty() ? QSysInfo::machineHostName() : name;
    const passwd *user = ::getpwuid(::geteuid());
    station.user = user && user->pw_name ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER");
    return station;
}

bool MigrateServerSchema(ServerConnection &server) {
    if (!server.Open() || !server.Begin()) return false;
    if (!RunSteps(server)) {
        server.Rollback();
        return false;
    }
    return server.Commit();
}

bool SendToServer(ServerConnection &server, const Station &station, const std::vector<OutboxItem> &items) {
    if (items.empty()) return true;
    if (!server.Open() || !server.Begin()) return false;
    QSqlQuery q(server.Database());
    if (!server.Prepare(q, kUpsert)) return false;
    for (const OutboxItem &item : items) {
        BindMeasurement(q, station, item);
        if (!server.Exec(q)) {
            server.Rollback();
            return false;
        }
    }
    return server.Commit();
}

std::optional<std::vector<ServerEntry>> ReadServerEntries(ServerConnection &server, const JournalFilter &filter,
                                                          int limit) {
    if (!server.Open()) return std::nullopt;
    QStringList conditions;
    if (!filter.outcomes.empty()) {
        QStringList names;
        for (TransferResult r : filter.outcomes) names << QString("'%1'").arg(QLatin1String(OutcomeName(r)));
        conditions << QString("outcome IN (%1)").arg(names.join(','));
    }
    if (filter.from) conditions << "recorded_at >= CAST(? AS timestamptz)";
    if (filter.to) conditions << "recorded_at < CAST(? AS timestamptz)";
    if (!filter.text.isEmpty()) conditions << "search_text ILIKE ?";
    QSqlQuery q(server.Database());
    q.setForwardOnly(true);
    const QString where = conditions.isEmpty() ? QString() : " WHERE " + conditions.join(" AND ");
    if (!server.Prepare(q, QString("SELECT %1 FROM measurements%2 ORDER BY recorded_at DESC, station, station_seq DESC LIMIT %3")
                               .arg(QLatin1String(kReadColumns), where)
                               .arg(limit)))
        return std::nullopt;
    if (filter.from) q.addBindValue(DayStartUtc(*filter.from));
    if (filter.to) q.addBindValue(DayStartUtc(filter.to->addDays(1)));
    if (!filter.text.isEmpty()) {
        QString escaped = filter.text;
        escaped.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
        q.addBindValue('%' + escaped + '%');
    }
    if (!server.Exec(q)) return std::nullopt;
    std::vector<ServerEntry> entries;
    while (q.next()) entries.push_back(EntryOfRow(q));
    return entries;
}

}  // namespace ombra::core
