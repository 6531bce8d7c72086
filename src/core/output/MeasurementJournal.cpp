#include "core/output/MeasurementJournal.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>
#include <QVariant>
#include <atomic>
#include <cmath>
#include <functional>
#include <unordered_map>

#include "core/instrument/MeasuredData.h"
#include "core/output/HeldMeasurements.h"
#include "core/output/Values.h"
#include "core/platform/MessageFlags.h"
#include "core/platform/PrivateFiles.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

// SQLite result codes that mean the file is not a sound database.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

std::atomic<int> g_connectionCounter{0};

QString Q(const std::string &s) { return QString::fromStdString(s); }
std::string S(const QVariant &v) { return v.toString().toStdString(); }

// The database's locks are POSIX locks: closing any other descriptor of the file drops them for
// the whole process, and another connection of this process (the journal server's sender) may
// hold them. So a journal that exists is never opened here, only made private by its name; a
// missing one is made 0600.
void MakePrivateDatabaseFile(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) {
        platform::MakePrivateFile(path.toStdString());
        return;
    }
    if (S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0777) != 0600) ::chmod(name.constData(), 0600);
}

bool IsCorruption(const QSqlError &error) {
    const int code = error.nativeErrorCode().toInt();
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

// A failed statement, with what SQLite said about it.
struct SqlFault {
    QSqlError error;
};

QSqlQuery Exec(const QSqlDatabase &db, const QString &sql) {
    QSqlQuery query(db);
    if (!query.exec(sql)) throw SqlFault{query.lastError()};
    return query;
}

void Exec(QSqlQuery &query) {
    if (!query.exec()) throw SqlFault{query.lastError()};
}

QString ItemsToJson(const OutputItemList &items) {
    QJsonArray array;
    for (const OutputItem &item : items) {
        QJsonObject o;
        o["id"] = item.identifier;
        o["label"] = Q(item.label);
        if (std::isfinite(item.value)) o["value"] = item.value;
        o["text"] = Q(item.valueText);
        array.append(o);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace

OutputItemList JournalItemsFromJson(const QString &json) {
    OutputItemList items;
    for (const QJsonValue &v : QJsonDocument::fromJson(json.toUtf8()).array()) {
        const QJsonObject o = v.toObject();
        items.push_back({o["id"].toInt(), o["label"].toString().toStdString(), o["value"].toDouble(),
                         o["text"].toString().toStdString()});
    }
    return items;
}

namespace {

QString SelectionText(const std::vector<int> &ids) {
    QStringList parts;
    for (int id : ids) parts << QString::number(id);
    return parts.join(',');
}

// What a search looks through: date, time, instrument and the text of every value.
QString SearchTextOf(const QString &row) {
    return QString("%1.date_text || ' ' || %1.time_text || ' ' || %1.model || ' ' || %1.serial || ' ' ||"
                   " COALESCE((SELECT group_concat(json_extract(v.value, '$.text'), ' ') FROM json_each(%1.value_items) AS v), '')")
        .arg(row);
}

// The stored results of measurements whose cells still belong in a sheet, as an SQL list.
QString UnwrittenKinds() {
    QStringList kinds;
    for (TransferResult kind : {TransferResult::Pending, TransferResult::Written, TransferResult::NotWritten,
                                TransferResult::PartlyWritten, TransferResult::OutsideSheet, TransferResult::Reading})
        if (TransferOutcome::Of(kind, MissReason::None).unwritten()) kinds << QString::number(static_cast<int>(kind));
    return kinds.join(',');
}

bool HasColumn(const QSqlDatabase &db, const char *table, const char *column) {
    QSqlQuery columns = Exec(db, QString("PRAGMA table_info(%1)").arg(table));
    while (columns.next())
        if (columns.value(1).toString() == column) return true;
    return false;
}

// Each step brings the schema from its position in this list to the next version. Steps are
// only ever appended: a journal is migrated forward and never dropped.
const std::vector<std::function<void(const QSqlDatabase &)>> &MigrationSteps() {
    static const std::vector<std::function<void(const QSqlDatabase &)>> steps = {
        [](const QSqlDatabase &db) {
            Exec(db, "CREATE TABLE measurements ("
                     " id INTEGER PRIMARY KEY AUTOINCREMENT,"
                     " recorded_utc TEXT NOT NULL, date_text TEXT NOT NULL, time_text TEXT NOT NULL,"
                     " model TEXT NOT NULL, serial TEXT NOT NULL, measurement_type INTEGER NOT NULL,"
                     " meas_type_text TEXT, meas_cond_text TEXT, den_white_ref_text TEXT,"
                     " observer_text TEXT, illuminant_text TEXT, polarization_text TEXT,"
                     " selection TEXT NOT NULL, layout_label INTEGER NOT NULL, layout_row INTEGER NOT NULL,"
                     " val_sep INTEGER NOT NULL, func_sep INTEGER NOT NULL, block_sep INTEGER NOT NULL,"
                     " measurement_type_sel INTEGER NOT NULL, spectral_count INTEGER NOT NULL,"
                     " density_count INTEGER NOT NULL, output_items TEXT NOT NULL, value_items TEXT NOT NULL,"
                     " raw_record BLOB, outcome INTEGER NOT NULL DEFAULT 0, workbook TEXT, sheet TEXT,"
                     " first_cell TEXT, last_cell TEXT, outcome_utc TEXT)");
            Exec(db, "CREATE INDEX measurements_outcome ON measurements(outcome)");
        },
        // The Measurements window reads only the rows it shows, in the order the database keeps:
        // one covering index per order it offers (each holds what the filters ask), and the
        // searchable text of every measurement in a narrow table of its own, kept by triggers so
        // that every writer (an older program too) keeps it whole.
        [](const QSqlDatabase &db) {
            Exec(db, "CREATE INDEX measurements_by_time ON measurements(recorded_utc, id, outcome)");
            Exec(db, "CREATE INDEX measurements_by_outcome ON measurements(outcome, recorded_utc, id)");
            Exec(db, "CREATE INDEX measurements_by_instrument ON measurements(model, serial, recorded_utc, id, outcome)");
            Exec(db, "DROP INDEX IF EXISTS measurements_outcome");
            Exec(db, "CREATE TABLE measurement_text (id INTEGER PRIMARY KEY, text TEXT NOT NULL)");
            Exec(db, QString("INSERT INTO measurement_text (id, text) SELECT id, %1 FROM measurements AS m")
                         .arg(SearchTextOf("m")));
            Exec(db, QString("CREATE TRIGGER measurement_text_insert AFTER INSERT ON measurements BEGIN"
                             " INSERT OR REPLACE INTO measurement_text (id, text) VALUES (new.id, %1); END")
                         .arg(SearchTextOf("new")));
            Exec(db, "CREATE TRIGGER measurement_text_delete AFTER DELETE ON measurements BEGIN"
                     " DELETE FROM measurement_text WHERE id = old.id; END");
        },
        // A measurement taken back from the sheet stays in the journal, marked withdrawn.
        // (A journal brought back to an older version by hand may have the column already.)
        [](const QSqlDatabase &db) {
            QSqlQuery columns = Exec(db, "SELECT 1 FROM pragma_table_info('measurements') WHERE name = 'withdrawn'");
            const bool present = columns.next();
            columns.finish();
            if (!present) Exec(db, "ALTER TABLE measurements ADD COLUMN withdrawn INTEGER NOT NULL DEFAULT 0");
        },
        // Several readings of one sample averaged into one measurement: the averaged one says of
        // how many readings (`readings`), each reading names it (`sample_of`). The step stands on
        // its own: it adds only what is not there yet, whatever step ran before it.
        [](const QSqlDatabase &db) {
            for (const char *column : {"sample_of", "readings"})
                if (!HasColumn(db, "measurements", column))
                    Exec(db, QString("ALTER TABLE measurements ADD COLUMN %1 INTEGER").arg(column));
            Exec(db, "CREATE INDEX IF NOT EXISTS measurements_by_sample ON measurements(sample_of)"
                     " WHERE sample_of IS NOT NULL");
        },
        // The readings of averaged samples get an outcome of their own: they were never to be
        // written, so no list of what waits for the sheet shows them.
        [](const QSqlDatabase &db) {
            if (!HasColumn(db, "measurements", "sample_of")) return;
            Exec(db, QString("UPDATE measurements SET outcome = %1 WHERE sample_of IS NOT NULL")
                         .arg(static_cast<int>(TransferResult::Reading)));
        },
        // Every measurement gets an identity of its own, and the measurements a shared journal
        // server has not confirmed yet wait in an outbox, oldest first. Triggers keep the outbox
        // in the transaction of every change a server should hear about: a new measurement, its
        // outcome, its withdrawal (the revision tells a change made while a send was under way).
        // What the journal held before this step waits there too.
        [](const QSqlDatabase &db) {
            if (!HasColumn(db, "measurements", "uid")) Exec(db, "ALTER TABLE measurements ADD COLUMN uid TEXT");
            Exec(db, "UPDATE measurements SET uid = lower(hex(randomblob(16))) WHERE uid IS NULL");
            Exec(db, "CREATE UNIQUE INDEX IF NOT EXISTS measurements_by_uid ON measurements(uid)");
            Exec(db, "CREATE TABLE IF NOT EXISTS server_outbox (id INTEGER PRIMARY KEY, revision INTEGER NOT NULL)");
            Exec(db, "INSERT OR IGNORE INTO server_outbox (id, revision) SELECT id, 1 FROM measurements");
            const QString queue = "INSERT OR REPLACE INTO server_outbox (id, revision) VALUES (new.id,"
                                  " COALESCE((SELECT revision FROM server_outbox WHERE id = new.id), 0) + 1);";
            Exec(db, "CREATE TRIGGER IF NOT EXISTS server_outbox_insert AFTER INSERT ON measurements BEGIN " + queue + " END");
            Exec(db, "CREATE TRIGGER IF NOT EXISTS server_outbox_update AFTER UPDATE OF outcome, workbook, sheet,"
                     " first_cell, last_cell, withdrawn ON measurements BEGIN " + queue + " END");
            Exec(db, "CREATE TRIGGER IF NOT EXISTS server_outbox_delete AFTER DELETE ON measurements BEGIN"
                     " DELETE FROM server_outbox WHERE id = old.id; END");
        },
    };
    return steps;
}

const char *kColumns =
    "id, recorded_utc, date_text, time_text, model, serial, measurement_type, meas_type_text, meas_cond_text,"
    " den_white_ref_text, observer_text, illuminant_text, polarization_text, layout_label, layout_row, val_sep,"
    " func_sep, block_sep, measurement_type_sel, spectral_count, density_count, output_items, value_items,"
    " raw_record, outcome, workbook, sheet, first_cell, last_cell, withdrawn, sample_of, readings, uid";

JournalEntry EntryFromRow(const QSqlQuery &q) {
    JournalEntry e;
    int c = 0;
    e.id = q.value(c++).toLongLong();
    e.recordedUtc = S(q.value(c++));
    e.date = S(q.value(c++));
    e.time = S(q.value(c++));
    e.model = S(q.value(c++));
    e.serial = S(q.value(c++));
    e.measurementType = q.value(c++).toInt();
    for (std::string &text : e.settingTexts) text = S(q.value(c++));
    e.layout.Label = q.value(c++).toInt();
    e.layout.Row = q.value(c++).toInt();
    e.layout.ValSep = q.value(c++).toInt();
    e.layout.FuncSep = q.value(c++).toInt();
    e.layout.BlockSep = q.value(c++).toInt();
    e.layout.MeasurementTypeSel = q.value(c++).toInt();
    e.spectralCount = q.value(c++).toInt();
    e.densityCount = q.value(c++).toInt();
    e.outputItems = JournalItemsFromJson(q.value(c++).toString());
    e.valueItems = JournalItemsFromJson(q.value(c++).toString());
    e.rawRecord = q.value(c++).toByteArray().toStdString();
    const int result = q.value(c++).toInt();
    std::string workbook = S(q.value(c++));
    std::string sheet = S(q.value(c++));
    std::string first = S(q.value(c++));
    e.outcome = KeptOutcome(result, std::move(workbook), std::move(sheet), std::move(first), S(q.value(c++)));
    e.withdrawn = q.value(c++).toInt() != 0;
    e.sampleOf = q.value(c++).toLongLong();
    e.readings = q.value(c++).toInt();
    e.uid = S(q.value(c++));
    return e;
}

JournalEntry TableEntryFromRow(const QSqlQuery &q) {
    JournalEntry e;
    e.id = q.value(0).toLongLong();
    e.date = S(q.value(1));
    e.time = S(q.value(2));
    e.model = S(q.value(3));
    e.serial = S(q.value(4));
    e.valueItems = JournalItemsFromJson(q.value(5).toString());
    return e;
}

}  // namespace

std::string NewMeasurementUid() { return QUuid::createUuid().toString(QUuid::Id128).toStdString(); }

std::vector<int> JournalEntry::Selection() const {
    std::vector<int> ids;
    for (const OutputItem &item : outputItems) ids.push_back(item.identifier);
    return ids;
}

TransferOutcome KeptOutcome(int storedResult, std::string workbook, std::string sheet, std::string firstCell,
                            std::string lastCell) {
    TransferOutcome o;
    o.result = static_cast<TransferResult>(storedResult);
    switch (o.result) {
    case TransferResult::Written: o.reason = MissReason::None; break;
    case TransferResult::PartlyWritten: o.reason = MissReason::FailedPartWay; break;
    case TransferResult::OutsideSheet: o.reason = MissReason::SheetEnds; break;
    case TransferResult::Pending:
    case TransferResult::Reading:
    case TransferResult::NotWritten: break;
    }
    o.workbookName = std::move(workbook);
    o.sheetName = std::move(sheet);
    o.firstCell = std::move(firstCell);
    o.lastCell = std::move(lastCell);
    return o;
}

TransferLayout TransferLayoutFrom(const AppSettings &settings) {
    const LayoutSettings &in = settings.layout;
    TransferLayout layout;
    layout.Label = in.Label();
    layout.Row = in.Row();
    layout.ValSep = in.ValSep();
    layout.FuncSep = in.FuncSep();
    layout.BlockSep = in.BlockSep();
    layout.MeasurementTypeSel = settings.measurement.MeasurementTypeSel();
    return layout;
}

JournalEntry MakeJournalEntry(const AppSettings &settings, const OutputValues &values, const MeasurementStamp &stamp,
                              const CMeasuredData &data) {
    JournalEntry e;
    e.date = stamp.date;
    e.time = stamp.time;
    const MeasurementSettings &m = settings.measurement;
    e.model = settings.identity.ModelName();
    e.serial = settings.identity.SerialNumberText();
    e.measurementType = m.MeasurementType();
    e.settingTexts = {m.MeasTypeString(), m.MeasCondString(), m.DenWhiteRefString(),
                      m.ObserverString(),  m.IlluminantString(), m.PolarizationString()};
    e.layout = TransferLayoutFrom(settings);
    e.outputItems = values.outputItems;
    e.valueItems = values.valueItems;
    e.spectralCount = values.spectralCount;
    e.densityCount = values.densityCount;
    if (data.Count() > 0)
        e.rawRecord.assign(reinterpret_cast<const char *>(&data.Record(0)), sizeof(MeasuredDataRecord));
    return e;
}

QString MeasurementJournal::DefaultPath() {
    // The user's data folder: XDG_DATA_HOME when it names an absolute folder, else ~/.local/share.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + "/.local/share";
    return base + "/ombra-dts/journal.sqlite";
}

QStringList MeasurementJournal::DefaultFallbackFolders() { return HeldMeasurements::DefaultFolders(); }

MeasurementJournal::MeasurementJournal(NoticeSink notices, const QString &path, const QStringList &fallbackFolders)
    : notices_(std::move(notices)), path_(path), held_(std::make_unique<HeldMeasurements>(fallbackFolders)) {
    if (Open()) MoveHeldIn();
}

MeasurementJournal::~MeasurementJournal() { Close(); }

void MeasurementJournal::Close() {
    if (connection_.isEmpty()) return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    connection_.clear();
}

void MeasurementJournal::ReportFault(const std::string &detail) {
    if (faultReported_ || !notices_) return;
    faultReported_ = true;
    notices_(MakeNotice(res::kStrJournalUnwritable, res::kStrMessageCaption, platform::mb::ICONWARNING,
                         {QDir::toNativeSeparators(path_).toStdString(), detail}));
}

bool MeasurementJournal::EnsureOpen() {
    CheckFileIdentity();
    return IsOpen() || Open();
}

void MeasurementJournal::RememberFileIdentity() {
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) return;
    fileDevice_ = st.st_dev;
    fileInode_ = st.st_ino;
    fileSize_ = st.st_size;
}

// An open database goes on writing into a file that was removed or replaced, and into one cut
// short as if nothing had happened: those writes would be lost. Such a file is closed and the
// path opened anew (a cut file that is no sound database any more is then set aside).
void MeasurementJournal::CheckFileIdentity() {
    if (!IsOpen()) return;
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) == 0 && st.st_dev == fileDevice_ &&
        st.st_ino == fileInode_ && st.st_size >= fileSize_)
        return;
    Close();
}

