// The measurement journal: every measurement is kept on disk before its cells are written, with
// everything needed to write it again exactly, and with how its transfer ended. A reading that
// never reached the spreadsheet (no office running, a failing one, a sheet too small) can be
// written later, copied or exported from the Measurements window.
//
// The journal is an SQLite database (write-ahead log, full synchronisation: a measurement
// recorded is on disk even if the program is killed a moment later). Its faults never lose a
// reading: a measurement the journal cannot take (it cannot be opened, the disk is full, the
// folder is read-only) is held in memory and in a fallback file in another folder, with one
// notice, and moves into the journal as soon as it works again. A journal file removed,
// replaced or truncated behind the program's back is noticed before the next record and
// opened anew; a damaged file is renamed aside and a new one started.
#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QtGlobal>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/output/OutputItem.h"
#include "core/output/Transfer.h"
#include "core/platform/Notice.h"

namespace ombra::core {

class AppSettings;
class CMeasuredData;
class HeldMeasurements;
class OutputValues;
struct MeasurementStamp;

// The outcome of an entry as the journal keeps it: the transfer's result and where its cells
// went. The reason of a miss is not kept: an outcome read back has the one its result implies.
TransferOutcome KeptOutcome(int storedResult, std::string workbook, std::string sheet, std::string firstCell,
                            std::string lastCell);

// One measurement as recorded: the time stamp texts the cells get, the instrument, the settings
// in force and every item's label and value text in order.
struct JournalEntry {
    qint64 id = 0;                       // assigned by Record
    // The measurement's identity wherever it goes (a shared journal server keeps it once under
    // it): 32 hexadecimal digits, made by Record when empty.
    std::string uid;
    std::string recordedUtc;             // ISO 8601 instant of recording (filled in by Record)
    std::string date;                    // the texts of the date and time items
    std::string time;
    std::string model;
    std::string serial;
    int measurementType = 1;             // 1 reflection, 4 irradiance
    // MeasTypeString, MeasCondString, DenWhiteRefString, ObserverString, IlluminantString,
    // PolarizationString.
    std::array<std::string, 6> settingTexts;
    TransferLayout layout;               // the cell layout in force
    OutputItemList outputItems;          // the selection in order, with values
    OutputItemList valueItems;           // the expanded selection with values
    int spectralCount = 0;
    int densityCount = 0;
    std::string rawRecord;               // the measured-data record, byte for byte
    // A measurement averaged from several readings of one sample: how many (0: a measurement of
    // one reading). Each of those readings is kept too, never meant for the sheet, with the
    // averaged measurement's id in `sampleOf` (0: not a reading of a sample).
    int readings = 0;
    qint64 sampleOf = 0;
    TransferOutcome outcome = TransferOutcome::Of(TransferResult::Pending, MissReason::None);  // until its transfer reports back
    bool withdrawn = false;              // its cells were taken back from the sheet (Undo)

    // The identifiers of the selection, in order.
    std::vector<int> Selection() const;
};

// A measurement waiting for the shared journal's server: the entry as the journal keeps it, the
// revision of the change that queued it, and the identity of the averaged measurement a single
// reading belongs to (empty for any other).
struct OutboxItem {
    JournalEntry entry;
    qint64 revision = 0;
    std::string sampleOfUid;
};

// A new measurement identity (128 random bits as 32 lower-case hexadecimal digits).
std::string NewMeasurementUid();

// Items as the journal keeps them (a JSON array of identifier, label, value and text).
OutputItemList JournalItemsFromJson(const QString &json);

// The layout settings of a transfer, taken from the application settings.
TransferLayout TransferLayoutFrom(const AppSettings &settings);

// The journal entry of a measurement whose values were just built.
JournalEntry MakeJournalEntry(const AppSettings &settings, const OutputValues &values, const MeasurementStamp &stamp,
                              const CMeasuredData &data);

class MeasurementJournal {
public:
    static constexpr int kSchemaVersion = 6;

    // $XDG_DATA_HOME/ombra-dts/journal.sqlite (~/.local/share/ombra-dts/journal.sqlite).
    static QString DefaultPath();

    // Opens (or creates) the journal at `path`. Faults are told once through `notices`.
    // Measurements the journal cannot take are held in the first of `fallbackFolders` that can
    // be written; whatever an earlier run left there is moved in when the journal opens.
    explicit MeasurementJournal(NoticeSink notices, const QString &path = DefaultPath(),
                                const QStringList &fallbackFolders = DefaultFallbackFolders());
    static QStringList DefaultFallbackFolders();
    ~MeasurementJournal();
    MeasurementJournal(const MeasurementJournal &) = delete;
    MeasurementJournal &operator=(const MeasurementJournal &) = delete;

