#include "core/instrument/InstrumentSession.h"

#include <algorithm>
#include <ctime>
#include <optional>
#include <utility>

#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/Measure.h"
#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"
#include "core/instrument/SessionRules.h"
#include "core/instrument/WorkThread.h"
#include "core/output/ItemRegistry.h"
#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/SampleNames.h"
#include "core/output/Transfer.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "core/quality/ReferenceStore.h"
#include "core/settings/SettingsStore.h"
#include "corvexres/ResourceIds.h"
#include "trace/TraceTimings.h"

namespace ombra::core {


namespace {

// Between two offers of the held measurements to the journal. Each offer moves a bounded number.
constexpr int kHeldRetryMs = 5000;

// Messages about the instrument that must be seen at once: above every window, in front.
constexpr unsigned kUrgent = platform::mb::SYSTEMMODAL | platform::mb::SETFOREGROUND;

// Pauses the button-watch thread for its lifetime, so every way out resumes it.
class PausedWatch {
public:
    explicit PausedWatch(CButtonWatchThread &thread) : thread_(thread) { thread_.Pause(); }
    ~PausedWatch() { thread_.Resume(); }
    PausedWatch(const PausedWatch &) = delete;
    PausedWatch &operator=(const PausedWatch &) = delete;

private:
    CButtonWatchThread &thread_;
};

}  // namespace

InstrumentSession::InstrumentSession(AppSettings &settings, QObject *parent)
    : QObject(parent), settings_(settings) {
    qRegisterMetaType<ombra::core::MeasurementReport>();
    // The thread only queues its messages; they are handled on this object's thread.
    connect(this, &InstrumentSession::watchMessagePosted, this, &InstrumentSession::HandleWatchMessage,
            Qt::QueuedConnection);
    // Created here, started only by a completed connection.
    watchThread_ = std::make_unique<CButtonWatchThread>(
        [this](WatchEvent event) { emit watchMessagePosted(static_cast<int>(event)); });
    measure_ = std::make_unique<CMeasure>(settings_.identity, settings_.selection);
    measure_->measurementType = 1;
    errorMng_.Init(notify_);
    heldRetry_.setInterval(kHeldRetryMs);
    connect(&heldRetry_, &QTimer::timeout, this, &InstrumentSession::RetryHeld);
}

void InstrumentSession::SetJournal(MeasurementJournal *journal) {
    journal_ = journal;
    FollowHeldCount();
}

int InstrumentSession::HeldCount() const { return journal_ ? journal_->HeldCount() : 0; }

void InstrumentSession::RetryHeld() {
    if (journal_) journal_->MoveHeldIn();
    FollowHeldCount();
}

// The retry runs while anything is held; the lasting notice says how many are held, and falls
// back to the unwritten count once all reached the journal.
void InstrumentSession::FollowHeldCount() {
    const int held = HeldCount();
    if (held > 0 && !heldRetry_.isActive()) heldRetry_.start();
    if (held == 0) heldRetry_.stop();
    if (held == lastHeldCount_) return;
    if (held > 0)
        lastingNotice_ = HeldNoticeText(held);
    else if (!lastingNotice_.empty())
        lastingNotice_ = journal_ && journal_->UnwrittenCount() > 0 ? UnwrittenNoticeText(journal_->UnwrittenCount()) : "";
    lastHeldCount_ = held;
    emit heldCountChanged(held);
}

InstrumentSession::~InstrumentSession() {
    if (connected_) SetConnectionFlag(0, notify_);
    // Ended without Exit: the thread may still be polling.
    if (watchThread_) watchThread_->Stop();
    measure_.reset();
    watchThread_.reset();
    // The instrument itself is closed when the last adapter (this session's) goes.
}

void InstrumentSession::SetNoticeSink(NoticeSink sink) {
    notify_ = std::move(sink);
    errorMng_.Init(notify_);
}

bool InstrumentSession::IsWatching() const { return watchThread_ && watchThread_->HasThread(); }

SessionStatus InstrumentSession::Status() const { return StatusOf(connected_, readyToMeasure_, lost_, reading_); }

int InstrumentSession::Tell(int stringId, unsigned flags) {
    return notify_ ? notify_(MakeNotice(stringId, res::kStrMessageCaption, flags)) : platform::mb::IDOK;
}

// ---------------------------------------------------------------------------------------
// Connection

bool InstrumentSession::Connect() {
    lost_ = false;
    emit statusChanged();
    EnumeratedDevices found;
    const int count = EnumerateDevices(found, notify_);
    if (!ChooseDevice(found, count, notify_, deviceChooser_, settings_.identity)) return false;

    instrumentOpen_ = true;
    emit instrumentOpened();
    ReadIdentity();
    LoadSettingsForInstrument();
    // A refused setting leaves the session half-connected: Disconnect releases the instrument.
    if (!ApplySettingsToInstrument()) return false;
    SetReadyToMeasure(CheckCalibrationStatus());
    connected_ = true;
    watchThread_->Start();
    emit connectionChanged(true);
    emit statusChanged();
    return true;
}

void InstrumentSession::ReadIdentity() {
    CPropertySetting identity(settings_.identity, settings_.measurement);
    std::string label, model, serial;
    if (identity.QueryDeviceIdentity(label, model, serial) != 0)
        Tell(res::kStrIdentityUnreadable, platform::mb::ICONERROR);
    else
        emit identityRead(QString::fromStdString(label));
}

void InstrumentSession::LoadSettingsForInstrument() {
    const SettingsLoadResult loaded = LoadSettings(
        settings_, catalogue_, [this](int *first, int *second) { return adapter_.GetPolFilterCondition(first, second); });
    polarizationCondition_ = loaded.polFirst;
    polarizationState_ = loaded.polSecond;
    restorePolarizationCondition_ = loaded.restorePolarizationCondition2;
    if (!loaded.layoutOutOfRange.empty() && notify_) {
        std::string values;
        for (const std::string &value : loaded.layoutOutOfRange) values += (values.empty() ? "" : ", ") + value;
        notify_(MakeNotice(res::kStrLayoutOutOfRange, res::kStrMessageCaption, platform::mb::ICONWARNING, {values}));
    }
}

bool InstrumentSession::ApplySettingsToInstrument() {
    MeasurementSettings &measurement = settings_.measurement;
    MeasurementMasks masks;
    masks.polarization = measurement.Polarization();
    masks.measurementType = static_cast<uint32_t>(measurement.MeasurementType());
    masks.measurementCond = static_cast<uint32_t>(measurement.MeasurementCond());
    masks.observer = static_cast<uint32_t>(measurement.Observer());
    masks.illuminant = static_cast<uint32_t>(measurement.Illuminant());
    // A condition or illuminant the instrument does not offer falls back to 4, for good.
    const RefusalHandler fallBack = [&measurement](ApplyStep step) -> std::optional<uint32_t> {
        constexpr int kFallback = 4;
        if (step == ApplyStep::MeasurementCondition) measurement.SetMeasurementCond(kFallback);
        else measurement.SetIlluminant(kFallback);
        return kFallback;
    };
    return ApplyMeasurementSettings(masks, fallBack).ok();
}

bool InstrumentSession::CheckCalibrationStatus() {
    int32_t status = 0;
    const int32_t rc = adapter_.GetCalibrateStatus(&status);
    if (rc == 0) calibrationStatus_ = status;
    const CalibrationCheck check = core::CheckCalibrationStatus(rc, status);
    if (check.noticeStringId != 0) Tell(check.noticeStringId, platform::mb::ICONINFORMATION);
    return check.ready;
}

void InstrumentSession::SetReadyToMeasure(bool ready) {
    readyToMeasure_ = ready;
    emit readyChanged(ready);
    emit statusChanged();
}

void InstrumentSession::SetReading(bool reading) {
    reading_ = reading;
    emit statusChanged();
}

void InstrumentSession::MeasurementSettingsChanged() {
    // Readings taken under other settings do not belong to the same sample.
    DiscardSample();
    sample_.SetReadings(settings_.sampling.ReadingsPerSample());
    polarizationCondition_ = settings_.measurement.PolarizationSel();
    SetReadyToMeasure(CheckCalibrationStatus());
}

void InstrumentSession::StopWatching() {
    if (connected_) watchThread_->Stop();
}

void InstrumentSession::DiscardSample() {
    if (SampleCollected() == 0) return;
    const Notice notice = MakeNotice(res::kStrSampleDiscarded, res::kStrMessageCaption, platform::mb::ICONINFORMATION,
                                     {std::to_string(sample_.Collected()), std::to_string(sample_.Readings())});
    sample_.Discard();
    sampleReadings_.clear();
    emit sampleChanged(0, sample_.Readings());
    emit sampleDiscarded(QString::fromStdString(notice.Text()));
}

void InstrumentSession::Disconnect() {
    DiscardSample();
    watchThread_->Stop();
    if (DeviceHandle().load() == 0) {
        // An earlier close failed after the library had already let the instrument go: there
        // is nothing left to close, so the connection simply ends.
        connected_ = false;
        instrumentOpen_ = false;
        lost_ = false;
        emit connectionChanged(false);
        emit statusChanged();
        settings_.selection.ClearReflection();
        return;
    }
    if (restorePolarizationCondition_) {
        polarizationCondition_ = 2;
        adapter_.SetPolFilterCondition(2);
    }
    SetConnectionFlag(0, notify_);
    if (adapter_.CloseDevice() != 0) {
        Tell(res::kStrCloseFailed, platform::mb::ICONERROR);
    } else {
        connected_ = false;
        instrumentOpen_ = false;
        lost_ = false;
        emit connectionChanged(false);
        emit statusChanged();
    }
    // Loaded again at the next connection.
    settings_.selection.ClearReflection();
}

void InstrumentSession::OnInstrumentLost() {
    // The thread posts on every poll: later copies of this message find the session
    // disconnected, also while the message below is open.
    if (!connected_) return;
    DiscardSample();
    connected_ = false;
    instrumentOpen_ = false;
    lost_ = true;
    watchThread_->Stop();
    emit instrumentLost();
    // Releasing a vanished instrument fails as a matter of course: that is no news to the user.
    SetConnectionFlag(0, NoticeSink{});
    adapter_.CloseDevice();
    // The window shows the loss first; then the one message explains it.
    emit connectionChanged(false);
    emit statusChanged();
    Tell(res::kStrInstrumentLost, platform::mb::ICONERROR | kUrgent);
}

bool InstrumentSession::TakeAsLoss(int32_t code) {
    if (!connected_) {
        // The loss was told when it happened; a later action on the lost instrument hears why
        // it cannot work, not a code of the call that failed on a released instrument.
        if (lost_) Tell(res::kStrInstrumentLost, platform::mb::ICONERROR | kUrgent);
        return lost_;
    }
    if (!IsInstrumentLoss(code)) return false;
    OnInstrumentLost();
    return true;
}

// ---------------------------------------------------------------------------------------
// Messages of the button-watch thread

void InstrumentSession::HandleWatchMessage(int message) {
    if (const std::optional<WatchEvent> event = WatchEventOf(message)) HandleWatchEvent(*event);
}

void InstrumentSession::HandleWatchEvent(WatchEvent event) {
    switch (event) {
    case WatchEvent::ReflectionPressed: OnTrigger(TriggerType::Reflection, reflectionTriggerLatch_); break;
    case WatchEvent::IrradiancePressed: OnTrigger(TriggerType::Irradiance, irradianceTriggerLatch_); break;
    case WatchEvent::InstrumentLost: OnInstrumentLost(); break;
    case WatchEvent::IrradianceReleased: irradianceTriggerLatch_ = false; break;
    case WatchEvent::ReflectionReleased: reflectionTriggerLatch_ = false; break;
    }
}

void InstrumentSession::OnTrigger(TriggerType trigger, bool &latch) {
    switch (DecideTrigger(trigger, settings_.measurement.MeasurementType(), connected_, readyToMeasure_, latch)) {
    case TriggerAction::Ignore: break;
    case TriggerAction::NotReady: NotReadyReaction(); break;
    case TriggerAction::Measure:
        // Set first: a trigger dispatched while this measurement runs must not start another.
        latch = true;
        MeasureAndTransfer();
        break;
    }
}

void InstrumentSession::NotReadyReaction() {
    // Triggers queued before the pause are delivered while the message is open.
    if (showingNotReady_) return;
    showingNotReady_ = true;
    {
        PausedWatch paused(*watchThread_);
        const core::NotReadyReaction reaction = NotReadyReactionFor(calibrationStatus_);
        if (reaction.kind == core::NotReadyReaction::Notice)
            Tell(reaction.id, platform::mb::ICONINFORMATION | kUrgent);
        else if (reaction.kind == core::NotReadyReaction::InstrumentError)
            errorMng_.Report(reaction.id);
    }
    showingNotReady_ = false;
}

void InstrumentSession::MeasureAndTransfer() {
    trace::TraceMark("measure start");
    measuredData_.Empty();
    PausedWatch paused(*watchThread_);
    // Measurements are already held in memory only: a further one could not be kept either.
    if (journal_ && !journal_->AcceptsMeasurements()) {
        Tell(res::kStrMeasurementsRefused, platform::mb::ICONERROR | kUrgent);
        return;
    }
    int32_t first = 0, second = 0;
    if (const int32_t rc = adapter_.GetPolFilterCondition(&first, &second); rc != 0) {
        // A refused query ends the press silently; an instrument that is gone is lost now.
        if (IsInstrumentLoss(rc)) OnInstrumentLost();
        return;
    }
    if (second != settings_.measurement.Polarization()) {
        Tell(res::kStrPolarizationMismatch, platform::mb::ICONERROR | kUrgent);
        return;
    }
    StampMeasurementTime();
    FollowReadingsPerSample();
    measure_->measurementType = settings_.measurement.MeasurementType();
    SetReading(true);
    int32_t rc = adapter_.DoMeasurement();
    trace::TraceMark("measured");
    if (rc == 0) rc = measure_->Collect(measuredData_);
    trace::TraceMark("collected");
    SetReading(false);
    if (rc != 0) {
        MeasurementFailed(rc);  // a failed reading does not count towards a sample
        return;
    }
    if (sample_.Readings() > 1)
        TakeReading();
    else
        CompareAndWrite(nullptr, 0);
    trace::TraceMark("measure end");
}

// The count of readings per sample may have been changed since the last press: a partial
// sample of the old count is dropped.
void InstrumentSession::FollowReadingsPerSample() {
    const int readings = settings_.sampling.ReadingsPerSample();
    if (readings == sample_.Readings()) return;
    DiscardSample();
    sample_.SetReadings(readings);
}

// One reading of a sample of several: kept for the journal until the sample is complete; the
// last one makes the averaged measurement, which takes the road of a single one.
void InstrumentSession::TakeReading() {
    if (measuredData_.Count() == 0) return;
    OutputValues values;
    values.BuildValues(settings_, measuredData_, {measurementDate_, measurementTime_});
    sampleReadings_.push_back(MakeJournalEntry(settings_, values, {measurementDate_, measurementTime_}, measuredData_));
    sample_.Add(measuredData_.Record(0));
    if (!sample_.Complete()) {
        emit sampleChanged(sample_.Collected(), sample_.Readings());
        return;
    }
    const std::optional<SampleSpread> spread = sample_.Spread();
    measuredData_.Empty();
    measuredData_.Append(*sample_.Mean());
    CompareAndWrite(spread ? &*spread : nullptr, sample_.Readings());
    sample_.Discard();
    sampleReadings_.clear();
    emit sampleChanged(0, sample_.Readings());
}

void InstrumentSession::CompareAndWrite(const SampleSpread *spread, int readings) {
    lastComparison_.reset();
    if (references_ && measuredData_.Count() > 0)
        lastComparison_ = references_->CompareWith(MeasuredColourOf(measuredData_.Record(0), settings_));
    bool sampleListEnded = false;
    const MeasurementStamp stamp{measurementDate_, measurementTime_, TakeSampleNameIfWritten(sampleListEnded)};
    OutputValues values;
    values.BuildValues(settings_, measuredData_, stamp, lastComparison_ ? &*lastComparison_ : nullptr, spread);
    trace::TraceMark("values built");
    WriteMeasurement(values, readings);
    // Told after the cells went, once: the measurements after it go on without a name.
    if (sampleListEnded && !std::exchange(sampleListEndTold_, true)) Tell(res::kStrSampleListEnded, platform::mb::ICONWARNING);
}

std::string InstrumentSession::TakeSampleNameIfWritten(bool &listEnded) {
    const bool irradiance = settings_.measurement.MeasurementType() == 4;
    const OutputItemList &selection = irradiance ? settings_.selection.Irradiance() : settings_.selection.Reflection();
    const bool written = std::any_of(selection.begin(), selection.end(),
                                     [](const OutputItem &i) { return i.identifier == item::kSampleName; });
    if (!written) return {};
    std::optional<std::string> name = TakeSampleName(settings_.samples);
    listEnded = !name;
    if (name) sampleListEndTold_ = false;
    return name.value_or(std::string());
}

void InstrumentSession::MeasurementFailed(int32_t rc) {
    if (IsInstrumentLoss(rc)) {
        // The instrument vanished or stopped answering under the measurement: that is its
        // loss, told once; the watch thread would only find it again.
        OnInstrumentLost();
        return;
    }
    // The calibration has become due since it was last checked: the status says so from now
    // on, and the next presses get the not-ready reaction.
    if (const int32_t status = CalibrationStatusOfRefusal(rc)) {
        calibrationStatus_ = status;
        SetReadyToMeasure(false);
    }
    errorMng_.Report(rc);
}

void InstrumentSession::StampMeasurementTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    measurementDate_ = MeasurementDateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    measurementTime_ = MeasurementTimeText(local.tm_hour, local.tm_min, local.tm_sec);
}

