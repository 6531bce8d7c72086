// The main window's result panel: built above the buttons, shown or hidden from the View menu
// (the choice is kept), and filled after every measurement's transfer.
#include <QAction>

#include "core/journalserver/ServerJournal.h"
#include "core/platform/AtomicFile.h"
#include "trace/TraceTimings.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/mainwindow/MainWindowLogic.h"
#include "ui/mainwindow/ResultPanelFeed.h"
#include "ui/output/ResultPanel.h"

#include <cstdlib>
#include "corvexres/ResourceIds.h"

namespace ombra::ui {

using namespace mainwindow;


namespace {

// For scripts and the end-to-end checks, which cannot read a window: with OMBRA_PANEL_TEXT set
// to a file, the panel's values ("label<TAB>value" lines) and where they went ("where<TAB>...")
// after every measurement.
void WritePanelText(const ResultPanel &panel) {
    const char *path = std::getenv("OMBRA_PANEL_TEXT");
    if (!path || !*path) return;
    QString text = "where\t" + panel.WhereText() + '\n';
    if (!panel.ServerWaitingText().isEmpty()) text += "server\t" + panel.ServerWaitingText() + '\n';
    for (const auto &[label, value] : panel.ShownValues()) text += label + '\t' + value + '\n';
    core::platform::WriteFileAtomically(path, text.toStdString());
}

}  // namespace

void CVireoDataTransferSoftwareDlg::CreateResultPanel() {
    resultPanel_ = new ResultPanel(this);
    const bool shown = settings_.feedback.ResultPanelShown();
    resultPanel_->setVisible(shown);
    if (QAction *item = MenuAction(res::kCmdResultPanel)) {
        item->setCheckable(true);
        item->setChecked(shown);
    }
    // A sample of several readings: the panel counts them and its button drops an unfinished one;
    // the session's word on a dropped sample stands in the status bar.
    connect(&session_, &core::InstrumentSession::sampleChanged, resultPanel_, &ResultPanel::SetSampleProgress);
    connect(resultPanel_, &ResultPanel::discardSampleRequested, &session_, &core::InstrumentSession::DiscardSample);
    connect(&session_, &core::InstrumentSession::sampleDiscarded, this, [this](const QString &notice) { SetHintText(notice); });
}

void CVireoDataTransferSoftwareDlg::OnResultPanelCommand() {
    const bool show = resultPanel_->isHidden();
    resultPanel_->setVisible(show);
    if (QAction *item = MenuAction(res::kCmdResultPanel)) item->setChecked(show);
    settings_.feedback.SetResultPanelShown(show);
    if (!show) adjustSize();  // the window gives the panel's room back
}

void CVireoDataTransferSoftwareDlg::ShowServerWaiting(int waiting) {
    const QString text = QString::fromStdString(core::ServerWaitingText(waiting));
    if (text == resultPanel_->ServerWaitingText()) return;
    resultPanel_->SetServerWaiting(text);
    WritePanelText(*resultPanel_);
}

// Runs after the transfer's last cell, in the same turn of the event loop.
void CVireoDataTransferSoftwareDlg::UpdateResultPanel(const core::MeasurementReport &report) {
    trace::TraceMark("panel start");
    ++(report.measurement.outcome.written() ? panelWritten_ : panelNotWritten_);
    resultPanel_->ShowNext(PanelSummaryOf(report));
    resultPanel_->SetCounts(panelWritten_, panelNotWritten_);
    trace::TraceMark("panel updated");
    WritePanelText(*resultPanel_);
}

}  // namespace ombra::ui
