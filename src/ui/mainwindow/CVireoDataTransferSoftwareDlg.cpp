#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

#include "core/instrument/WorkThread.h"
#include "core/output/JournalTransfer.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/Resources.h"
#include "core/settings/SettingsStore.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/CColorSetSettingDlg.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/illuminant/CUserIlluminantDlg.h"
#include "ui/instrument/CalibrationDlg.h"
#include "ui/instrument/ConnectInstDlg.h"
#include "ui/instrument/MeasSettingsDlg.h"
#include "ui/mainwindow/AboutDlg.h"
#include "ui/mainwindow/MainWindowLogic.h"
#include "ui/mainwindow/ManualOpener.h"
#include "ui/output/CDataItemsDlg.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/platform/MessageBox.h"
#include "ui/platform/ResourceImages.h"
#include "ui/platform/WaitCursor.h"
#include "ui/quality/ReferencesDlg.h"

namespace ombra::ui {

using namespace mainwindow;


namespace {

// The identifier in a control's object name "ctl_<id>", or 0.
int ControlIdOf(const QWidget *widget) {
    const QString name = widget->objectName();
    if (!name.startsWith("ctl_")) return 0;
    bool ok = false;
    const int id = name.mid(4).toInt(&ok);
    return ok ? id : 0;
}

}  // namespace

CVireoDataTransferSoftwareDlg::CVireoDataTransferSoftwareDlg(const QString &productVersion, QWidget *parent,
                                                             core::AppSettings &settings)
    : QDialog(parent), settings_(settings), session_(settings), productVersion_(productVersion) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgMain));
    icon_ = QIcon(platform::ResPixmap(res::kAppIcon));
    deviceChooser_ = [this](const core::DeviceList &devices) { return RunConnectInstDlg(devices, this); };
    session_.SetNoticeSink(platform::NoticeSinkFor(this));
    connect(&session_, &core::InstrumentSession::instrumentOpened, this, &CVireoDataTransferSoftwareDlg::ShowConnectedControls);
    connect(&session_, &core::InstrumentSession::identityRead, this, &CVireoDataTransferSoftwareDlg::SetInstrumentText);
    connect(&session_, &core::InstrumentSession::connectionChanged, this, &CVireoDataTransferSoftwareDlg::OnConnectionChanged);
    connect(&session_, &core::InstrumentSession::readyChanged, this, [this] { RefreshDisplay(); });
    connect(&session_, &core::InstrumentSession::statusChanged, this, [this] {
        RefreshDisplay();
        // A measurement holds the event loop: its status is drawn at once.
        if (session_.Status() == core::SessionStatus::Reading) statusLamp_->repaint();
    });
    connect(&session_, &core::InstrumentSession::instrumentLost, this, &CVireoDataTransferSoftwareDlg::EndInstrumentDialogs);
    connect(&session_, &core::InstrumentSession::measurementWritten, this, &CVireoDataTransferSoftwareDlg::OnMeasurementWritten);
    // Measurements held outside the journal are counted in the status bar until they moved in.
    connect(&session_, &core::InstrumentSession::heldCountChanged, this, [this] {
        lastingNotice_ = QString::fromStdString(session_.LastingNotice());
        SetHintText(lastingNotice_);
    });
    InitDialog();
}

CVireoDataTransferSoftwareDlg::~CVireoDataTransferSoftwareDlg() = default;

// ---------------------------------------------------------------------------------------
// Painting, lamp, status bar

void CVireoDataTransferSoftwareDlg::PaintClient(QPainter &painter) {
    if (isMinimized()) {
        const QSize size = client_->size();
        const QPixmap pixmap = icon_.pixmap(32, 32);
        painter.fillRect(client_->rect(), palette().color(QPalette::Window));
        painter.drawPixmap((size.width() - pixmap.width() + 1) / 2, (size.height() - pixmap.height() + 1) / 2,
                           pixmap);
        return;
    }
    if (!background_.isNull()) painter.drawPixmap(0, 0, background_);
}

void CVireoDataTransferSoftwareDlg::RefreshDisplay() {
    const QString identity = InstrumentText();
    const StatusLook look = LookOf(Status(), !identity.isEmpty());
    QString text = core::platform::ResQString(look.textId);
    if (look.textId == res::kStrStatusReady) text = text.arg(identity);
    statusLamp_->setText(QString::fromUtf8(look.symbol) + ' ' + text);
    statusLamp_->setToolTip(text);
    statusLamp_->setAccessibleName(text);
    QPalette palette = statusLamp_->palette();
    palette.setColor(QPalette::WindowText, QColor(look.colour.r, look.colour.g, look.colour.b));
    statusLamp_->setPalette(palette);
    update();
    client_->update();
}