bool MeasurementJournal::Open() {
    if (!platform::MakePrivateFolder(QFileInfo(path_).absolutePath().toStdString())) {
        ReportFault(platform::ResString(res::kStrFolderCannotBeCreated));
        return false;
    }
    // A damaged file is renamed aside once and a new journal started in its place.
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Made 0600 before the database opens it; its write-ahead log and shared-memory files
        // take the database file's mode.
        MakePrivateDatabaseFile(path_);
        const QString name = QString("ombra-journal-%1").arg(g_connectionCounter++);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
            db.setDatabaseName(path_);
        }
        connection_ = name;
        try {
            if (!Prepare(name)) {
                Close();
                return false;
            }
            RememberFileIdentity();
            return true;
        } catch (const SqlFault &fault) {
            Close();
            if (attempt == 0 && IsCorruption(fault.error) && SetAside()) continue;
            ReportFault(fault.error.text().toStdString());
            return false;
        }
    }
    return false;
}

bool MeasurementJournal::Prepare(const QString &connection) {
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.open()) {
        ReportFault(db.lastError().text().toStdString());
        return false;
    }
    Exec(db, "PRAGMA journal_mode=WAL");
    Exec(db, "PRAGMA synchronous=FULL");
    // Reading the schema finds a file that is no database at all. The full check reads every
    // page: it is made while that stays quick, so that start-up does not grow with the journal;
    // damage in a larger file shows at the first write that meets it and is handled there.
    Exec(db, "SELECT count(*) FROM sqlite_master");
    if (QFileInfo(path_).size() <= kFullCheckBytes) {
        QSqlQuery check = Exec(db, "PRAGMA quick_check");
        if (!check.next() || check.value(0).toString() != "ok")
            throw SqlFault{QSqlError("quick_check", check.value(0).toString(), QSqlError::StatementError,
                                     QString::number(kSqliteCorrupt))};
    }
    return Migrate(connection);
}

