// The main window over a fake instrument, connected, writing through the real transfer into an
// in-memory sheet (or finding no office while `officeUp` is false), with a journal of its own
// and its miss sounds counted. Shared by the window's measurement tests.
#pragma once

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>

#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"
#include "support/MemoryAutomation.h"
#include "support/TestSupport.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

namespace ombra::ui::test {

using namespace ombra::core;

struct MainWindowRig {
    ScopedMemoryProfile profile;
    FakeInstrument fake;
    MessageBoxRecorder boxes;
    QTemporaryDir dir;
    std::unique_ptr<core::MeasurementJournal> journal;
    core::MemoryAutomation sheet = core::MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    bool officeUp = true;
    int sounds = 0;
    std::unique_ptr<CVireoDataTransferSoftwareDlg> window;

    // `irradiance`: the settings measure irradiance from the start.
    explicit MainWindowRig(bool irradiance = false) {
        core::Settings() = core::AppSettings{};
        if (irradiance) {
            profile.Store().WriteInt(core::platform::ResString(1234), "MeasurementType", 4);
            profile.Store().WriteInt(core::platform::ResString(1234), "MeasurementTypeSel", 1);
        }
        journal = std::make_unique<core::MeasurementJournal>(nullptr, dir.path() + "/journal.sqlite");
        window = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
        window->SetJournal(journal.get());
        window->SetAutomationFactory([this]() -> std::unique_ptr<ombra::Automation> {
            if (!officeUp) return nullptr;
            return std::make_unique<core::SheetConnection>(sheet);
        });
        window->SetMissSound([this] { ++sounds; });
        fake.AddDevice();
        window->OnCommand(1000);  // Connect
    }
    CVireoDataTransferSoftwareDlg &w() { return *window; }
    // One press of the reflection (or irradiance) button and its release.
    void Press(bool irradiance = false) {
        core::platform::PostAppMessage(window.get(), irradiance ? 32779 : 32778);
        core::platform::PostAppMessage(window.get(), irradiance ? 32781 : 32782);
        QCoreApplication::processEvents();
    }
};

}  // namespace ombra::ui::test
