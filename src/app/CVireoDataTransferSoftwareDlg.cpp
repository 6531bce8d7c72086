#include "app/CVireoDataTransferSoftwareDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

#include <ctime>

#include "app/AboutDlg.h"
#include "app/MainWindowLogic.h"
#include "app/ManualOpener.h"
#include "app/SettingsStore.h"
#include "controls/OmbraImageButton.h"
#include "instrument/CalibrationDlg.h"
#include "instrument/ConnectInstDlg.h"
#include "instrument/MeasSettingsDlg.h"
#include "illuminant/CUserIlluminantDlg.h"
#include "instrument/Measure.h"
#include "instrument/PropertySetting.h"
#include "instrument/PropertyTables.h"
#include "instrument/WorkThread.h"
#include "output/Automation.h"
#include "output/CDataItemsDlg.h"
#include "output/Transfer.h"
#include "output/Values.h"
#include "platform/MessageBox.h"
#include "platform/PostedMessage.h"
#include "platform/Resources.h"
#include "platform/WaitCursor.h"
#include "platform/TraceTimings.h"

#ifdef OMBRA_HAVE_CALCBRIDGE
#include "calcbridge/CalcBridge.h"
#endif

namespace ombra {

using namespace mainwin;

namespace {

// The area below the menu bar: it paints the window's background.
class ClientWidget : public QWidget {
public:
    ClientWidget(CVireoDataTransferSoftwareDlg *owner, QWidget *parent) : QWidget(parent), owner_(owner) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        owner_->PaintClient(painter);
    }

private:
    CVireoDataTransferSoftwareDlg *owner_;
};

QString ControlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

// The identifier in a control's object name "ctl_<id>", or 0.
int ControlIdOf(const QWidget *widget) {
    const QString name = widget->objectName();
    if (!name.startsWith("ctl_")) return 0;
    bool ok = false;
    const int id = name.mid(4).toInt(&ok);
    return ok ? id : 0;
}

// A menu text turned into a button caption: no mnemonic marks, shortcut text or ellipsis.
QString CaptionFromMenuText(QString text) {
    text = text.section('\t', 0, 0);
    text.remove('&');
    if (text.endsWith("...")) text.chop(3);
    return text.trimmed();
}

// Messages about the instrument that must be seen at once: above every window, in front.
constexpr unsigned kUrgent = platform::mb::SYSTEMMODAL | platform::mb::SETFOREGROUND;

// Pauses the button-watch thread for its lifetime, so every way out resumes it.
class PausedWatch {
public:
    explicit PausedWatch(CButtonWatchThread &thread) : thread_(thread) { thread_.Pause(); }
    ~PausedWatch() { thread_.Resume(); }
    PausedWatch(const PausedWatch &) = delete;
    PausedWatch &operator=(const PausedWatch &) = delete;

private:
    CButtonWatchThread &thread_;
};

QString MenuTextOf(const std::vector<platform::MenuEntry> &menu, int commandId) {
    for (const auto &entry : menu)
        if (entry.level == 1 && entry.commandId == commandId) return QString::fromStdString(entry.text);
    return {};
}

}  // namespace

CVireoDataTransferSoftwareDlg::CVireoDataTransferSoftwareDlg(const QString &productVersion, QWidget *parent)
    : QDialog(parent), settings_(Settings()), productVersion_(productVersion) {
    setObjectName(QStringLiteral("dlg_%1").arg(kTemplateMain));
    icon_ = QIcon(platform::ResPixmap(kIconMain));
    // The watch thread is created here but only started by a completed connection.
    watchThread_ = std::make_unique<CButtonWatchThread>([this](int message) { PostFromWatchThread(message); });
    measure_ = std::make_unique<CMeasure>();
    measure_->measurementType = 1;
    deviceChooser_ = [this](const DeviceList &devices) { return RunConnectInstDlg(devices, this); };
    measurementWriter_ = [this](const OutputValues &values) { return WriteToSpreadsheet(values); };
    InitDialog();
}

