#include "ui/mainwindow/MainWindowLogic.h"

#include <cstdio>
#include "corvexres/ResourceIds.h"

namespace ombra::ui::mainwindow {

EnableRule CommandEnableRule(int commandId) {
    switch (commandId) {
    case res::kCmdConnect:
    case res::kCmdExit:
    case res::kCmdAbout:
    case res::kCmdManual:
    case res::kCmdMeasurements:
    case res::kCmdSetUpOffice:
    case res::kCmdResultPanel:
    case res::kCmdReferences:
        return EnableRule::Always;
    case res::kCmdCalibration:
    case res::kCmdMeasSettings:
    case res::kCmdDataItems:
    case res::kCmdColorSets:
    case res::kCmdUserIlluminant:
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
    case res::kCmdConnect:
        return connected ? res::kStrDisconnectHint : res::kStrConnectHint;
    case res::kCmdCalibration:
    case res::kCmdMeasSettings:
    case res::kCmdDataItems:
    case res::kCmdColorSets:
    case res::kCmdExit:
    case res::kCmdUserIlluminant:
    case res::kCmdAbout:
    case res::kCmdManual:
    case res::kCmdMeasurements:
    case res::kCmdSetUpOffice:
    case res::kCmdResultPanel:
    case res::kCmdReferences:
        return commandId;  // the hint has the command's own number
    default:
        return 0;
    }
}

int ControlHintStringId(int controlId, bool connected) {
    switch (controlId) {
    case res::kCmdConnect:
        return connected ? res::kStrDisconnectHint : res::kStrConnectHint;
    case res::kCmdCalibration:
    case res::kCmdMeasSettings:
    case res::kCmdDataItems:
    case res::kCmdColorSets:
        return controlId;
    default:
        return 0;
    }
}

// A button's image set in the library: disabled at its base, then normal, hover and pressed.
ImageSet ImagesFrom(int base) { return {base + 1, base + 3, base + 2, base}; }

ImageSet ButtonImages(int controlId, bool connectedSet) {
    switch (controlId) {
    case res::kCmdConnect: return ImagesFrom(connectedSet ? res::kDisconnectImages : res::kConnectImages);
    case res::kCmdCalibration: return ImagesFrom(res::kCalibrationImages);
    case res::kCmdMeasSettings: return ImagesFrom(res::kMeasSettingsImages);
    case res::kCmdDataItems: return ImagesFrom(res::kDataItemsImages);
    case res::kCmdColorSets: return ImagesFrom(res::kColorSetsImages);
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

StatusLook LookOf(core::SessionStatus status, bool identityKnown) {
    using core::SessionStatus;
    switch (status) {
    case core::SessionStatus::Ready:
        return {{0, 128, 0}, "\u25CF", identityKnown ? res::kStrStatusReady : res::kStrStatusReadyUnknown};  // disc
    case core::SessionStatus::CalibrationNeeded: return {{176, 96, 0}, "\u25B2", res::kStrStatusCalibration};  // triangle
    case core::SessionStatus::Lost: return {{192, 0, 0}, "\u2716", res::kStrStatusLost};                      // cross
    case core::SessionStatus::Reading: return {{0, 80, 192}, "\u25C6", res::kStrStatusReading};               // diamond
    case core::SessionStatus::NotConnected: break;
    }
    return {{96, 96, 96}, "\u25CB", res::kStrStatusNotConnected};  // ring
}

}  // namespace ombra::ui::mainwindow
