// The rules of the measurement session, kept free of widgets: the watch thread's messages,
// the texts of the connection and measurement road, the calibration check, the reaction to a
// press on an instrument that is not ready, the trigger decision and the time stamp texts.
#pragma once

#include <cstdint>
#include <string>
#include "corvexres/ResourceIds.h"

namespace ombra::core {

// Messages posted to the window by the button-watch thread (application base 32768 + n).

// Instrument codes reported when the button is pressed on an instrument that is not ready.
constexpr int32_t kErrNotReadyStatus3 = 19;
constexpr int32_t kErrNotReadyStatus4 = 34;

// Shown in the hint pane when a measurement could not be written anywhere, so that a
// reading never disappears without a trace; cleared by the next successful write.
constexpr const char *kNotWrittenNotice = "measurement not written: no spreadsheet found";
// Shown instead when the spreadsheet was found but stopped answering while the values were written.
constexpr const char *kSpreadsheetFailedNotice = "measurement not written completely: the spreadsheet did not respond";

// Outcome of the calibration-status check: whether the instrument may measure, and the
// information text to show first (0: none).
struct CalibrationCheck {
    bool ready = true;
    int noticeStringId = 0;
    bool operator==(const CalibrationCheck &) const = default;
};
// `queryResult` is the answer of the status query; a failed query counts as ready.
CalibrationCheck CheckCalibrationStatus(int32_t queryResult, int32_t status);

// What a button press on an instrument that is not ready to measure shows.
struct NotReadyReaction {
    enum Kind { Nothing, Notice, InstrumentError } kind = Nothing;
    int id = 0;  // string of the notice, or the instrument code for the error manager
    bool operator==(const NotReadyReaction &) const = default;
};
NotReadyReaction NotReadyReactionFor(int32_t calibrationStatus);

// What the main window's status shows of the session. A connected instrument that may not
// measure yet is always waiting for its calibration (the only reason the session refuses).
enum class SessionStatus { NotConnected, Ready, CalibrationNeeded, Lost, Reading };
// `lost`: the last connection ended because the instrument vanished; `reading`: a
// measurement is under way.
SessionStatus StatusOf(bool connected, bool readyToMeasure, bool lost, bool reading);

// Whether the instrument refused a measurement because it has to be calibrated first; then
// the calibration status it is in (3 zero and white calibration due, 4 white due), else 0.
int32_t CalibrationStatusOfRefusal(int32_t measurementResult);

// What a press of the button does with a trigger message.
enum class TriggerAction { Ignore, NotReady, Measure };
// The button a press came from, numbered as the measurement type it measures.
enum class TriggerType : int { Reflection = 1, Irradiance = 4 };
// A press of the other type than the one measured, or a latched press, is ignored. The window
// must be connected.
TriggerAction DecideTrigger(TriggerType trigger, int measurementType, bool connected, bool readyToMeasure,
                            bool latched);

// Time stamp texts of a measurement: "2026/12/07" and "09:05:03".
std::string MeasurementDateText(int year, int month, int day);
std::string MeasurementTimeText(int hour, int minute, int second);

}  // namespace ombra::core
