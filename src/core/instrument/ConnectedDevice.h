// What the connected instrument told about itself when it was connected (the About box shows
// it), and the version of the office connection the program was built with.
#pragma once

#include <optional>
#include <string>

namespace ombra::core {

struct ConnectedDevice {
    std::string model;
    std::string serial;
    std::string firmware;  // "<first>.<second>" of the device information's version words
};

// Set when the identity is read at connection (none while it could not be read).
void SetConnectedDevice(std::optional<ConnectedDevice> device);
std::optional<ConnectedDevice> LastConnectedDevice();

// The version of the LibreOffice connection built into the program; empty without one.
void SetOfficeConnectionVersion(const std::string &version);
std::string OfficeConnectionVersion();

}  // namespace ombra::core