CVireoDataTransferSoftwareDlg::~CVireoDataTransferSoftwareDlg() {
    if (connected_) SetConnectionFlag(0, this);
    // Closed without Exit: the thread may still be polling.
    if (watchThread_) watchThread_->Stop();
    measure_.reset();
    watchThread_.reset();
    // The instrument itself is closed when the last adapter (this window's) goes.
}

// Runs on the watch thread: only queues the message for the user-interface thread.
void CVireoDataTransferSoftwareDlg::PostFromWatchThread(int message) { platform::PostAppMessage(this, message); }

bool CVireoDataTransferSoftwareDlg::IsWatching() const { return watchThread_ && watchThread_->HasThread(); }

// ---------------------------------------------------------------------------------------
// Layout when the window opens

void CVireoDataTransferSoftwareDlg::InitDialog() {
    setWindowTitle(platform::ResQString(kStrMessageCaption));
    if (!icon_.isNull()) setWindowIcon(icon_);

    client_ = new ClientWidget(this, this);
    client_->setObjectName("clientArea");
    client_->setFixedSize(kClientWidth, kClientHeight);

    CreateMenu();
    AddAboutItem();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menu_);
    layout->addWidget(client_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    errorMng_.Init(this);
    CreateStatusBar();
    messageCaption_ = platform::ResQString(kStrMessageCaption);

    statusLamp_ = new QLabel(QStringLiteral("\u25CF"), client_);
    statusLamp_->setObjectName(ControlName(kCtlStatusLamp));
    statusLamp_->setFixedSize(16, 16);
    statusLamp_->setAlignment(Qt::AlignCenter);

    SetUpButtons();
    LayoutControls();
    background_ = platform::ResPixmap(kBitmapBackground);
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::CreateMenu() {
    menu_ = new QMenuBar(this);
    menu_->setObjectName(QStringLiteral("menu_%1").arg(kMenuMain));
    QMenu *popup = nullptr;
    for (const platform::MenuEntry &entry : platform::ResMenu(kMenuMain)) {
        if (entry.level == 0) {
            popup = menu_->addMenu(QString::fromStdString(entry.text));
            AttachPopup(popup);
            continue;
        }
        if (!popup) continue;  // an item before any pop-up has nowhere to go
        if (entry.separator) {
            popup->addSeparator();
            continue;
        }
        QAction *action = popup->addAction(QString::fromStdString(entry.text));
        action->setData(entry.commandId);
        if (entry.commandId != 0) {
            action->setObjectName(QStringLiteral("menu_%1").arg(entry.commandId));
            const int id = entry.commandId;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    }
}

// The window-menu About item: on this desktop it goes at the end of the last pop-up.
void CVireoDataTransferSoftwareDlg::AddAboutItem() {
    const QString text = platform::ResQString(kStrAboutItem);
    if (text.isEmpty()) return;
    const QList<QAction *> popups = menu_->actions();
    QMenu *target = nullptr;
    for (QAction *a : popups)
        if (a->menu()) target = a->menu();
    if (!target) {
        target = menu_->addMenu(CaptionFromMenuText(text));
        AttachPopup(target);
    } else {
        target->addSeparator();
    }
    QAction *about = target->addAction(text);
    about->setObjectName(QStringLiteral("menu_%1").arg(kSysCmdAbout));
    about->setData(kSysCmdAbout);
    connect(about, &QAction::triggered, this, &CVireoDataTransferSoftwareDlg::OnAbout);
}

void CVireoDataTransferSoftwareDlg::CreateStatusBar() {
    // Panes are placed by hand: their widths follow the client width, not their contents.
    statusBar_ = new QWidget(client_);
    statusBar_->setObjectName("statusBar");
    statusBar_->setAutoFillBackground(true);
    hintPane_ = new QLabel(statusBar_);
    hintPane_->setObjectName(ControlName(kIndicatorHint));
    instrumentPane_ = new QLabel(statusBar_);
    instrumentPane_->setObjectName(ControlName(kIndicatorInstrument));
    for (QLabel *pane : {hintPane_, instrumentPane_}) {
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setIndent(3);
    }
    const int height = fontMetrics().height() + 8;
    const int width = client_->width();
    const PaneWidths panes = StatusPaneWidths(width);
    statusBar_->setGeometry(0, client_->height() - height, width, height);
    hintPane_->setGeometry(0, 0, panes.hint, height);
    instrumentPane_->setGeometry(panes.hint, 0, panes.instrument, height);
}

void CVireoDataTransferSoftwareDlg::SetUpButtons() {
    const std::vector<platform::MenuEntry> menu = platform::ResMenu(kMenuMain);
    for (const int id : kImageButtons) {
        auto *button = new OmbraImageButton(client_);
        button->setObjectName(ControlName(id));
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->setText(id == kCmdConnect ? platform::ResQString(kStrConnectCaption)
                                          : CaptionFromMenuText(MenuTextOf(menu, id)));
        const ImageSet images = ButtonImages(id);
        button->SetImages(images.normal, images.pressed, images.hover, images.disabled);
        button->SetImagePosition(1, 0);
        button->SetCaptionPosition(OmbraImageButton::kCentred, 80);
        button->SetDisabledCaptionColor(QColor(0xCC, 0xCC, 0xCC));
        // Until the first connection only Connect can be used.
        button->setEnabled(id == kCmdConnect);
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        connect(button, &OmbraImageButton::MouseHovered, this, &CVireoDataTransferSoftwareDlg::OnButtonHovered);
        connect(button, &OmbraImageButton::MouseLeft, this, &CVireoDataTransferSoftwareDlg::OnButtonLeft);
        switch (id) {
        case kCmdConnect: connectButton_ = button; break;
        case kCmdCalibration: calibrationButton_ = button; break;
        case kCmdMeasSettings: measSettingsButton_ = button; break;
        case kCmdDataItems: dataItemsButton_ = button; break;
        default: colorSetsButton_ = button; break;
        }
    }
}

void CVireoDataTransferSoftwareDlg::LayoutControls() {
    const int width = client_->width();
    const int height = client_->height();
    const auto positions = ButtonPositions(width, height, statusBar_->height());
    for (size_t i = 0; i < kImageButtons.size(); ++i) {
        OmbraImageButton *button = Button(kImageButtons[i]);
        button->move(positions[i].x, positions[i].y);
        button->show();
    }
    const Point lamp = LampPosition(width, height, statusLamp_->width(), statusLamp_->height());
    statusLamp_->move(lamp.x, lamp.y);
    statusLamp_->raise();  // sits over the status bar's corner
}

OmbraImageButton *CVireoDataTransferSoftwareDlg::Button(int controlId) const {
    switch (controlId) {
    case kCmdConnect: return connectButton_;
    case kCmdCalibration: return calibrationButton_;
    case kCmdMeasSettings: return measSettingsButton_;
    case kCmdDataItems: return dataItemsButton_;
    case kCmdColorSets: return colorSetsButton_;
    default: return nullptr;
    }
}

QAction *CVireoDataTransferSoftwareDlg::MenuAction(int commandId) const {
    return menu_->findChild<QAction *>(QStringLiteral("menu_%1").arg(commandId));
}

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
    const Rgb colour = LampColour(connected_, readyToMeasure_);
    QPalette palette = statusLamp_->palette();
    palette.setColor(QPalette::WindowText, QColor(colour.r, colour.g, colour.b));
    statusLamp_->setPalette(palette);
    update();
    client_->update();
}

void CVireoDataTransferSoftwareDlg::SetConnected(bool connected) {
    connected_ = connected;
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::SetReadyToMeasure(bool ready) {
    readyToMeasure_ = ready;
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::SetInstrumentText(const QString &text) { instrumentPane_->setText(text); }
QString CVireoDataTransferSoftwareDlg::InstrumentText() const { return instrumentPane_->text(); }
void CVireoDataTransferSoftwareDlg::SetHintText(const QString &text) { hintPane_->setText(text); }
QString CVireoDataTransferSoftwareDlg::HintText() const { return hintPane_->text(); }

void CVireoDataTransferSoftwareDlg::SetConnectMenuText(int stringId) {
    if (QAction *item = MenuAction(kCmdConnect)) item->setText(platform::ResQString(stringId));
}

void CVireoDataTransferSoftwareDlg::SetConnectImages(bool connectedSet) {
    const ImageSet images = ButtonImages(kCmdConnect, connectedSet);
    connectButton_->SetImages(images.normal, images.pressed, images.hover, images.disabled);
    connectButton_->update();
}

void CVireoDataTransferSoftwareDlg::SetInstrumentButtonsEnabled(bool enabled) {
    for (const int id : kInstrumentButtons) Button(id)->setEnabled(enabled);
}

void CVireoDataTransferSoftwareDlg::ShowConnectedControls() {
    SetInstrumentButtonsEnabled(true);
    connectButton_->setText(platform::ResQString(kStrDisconnectCaption));
    SetConnectImages(true);
    connectButton_->repaint();
}

void CVireoDataTransferSoftwareDlg::ShowDisconnectedControls() {
    SetInstrumentButtonsEnabled(false);
    connectButton_->setText(platform::ResQString(kStrConnectCaption));
    SetInstrumentText(QString());
    SetConnectMenuText(kStrMenuConnect);
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
        action->setEnabled(CommandEnabled(id, connected_));
    }
}

void CVireoDataTransferSoftwareDlg::OnMenuHighlighted(QAction *action) {
    const int id = action ? action->data().toInt() : 0;
    const int hint = MenuHintStringId(id, connected_);
    SetHintText(hint ? platform::ResQString(hint) : QString());
}

void CVireoDataTransferSoftwareDlg::OnButtonHovered() {
    // The button under the mouse has taken the focus; the focused control decides the hint.
    const QWidget *focused = QApplication::focusWidget();
    if (!focused) return;
    const int hint = ControlHintStringId(ControlIdOf(focused), connected_);
    SetHintText(hint ? platform::ResQString(hint) : QString());
}

void CVireoDataTransferSoftwareDlg::OnButtonLeft() { SetHintText(QString()); }

// ---------------------------------------------------------------------------------------
// Commands

void CVireoDataTransferSoftwareDlg::OnCommand(int commandId) {
    // A command that is disabled in this state does nothing, whichever way it arrives (a
    // keyboard accelerator bypasses the menu's and the buttons' enabled state).
    if (!CommandEnabled(commandId, connected_)) return;
    switch (commandId) {
    case kCmdConnect: OnConnectDisconnect(); break;
    case kCmdCalibration: OnCalibration(); break;
    case kCmdMeasSettings: OnMeasSettings(); break;
    case kCmdDataItems: OnDataItems(); break;
    case kCmdColorSets: OnColorSets(); break;
    case kCmdExit: OnExit(); break;
    case kCmdUserIlluminant: OnUserIlluminant(); break;
    case kCmdAbout:
    case kSysCmdAbout: OnAbout(); break;
    case kCmdManual: OnManual(); break;
    default: break;
    }
}

void CVireoDataTransferSoftwareDlg::OnConnectDisconnect() {
    const QString caption = connectButton_->text();
    if (caption == platform::ResQString(kStrConnectCaption))
        Connect();
    else if (caption == platform::ResQString(kStrDisconnectCaption))
        Disconnect();
    else
        RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::OnCalibration() {
    // The run pauses the watch thread itself and resumes it at its end.
    const CalibrationOutcome outcome = RunCalibration(this, watchThread_.get());
    if (outcome.ready()) readyToMeasure_ = true;
    if (outcome.whiteShown) RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::OnMeasSettings() {
    if (RunMeasurementSettings(this, settings_) != QDialog::Accepted) return;
    polarizationCondition_ = settings_.PolarizationSel;
    readyToMeasure_ = CheckCalibrationStatus();
    RefreshDisplay();
}
void CVireoDataTransferSoftwareDlg::OnColorSets() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::OnUserIlluminant() {
    // The dialog pauses the watch thread while it is open and puts the measurement settings
    // it changes back on the instrument.
    RunUserIlluminantDlg(this, watchThread_.get());
}

void CVireoDataTransferSoftwareDlg::OnDataItems() {
    CDataItemsDlg dialog(this, settings_);
    dialog.exec();
}

void CVireoDataTransferSoftwareDlg::OnExit() {
    if (connected_) watchThread_->Stop();
    done(QDialog::Accepted);
}

void CVireoDataTransferSoftwareDlg::OnAbout() {
    CAboutDlg about(productVersion_, this);
    about.exec();
}

void CVireoDataTransferSoftwareDlg::OnManual() {
    const ManualOpenResult result =
        OpenManual(QCoreApplication::applicationDirPath(), platform::ResQString(kStrManualFile));
    if (result.opened) return;
    platform::ShowMessageBox(this, platform::ResString(result.messageId),
                             QCoreApplication::applicationName().toStdString(), platform::mb::ICONERROR);
}

void CVireoDataTransferSoftwareDlg::ShowNotAvailable() {
    platform::ShowMessageBox(this, "This function is not available yet.", messageCaption_.toStdString(),
                             platform::mb::ICONINFORMATION);
}

void CVireoDataTransferSoftwareDlg::ShowMessage(int stringId, unsigned flags) {
    platform::ShowMessageBox(this, platform::ResString(stringId), messageCaption_.toStdString(), flags);
}

// ---------------------------------------------------------------------------------------
// Connection

void CVireoDataTransferSoftwareDlg::Connect() {
    platform::WaitCursor waitCursor;
    // The user picks an instrument with the normal cursor.
    DeviceChooser chooser = [this, &waitCursor](const DeviceList &devices) {
        waitCursor.End();
        const bool chosen = deviceChooser_ && deviceChooser_(devices);
        waitCursor.Resume();
        return chosen;
    };
    EnumeratedDevices found;
    const int count = EnumerateDevices(found, this);
    foundInstruments_ = found.devices;
    foundHandles_ = found.handles;
    refusedHandles_ = found.unusable;
    if (!ChooseDevice(found, count, this, chooser)) return;

    ShowConnectedControls();
    ShowIdentity();
    LoadSettingsForInstrument();
    // A refused setting leaves the window half-connected: Disconnect releases the instrument.
    if (!ApplySettingsToInstrument()) return;
    SetReadyToMeasure(CheckCalibrationStatus());
    connected_ = true;
    watchThread_->Start();
    SetConnectMenuText(kStrMenuDisconnect);
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::ShowIdentity() {
    CPropertySetting identity;
    std::string label, model, serial;
    if (identity.QueryDeviceIdentity(label, model, serial) != 0)
        ShowMessage(kStrIdentityUnreadable, platform::mb::ICONERROR);
    else
        SetInstrumentText(QString::fromStdString(label));
}

void CVireoDataTransferSoftwareDlg::LoadSettingsForInstrument() {
    const SettingsLoadResult loaded = LoadSettings(
        settings_, catalogue_, [this](int *first, int *second) { return adapter_.GetPolFilterCondition(first, second); });
    polarizationCondition_ = loaded.polFirst;
    polarizationState_ = loaded.polSecond;
    restorePolarizationCondition_ = loaded.restorePolarizationCondition2;
}

bool CVireoDataTransferSoftwareDlg::ApplySettingsToInstrument() {
    MeasurementMasks masks;
    masks.polarization = settings_.Polarization;
    masks.measurementType = static_cast<uint32_t>(settings_.MeasurementType);
    masks.measurementCond = static_cast<uint32_t>(settings_.MeasurementCond);
    masks.observer = static_cast<uint32_t>(settings_.Observer);
    masks.illuminant = static_cast<uint32_t>(settings_.Illuminant);
    // A condition or illuminant the instrument does not offer falls back to 4, for good.
    const RefusalHandler fallBack = [this](ApplyStep step) -> std::optional<uint32_t> {
        const bool condition = step == ApplyStep::MeasurementCondition;
        constexpr int kFallback = 4;
        (condition ? settings_.MeasurementCond : settings_.Illuminant) = kFallback;
        WriteSettingInt(settings_, condition ? "MeasurementCond" : "Illuminant", kFallback);
        return kFallback;
    };
    return ApplyMeasurementSettings(masks, fallBack).ok();
}

bool CVireoDataTransferSoftwareDlg::CheckCalibrationStatus() {
    int32_t status = 0;
    const int32_t rc = adapter_.GetCalibrateStatus(&status);
    if (rc == 0) calibrationStatus_ = status;
    const CalibrationCheck check = mainwin::CheckCalibrationStatus(rc, status);
    if (check.noticeStringId != 0) ShowMessage(check.noticeStringId, platform::mb::ICONINFORMATION);
    return check.ready;
}

void CVireoDataTransferSoftwareDlg::Disconnect() {
    watchThread_->Stop();
    if (restorePolarizationCondition_) {
        polarizationCondition_ = 2;
        adapter_.SetPolFilterCondition(2);
    }
    SetConnectionFlag(0, this);
    if (adapter_.CloseDevice() != 0) {
        ShowMessage(kStrCloseFailed, platform::mb::ICONERROR);
    } else {
        connected_ = false;
        ShowDisconnectedControls();
    }
    // Loaded again at the next connection.
    ClearReflectionSelection(settings_);
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::OnInstrumentLost() {
    // The thread posts on every poll: later copies of this message find the window
    // disconnected, also while the message below is open.
    if (!connected_) return;
    connected_ = false;
    watchThread_->Stop();
    ShowMessage(kStrInstrumentLost, platform::mb::ICONERROR | kUrgent);
    EndInstrumentDialogs();
    SetConnectionFlag(0, this);
    adapter_.CloseDevice();
    ShowDisconnectedControls();
}

void CVireoDataTransferSoftwareDlg::EndInstrumentDialogs() {
    // Each does nothing when its dialog is not shown.
    EndCalibrationDialog();
    EndMeasurementSettingsDialog();
}

// ---------------------------------------------------------------------------------------
// Messages of the button-watch thread

void CVireoDataTransferSoftwareDlg::customEvent(QEvent *event) {
    if (event->type() == platform::AppMessageEvent::EventType()) {
        const auto *message = static_cast<platform::AppMessageEvent *>(event);
        if (message->message() == platform::kCommandMessage)
            OnCommand(static_cast<int>(message->wParam()));
        else
            HandleMessage(message->message());
    } else {
        HandleMessage(int(event->type()));  // a message posted as a plain event of its number
    }
    QDialog::customEvent(event);
}

void CVireoDataTransferSoftwareDlg::HandleMessage(int message) {
    switch (message) {
    case kMsgReflectionTrigger: OnReflectionTrigger(); break;
    case kMsgIrradianceTrigger: OnIrradianceTrigger(); break;
    case kMsgInstrumentLost: OnInstrumentLost(); break;
    case kMsgIrradianceRelease: OnIrradianceRelease(); break;
    case kMsgReflectionRelease: OnReflectionRelease(); break;
    default: break;
    }
}

void CVireoDataTransferSoftwareDlg::OnReflectionTrigger() { OnTrigger(1, reflectionTriggerLatch_); }
void CVireoDataTransferSoftwareDlg::OnIrradianceTrigger() { OnTrigger(4, irradianceTriggerLatch_); }
void CVireoDataTransferSoftwareDlg::OnIrradianceRelease() { irradianceTriggerLatch_ = false; }
void CVireoDataTransferSoftwareDlg::OnReflectionRelease() { reflectionTriggerLatch_ = false; }

void CVireoDataTransferSoftwareDlg::OnTrigger(int messageType, bool &latch) {
    switch (DecideTrigger(messageType, settings_.MeasurementType, connected_, readyToMeasure_, latch)) {
    case TriggerAction::Ignore: break;
    case TriggerAction::NotReady: NotReadyReaction(); break;
    case TriggerAction::Measure:
        // Set first: a trigger dispatched while this measurement runs must not start another.
        latch = true;
        MeasureAndTransfer();
        break;
    }
}

void CVireoDataTransferSoftwareDlg::NotReadyReaction() {
    // Triggers queued before the pause are delivered while the message is open.
    if (showingNotReady_) return;
    showingNotReady_ = true;
    {
        PausedWatch paused(*watchThread_);
        const mainwin::NotReadyReaction reaction = NotReadyReactionFor(calibrationStatus_);
        if (reaction.kind == mainwin::NotReadyReaction::Notice)
            ShowMessage(reaction.id, platform::mb::ICONINFORMATION | kUrgent);
        else if (reaction.kind == mainwin::NotReadyReaction::InstrumentError)
            errorMng_.Report(reaction.id);
    }
    showingNotReady_ = false;
}

void CVireoDataTransferSoftwareDlg::MeasureAndTransfer() {
    platform::TraceMark("measure start");
    measuredData_.Empty();
    PausedWatch paused(*watchThread_);
    int32_t first = 0, second = 0;
    if (adapter_.GetPolFilterCondition(&first, &second) != 0) return;
    if (second != settings_.Polarization) {
        ShowMessage(kStrPolarizationMismatch, platform::mb::ICONERROR | kUrgent);
        return;
    }
    StampMeasurementTime();
    measure_->measurementType = settings_.MeasurementType;
    int32_t rc = adapter_.DoMeasurement();
    platform::TraceMark("measured");
    if (rc == 0) rc = measure_->Collect(measuredData_);
    platform::TraceMark("collected");
    if (rc != 0) {
        errorMng_.Report(rc);
        return;
    }
    OutputValues values;
    values.BuildValues(settings_, measuredData_, {measurementDate_, measurementTime_});
    platform::TraceMark("values built");
    outputItems_ = values.outputItems;
    valueItems_ = values.valueItems;
    spectralCount_ = values.spectralCount;
    densityCount_ = values.densityCount;
    WriteMeasurement(values);
    platform::TraceMark("measure end");
}

void CVireoDataTransferSoftwareDlg::StampMeasurementTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    measurementDate_ = MeasurementDateText(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    measurementTime_ = MeasurementTimeText(local.tm_hour, local.tm_min, local.tm_sec);
}

void CVireoDataTransferSoftwareDlg::WriteMeasurement(const OutputValues &values) {
    const MeasurementWriteResult result = measurementWriter_ ? measurementWriter_(values) : MeasurementWriteResult{};
    if (result.rowLimit > 0) rowLimit_ = result.rowLimit;
    if (result.columnLimit > 0) columnLimit_ = result.columnLimit;
    // A reading that did not reach the sheet is never lost without a trace.
    const QString noSheet = QString::fromUtf8(kNotWrittenNotice);
    const QString failed = QString::fromUtf8(kSpreadsheetFailedNotice);
    if (result.kind == MeasurementWriteResult::NoWorkbook)
        SetHintText(noSheet);
    else if (result.kind == MeasurementWriteResult::Failed)
        SetHintText(failed);
    else if (result.kind == MeasurementWriteResult::Written && (HintText() == noSheet || HintText() == failed))
        SetHintText(QString());
}

// One spreadsheet connection per measurement, dropped when the values are written.
MeasurementWriteResult CVireoDataTransferSoftwareDlg::WriteToSpreadsheet(const OutputValues &values) {
    std::unique_ptr<Automation> automation;
    try {
        if (automationFactory_) automation = automationFactory_();
#ifdef OMBRA_HAVE_CALCBRIDGE
        else automation = ConnectCalc();
#endif
    } catch (const AutomationError &) {
        return {MeasurementWriteResult::NoWorkbook};
    }
    if (!automation) return {MeasurementWriteResult::NoWorkbook};

    TransferLayout layout;
    layout.Label = settings_.Label;
    layout.Row = settings_.Row;
    layout.ValSep = settings_.ValSep;
    layout.FuncSep = settings_.FuncSep;
    layout.BlockSep = settings_.BlockSep;
    layout.MeasurementTypeSel = settings_.MeasurementTypeSel;
    const TransferInput input{values.outputItems, values.valueItems, values.spectralCount, values.densityCount};
    const TransferOutcome outcome =
        TransferMeasurement(*automation, layout, input, messageCaption_.toStdString(), this);

    MeasurementWriteResult result{MeasurementWriteResult::NotWritten, outcome.rowLimit, outcome.columnLimit};
    if (outcome.result == TransferResult::Written) result.kind = MeasurementWriteResult::Written;
    else if (outcome.result == TransferResult::NoWorkbook) result.kind = MeasurementWriteResult::NoWorkbook;
    else if (outcome.result == TransferResult::AutomationFailed) result.kind = MeasurementWriteResult::Failed;
    return result;
}

void CVireoDataTransferSoftwareDlg::closeEvent(QCloseEvent *event) { QDialog::closeEvent(event); }

}  // namespace ombra