// `readings`: of how many readings of one sample the measurement was averaged (0: one reading);
// those readings are kept in the journal after it, linked to it.
void InstrumentSession::WriteMeasurement(const OutputValues &values, int readings) {
    MeasurementReport report;
    report.measurement = MakeJournalEntry(settings_, values, {measurementDate_, measurementTime_}, measuredData_);
    report.measurement.readings = readings;
    report.measurement.outcome = measurementWriter_ ? measurementWriter_(values) : WriteToSpreadsheet(report.measurement);
    if (readings > 0 && journal_ && report.measurement.id != 0)
        journal_->RecordReadings(report.measurement.id, sampleReadings_);
    const TransferOutcome &outcome = report.measurement.outcome;
    if (outcome.rowLimit > 0) rowLimit_ = outcome.rowLimit;
    if (outcome.columnLimit > 0) columnLimit_ = outcome.columnLimit;
    if (outcome.written()) lastWorkbook_ = outcome.workbookName;
    undo_.Remember(outcome, report.measurement.id);
    if (journal_) report.unwritten = journal_->UnwrittenCount();
    report.held = HeldCount();
    report.miss = MakeMissNotice(outcome, report.unwritten);
    lastingNotice_ = StatusNoticeAfter(outcome, report.unwritten, report.held, lastingNotice_);
    FollowHeldCount();
    report.statusNotice = lastingNotice_;
    emit measurementWritten(report);
}

