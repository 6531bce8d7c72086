// The shared journal on the server: its schema (made and brought forward by the program, one
// step per version, as the local journal does), the measurements every station sends there
// (kept once each under the measurement's identity: sending one again only brings its outcome up
// to date), and the measurements of all stations read back for the Measurements window.
//
// The server's tables are meant for any SQL client: `measurements` has typed columns for what is
// asked most (time, station, instrument, settings, outcome, L*a*b*, reference, ΔE00, verdict) and
// the whole measurement as JSON and bytes; the views `measurements_today` (today's measurements
// of each station) and `failed_measurements` (measurements that failed their tolerance) answer
// the common questions.
#pragma once

#include <QString>
#include <optional>
#include <vector>

#include "core/journalserver/ServerConnection.h"
#include "core/output/JournalModel.h"
#include "core/output/MeasurementJournal.h"

namespace ombra::core {

// Who sends: the station's name (the host name unless the user gave another) and the login.
struct Station {
    QString name;
    QString user;
};
// This computer's station under `name` (the host name when empty) and the login name.
Station ThisStation(const QString &name = {});

inline constexpr int kServerSchemaVersion = 1;

// Brings the server's schema to kServerSchemaVersion (stations that start together take turns).
// A newer program's schema is used as it is.
bool MigrateServerSchema(ServerConnection &server);

// Sends the measurements in one transaction: new ones are added, known ones get their outcome
// and withdrawal brought up to date. False when the server did not take all of them.
bool SendToServer(ServerConnection &server, const Station &station, const std::vector<OutboxItem> &items);

// A measurement as the server keeps it, with the station it came from.
struct ServerEntry {
    JournalEntry entry;  // the station's own id in entry.id
    QString station;
    QString stationUser;
};

// The newest `limit` measurements of every station that the filter lets through (its text is
// looked for in the same places as in the local journal, and in the station's name); none when
// the server could not be read.
std::optional<std::vector<ServerEntry>> ReadServerEntries(ServerConnection &server, const JournalFilter &filter,
                                                          int limit);

// "3 measurements waiting for the server" (empty for none).
std::string ServerWaitingText(int waiting);

// The server's name of a transfer's result ("written", "not-written", ...).
const char *OutcomeName(TransferResult result);

}  // namespace ombra::core