bool MeasurementJournal::Migrate(const QString &connection) {
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    Exec(db, "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    QSqlQuery read = Exec(db, "SELECT version FROM schema_version");
    int version = read.next() ? read.value(0).toInt() : 0;
    const bool hasRow = read.isValid();
    read.finish();
    const auto &steps = MigrationSteps();
    // A newer program's journal only has more: it is used as it is.
    if (version >= static_cast<int>(steps.size())) return true;
    if (!db.transaction()) throw SqlFault{db.lastError()};
    try {
        for (; version < static_cast<int>(steps.size()); ++version) steps[version](db);
        QSqlQuery write(db);
        write.prepare(hasRow ? "UPDATE schema_version SET version = ?" : "INSERT INTO schema_version (version) VALUES (?)");
        write.addBindValue(version);
        Exec(write);
        if (!db.commit()) throw SqlFault{db.lastError()};
    } catch (const SqlFault &) {
        db.rollback();
        throw;
    }
    return true;
}

bool MeasurementJournal::SetAside() {
    const QString stamp = QDateTime::currentDateTime().toString("yyyyMMdd-HHmmss");
    QString target = path_ + ".corrupt-" + stamp;
    for (int n = 2; QFile::exists(target); ++n) target = path_ + ".corrupt-" + stamp + "-" + QString::number(n);
    if (!QFile::rename(path_, target)) return false;
    // The log files belong to the damaged file: they go with it, under the names SQLite expects.
    for (const char *suffix : {"-wal", "-shm"}) {
        if (QFile::exists(path_ + suffix)) QFile::rename(path_ + suffix, target + suffix);
    }
    setAside_ = target;
    if (notices_)
        notices_(MakeNotice(res::kStrJournalSetAside, res::kStrMessageCaption, platform::mb::ICONWARNING,
                             {QDir::toNativeSeparators(target).toStdString()}));
    return true;
}

std::optional<qint64> MeasurementJournal::Record(const JournalEntry &entry) {
    QSqlError error("", "not open");
    // Held measurements go in first; while some are still held this one waits behind them,
    // so that the journal keeps the order of the presses.
    if (EnsureOpen() && MoveHeldIn() == 0) {
        if (std::optional<qint64> id = Insert(entry, error)) {
            RememberFileIdentity();
            return id;
        }
        // A file damaged while the program runs: set it aside, start anew and keep this measurement.
        if (IsCorruption(error)) {
            Close();
            if (SetAside() && Open()) {
                if (std::optional<qint64> id = Insert(entry, error)) return id;
            }
        }
    }
    return Hold(entry, error);
}

qint64 MeasurementJournal::Hold(const JournalEntry &entry, const QSqlError &error) {
    ReportFault(error.text().toStdString());
    return held_->Add(entry);
}

bool MeasurementJournal::AcceptsMeasurements() {
    if (held_->empty()) return true;
    MoveHeldIn();
    return held_->saved() || held_->Save();
}

int MeasurementJournal::HeldCount() const { return static_cast<int>(held_->size()); }

QString MeasurementJournal::HeldPath() const { return held_->filePath(); }

int MeasurementJournal::MoveHeldIn() {
    if (held_->empty() || !EnsureOpen()) return HeldCount();
    const size_t count = std::min(kMovePerCall, held_->size());
    QSqlError error;
    if (InsertHeld(count, error)) {
        RememberFileIdentity();
        held_->DropFirst(count);
        // A later fault is a new one and is told again.
        if (held_->empty()) faultReported_ = false;
    } else if (IsCorruption(error)) {
        // Damaged while the program runs: set aside, so that the next try starts a new journal.
        Close();
        SetAside();
    }
    return HeldCount();
}

// The first `count` held measurements in one transaction: all of them, or none.
bool MeasurementJournal::InsertHeld(size_t count, QSqlError &error) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) return false;
    QSqlQuery known(db);
    known.prepare("SELECT 1 FROM measurements WHERE recorded_utc = ? AND time_text = ? AND serial = ? LIMIT 1");
    for (size_t i = 0; i < count; ++i) {
        const JournalEntry &entry = held_->entries()[i];
        // Already there when an earlier run moved it in but could not empty the fallback file.
        for (const std::string *text : {&entry.recordedUtc, &entry.time, &entry.serial}) known.addBindValue(Q(*text));
        bool ok = known.exec();
        const bool alreadyIn = ok && known.next();
        if (!ok) error = known.lastError();
        known.finish();
        // Its readings come with it, in the same transaction: they were moved in with it before.
        if (ok && !alreadyIn) {
            const std::optional<qint64> id = Insert(entry, error);
            ok = id && InsertReadings(*id, held_->readingsAt(i), error);
        }
        if (!ok) {
            db.rollback();
            return false;
        }
    }
    if (db.commit()) return true;
    error = db.lastError();
    db.rollback();
    return false;
}

