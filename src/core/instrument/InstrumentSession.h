// The measurement session: everything between the user's Connect and the cells of each press
// in the spreadsheet, without a window. It owns the adapter that holds the instrument open,
// the button-watch thread, the measure object, the trigger latches, the polarisation and
// calibration state and the sheet limits, and runs connection, disconnection, loss of the
// instrument, the not-ready reaction and measure -> collect -> values -> transfer.
//
// What the user has to read goes to the notice sink (the window shows it as a message box,
// in the order the session hands them over); what the window shows permanently follows the
// signals. The watch thread's messages 32778..32782 arrive queued, on the session's thread.
#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/Automation.h"
#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/ErrorMng.h"
#include "core/instrument/InstrumentLink.h"
#include "core/instrument/MeasuredData.h"
#include "core/instrument/SessionRules.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/instrument/WorkThread.h"
#include "core/output/Catalogue.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/MeasurementUndo.h"
#include "core/output/MissNotice.h"
#include "core/output/OutputItem.h"
#include "core/platform/Notice.h"
#include "core/quality/Reference.h"
#include "core/quality/SampleAverager.h"
#include "core/settings/AppSettings.h"

namespace ombra::core {

class CButtonWatchThread;
class CMeasure;
class OutputValues;
class ReferenceStore;

// One press as the session tells it once its cells went out: the measurement (its items with
// labels and value texts, time stamp, instrument, layout) with what became of its cells in
// `measurement.outcome` (where they went, or why they did not), the journal's counts after it,
// the banner's notice and the status-bar text that follows.
struct MeasurementReport {
    JournalEntry measurement;      // with its journal id (0: not recorded; negative: held outside)
    std::optional<int> unwritten;  // measurements not (completely) written; none without a journal
    int held = 0;                  // measurements held outside the journal
    MissNotice miss;               // reason None when it was written
    std::string statusNotice;      // empty: no notice stands (a standing one ends)
};
// Writes the values of one measurement (by default: through the journal into the spreadsheet).
using MeasurementWriter = std::function<TransferOutcome(const OutputValues &values)>;
// Makes the spreadsheet connection of one measurement; none (or a throw): no spreadsheet.
using AutomationFactory = std::function<std::unique_ptr<Automation>()>;

// The status-bar text that follows a transfer's outcome: the count of held measurements while
// any are held; none once a measurement is written; else the journal's count of unwritten ones
// (`unwritten`) or, without a journal, what became of this one (`standing` when the banner alone
// tells it).
std::string StatusNoticeAfter(const TransferOutcome &outcome, std::optional<int> unwritten, int held,
                              const std::string &standing);

class InstrumentSession : public QObject {
    Q_OBJECT
public:
    explicit InstrumentSession(AppSettings &settings, QObject *parent = nullptr);
    ~InstrumentSession() override;

    // --- Seams: where notices go, who chooses among instruments, where values go ---
    void SetNoticeSink(NoticeSink sink);
    void SetDeviceChooser(DeviceChooser chooser) { deviceChooser_ = std::move(chooser); }
    void SetMeasurementWriter(MeasurementWriter writer) { measurementWriter_ = std::move(writer); }
    void SetAutomationFactory(AutomationFactory factory) { automationFactory_ = std::move(factory); }
    // Every measurement is recorded here before its cells are written (none: not recorded).
    // Measurements the journal could not take are offered to it again every few seconds.
    void SetJournal(MeasurementJournal *journal);
    MeasurementJournal *Journal() const { return journal_; }
    // The references measurements are compared with (none: the comparison items stay empty).
    void SetReferences(ReferenceStore *references) { references_ = references; }
    ReferenceStore *References() const { return references_; }
    // The comparison of the last measurement (nullopt without a reference), for the display.
    const std::optional<Comparison> &LastComparison() const { return lastComparison_; }
    const AutomationFactory &SpreadsheetConnector() const { return automationFactory_; }
    // The workbook the last measurement was written into ("" before the first).
    const std::string &LastWorkbook() const { return lastWorkbook_; }
    // The text that stays in the status bar (menu and button hints do not replace it) while
    // measurements are unwritten or held; empty when none stands.
    const std::string &LastingNotice() const { return lastingNotice_; }
    // The user has opened the journal's window: the standing notice has done its job.
    void UnwrittenSeen() { lastingNotice_.clear(); }
    // Measurements held outside the journal (in its fallback file or memory only).
    int HeldCount() const;