void CVireoDataTransferSoftwareDlg::SetConnected(bool connected) {
    session_.SetConnected(connected);
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::SetInstrumentText(const QString &text) {
    instrumentPane_->setText(text);
    RefreshDisplay();
}
QString CVireoDataTransferSoftwareDlg::InstrumentText() const { return instrumentPane_->text(); }
void CVireoDataTransferSoftwareDlg::SetHintText(const QString &text) { hintPane_->setText(text); }
QString CVireoDataTransferSoftwareDlg::HintText() const { return hintPane_->text(); }

void CVireoDataTransferSoftwareDlg::SetConnectMenuText(int stringId) {
    if (QAction *item = MenuAction(res::kCmdConnect)) item->setText(core::platform::ResQString(stringId));
}

void CVireoDataTransferSoftwareDlg::SetConnectImages(bool connectedSet) {
    const ImageSet images = ButtonImages(res::kCmdConnect, connectedSet);
    connectButton_->SetImages(images.normal, images.pressed, images.hover, images.disabled);
    connectButton_->update();
}

void CVireoDataTransferSoftwareDlg::SetInstrumentButtonsEnabled(bool enabled) {
    for (const int id : kInstrumentButtons) Button(id)->setEnabled(enabled);
}

void CVireoDataTransferSoftwareDlg::ShowConnectedControls() {
    SetInstrumentButtonsEnabled(true);
    connectButton_->setText(core::platform::ResQString(res::kStrDisconnectCaption));
    connectButton_->setToolTip(core::platform::ResQString(ControlHintStringId(res::kCmdConnect, true)));
    SetConnectImages(true);
    connectButton_->repaint();
}

void CVireoDataTransferSoftwareDlg::ShowDisconnectedControls() {
    SetInstrumentButtonsEnabled(false);
    connectButton_->setText(core::platform::ResQString(res::kStrConnectCaption));
    connectButton_->setToolTip(core::platform::ResQString(ControlHintStringId(res::kCmdConnect, false)));
    SetInstrumentText(QString());
    SetConnectMenuText(res::kStrMenuConnect);
    SetConnectImages(false);
    RefreshDisplay();
}

// ---------------------------------------------------------------------------------------
// Menus and hints

void CVireoDataTransferSoftwareDlg::AttachPopup(QMenu *popup) {
    connect(popup, &QMenu::aboutToShow, this, [this, popup] { UpdateMenuEnableState(popup); });
    connect(popup, &QMenu::hovered, this, &CVireoDataTransferSoftwareDlg::OnMenuHighlighted);
}

void CVireoDataTransferSoftwareDlg::UpdateMenuEnableState(QMenu *menu) {
    // The list is read again for every item: a handler may add or remove items.
    for (int i = 0; i < menu->actions().size(); ++i) {
        QAction *action = menu->actions().at(i);
        if (action->isSeparator()) continue;
        if (action->menu()) continue;  // a submenu entry is never disabled automatically
        const int id = action->data().toInt();
        if (id == 0) continue;          // no command: keeps its state
        action->setEnabled(CommandEnabled(id, IsConnected()));
    }
}

void CVireoDataTransferSoftwareDlg::OnMenuHighlighted(QAction *action) {
    if (!lastingNotice_.isEmpty()) return;  // unwritten measurements outrank hints
    const int id = action ? action->data().toInt() : 0;
    const int hint = MenuHintStringId(id, IsConnected());
    SetHintText(hint ? core::platform::ResQString(hint) : QString());
}

void CVireoDataTransferSoftwareDlg::OnButtonHovered() {
    if (!lastingNotice_.isEmpty()) return;
    // The button under the mouse has taken the focus; the focused control decides the hint.
    const QWidget *focused = QApplication::focusWidget();
    if (!focused) return;
    const int hint = ControlHintStringId(ControlIdOf(focused), IsConnected());
    SetHintText(hint ? core::platform::ResQString(hint) : QString());
}

void CVireoDataTransferSoftwareDlg::OnButtonLeft() {
    if (lastingNotice_.isEmpty()) SetHintText(QString());
}

// ---------------------------------------------------------------------------------------
// Commands

void CVireoDataTransferSoftwareDlg::OnCommand(int commandId) {
    // A command that is disabled in this state does nothing, whichever way it arrives (a
    // keyboard accelerator bypasses the menu's and the buttons' enabled state).
    if (!CommandEnabled(commandId, IsConnected())) return;
    switch (commandId) {
    case res::kCmdConnect: OnConnectDisconnect(); break;
    case res::kCmdCalibration: OnCalibration(); break;
    case res::kCmdMeasSettings: OnMeasSettings(); break;
    case res::kCmdDataItems: OnDataItems(); break;
    case res::kCmdColorSets: OnColorSets(); break;
    case res::kCmdExit: OnExit(); break;
    case res::kCmdUserIlluminant: OnUserIlluminant(); break;
    case res::kCmdAbout:
    case kSysCmdAbout: OnAbout(); break;
    case res::kCmdManual: OnManual(); break;
    case res::kCmdMeasurements: OnMeasurements(); break;
    case res::kCmdSetUpOffice: OnSetUpOffice(); break;
    case res::kCmdResultPanel: OnResultPanelCommand(); break;
    case res::kCmdReferences:
        if (core::ReferenceStore *references = session_.References()) RunReferencesWindow(this, *references);
        break;
    default: break;
    }
    // A command that changed settings which could not be saved says so, once per failure.
    if (const std::optional<core::Notice> failed = core::platform::TakeSettingsFailureNotice(settings_.Store()))
        platform::ShowNotice(this, *failed);
}

void CVireoDataTransferSoftwareDlg::OnConnectDisconnect() {
    if (session_.HoldsInstrument())
        Disconnect();
    else
        Connect();
}

void CVireoDataTransferSoftwareDlg::OnCalibration() {
    // The run pauses the watch thread itself and resumes it at its end.
    const core::CalibrationOutcome outcome = RunCalibration(this, session_.WatchThread(), session_.Link());
    if (outcome.ready()) session_.SetReadyToMeasure(true);
    if (outcome.whiteShown) RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::OnMeasSettings() {
    if (RunMeasurementSettings(this, settings_, &session_.Link()) != QDialog::Accepted) return;
    session_.MeasurementSettingsChanged();
}
void CVireoDataTransferSoftwareDlg::OnColorSets() { RunColorSets(this, session_.WatchThread(), &session_.Link()); }
void CVireoDataTransferSoftwareDlg::OnUserIlluminant() {
    // The dialog pauses the watch thread while it is open and puts the measurement settings
    // it changes back on the instrument.
    RunUserIlluminantDlg(this, session_.WatchThread(), session_.Link());
}

void CVireoDataTransferSoftwareDlg::OnDataItems() {
    CDataItemsDlg dialog(this, settings_);
    dialog.exec();
}

void CVireoDataTransferSoftwareDlg::OnExit() {
    session_.StopWatching();
    done(QDialog::Accepted);
}

void CVireoDataTransferSoftwareDlg::OnAbout() {
    // The instrument's identity as read at connection, while it is connected.
    const AboutFacts facts{core::OfficeConnectionVersion(), IsConnected() ? core::LastConnectedDevice() : std::nullopt};
    CAboutDlg about(productVersion_, this, facts);
    about.exec();
}

// The one entry point of the set-up, from the menu and from whatever offers it in the window.
void CVireoDataTransferSoftwareDlg::OnSetUpOffice() {
    if (officeSetup_) platform::ShowNotice(this, officeSetup_());
}

void CVireoDataTransferSoftwareDlg::OnMeasurements() {
    core::MeasurementJournal *journal = session_.Journal();
    if (!journal) return;
    // The user is looking at the unwritten measurements now.
    session_.UnwrittenSeen();
    lastingNotice_ = QString::fromStdString(session_.LastingNotice());
    SetHintText(lastingNotice_);
    const core::WriteEntryFunction write = core::ResendFunction(session_.SpreadsheetConnector(), session_.LastWorkbook(),
                                                    messageCaption_.toStdString(), platform::NoticeSinkFor(this));
    RunMeasurementsWindow(this, *journal, write, session_.References(), journalServer_ ? &*journalServer_ : nullptr);
    RefreshMissBannerCount();
}

void CVireoDataTransferSoftwareDlg::OnManual() {
    const ManualOpenResult result =
        OpenManual(QCoreApplication::applicationDirPath(), core::platform::ResQString(res::kStrManualFile));
    if (result.opened) {
        // The manual is written in English only: a user reading the program in another
        // language is told so, unless a standing notice holds the status line.
        if (core::platform::ResourceLanguage() != "en" && lastingNotice_.isEmpty()) SetHintText(core::platform::ResQString(res::kStrManualInEnglish));
        return;
    }
    QString text = core::platform::ResQString(result.messageId);
    if (text.contains("%1")) text = text.arg(QDir::toNativeSeparators(result.manualPath));
    platform::ShowMessageBox(this, text.toStdString(),
                             core::platform::ResString(res::kStrMessageCaption), core::platform::mb::ICONERROR);
}

void CVireoDataTransferSoftwareDlg::OnUndoMeasurement() {
    const core::UndoOutcome outcome = session_.UndoLastMeasurement();
    QString text;
    switch (outcome.result) {
    case core::UndoResult::Undone: return;
    case core::UndoResult::NothingToUndo: text = core::platform::ResQString(res::kStrNothingToUndo); break;
    case core::UndoResult::CellChanged: text = core::platform::ResQString(res::kStrUndoCellChanged).arg(QString::fromStdString(outcome.cell)); break;
    case core::UndoResult::OtherSheet: text = core::platform::ResQString(res::kStrUndoOtherSheet).arg(QString::fromStdString(outcome.sheet)); break;
    case core::UndoResult::NoSpreadsheet: text = core::platform::ResQString(res::kStrUndoNoSpreadsheet); break;
    case core::UndoResult::Failed: text = core::platform::ResQString(res::kStrUndoFailed); break;
    }
    const unsigned icon = outcome.result == core::UndoResult::NothingToUndo ? core::platform::mb::ICONINFORMATION : core::platform::mb::ICONWARNING;
    platform::ShowMessageBox(this, text.toStdString(), messageCaption_.toStdString(), icon);
}

void CVireoDataTransferSoftwareDlg::ShowMessage(int stringId, unsigned flags) {
    platform::ShowMessageBox(this, core::platform::ResString(stringId), messageCaption_.toStdString(), flags);
}

// ---------------------------------------------------------------------------------------
// Connection

void CVireoDataTransferSoftwareDlg::Connect() {
    platform::WaitCursor waitCursor;
    // The user picks an instrument with the normal cursor.
    session_.SetDeviceChooser([this, &waitCursor](const core::DeviceList &devices) {
        waitCursor.End();
        const bool chosen = deviceChooser_ && deviceChooser_(devices);
        waitCursor.Resume();
        return chosen;
    });
    session_.Connect();
}

void CVireoDataTransferSoftwareDlg::Disconnect() {
    session_.Disconnect();
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::OnConnectionChanged(bool connected) {
    if (connected)
        SetConnectMenuText(res::kStrMenuDisconnect);
    else
        ShowDisconnectedControls();
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::EndInstrumentDialogs() {
    // Each does nothing when its dialog is not shown.
    EndCalibrationDialog();
    EndMeasurementSettingsDialog();
}

// ---------------------------------------------------------------------------------------
// Messages of the button-watch thread

void CVireoDataTransferSoftwareDlg::customEvent(QEvent *event) {
    if (event->type() == core::platform::AppMessageEvent::EventType()) {
        const auto *message = static_cast<core::platform::AppMessageEvent *>(event);
        if (message->message() == core::platform::kCommandMessage)
            OnCommand(static_cast<int>(message->wParam()));
        else
            HandleMessage(message->message());
    } else {
        HandleMessage(int(event->type()));  // a message posted as a plain event of its number
    }
    QDialog::customEvent(event);
}

void CVireoDataTransferSoftwareDlg::HandleMessage(int message) { session_.HandleWatchMessage(message); }

// The session says which notice follows a measurement; a standing one it ends leaves the pane.
void CVireoDataTransferSoftwareDlg::OnMeasurementWritten(const core::MeasurementReport &report) {
    UpdateResultPanel(report);
    ShowMissBanner(report.miss);
    const QString notice = QString::fromStdString(report.statusNotice);
    if (!notice.isEmpty() || !lastingNotice_.isEmpty()) SetHintText(notice);
    lastingNotice_ = notice;
}

void CVireoDataTransferSoftwareDlg::closeEvent(QCloseEvent *event) { QDialog::closeEvent(event); }

}  // namespace ombra::ui