std::optional<qint64> MeasurementJournal::Insert(const JournalEntry &entry, QSqlError &error) {
    if (!IsOpen()) return std::nullopt;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.prepare("INSERT INTO measurements (recorded_utc, date_text, time_text, model, serial, measurement_type,"
              " meas_type_text, meas_cond_text, den_white_ref_text, observer_text, illuminant_text,"
              " polarization_text, selection, layout_label, layout_row, val_sep, func_sep, block_sep,"
              " measurement_type_sel, spectral_count, density_count, output_items, value_items, raw_record, outcome,"
              " workbook, sheet, first_cell, last_cell, sample_of, readings, uid, withdrawn)"
              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const std::string recorded = entry.recordedUtc.empty()
        ? QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString() : entry.recordedUtc;
    for (const std::string *text : {&recorded, &entry.date, &entry.time, &entry.model, &entry.serial})
        q.addBindValue(Q(*text));
    q.addBindValue(entry.measurementType);
    for (const std::string &text : entry.settingTexts) q.addBindValue(Q(text));
    q.addBindValue(SelectionText(entry.Selection()));
    for (int v : {entry.layout.Label, entry.layout.Row, entry.layout.ValSep, entry.layout.FuncSep,
                  entry.layout.BlockSep, entry.layout.MeasurementTypeSel, entry.spectralCount, entry.densityCount})
        q.addBindValue(v);
    q.addBindValue(ItemsToJson(entry.outputItems));
    q.addBindValue(ItemsToJson(entry.valueItems));
    q.addBindValue(QByteArray(entry.rawRecord.data(), static_cast<qsizetype>(entry.rawRecord.size())));
    // A fresh measurement is pending; a held one arrives with the outcome its transfer had.
    const TransferOutcome &o = entry.outcome;
    q.addBindValue(static_cast<int>(o.result));
    for (const std::string *text : {&o.workbookName, &o.sheetName, &o.firstCell, &o.lastCell})
        q.addBindValue(text->empty() ? QVariant() : QVariant(Q(*text)));
    q.addBindValue(entry.sampleOf > 0 ? QVariant(entry.sampleOf) : QVariant());
    q.addBindValue(entry.readings > 0 ? QVariant(entry.readings) : QVariant());
    q.addBindValue(Q(entry.uid.empty() ? NewMeasurementUid() : entry.uid));
    q.addBindValue(entry.withdrawn ? 1 : 0);
    if (!q.exec()) {
        error = q.lastError();
        return std::nullopt;
    }
    return q.lastInsertId().toLongLong();
}

bool MeasurementJournal::SetOutcome(qint64 id, const TransferOutcome &outcome) {
    if (id < 0) return held_->SetOutcome(id, outcome);
    if (!EnsureOpen()) return false;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare("UPDATE measurements SET outcome = ?, workbook = ?, sheet = ?, first_cell = ?, last_cell = ?,"
              " outcome_utc = ? WHERE id = ?");
    q.addBindValue(static_cast<int>(outcome.result));
    for (const std::string *text : {&outcome.workbookName, &outcome.sheetName, &outcome.firstCell, &outcome.lastCell})
        q.addBindValue(Q(*text));
    q.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs));
    q.addBindValue(id);
    if (!q.exec()) {
        ReportFault(q.lastError().text().toStdString());
        return false;
    }
    return q.numRowsAffected() == 1;
}

