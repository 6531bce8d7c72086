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
#include "instrument/DeviceEnumeration.h"
#include "instrument/ErrorMng.h"
#include "instrument/InstrumentLink.h"
#include "instrument/MeasuredData.h"
#include "instrument/SessionRules.h"
#include "instrument/VireoDllAdapter.h"
#include "output/Catalogue.h"
#include "output/MissNotice.h"
#include "output/OutputItem.h"
#include "platform/Notice.h"
#include "quality/Reference.h"
#include "settings/AppSettings.h"

namespace ombra::core {

class CButtonWatchThread;
class CMeasure;
class MeasurementJournal;
class OutputValues;
class ReferenceStore;

// What became of the values of one measurement on their way into the spreadsheet.
struct MeasurementWriteResult {
    enum Kind {
        Written,     // every cell written
        NoWorkbook,  // no spreadsheet to write into: nothing written
        NotWritten,  // the sheet ends before the measurement does (cells before its edge are written)
        Failed,      // the spreadsheet stopped answering part-way: some cells may be missing
    } kind = NoWorkbook;
    int rowLimit = 0;     // the sheet's size as the transfer learned it (0: not learned)
    int columnLimit = 0;
    // Why it did not reach the sheet (None: the session derives it from `kind`), and the last
    // cell written before a failure part-way.
    MissReason miss = MissReason::None;
    std::string lastCell;

    MeasurementWriteResult() = default;
    MeasurementWriteResult(Kind written, int rows, int columns) : kind(written), rowLimit(rows), columnLimit(columns) {}
};
// Writes the values of one measurement (by default: a transfer into the spreadsheet).
using MeasurementWriter = std::function<MeasurementWriteResult(const OutputValues &values)>;
// Makes the spreadsheet connection of one measurement; none (or a throw): no spreadsheet.
using AutomationFactory = std::function<std::unique_ptr<Automation>()>;

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
    // With a journal: after a measurement, the text that stays in the status bar while
    // measurements are unwritten (empty when it reached the sheet, which ends that text).
    const std::string &LastingNotice() const { return lastingNotice_; }
    // After a measurement: why it did not reach the sheet, for the window's banner (reason None
    // when it was written).
    const MissNotice &LastMiss() const { return lastMiss_; }
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
    // One message of the watch thread (32778..32782); others are ignored.
    void HandleWatchMessage(int message);

    // The instrument for the dialogs that use it (calibration, measurement settings, colour
    // sets, user illuminant): their calls go through the session's adapter, and a failed call
    // that means the instrument's loss ends the connection here and is told once.
    InstrumentLink &Link() { return link_; }
    // The judge of the link: true when `code` was the loss, now ended and told (or, once the
    // instrument is lost, told again for a later action on it); false when the code is the
    // caller's to tell.
    bool TakeAsLoss(int32_t code);

    // --- State ---
    AppSettings &Settings() const { return settings_; }
    CButtonWatchThread *WatchThread() const { return watchThread_.get(); }
    bool IsConnected() const { return connected_; }
    bool IsReadyToMeasure() const { return readyToMeasure_; }
    bool IsWatching() const;
    // What the window's status shows: not connected, ready, calibration needed, lost, reading.
    mainwin::SessionStatus Status() const;
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
    void measurementWritten(const ombra::core::MeasurementWriteResult &result);
    // The number of measurements held outside the journal changed (LastingNotice follows it).
    void heldCountChanged(int held);
    // Posted by the watch thread; delivered queued to HandleWatchMessage.
    void watchMessagePosted(int message);

private:
    int Tell(int stringId, unsigned flags);
    void ReadIdentity();
    void LoadSettingsForInstrument();
    bool ApplySettingsToInstrument();
    void OnTrigger(int messageType, bool &latch);
    void NotReadyReaction();
    void MeasureAndTransfer();
    void MeasurementFailed(int32_t rc);
    void StampMeasurementTime();
    void WriteMeasurement(const OutputValues &values);
    MeasurementWriteResult WriteToSpreadsheet(const OutputValues &values);
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
    std::string lastWorkbook_;
    std::string lastingNotice_;
    MissNotice lastMiss_;
    QTimer heldRetry_;
    int lastHeldCount_ = 0;

    bool connected_ = false;
    bool readyToMeasure_ = false;
    int columnLimit_ = 255;
    int rowLimit_ = 65536;
    int polarizationCondition_ = 2;
    int polarizationState_ = 0;
    bool restorePolarizationCondition_ = false;
    int calibrationStatus_ = 0;
    std::string measurementDate_;
    std::string measurementTime_;
    bool reflectionTriggerLatch_ = false;
    bool irradianceTriggerLatch_ = false;
    bool showingNotReady_ = false;  // a not-ready message is open
    bool lost_ = false;             // the last connection ended with the instrument's loss
    bool reading_ = false;          // a measurement is under way
};

}  // namespace ombra::core

Q_DECLARE_METATYPE(ombra::core::MeasurementWriteResult)
