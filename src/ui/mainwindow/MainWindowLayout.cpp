// The main window's widgets as they are built when it opens: the client area with its
// background, the menu with the About item, the status bar, the image buttons and the lamp.
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

#include <QAction>
#include <QKeySequence>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QKeySequence>
#include <QMenuBar>
#include <QPainter>
#include <QVBoxLayout>

#include "core/instrument/WorkThread.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/SettingsStore.h"
#include "corvexres/ResourceIds.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/illuminant/CUserIlluminantDlg.h"
#include "ui/instrument/CalibrationDlg.h"
#include "ui/instrument/ConnectInstDlg.h"
#include "ui/instrument/MeasSettingsDlg.h"
#include "ui/mainwindow/AboutDlg.h"
#include "ui/mainwindow/MainWindowLogic.h"
#include "ui/mainwindow/ManualOpener.h"
#include "ui/output/CDataItemsDlg.h"
#include "ui/output/ResultPanel.h"
#include "ui/platform/MessageBox.h"
#include "ui/platform/ResourceImages.h"
#include "ui/platform/WaitCursor.h"

namespace ombra::ui {

using namespace mainwindow;


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

// A menu text turned into a button caption: no mnemonic marks, shortcut text or ellipsis.
QString CaptionFromMenuText(QString text) {
    text = text.section('\t', 0, 0);
    text.remove('&');
    if (text.endsWith("...")) text.chop(3);
    return text.trimmed();
}

// The keys of a command in the accelerator table, or none.
QKeySequence KeysOf(const std::vector<core::platform::Accelerator> &table, int commandId) {
    for (const core::platform::Accelerator &entry : table)
        if (entry.commandId == commandId)
            return QKeySequence::fromString(QString::fromStdString(entry.keys), QKeySequence::PortableText);
    return {};
}

QString MenuTextOf(const std::vector<core::platform::MenuEntry> &menu, int commandId) {
    for (const auto &entry : menu)
        if (entry.level == 1 && entry.commandId == commandId) return QString::fromStdString(entry.text);
    return {};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Layout when the window opens

void CVireoDataTransferSoftwareDlg::InitDialog() {
    setWindowTitle(core::platform::ResQString(res::kStrMessageCaption));
    if (!icon_.isNull()) setWindowIcon(icon_);

    client_ = new ClientWidget(this, this);
    client_->setObjectName("clientArea");
    client_->setFixedSize(kClientWidth, kClientHeight);

    CreateMenu();
    AddAboutItem();
    AddEditMenu();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menu_);
    layout->addWidget(client_, 0, Qt::AlignLeft | Qt::AlignTop);

    CreateStatusBar();
    messageCaption_ = core::platform::ResQString(res::kStrMessageCaption);

    // The status takes the status bar's right part, over the instrument pane: it names the
    // instrument itself when it is ready.
    statusLamp_ = new QLabel(client_);
    statusLamp_->setObjectName(ControlName(res::kCtlMainStatusLamp));
    statusLamp_->setFixedSize(client_->width() - StatusPaneWidths(client_->width()).hint - 3, statusBar_->height());
    statusLamp_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusLamp_->setIndent(3);
    statusLamp_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    statusLamp_->setAutoFillBackground(true);
    instrumentPane_->hide();

    SetUpButtons();
    LayoutControls();
    background_ = platform::ResPixmap(res::kBackgroundBitmap);
    CreateMissBanner();
    CreateResultPanel();
    // Above the buttons: the buttons and the status bar keep their place at the window's foot
    // whether the panel is shown or not, and a taller window gives its room to the panel.
    layout->insertWidget(0, resultPanel_, 1);
    RefreshDisplay();
}

void CVireoDataTransferSoftwareDlg::CreateMenu() {
    menu_ = new QMenuBar(this);
    menu_->setObjectName(QStringLiteral("menu_%1").arg(res::kMainMenu));
    QMenu *popup = nullptr;
    const std::vector<core::platform::Accelerator> keys = core::platform::ResAccelerators(res::kAcceleratorTable);
    for (const core::platform::MenuEntry &entry : core::platform::ResMenu(res::kMainMenu)) {
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
        // The window's accelerators run the command wherever the focus is in the window; the
        // item shows their keys, and its own shortcut acts only in the open menu, so the two
        // never compete for a key press.
        if (const QKeySequence shown = KeysOf(keys, entry.commandId); !shown.isEmpty()) {
            action->setShortcut(shown);
            action->setShortcutContext(Qt::WidgetShortcut);
            action->setShortcutVisibleInContextMenu(true);
        }
        if (entry.commandId != 0) {
            action->setObjectName(QStringLiteral("menu_%1").arg(entry.commandId));
            const int id = entry.commandId;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    }
}

// The window-menu About item: on this desktop it goes at the end of the last pop-up, unless
// the menu already offers the About command.
void CVireoDataTransferSoftwareDlg::AddAboutItem() {
    const QString text = core::platform::ResQString(res::kStrAboutItem);
    if (text.isEmpty() || MenuAction(res::kCmdAbout)) return;
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

// The Edit menu follows the first pop-up; its one item takes the last measurement back.
void CVireoDataTransferSoftwareDlg::AddEditMenu() {
    auto *edit = new QMenu(core::platform::ResQString(res::kStrEditMenu), menu_);
    edit->setObjectName(QStringLiteral("menu_edit"));
    const QList<QAction *> popups = menu_->actions();
    menu_->insertMenu(popups.size() > 1 ? popups[1] : nullptr, edit);
    AttachPopup(edit);
    QAction *undo = edit->addAction(core::platform::ResQString(res::kStrUndoMeasurement));
    undo->setObjectName(QStringLiteral("menu_undo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::ApplicationShortcut);
    connect(undo, &QAction::triggered, this, &CVireoDataTransferSoftwareDlg::OnUndoMeasurement);
}

void CVireoDataTransferSoftwareDlg::CreateStatusBar() {
    // Panes are placed by hand: their widths follow the client width, not their contents.
    statusBar_ = new QWidget(client_);
    statusBar_->setObjectName("statusBar");
    statusBar_->setAutoFillBackground(true);
    hintPane_ = new QLabel(statusBar_);
    hintPane_->setObjectName(ControlName(res::kCtlMainHintPane));
    instrumentPane_ = new QLabel(statusBar_);
    instrumentPane_->setObjectName(ControlName(res::kCtlMainInstrumentPane));
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
    const std::vector<core::platform::MenuEntry> menu = core::platform::ResMenu(res::kMainMenu);
    for (const int id : kImageButtons) {
        auto *button = new OmbraImageButton(client_);
        button->setObjectName(ControlName(id));
        button->setFixedSize(kButtonWidth, kButtonHeight);
        if (const int tip = ControlHintStringId(id, false)) button->setToolTip(core::platform::ResQString(tip));
        button->setText(id == res::kCmdConnect ? core::platform::ResQString(res::kStrConnectCaption)
                                          : CaptionFromMenuText(MenuTextOf(menu, id)));
        const ImageSet images = ButtonImages(id);
        button->SetImages(images.normal, images.pressed, images.hover, images.disabled);
        button->SetImagePosition(1, 0);
        button->SetCaptionPosition(OmbraImageButton::kCentred, 80);
        button->SetDisabledCaptionColor(QColor(0xCC, 0xCC, 0xCC));
        // Until the first connection only Connect can be used.
        button->setEnabled(id == res::kCmdConnect);
        connect(button, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
        connect(button, &OmbraImageButton::MouseHovered, this, &CVireoDataTransferSoftwareDlg::OnButtonHovered);
        connect(button, &OmbraImageButton::MouseLeft, this, &CVireoDataTransferSoftwareDlg::OnButtonLeft);
        switch (id) {
        case res::kCmdConnect: connectButton_ = button; break;
        case res::kCmdCalibration: calibrationButton_ = button; break;
        case res::kCmdMeasSettings: measSettingsButton_ = button; break;
        case res::kCmdDataItems: dataItemsButton_ = button; break;
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
    case res::kCmdConnect: return connectButton_;
    case res::kCmdCalibration: return calibrationButton_;
    case res::kCmdMeasSettings: return measSettingsButton_;
    case res::kCmdDataItems: return dataItemsButton_;
    case res::kCmdColorSets: return colorSetsButton_;
    default: return nullptr;
    }
}

QAction *CVireoDataTransferSoftwareDlg::MenuAction(int commandId) const {
    return menu_->findChild<QAction *>(QStringLiteral("menu_%1").arg(commandId));
}

}  // namespace ombra::ui