bool MeasurementJournal::SetWithdrawn(qint64 id) {
    if (id <= 0 || !EnsureOpen()) return false;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare("UPDATE measurements SET withdrawn = 1 WHERE id = ?");
    q.addBindValue(id);
    if (!q.exec()) {
        ReportFault(q.lastError().text().toStdString());
        return false;
    }
    return q.numRowsAffected() == 1;
}

// Each reading linked to its mean `sampleId`, with the outcome that keeps it out of what waits.
bool MeasurementJournal::InsertReadings(qint64 sampleId, const std::vector<JournalEntry> &readings, QSqlError &error) {
    for (JournalEntry reading : readings) {
        reading.sampleOf = sampleId;
        reading.readings = 0;
        reading.outcome = TransferOutcome::Of(TransferResult::Reading, MissReason::None);
        if (!Insert(reading, error)) return false;
    }
    return true;
}

// Ends a transaction of this connection: committed, the file it wrote is the one known from now
// on; refused, nothing of it stays.
bool MeasurementJournal::Committed(QSqlDatabase &db) {
    if (!db.commit()) {
        db.rollback();
        return false;
    }
    RememberFileIdentity();
    return true;
}

bool MeasurementJournal::RecordReadings(qint64 sampleId, const std::vector<JournalEntry> &readings) {
    if (readings.empty()) return false;
    // A mean held outside the journal keeps its readings beside it until both move in.
    if (sampleId < 0) return held_->SetReadings(sampleId, readings);
    if (sampleId == 0 || !EnsureOpen()) return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) return false;
    QSqlError error;
    if (!InsertReadings(sampleId, readings, error)) {
        db.rollback();
        ReportFault(error.text().toStdString());
        return false;
    }
    return Committed(db);
}

