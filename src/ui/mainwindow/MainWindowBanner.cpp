// The main window's banner of a measurement that did not reach the sheet: shown with its reason
// after each miss (with a short sound unless switched off), gone when a later measurement is
// written or the user dismisses it.
#include <QApplication>

#include <cstdio>

#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/Executable.h"
#include "core/platform/ProfileStore.h"
#include "corvexres/ResourceIds.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/mainwindow/MainWindowLogic.h"
#include "ui/mainwindow/MissBanner.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {

namespace {

constexpr int kBannerMargin = 8;

}  // namespace

void CVireoDataTransferSoftwareDlg::CreateMissBanner() {
    missBanner_ = new MissBanner(client_);
    missSound_ = [] { QApplication::beep(); };
    connect(missBanner_, &MissBanner::setupRequested, this, [this] { OnCommand(res::kCmdSetUpOffice); });
    connect(missBanner_, &MissBanner::measurementsRequested, this, [this] { OnCommand(res::kCmdMeasurements); });
    connect(missBanner_, &MissBanner::soundSwitched, this, &CVireoDataTransferSoftwareDlg::OnMissSoundSwitched);
}

void CVireoDataTransferSoftwareDlg::ShowMissBanner(const core::MissNotice &miss) {
    if (miss.reason == core::MissReason::None) {
        missBanner_->hide();
        return;
    }
    const bool sound = settings_.feedback.MissSound();
    missBanner_->ShowNotice(miss, sound, kBannerMargin, kBannerMargin, client_->width() - 2 * kBannerMargin);
    // Said on the error stream too, for whoever runs the program from a terminal or a script.
    std::fprintf(stderr, "%s: %s\n", core::platform::ProgramName().c_str(), miss.text.c_str());
    if (sound && missSound_) missSound_();
}

// After the Measurements window: resent measurements are no longer waiting.
void CVireoDataTransferSoftwareDlg::RefreshMissBannerCount() {
    core::MeasurementJournal *journal = session_.Journal();
    if (!journal || missBanner_->isHidden()) return;
    const int unwritten = journal->UnwrittenCount();
    if (unwritten == 0)
        missBanner_->hide();
    else
        missBanner_->SetCountText(QString::fromStdString(core::UnwrittenNoticeText(unwritten)));
}

void CVireoDataTransferSoftwareDlg::OnMissSoundSwitched(bool on) {
    settings_.feedback.SetMissSound(on);
    if (const std::optional<core::Notice> failed = core::platform::TakeSettingsFailureNotice(settings_.Store()))
        platform::ShowNotice(this, *failed);
}

}  // namespace ombra::ui