    bool IsOpen() const { return !connection_.isEmpty(); }
    const QString &path() const { return path_; }
    // Where a damaged journal was set aside by this object; empty when none was.
    const QString &setAsidePath() const { return setAside_; }

    // Keeps a measurement durably: in the journal (a positive id) or, when the journal cannot
    // take it, held in the fallback file and memory (a negative id, valid for SetOutcome).
    std::optional<qint64> Record(const JournalEntry &entry);
    // False while measurements are held that neither the journal nor a fallback file could
    // take: a further measurement would live in memory only, so none should be taken.
    // Tries the journal (and moves what is held into it) first.
    bool AcceptsMeasurements();
    // Measurements held only in the fallback file or memory, not (yet) in the journal.
    int HeldCount() const;
    // The fallback file last written; empty when none was.
    QString HeldPath() const;
    // Moves held measurements into the journal when it works again (a bounded number per call,
    // so a caller on the user-interface thread is never kept long); the number still held.
    int MoveHeldIn();
    bool SetOutcome(qint64 id, const TransferOutcome &outcome);
    // Marks a measurement of the journal as taken back from the sheet (held ones are not marked).
    bool SetWithdrawn(qint64 id);
    // Keeps the single readings the recorded (or held) measurement `sampleId` was averaged from,
    // linked to it, all or none. They were never meant for the sheet: they do not count as unwritten.
    bool RecordReadings(qint64 sampleId, const std::vector<JournalEntry> &readings);
    // Entries newest first (all when limit < 0).
    std::vector<JournalEntry> List(int limit = -1);
    // The measurement kept last, held or in the journal; none while there is none.
    std::optional<JournalEntry> Newest();
    std::optional<JournalEntry> Entry(qint64 id);
    // The entries of these ids, in the order given (ids no longer in the journal are left out).
    // `asTable`: only what a table of them shows (date, time, instrument and values), read faster.
    std::vector<JournalEntry> Entries(const std::vector<qint64> &ids, bool asTable = false);
    // The name of the open database connection for readers of the journal (JournalModel), with
    // what is held moved in first; empty when the journal cannot be opened.
    QString Connection();
    // Removes the entries; the number removed.
    int Delete(const std::vector<qint64> &ids);
    // Keeps copies of measurements kept elsewhere (another station's, read from a shared
    // journal server) in one transaction, with their identities and outcomes; the number kept.
    int Import(const std::vector<JournalEntry> &entries);
    // The measurements waiting for the shared journal's server, oldest first.
    std::vector<OutboxItem> Outbox(size_t limit);
    // Takes those the server has confirmed (id, revision) out of the outbox, in one transaction;
    // one changed since it was read stays for the next send.
    bool ConfirmSent(const std::vector<std::pair<qint64, qint64>> &sent);
    // How many measurements wait for the server (the single readings of a sample not counted).
    int OutboxCount();
    // Entries whose cells did not all reach a sheet (not written, partly, refused, or pending);
    // the readings of a sample are not among them.
    int UnwrittenCount();

private:
    static constexpr size_t kMovePerCall = 200;
    static constexpr size_t kEntriesPerQuery = 256;
    // Journals up to this size are checked page by page when they open (a few tens of ms).
    static constexpr qint64 kFullCheckBytes = 32 << 20;

    bool EnsureOpen();
    void CheckFileIdentity();
    void RememberFileIdentity();
    bool Committed(QSqlDatabase &db);
    qint64 Hold(const JournalEntry &entry, const QSqlError &error);
    bool InsertHeld(size_t count, QSqlError &error);
    bool InsertReadings(qint64 sampleId, const std::vector<JournalEntry> &readings, QSqlError &error);
    std::optional<qint64> Insert(const JournalEntry &entry, QSqlError &error);
    bool Open();
    bool Prepare(const QString &connection);
    bool Migrate(const QString &connection);
    bool SetAside();
    void Close();
    void ReportFault(const std::string &detail);

    NoticeSink notices_;
    QString path_;
    QString connection_;  // name of the open database connection; empty while closed
    QString setAside_;
    bool faultReported_ = false;
    std::unique_ptr<HeldMeasurements> held_;
    // The open file as it was after the last write: a different file at the path, none, or a
    // shorter one means someone else replaced, removed or cut it.
    quint64 fileDevice_ = 0;
    quint64 fileInode_ = 0;
    qint64 fileSize_ = -1;
};

}  // namespace ombra::core