// The measurement is kept in the journal first; only then is the spreadsheet asked for (the
// factory may hand out a connection it keeps between measurements). With the program's own
// window in front, the cells go to the workbook the user last worked in. A sheet that ends
// before the measurement is told by the window's banner, not by a message of the transfer.
TransferOutcome InstrumentSession::WriteToSpreadsheet(JournalEntry &entry) {
    const AutomationConnector connect = [this]() -> std::unique_ptr<Automation> {
        std::unique_ptr<Automation> office = automationFactory_ ? automationFactory_() : nullptr;
        if (!office) return nullptr;
        return std::make_unique<WorkbookInFront>(std::move(office), lastWorkbook_, WorkbookInFront::WhenProgramInFront);
    };
    std::optional<qint64> id;
    TransferOutcome outcome =
        TransferAndJournal(journal_, entry, connect, platform::ResString(res::kStrMessageCaption), NoticeSink{}, &id);
    entry.id = id.value_or(0);
    return outcome;
}

UndoOutcome InstrumentSession::UndoLastMeasurement() {
    if (!CanUndo()) return {};
    std::unique_ptr<Automation> office;
    try {
        office = automationFactory_ ? automationFactory_() : nullptr;
    } catch (const std::exception &) {
    }
    if (!office) return {UndoResult::NoSpreadsheet, {}, {}, 0};
    // As for writing: with the program's own window in front, the workbook last worked in.
    WorkbookInFront inFront(std::move(office), lastWorkbook_, WorkbookInFront::WhenProgramInFront);
    const UndoOutcome outcome = undo_.UndoLast(inFront);
    if (outcome.result == UndoResult::Undone) {
        if (journal_ && outcome.journalId > 0) journal_->SetWithdrawn(outcome.journalId);
        emit measurementWithdrawn(outcome.journalId);
    }
    return outcome;
}

std::string StatusNoticeAfter(const TransferOutcome &outcome, std::optional<int> unwritten, int held,
                              const std::string &standing) {
    if (held > 0) return HeldNoticeText(held);
    if (outcome.written()) return std::string();
    if (unwritten) return UnwrittenNoticeText(*unwritten);
    // Without a journal nothing counts them: the notice says what became of this one.
    if (outcome.reason == MissReason::FailedPartWay) return kSpreadsheetFailedNotice;
    if (outcome.reason == MissReason::SheetEnds) return standing;  // the banner tells it
    return kNotWrittenNotice;
}

}  // namespace ombra::core
