// The scenario file of the virtual instrument and its stored state.
//
// Scenario (JSON):
//   {"devices": [{"model": 100, "serial": 1000001, "version": [1, 20],
//                 "calibrationStatus": 0, "polarization": [0, 0], "sample": "paper",
//                 "light": "daylight", "name": "bench", "userIlluminantSupported": true}]}
// Every key of a device is optional; an absent "devices" means one default device.
#pragma once

#include <QByteArray>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Device.h"

namespace fxsim {

// The devices of a scenario, or nothing with `error` saying what is wrong.
std::optional<std::vector<DeviceConfig>> ParseScenario(const QByteArray &json, std::string &error);

// Stored data by serial number.
using StoredBySerial = std::map<int32_t, StoredData>;
std::optional<StoredBySerial> ParseState(const QByteArray &json, std::string &error);
QByteArray SerializeState(const StoredBySerial &state);

}  // namespace fxsim
