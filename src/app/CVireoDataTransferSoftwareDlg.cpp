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

#include "app/AboutDlg.h"
#include "app/MainWindowLogic.h"
#include "app/ManualOpener.h"
#include "controls/OmbraImageButton.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"

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
    InitDialog();
}

CVireoDataTransferSoftwareDlg::~CVireoDataTransferSoftwareDlg() = default;

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

void CVireoDataTransferSoftwareDlg::Connect() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::Disconnect() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::OnCalibration() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::OnMeasSettings() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::OnDataItems() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::OnColorSets() { ShowNotAvailable(); }
void CVireoDataTransferSoftwareDlg::OnUserIlluminant() { ShowNotAvailable(); }

void CVireoDataTransferSoftwareDlg::OnExit() {
    // The watch thread is stopped here once it exists (only while connected).
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
// Messages of the button-watch thread

void CVireoDataTransferSoftwareDlg::customEvent(QEvent *event) {
    switch (int(event->type())) {
    case kMsgReflectionTrigger: OnReflectionTrigger(); break;
    case kMsgIrradianceTrigger: OnIrradianceTrigger(); break;
    case kMsgInstrumentLost: OnInstrumentLost(); break;
    case kMsgIrradianceRelease: OnIrradianceRelease(); break;
    case kMsgReflectionRelease: OnReflectionRelease(); break;
    default: break;
    }
    QDialog::customEvent(event);
}

void CVireoDataTransferSoftwareDlg::OnReflectionTrigger() {}
void CVireoDataTransferSoftwareDlg::OnIrradianceTrigger() {}
void CVireoDataTransferSoftwareDlg::OnIrradianceRelease() { irradianceTriggerLatch_ = false; }
void CVireoDataTransferSoftwareDlg::OnReflectionRelease() { reflectionTriggerLatch_ = false; }

void CVireoDataTransferSoftwareDlg::OnInstrumentLost() {
    connected_ = false;
    ShowDisconnectedControls();
}

void CVireoDataTransferSoftwareDlg::closeEvent(QCloseEvent *event) { QDialog::closeEvent(event); }

}  // namespace ombra
