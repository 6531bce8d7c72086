// The main window: five picture buttons (Connect, Calibration, Measurement settings, Data
// items, Colour sets), the menu, and a status bar with a hint pane and the instrument's status:
// not connected, ready (with the model and serial number), calibration needed, instrument
// lost or reading, each with its own symbol, colour and text.
//
// Every control carries the object name "ctl_<id>" of its control identifier (ctl_1000 is the
// Connect button, ctl_1198 the status, ctl_103 and ctl_104 the status-bar panes); menu items
// are named "menu_<command id>".
//
// The connection and the measurements are the InstrumentSession's: the window forwards the
// user's commands to it, shows its notices and renders its signals. Numbered messages posted
// to the window (32778 to 32782, by tests or other parts of the program) go to the session too.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/instrument/InstrumentSession.h"
#include "core/journalserver/ServerConnection.h"
#include "core/settings/AppSettings.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPainter;

namespace ombra::ui {

class MissBanner;
class OmbraImageButton;
class ResultPanel;

class CVireoDataTransferSoftwareDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 700;
    static constexpr int kClientHeight = 400;

    explicit CVireoDataTransferSoftwareDlg(const QString &productVersion, QWidget *parent = nullptr,
                                           core::AppSettings &settings = ombra::core::Settings());
    ~CVireoDataTransferSoftwareDlg() override;

    // Runs a command of the menu, the buttons or the accelerator table.
    void OnCommand(int commandId);

    // --- Command handlers ---
    void OnConnectDisconnect();  // disconnects while the session holds an instrument, else connects
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
    // Edit > Undo last measurement (Ctrl+Z): takes the last measurement back from the sheet,
    // or says why it cannot.
    void OnUndoMeasurement();
    void OnMeasurements();
    void OnSetUpOffice();

    // --- Messages of the button-watch thread, handled by the session ---
    void OnReflectionTrigger() { session_.HandleWatchEvent(core::WatchEvent::ReflectionPressed); }
    void OnIrradianceTrigger() { session_.HandleWatchEvent(core::WatchEvent::IrradiancePressed); }
    void OnInstrumentLost() { session_.HandleWatchEvent(core::WatchEvent::InstrumentLost); }
    void OnIrradianceRelease() { session_.HandleWatchEvent(core::WatchEvent::IrradianceReleased); }
    void OnReflectionRelease() { session_.HandleWatchEvent(core::WatchEvent::ReflectionReleased); }

    // Calibration-status check: reads the status into calibrationStatus, shows its notice
    // and returns whether the instrument may measure.
    bool CheckCalibrationStatus() { return session_.CheckCalibrationStatus(); }

    // --- Seams for tests and for the dialogs that join later ---
    // The choice among several usable instruments (the connect dialog by default).
    void SetDeviceChooser(core::DeviceChooser chooser) { deviceChooser_ = std::move(chooser); }
    // Where the values of a measurement go (a transfer into the spreadsheet by default).
    void SetMeasurementWriter(core::MeasurementWriter writer) { session_.SetMeasurementWriter(std::move(writer)); }
    // The spreadsheet connection of each measurement (the application wires LibreOffice Calc).
    void SetAutomationFactory(core::AutomationFactory factory) { session_.SetAutomationFactory(std::move(factory)); }
    // Data › Set up LibreOffice: runs the set-up and returns what it did, for a message box (the
    // application wires LibreOffice; without it the command does nothing).
    void SetOfficeSetup(std::function<core::Notice()> setUp) { officeSetup_ = std::move(setUp); }
    // The journal every measurement is kept in (the application opens it).
    void SetJournal(core::MeasurementJournal *journal) { session_.SetJournal(journal); }
    void SetReferences(core::ReferenceStore *references) { session_.SetReferences(references); }
    // The shared journal's server: the Measurements window can then show every station's
    // measurements. Without one it shows this station's only, as always.
    void SetJournalServer(const core::ServerAddress &server) { journalServer_ = server; }
    // How many measurements wait for the server (the result panel shows it while any do).
    void ShowServerWaiting(int waiting);
    // The short sound of a measurement that missed the sheet (the desktop's bell by default).
    void SetMissSound(std::function<void()> sound) { missSound_ = std::move(sound); }
    core::InstrumentSession &Session() { return session_; }
    bool IsWatching() const { return session_.IsWatching(); }
    int CalibrationStatus() const { return session_.CalibrationStatus(); }
    int PolarizationCondition() const { return session_.PolarizationCondition(); }
    int PolarizationState() const { return session_.PolarizationState(); }
    bool RestorePolarizationCondition() const { return session_.RestorePolarizationCondition(); }
    int ColumnLimit() const { return session_.ColumnLimit(); }
    int RowLimit() const { return session_.RowLimit(); }
    const std::string &MeasurementDate() const { return session_.MeasurementDate(); }
    const std::string &MeasurementTime() const { return session_.MeasurementTime(); }
    const core::CMeasuredData &MeasuredData() const { return session_.MeasuredData(); }