    // --- Commands ---
    // Enumerates, lets the chooser pick, identifies, loads and applies the model's settings,
    // checks the calibration and starts the watch thread. False when no instrument was chosen
    // or a setting was refused (then the instrument stays open until Disconnect).
    bool Connect();
    void Disconnect();
    // The measurement settings were changed: take the polarisation choice, check again.
    void MeasurementSettingsChanged();
    // A calibration made the instrument ready to measure (or a check found it not ready).
    void SetReadyToMeasure(bool ready);
    // Takes the connected state as given, without the instrument (display tests fake it).
    void SetConnected(bool connected) { connected_ = connected; }
    // Reads the calibration status, tells its notice and returns whether it may measure.
    bool CheckCalibrationStatus();
    // Stops the watch thread (exit).
    void StopWatching();
    // Drops the readings of an unfinished sample (and says so); nothing when none is unfinished.
    void DiscardSample();
    // One message of the watch thread, by its number (32778..32782); others are ignored.
    void HandleWatchMessage(int message);
    void HandleWatchEvent(WatchEvent event);

    // The instrument for the dialogs that use it (calibration, measurement settings, colour
    // sets, user illuminant): the operations they may ask for (DialogInstrument) go through the
    // session's adapter, and a failed call that means the instrument's loss ends the
    // connection here and is told once. No dialog holds the instrument itself.
    InstrumentLink &Link() { return link_; }
    // The judge of the link: true when `code` was the loss, now ended and told (or, once the
    // instrument is lost, told again for a later action on it); false when the code is the
    // caller's to tell.
    bool TakeAsLoss(int32_t code);

    // --- State ---
    AppSettings &Settings() const { return settings_; }
    CButtonWatchThread *WatchThread() const { return watchThread_.get(); }
    bool IsConnected() const { return connected_; }
    // An instrument is open: connected, or left half-connected by a refused setting or a close
    // that failed. The window's Connect command then disconnects.
    bool HoldsInstrument() const { return connected_ || instrumentOpen_; }
    bool IsReadyToMeasure() const { return readyToMeasure_; }
    bool IsWatching() const;
    // What the window's status shows: not connected, ready, calibration needed, lost, reading.
    SessionStatus Status() const;
    int CalibrationStatus() const { return calibrationStatus_; }
    int PolarizationCondition() const { return polarizationCondition_; }
    int PolarizationState() const { return polarizationState_; }
    bool RestorePolarizationCondition() const { return restorePolarizationCondition_; }
    int ColumnLimit() const { return columnLimit_; }
    int RowLimit() const { return rowLimit_; }
    const std::string &MeasurementDate() const { return measurementDate_; }
    const std::string &MeasurementTime() const { return measurementTime_; }
    const CMeasuredData &MeasuredData() const { return measuredData_; }
    const DataItemCatalogue &Catalogue() const { return catalogue_; }
    // With several readings per sample (sampling.ReadingsPerSample): the readings the sample
    // being measured has so far (0 between samples) and how many it takes.
    int SampleCollected() const { return sample_.Complete() ? 0 : sample_.Collected(); }
    int SampleReadings() const { return sample_.Readings(); }