std::vector<JournalEntry> MeasurementJournal::List(int limit) {
    std::vector<JournalEntry> entries;
    if (!EnsureOpen()) return entries;
    MoveHeldIn();
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QString("SELECT %1 FROM measurements ORDER BY id DESC LIMIT ?").arg(kColumns));
    q.addBindValue(limit);
    if (!q.exec()) return entries;
    while (q.next()) entries.push_back(EntryFromRow(q));
    return entries;
}

std::optional<JournalEntry> MeasurementJournal::Newest() {
    // Held measurements wait behind everything in the journal: the last one held is the newest.
    if (!held_->empty()) return held_->entries().back();
    // The readings of a sample are kept after their averaged measurement: that one is the newest.
    if (!EnsureOpen()) return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QString("SELECT %1 FROM measurements WHERE sample_of IS NULL ORDER BY id DESC LIMIT 1").arg(kColumns)) ||
        !q.next())
        return std::nullopt;
    return EntryFromRow(q);
}

QString MeasurementJournal::Connection() {
    if (!EnsureOpen()) return {};
    MoveHeldIn();
    return connection_;
}

std::vector<JournalEntry> MeasurementJournal::Entries(const std::vector<qint64> &ids, bool asTable) {
    std::vector<JournalEntry> entries;
    if (ids.empty() || !EnsureOpen()) return entries;
    // One statement per chunk: the ids are numbers, written into the statement as they are.
    std::unordered_map<qint64, JournalEntry> found;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    for (size_t first = 0; first < ids.size(); first += kEntriesPerQuery) {
        QStringList list;
        for (size_t i = first; i < std::min(ids.size(), first + kEntriesPerQuery); ++i) list << QString::number(ids[i]);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        const QString columns = asTable ? "id, date_text, time_text, model, serial, value_items" : kColumns;
        if (!q.exec(QString("SELECT %1 FROM measurements WHERE id IN (%2)").arg(columns, list.join(',')))) break;
        while (q.next()) {
            JournalEntry entry = asTable ? TableEntryFromRow(q) : EntryFromRow(q);
            const qint64 id = entry.id;
            found.emplace(id, std::move(entry));
        }
    }
    for (qint64 id : ids) {
        auto it = found.find(id);
        if (it != found.end()) entries.push_back(it->second);
    }
    return entries;
}