    // --- State; the window repaints after every change of a flag ---
    bool IsConnected() const { return session_.IsConnected(); }
    bool IsReadyToMeasure() const { return session_.IsReadyToMeasure(); }
    core::SessionStatus Status() const { return session_.Status(); }
    void SetConnected(bool connected);
    void SetReadyToMeasure(bool ready) { session_.SetReadyToMeasure(ready); }

    // --- Display changes made by the connection procedures ---
    // Buttons enabled, Connect caption "Disconnect" and its connected images.
    void ShowConnectedControls();
    // Buttons disabled, Connect caption and images back, instrument pane and menu text reset.
    void ShowDisconnectedControls();
    void SetConnectMenuText(int stringId);
    // The identity "model : serial" the ready status names (status-bar pane 1, which the
    // status covers).
    void SetInstrumentText(const QString &text);
    QString InstrumentText() const;
    void SetHintText(const QString &text);        // status-bar pane 0
    QString HintText() const;

    // Enables the items of `menu` by the command table (run before a pop-up opens).
    void UpdateMenuEnableState(QMenu *menu);
    // Gives a pop-up of the menu bar its enable update and its hints.
    void AttachPopup(QMenu *popup);

    OmbraImageButton *Button(int controlId) const;
    QLabel *Lamp() const { return statusLamp_; }
    // The banner of a measurement that did not reach the sheet (hidden while there is none).
    MissBanner *Banner() const { return missBanner_; }
    // The result panel above the buttons (hidden from View › Result panel).
    ResultPanel *Panel() const { return resultPanel_; }
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
    void AddEditMenu();
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
    void ShowMessage(int stringId, unsigned flags);
    void HandleMessage(int message);
    void EndInstrumentDialogs();

    void OnMeasurementWritten(const core::MeasurementReport &report);
    // The banner of a missed measurement (MainWindowBanner.cpp).
    void CreateMissBanner();
    void ShowMissBanner(const core::MissNotice &miss);
    void RefreshMissBannerCount();
    void OnMissSoundSwitched(bool on);
    void OnConnectionChanged(bool connected);
    // The result panel (MainWindowPanel.cpp).
    void CreateResultPanel();
    void OnResultPanelCommand();
    void UpdateResultPanel(const core::MeasurementReport &report);

    // Members in the order of the window's description.
    QIcon icon_;
    QMenuBar *menu_ = nullptr;
    OmbraImageButton *calibrationButton_ = nullptr;
    OmbraImageButton *measSettingsButton_ = nullptr;
    OmbraImageButton *connectButton_ = nullptr;
    OmbraImageButton *dataItemsButton_ = nullptr;
    OmbraImageButton *colorSetsButton_ = nullptr;
    core::AppSettings &settings_;
    core::InstrumentSession session_;
    QLabel *statusLamp_ = nullptr;
    QPixmap background_;
    QWidget *statusBar_ = nullptr;
    QLabel *hintPane_ = nullptr;
    QLabel *instrumentPane_ = nullptr;
    QString messageCaption_;
    QString lastingNotice_;  // the session's standing notice: not replaced by hints while it stands
    MissBanner *missBanner_ = nullptr;
    ResultPanel *resultPanel_ = nullptr;
    int panelWritten_ = 0;     // this session's measurements, for the panel's counts
    int panelNotWritten_ = 0;
    std::function<void()> missSound_;
    std::optional<core::ServerAddress> journalServer_;

    core::DeviceChooser deviceChooser_;
    std::function<core::Notice()> officeSetup_;
    QWidget *client_ = nullptr;
    QString productVersion_;
};

}  // namespace ombra::ui