    // Takes the last measurement written (in this run) back from the sheet: its cells are
    // emptied if they still hold what was written, the cursor goes back to its start and its
    // journal row is marked withdrawn. Each call goes one measurement further back.
    UndoOutcome UndoLastMeasurement();
    bool CanUndo() const { return undo_.Count() > 0; }

signals:
    // An instrument was chosen and is open: the window shows its connected controls.
    void instrumentOpened();
    // The identity line "model : serial" of the open instrument.
    void identityRead(const QString &label);
    // Connected (watching the button) or not; `connected` false also after a loss.
    void connectionChanged(bool connected);
    void readyChanged(bool ready);
    // The instrument vanished. Dialogs that use it must end now; the window shows the loss
    // (connectionChanged and statusChanged follow) before its one message is told.
    void instrumentLost();
    // Status() has changed.
    void statusChanged();
    // The values of one press went to the spreadsheet, or not, or only partly.
    void measurementWritten(const ombra::core::MeasurementReport &report);
    // A measurement was taken back from the sheet (its journal id; 0 when not in the journal).
    void measurementWithdrawn(qint64 journalId);
    // A reading of a sample of several was taken, or the sample was written or discarded
    // (`collected` 0): `collected` readings of `readings`.
    void sampleChanged(int collected, int readings);
    // The readings of an unfinished sample were dropped: the text tells the user.
    void sampleDiscarded(const QString &notice);
    // The number of measurements held outside the journal changed (LastingNotice follows it).
    void heldCountChanged(int held);
    // Posted by the watch thread; delivered queued to HandleWatchMessage.
    void watchMessagePosted(int message);

private:
    int Tell(int stringId, unsigned flags);
    void ReadIdentity();
    void LoadSettingsForInstrument();
    bool ApplySettingsToInstrument();
    void OnTrigger(TriggerType trigger, bool &latch);
    void NotReadyReaction();
    void MeasureAndTransfer();
    void MeasurementFailed(int32_t rc);
    void StampMeasurementTime();
    // The name of the sample when the selection writes one (the settings move on past it);
    // empty when it writes none or the list has no name left. `listEnded` tells the latter.
    std::string TakeSampleNameIfWritten(bool &listEnded);
    void FollowReadingsPerSample();
    void TakeReading();
    void CompareAndWrite(const SampleSpread *spread, int readings);
    void WriteMeasurement(const OutputValues &values, int readings);
    TransferOutcome WriteToSpreadsheet(JournalEntry &entry);  // gives the entry its journal id
    void OnInstrumentLost();
    void SetReading(bool reading);
    void RetryHeld();
    void FollowHeldCount();

    AppSettings &settings_;
    NoticeSink notify_;
    CVireoDllAdapter adapter_;  // holds the instrument open while the session lives
    InstrumentLink link_{adapter_, [this](int32_t code) { return TakeAsLoss(code); }};
    std::unique_ptr<CButtonWatchThread> watchThread_;
    std::unique_ptr<CMeasure> measure_;
    CMeasuredData measuredData_;
    CErrorMng errorMng_;
    DataItemCatalogue catalogue_;
    DeviceChooser deviceChooser_;
    MeasurementWriter measurementWriter_;
    AutomationFactory automationFactory_;
    MeasurementJournal *journal_ = nullptr;
    ReferenceStore *references_ = nullptr;
    std::optional<Comparison> lastComparison_;
    SampleAverager sample_;
    std::vector<JournalEntry> sampleReadings_;  // the journal entries of the sample's readings so far
    std::string lastWorkbook_;
    std::string lastingNotice_;
    QTimer heldRetry_;
    int lastHeldCount_ = 0;

    bool connected_ = false;
    bool instrumentOpen_ = false;  // chosen and opened, not yet closed
    bool readyToMeasure_ = false;
    int columnLimit_ = 255;
    int rowLimit_ = 65536;
    int polarizationCondition_ = 2;
    int polarizationState_ = 0;
    bool restorePolarizationCondition_ = false;
    int calibrationStatus_ = 0;
    std::string measurementDate_;
    std::string measurementTime_;
    MeasurementUndo undo_;
    bool sampleListEndTold_ = false;  // the end of the sample names was told (once until names come again)
    bool reflectionTriggerLatch_ = false;
    bool irradianceTriggerLatch_ = false;
    bool showingNotReady_ = false;  // a not-ready message is open
    bool lost_ = false;             // the last connection ended with the instrument's loss
    bool reading_ = false;          // a measurement is under way
};

}  // namespace ombra::core

Q_DECLARE_METATYPE(ombra::core::MeasurementReport)
