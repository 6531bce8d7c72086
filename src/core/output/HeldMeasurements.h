// Measurements the journal could not take (a full disk, a read-only or vanished journal): kept
// in memory and in a fallback file in another folder of the user's, until the journal takes
// them again. The fallback file is rewritten whole and atomically on every change, so it
// always holds exactly the measurements still waiting.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <string>
#include <vector>

#include "core/output/MeasurementJournal.h"

namespace ombra::core {

class HeldMeasurements {
public:
    static constexpr const char *kFileName = "held-measurements.json";

    // The user's state folder ($XDG_STATE_HOME or ~/.local/state), then the runtime folder
    // ($XDG_RUNTIME_DIR, kept in memory: it still works when the disk is full), each with
    // "ombra-dts" appended.
    static QStringList DefaultFolders();

    // Reads what an earlier run left in any of the folders (the first that can be written is
    // used from then on).
    explicit HeldMeasurements(QStringList folders);

    // Keeps `entry` (its recording time filled in); the negative id it is known by.
    qint64 Add(JournalEntry entry);
    bool SetOutcome(qint64 id, const TransferOutcome &outcome);
    // Keeps the single readings the held measurement `id` was averaged from, to go into the
    // journal with it; false when no such measurement is held.
    bool SetReadings(qint64 id, std::vector<JournalEntry> readings);
    // Forgets the first `count` entries (they reached the journal).
    void DropFirst(size_t count);

    const std::vector<JournalEntry> &entries() const { return entries_; }
    // The readings of the entry at `index` (empty for a measurement of one reading).
    const std::vector<JournalEntry> &readingsAt(size_t index) const { return readings_.at(index); }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // False when the last change could not be written to any fallback folder: what is held
    // lives in memory only.
    bool saved() const { return saved_; }
    // The file last written (empty before the first write).
    const QString &filePath() const { return filePath_; }

    // Writes the fallback file again (after a failed write); whether it is now saved.
    bool Save();

private:
    void Load();

    QStringList folders_;
    std::vector<JournalEntry> entries_;
    std::vector<std::vector<JournalEntry>> readings_;  // beside entries_, one list per entry
    qint64 nextId_ = -1;
    bool saved_ = true;
    QString filePath_;
};

}  // namespace ombra::core