std::optional<JournalEntry> MeasurementJournal::Entry(qint64 id) {
    if (!EnsureOpen()) return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QString("SELECT %1 FROM measurements WHERE id = ?").arg(kColumns));
    q.addBindValue(id);
    if (!q.exec() || !q.next()) return std::nullopt;
    return EntryFromRow(q);
}

int MeasurementJournal::Delete(const std::vector<qint64> &ids) {
    if (ids.empty() || !EnsureOpen()) return 0;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) return 0;
    int removed = 0;
    QSqlQuery q(db);
    q.prepare("DELETE FROM measurements WHERE id = ?");
    for (qint64 id : ids) {
        q.addBindValue(id);
        if (!q.exec()) {
            db.rollback();
            ReportFault(q.lastError().text().toStdString());
            return 0;
        }
        removed += q.numRowsAffected();
    }
    if (!db.commit()) return 0;
    return removed;
}

std::vector<OutboxItem> MeasurementJournal::Outbox(size_t limit) {
    std::vector<OutboxItem> items;
    if (!EnsureOpen()) return items;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QString("SELECT %1, server_outbox.revision AS outbox_revision,"
                      " (SELECT s.uid FROM measurements AS s WHERE s.id = measurements.sample_of) AS outbox_sample_uid"
                      " FROM server_outbox JOIN measurements USING (id) ORDER BY id LIMIT ?")
                  .arg(kColumns));
    q.addBindValue(static_cast<qint64>(limit));
    if (!q.exec()) return items;
    while (q.next()) items.push_back({EntryFromRow(q), q.value("outbox_revision").toLongLong(), S(q.value("outbox_sample_uid"))});
    return items;
}

