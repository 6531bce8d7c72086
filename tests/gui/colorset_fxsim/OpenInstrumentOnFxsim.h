// A fixture for dialogs that talk to the real instrument library and a running virtual
// instrument: fxsim serves one model-100 device, the library is loaded and the device is
// chosen and held open as the main window holds it; everything is undone afterwards.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "FxsimHarness.h"
#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/TestSupport.h"

namespace ombra::ui::test {

using namespace ombra::core;

class OpenInstrumentOnFxsim : public ::testing::Test {
protected:
    explicit OpenInstrumentOnFxsim(const char *scenarioJson) : serve_{QString::fromUtf8(scenarioJson)} {}

    void SetUp() override {
        Settings() = AppSettings{};
        if (core::platform::ResString(1234).empty()) GTEST_SKIP() << "needs the resource library";
        ASSERT_TRUE(serve_.Start()) << serve_.Output().toStdString();
        std::string error;
        ASSERT_TRUE(LoadInstrumentLibrary(OMBRA_BIN_DIR "/libfxAPI.so", &error)) << error;
        session_.emplace();
        EnumeratedDevices found;
        ASSERT_EQ(EnumerateDevices(found, nullptr), 1);
        ASSERT_TRUE(ChooseDevice(found, 1, nullptr, [](const DeviceList &) {
            Settings().identity.SetSelectedInstrument(0);
            return true;
        }, Settings().identity));
    }
    void TearDown() override {
        if (DeviceHandle().load() != 0) ReleaseDevice(DeviceHandle().load(), nullptr);
        session_.reset();
        InstallInstrumentFunctions(saved_);
        Settings() = AppSettings{};
    }

    DIFunctions saved_ = Instrument();
    MessageBoxRecorder boxes_{core::platform::mb::IDOK};
    fxtest::FxsimServe serve_;
    std::optional<CVireoDllAdapter> session_;  // the main window's hold on the instrument
};

}  // namespace ombra::ui::test
