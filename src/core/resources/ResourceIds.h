// Identifiers of the resource library that several subsystems share. The texts, images and
// menus themselves live in the library; code names them by these numbers.
#pragma once

namespace ombra::core::res {

// Strings
inline constexpr int kAboutItemText = 101;          // system-menu item; empty = no item
inline constexpr int kMessageCaption = 1200;        // caption of the program's message boxes
inline constexpr int kMissingValueText = 1196;      // written instead of an undelivered value
inline constexpr int kModelNameType100 = 1234;      // reflection + irradiance, with spectrum
inline constexpr int kModelNameType200 = 1235;      // reflection only, no spectrum
inline constexpr int kConnectCaption = 1181;        // Connect button while disconnected
inline constexpr int kDisconnectCaption = 1182;     // Connect button while connected
inline constexpr int kConnectMenuText = 1419;
inline constexpr int kDisconnectMenuText = 1420;
inline constexpr int kConnectHint = 1399;
inline constexpr int kDisconnectHint = 1400;
inline constexpr int kManualFileName = 1395;
inline constexpr int kValueOutOfRange = 1300;       // %1 minimum, %2 maximum
inline constexpr int kFileNotReadable = 1294;       // %1 file name
inline constexpr int kFileNotWritten = 1301;        // %1 file name or path
inline constexpr int kSeparatorNameBase = 1320;     // + separator code 0..16

// Menu, accelerators, images
inline constexpr int kMainMenu = 132;
inline constexpr int kAcceleratorTable = 135;
inline constexpr int kAppIcon = 128;
inline constexpr int kBackgroundBitmap = 145;
// Button image sets: base + 0 disabled, + 1 normal, + 2 hover, + 3 pressed.
inline constexpr int kConnectImages = 146;
inline constexpr int kDisconnectImages = 150;
inline constexpr int kCalibrationImages = 154;
inline constexpr int kMeasSettingsImages = 158;
inline constexpr int kDataItemsImages = 162;
inline constexpr int kColorSetsImages = 166;

// Commands of the main window (menu items, image buttons, accelerators)
inline constexpr int kCmdConnect = 1000;
inline constexpr int kCmdCalibration = 1001;
inline constexpr int kCmdMeasSettings = 1002;
inline constexpr int kCmdDataItems = 1020;
inline constexpr int kCmdColorSets = 1028;
inline constexpr int kCmdExit = 32771;
inline constexpr int kCmdUserIlluminant = 32772;
inline constexpr int kCmdAbout = 32773;
inline constexpr int kCmdManual = 32774;

}  // namespace ombra::core::res
