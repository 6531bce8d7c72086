// The main window: five picture buttons (Connect, Calibration, Measurement settings, Data
// items, Colour sets), the menu, a status bar with a hint pane and an instrument pane, and a
// status lamp that is green while an instrument is connected and ready to measure.
//
// Every control carries the object name "ctl_<id>" of its control identifier (ctl_1000 is the
// Connect button, ctl_1198 the lamp, ctl_103 and ctl_104 the status-bar panes); menu items
// are named "menu_<command id>".
//
// Messages of the button-watch thread arrive as numbered messages posted to this window
// (platform::PostAppMessage, 32778 to 32782) and are handled in posting order on the
// user-interface thread; customEvent() hands each to its handler.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <fxapi/fxapi.h>

#include "app/AppSettings.h"
#include "instrument/DeviceEnumeration.h"
#include "instrument/ErrorMng.h"
#include "instrument/MeasuredData.h"
#include "instrument/VireoDllAdapter.h"
#include "output/Catalogue.h"
#include "output/OutputItem.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;

namespace ombra {

class OmbraImageButton;
class Automation;
class CButtonWatchThread;
class CMeasure;
class OutputValues;

// What became of the values of one measurement on their way into the spreadsheet.
struct MeasurementWriteResult {
    enum Kind {
        Written,     // every cell written
        NoWorkbook,  // no spreadsheet to write into: nothing written
        NotWritten,  // the spreadsheet refused (already reported, or ended silently)
        Failed,      // the spreadsheet stopped answering part-way: some cells may be missing
    } kind = NoWorkbook;
    int rowLimit = 0;     // the sheet's size as the transfer learned it (0: not learned)
    int columnLimit = 0;
};
// Writes the values of one measurement; the window's own writer goes to LibreOffice Calc.
using MeasurementWriter = std::function<MeasurementWriteResult(const OutputValues &values)>;
// Makes the spreadsheet connection of one measurement (a new LibreOffice Calc connection by default).
using AutomationFactory = std::function<std::unique_ptr<Automation>()>;

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

    // Calibration-status check: reads the status into calibrationStatus, shows its notice
    // and returns whether the instrument may measure.
    bool CheckCalibrationStatus();

    // --- Seams for tests and for the dialogs that join later ---
    // The choice among several usable instruments (the connect dialog by default).
    void SetDeviceChooser(DeviceChooser chooser) { deviceChooser_ = std::move(chooser); }
    // Where the values of a measurement go (LibreOffice Calc by default).
    void SetMeasurementWriter(MeasurementWriter writer) { measurementWriter_ = std::move(writer); }
    // The spreadsheet connection the window's own writer uses.
    void SetAutomationFactory(AutomationFactory factory) { automationFactory_ = std::move(factory); }
    // Whether the button-watch thread is polling (started and not stopped).
    bool IsWatching() const;
    int CalibrationStatus() const { return calibrationStatus_; }
    int PolarizationCondition() const { return polarizationCondition_; }
    int PolarizationState() const { return polarizationState_; }
    bool RestorePolarizationCondition() const { return restorePolarizationCondition_; }
    int ColumnLimit() const { return columnLimit_; }
    int RowLimit() const { return rowLimit_; }
    const std::string &MeasurementDate() const { return measurementDate_; }
    const std::string &MeasurementTime() const { return measurementTime_; }
    const CMeasuredData &MeasuredData() const { return measuredData_; }

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
    void PostFromWatchThread(int message);
    void HandleMessage(int message);

    // Connection steps.
    bool EnumerateAndChoose();
    void ShowIdentity();
    void LoadSettingsForInstrument();
    bool ApplySettingsToInstrument();
    void ReleaseInstrument();
    void ShowLostState();
    // Ends the calibration and measurement-settings dialogs when the instrument is lost;
    // each of them adds its own ending here once it exists.
    void EndInstrumentDialogs();

    // Measurement on the instrument's button.
    void OnTrigger(int messageType, bool &latch);
    void NotReadyReaction();
    void MeasureAndTransfer();
    void StampMeasurementTime();
    void WriteMeasurement(const OutputValues &values);
    MeasurementWriteResult WriteToSpreadsheet(const OutputValues &values);

    // Members in the order of the window's description.
    QIcon icon_;
    QMenuBar *menu_ = nullptr;
    OmbraImageButton *calibrationButton_ = nullptr;
    OmbraImageButton *measSettingsButton_ = nullptr;
    OmbraImageButton *connectButton_ = nullptr;
    OmbraImageButton *dataItemsButton_ = nullptr;
    OmbraImageButton *colorSetsButton_ = nullptr;
    bool connected_ = false;
    CVireoDllAdapter adapter_;  // holds the instrument open while the window lives
    std::unique_ptr<CButtonWatchThread> watchThread_;
    std::unique_ptr<CMeasure> measure_;
    CMeasuredData measuredData_;
    CErrorMng errorMng_;
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
    DataItemCatalogue catalogue_;
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

    DeviceChooser deviceChooser_;
    MeasurementWriter measurementWriter_;
    AutomationFactory automationFactory_;
    bool showingNotReady_ = false;  // a not-ready message is open
    QWidget *client_ = nullptr;
    QString productVersion_;
};

}  // namespace ombra
