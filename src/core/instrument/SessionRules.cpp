#include "core/instrument/SessionRules.h"
#include "corvexres/ResourceIds.h"

#include <cstdio>

namespace ombra::core {

CalibrationCheck CheckCalibrationStatus(int32_t queryResult, int32_t status) {
    if (queryResult != 0) return {true, 0};
    switch (status) {
    case 2:
    case 5: return {true, res::kStrCalibrationNotice};
    case 3:
    case 4: return {false, res::kStrCalibrationNeeded};
    default: return {true, 0};
    }
}

NotReadyReaction NotReadyReactionFor(int32_t calibrationStatus) {
    switch (calibrationStatus) {
    case 2:
    case 5: return {NotReadyReaction::Notice, res::kStrCalibrationNotice};
    case 3: return {NotReadyReaction::InstrumentError, kErrNotReadyStatus3};
    case 4: return {NotReadyReaction::InstrumentError, kErrNotReadyStatus4};
    default: return {};
    }
}

SessionStatus StatusOf(bool connected, bool readyToMeasure, bool lost, bool reading) {
    if (connected) {
        if (reading) return SessionStatus::Reading;
        return readyToMeasure ? SessionStatus::Ready : SessionStatus::CalibrationNeeded;
    }
    return lost ? SessionStatus::Lost : SessionStatus::NotConnected;
}

int32_t CalibrationStatusOfRefusal(int32_t measurementResult) {
    switch (measurementResult) {
    case kErrNotReadyStatus3: return 3;
    case kErrNotReadyStatus4: return 4;
    default: return 0;
    }
}

TriggerAction DecideTrigger(TriggerType trigger, int measurementType, bool connected, bool readyToMeasure,
                            bool latched) {
    // A message still queued from before a disconnection finds the window disconnected.
    if (!connected || static_cast<int>(trigger) != measurementType) return TriggerAction::Ignore;
    if (!readyToMeasure) return TriggerAction::NotReady;
    return latched ? TriggerAction::Ignore : TriggerAction::Measure;
}

std::string MeasurementDateText(int year, int month, int day) {
    char text[48];
    std::snprintf(text, sizeof text, "%d/%02d/%02d", year, month, day);
    return text;
}

std::string MeasurementTimeText(int hour, int minute, int second) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    return text;
}

}  // namespace ombra::core
