// The decisions of the connection and measurement road that need no window: the
// calibration-status check, the reaction to a press while not ready, the trigger latch
// and the time stamp texts.
#include <gtest/gtest.h>

#include "core/instrument/SessionRules.h"

using namespace ombra::core;

TEST(CalibrationStatusCheck, NoticesAndReadiness) {
    EXPECT_EQ(CheckCalibrationStatus(0, 1), (CalibrationCheck{true, 0}));
    EXPECT_EQ(CheckCalibrationStatus(0, 0), (CalibrationCheck{true, 0}));
    EXPECT_EQ(CheckCalibrationStatus(0, 6), (CalibrationCheck{true, 0}));
    for (int status : {2, 5}) EXPECT_EQ(CheckCalibrationStatus(0, status), (CalibrationCheck{true, 1238})) << status;
    for (int status : {3, 4}) EXPECT_EQ(CheckCalibrationStatus(0, status), (CalibrationCheck{false, 1246})) << status;
    // A failed query: ready, whatever the status variable holds.
    for (int status : {2, 3, 4}) EXPECT_EQ(CheckCalibrationStatus(9, status), (CalibrationCheck{true, 0})) << status;
}

TEST(NotReadyReaction, ByCalibrationStatus) {
    EXPECT_EQ(NotReadyReactionFor(2), (NotReadyReaction{NotReadyReaction::Notice, 1238}));
    EXPECT_EQ(NotReadyReactionFor(5), (NotReadyReaction{NotReadyReaction::Notice, 1238}));
    EXPECT_EQ(NotReadyReactionFor(3), (NotReadyReaction{NotReadyReaction::InstrumentError, 19}));
    EXPECT_EQ(NotReadyReactionFor(4), (NotReadyReaction{NotReadyReaction::InstrumentError, 34}));
    for (int status : {0, 1, 6, -1}) EXPECT_EQ(NotReadyReactionFor(status).kind, NotReadyReaction::Nothing) << status;
}

TEST(TriggerDecision, OnePressPerLatchAndOnlyTheCurrentType) {
    EXPECT_EQ(DecideTrigger(TriggerType::Reflection, 1, true, true, false), TriggerAction::Measure);
    EXPECT_EQ(DecideTrigger(TriggerType::Reflection, 1, true, true, true), TriggerAction::Ignore);     // still held
    EXPECT_EQ(DecideTrigger(TriggerType::Irradiance, 4, true, true, false), TriggerAction::Measure);
    EXPECT_EQ(DecideTrigger(TriggerType::Irradiance, 1, true, true, false), TriggerAction::Ignore);    // other type
    EXPECT_EQ(DecideTrigger(TriggerType::Reflection, 4, true, false, false), TriggerAction::Ignore);   // other type, not even the notice
    // Not ready: the reaction repeats while held, latched or not.
    EXPECT_EQ(DecideTrigger(TriggerType::Reflection, 1, true, false, false), TriggerAction::NotReady);
    EXPECT_EQ(DecideTrigger(TriggerType::Reflection, 1, true, false, true), TriggerAction::NotReady);
    // A message left over from before a disconnection.
    EXPECT_EQ(DecideTrigger(TriggerType::Reflection, 1, false, true, false), TriggerAction::Ignore);
}

TEST(MeasurementStampTexts, Formats) {
    EXPECT_EQ(MeasurementDateText(2026, 12, 7), "2026/12/07");
    EXPECT_EQ(MeasurementDateText(2027, 1, 31), "2027/01/31");
    EXPECT_EQ(MeasurementTimeText(9, 5, 3), "09:05:03");
    EXPECT_EQ(MeasurementTimeText(23, 59, 59), "23:59:59");
    EXPECT_EQ(MeasurementTimeText(0, 0, 0), "00:00:00");
}