bool MeasurementJournal::ConfirmSent(const std::vector<std::pair<qint64, qint64>> &sent) {
    if (sent.empty()) return true;
    if (!EnsureOpen()) return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) return false;
    QSqlQuery q(db);
    q.prepare("DELETE FROM server_outbox WHERE id = ? AND revision = ?");
    for (const auto &[id, revision] : sent) {
        q.addBindValue(id);
        q.addBindValue(revision);
        if (!q.exec()) {
            db.rollback();
            return false;
        }
    }
    return Committed(db);
}

int MeasurementJournal::OutboxCount() {
    if (!EnsureOpen()) return 0;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec("SELECT count(*) FROM server_outbox JOIN measurements USING (id) WHERE sample_of IS NULL") || !q.next())
        return 0;
    return q.value(0).toInt();
}

int MeasurementJournal::Import(const std::vector<JournalEntry> &entries) {
    if (entries.empty() || !EnsureOpen()) return 0;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) return 0;
    QSqlError error;
    for (const JournalEntry &entry : entries) {
        if (!Insert(entry, error)) {
            db.rollback();
            ReportFault(error.text().toStdString());
            return 0;
        }
    }
    return Committed(db) ? static_cast<int>(entries.size()) : 0;
}

int MeasurementJournal::UnwrittenCount() {
    int held = 0;
    for (const JournalEntry &entry : held_->entries()) held += entry.outcome.unwritten();
    if (!EnsureOpen()) return held;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // Looked up in the outcome index: only the few rows that wait are read.
    if (!q.exec(QString("SELECT COUNT(*) FROM measurements WHERE outcome IN (%1)").arg(UnwrittenKinds())) || !q.next())
        return held;
    return held + q.value(0).toInt();
}

}  // namespace ombra::core
