// The main window: five picture buttons (Connect, Calibration, Measurement settings, Data
// items, Colour sets), the menu, a status bar with a hint pane and an instrument pane, and a
// status lamp that is green while an instrument is connected and ready to measure.
//
// Every control carries the object name "ctl_<id>" of its control identifier (ctl_1000 is the
// Connect button, ctl_1198 the lamp, ctl_103 and ctl_104 the status-bar panes); menu items
// are named "menu_<command id>".
//
// Messages of the button-watch thread arrive as events posted to this window whose type is the
// message number (32778 to 32782); customEvent() hands each to its handler.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <fxapi/fxapi.h>

#include "app/AppSettings.h"
#include "instrument/MeasuredData.h"
#include "output/OutputItem.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;

namespace ombra {

class OmbraImageButton;

class CVireoDataTransferSoftwareDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 700;
    static constexpr int kClientHeight = 400;

    explicit CVireoDataTransferSoftwareDlg(const QString &productVersion, QWidget *parent = nullptr);
    ~CVireoDataTransferSoftwareDlg() override;

    // Runs a command of the menu, the buttons or the accelerator table.
    void OnCommand(int commandId);

    // --- Command handlers ---
    void OnConnectDisconnect();  // decides by the Connect button's caption
    void Connect();
    void Disconnect();
    void OnCalibration();
    void OnMeasSettings();
    void OnDataItems();
    void OnColorSets();
    void OnUserIlluminant();
    void OnExit();
    void OnAbout();
    void OnManual();

    // --- Messages of the button-watch thread ---
    void OnReflectionTrigger();   // 32778
    void OnIrradianceTrigger();   // 32779
    void OnInstrumentLost();      // 32780
    void OnIrradianceRelease();   // 32781
    void OnReflectionRelease();   // 32782

    // --- State; the window repaints after every change of a flag ---
    bool IsConnected() const { return connected_; }
    bool IsReadyToMeasure() const { return readyToMeasure_; }
    void SetConnected(bool connected);
    void SetReadyToMeasure(bool ready);

    // --- Display changes made by the connection procedures ---
    // Buttons enabled, Connect caption "Disconnect" and its connected images.
    void ShowConnectedControls();
    // Buttons disabled, Connect caption and images back, instrument pane and menu text reset.
    void ShowDisconnectedControls();
    void SetConnectMenuText(int stringId);
    void SetInstrumentText(const QString &text);  // status-bar pane 1
    QString InstrumentText() const;
    void SetHintText(const QString &text);        // status-bar pane 0
    QString HintText() const;

    // Enables the items of `menu` by the command table (run before a pop-up opens).
    void UpdateMenuEnableState(QMenu *menu);
    // Gives a pop-up of the menu bar its enable update and its hints.
    void AttachPopup(QMenu *popup);

    OmbraImageButton *Button(int controlId) const;
    QLabel *Lamp() const { return statusLamp_; }
    QWidget *ClientArea() const { return client_; }
    QWidget *StatusBar() const { return statusBar_; }
    QMenuBar *MenuBar() const { return menu_; }
    QAction *MenuAction(int commandId) const;
    const QString &MessageCaption() const { return messageCaption_; }
    const QString &ProductVersion() const { return productVersion_; }

    // Draws the client area: the background picture, or the icon while minimised.
    void PaintClient(QPainter &painter);

protected:
    void customEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void InitDialog();
    void AddAboutItem();
    void CreateMenu();
    void CreateStatusBar();
    void SetUpButtons();
    void LayoutControls();
    void SetConnectImages(bool connectedSet);
    void SetInstrumentButtonsEnabled(bool enabled);
    void RefreshDisplay();
    void OnMenuHighlighted(QAction *action);
    void OnButtonHovered();
    void OnButtonLeft();
    void ShowNotAvailable();
    void ShowMessage(int stringId, unsigned flags);

    // Members in the order of the window's description; the instrument adapter, the watch
    // thread, the measurement object and the error manager join with the connection logic.
    QIcon icon_;
    QMenuBar *menu_ = nullptr;
    OmbraImageButton *calibrationButton_ = nullptr;
    OmbraImageButton *measSettingsButton_ = nullptr;
    OmbraImageButton *connectButton_ = nullptr;
    OmbraImageButton *dataItemsButton_ = nullptr;
    OmbraImageButton *colorSetsButton_ = nullptr;
    bool connected_ = false;
    CMeasuredData measuredData_;
    QLabel *statusLamp_ = nullptr;
    bool readyToMeasure_ = false;
    QPixmap background_;
    std::map<int, std::pair<std::string, std::string>> foundInstruments_;  // index -> model, serial
    std::array<DIHANDLE, 10> foundHandles_{};
    std::vector<DIHANDLE> refusedHandles_;  // identity refused with 10003
    int columnLimit_ = 255;
    int rowLimit_ = 65536;
    int polarizationCondition_ = 2;
    int polarizationState_ = 0;
    bool restorePolarizationCondition_ = false;
    int calibrationStatus_ = 0;
    OutputItemList workingItems_;
    AppSettings &settings_;
    QWidget *statusBar_ = nullptr;
    QLabel *hintPane_ = nullptr;
    QLabel *instrumentPane_ = nullptr;
    QString messageCaption_;

    // Measurement time stamp and trigger latches.
    std::string measurementDate_;
    std::string measurementTime_;
    bool reflectionTriggerLatch_ = false;
    bool irradianceTriggerLatch_ = false;
    // Values of the last measurement.
    OutputItemList outputItems_;
    OutputItemList valueItems_;
    int spectralCount_ = 0;
    int densityCount_ = 0;

    QWidget *client_ = nullptr;
    QString productVersion_;
};

}  // namespace ombra
