#include "mainwindow/MainWindowLogic.h"

#include <cstdio>
#include "UiLayer.h"

namespace ombra::ui::mainwin {

EnableRule CommandEnableRule(int commandId) {
    switch (commandId) {
    case kCmdConnect:
    case kCmdExit:
    case kCmdAbout:
    case kCmdManual:
    case kCmdMeasurements:
    case kCmdSetUpOffice:
    case kCmdResultPanel:
    case kCmdReferences:
        return EnableRule::Always;
    case kCmdCalibration:
    case kCmdMeasSettings:
    case kCmdDataItems:
    case kCmdColorSets:
    case kCmdUserIlluminant:
        return EnableRule::WhileConnected;
    default:
        return EnableRule::None;
    }
}

bool CommandEnabled(int commandId, bool connected) {
    return CommandEnableRule(commandId) != EnableRule::WhileConnected || connected;
}

int MenuHintStringId(int commandId, bool connected) {
    switch (commandId) {
    case kCmdConnect:
        return connected ? kStrHintDisconnect : kStrHintConnect;
    case kCmdCalibration:
    case kCmdMeasSettings:
    case kCmdDataItems:
    case kCmdColorSets:
    case kCmdExit:
    case kCmdUserIlluminant:
    case kCmdAbout:
    case kCmdManual:
    case kCmdMeasurements:
    case kCmdSetUpOffice:
    case kCmdResultPanel:
    case kCmdReferences:
        return commandId;  // the hint has the command's own number
    default:
        return 0;
    }
}

int ControlHintStringId(int controlId, bool connected) {
    switch (controlId) {
    case kCmdConnect:
        return connected ? kStrHintDisconnect : kStrHintConnect;
    case kCmdCalibration:
    case kCmdMeasSettings:
    case kCmdDataItems:
    case kCmdColorSets:
        return controlId;
    default:
        return 0;
    }
}

ImageSet ButtonImages(int controlId, bool connectedSet) {
    switch (controlId) {
    case kCmdConnect:
        return connectedSet ? ImageSet{151, 153, 152, 150} : ImageSet{147, 149, 148, 146};
    case kCmdCalibration: return {155, 157, 156, 154};
    case kCmdMeasSettings: return {159, 161, 160, 158};
    case kCmdDataItems: return {163, 165, 164, 162};
    case kCmdColorSets: return {167, 169, 168, 166};
    default: return {0, 0, 0, 0};
    }
}

std::array<Point, 5> ButtonPositions(int clientWidth, int clientHeight, int statusBarHeight) {
    // Four buttons side by side, a gap of half a button, then the fifth: 660 pixels centred.
    constexpr std::array<int, 5> offsets = {0, 120, 240, 360, 540};
    const int x = (clientWidth - kButtonRowWidth) / 2;
    const int y = (clientHeight - statusBarHeight - kButtonHeight) / 2;
    std::array<Point, 5> positions{};
    for (std::size_t i = 0; i < offsets.size(); ++i) positions[i] = {x + offsets[i], y};
    return positions;
}

PaneWidths StatusPaneWidths(int clientWidth) { return {clientWidth - 200, clientWidth - 50}; }

Point LampPosition(int clientWidth, int clientHeight, int lampWidth, int lampHeight) {
    return {clientWidth - 3 - lampWidth, clientHeight - lampHeight};
}

StatusLook LookOf(core::mainwin::SessionStatus status, bool identityKnown) {
    using core::mainwin::SessionStatus;
    switch (status) {
    case SessionStatus::Ready:
        return {{0, 128, 0}, "\u25CF", identityKnown ? kStrStatusReady : kStrStatusReadyUnknown};  // disc
    case SessionStatus::CalibrationNeeded: return {{176, 96, 0}, "\u25B2", kStrStatusCalibration};  // triangle
    case SessionStatus::Lost: return {{192, 0, 0}, "\u2716", kStrStatusLost};                      // cross
    case SessionStatus::Reading: return {{0, 80, 192}, "\u25C6", kStrStatusReading};               // diamond
    case SessionStatus::NotConnected: break;
    }
    return {{96, 96, 96}, "\u25CB", kStrStatusNotConnected};  // ring
}

}  // namespace ombra::ui::mainwin
