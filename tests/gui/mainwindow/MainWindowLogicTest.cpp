// The main window's display rules: enable states, hints, geometry, lamp, image sets.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "corvexres/ResourceIds.h"
#include "ui/mainwindow/MainWindowLogic.h"

using namespace ombra::core;

using namespace ombra::ui::mainwindow;

namespace {

const int kAlways[] = {ombra::res::kCmdConnect, ombra::res::kCmdExit, ombra::res::kCmdAbout, ombra::res::kCmdManual, ombra::res::kCmdMeasurements, ombra::res::kCmdSetUpOffice, ombra::res::kCmdReferences};
const int kConnectedOnly[] = {ombra::res::kCmdCalibration, ombra::res::kCmdMeasSettings, ombra::res::kCmdDataItems, ombra::res::kCmdColorSets, ombra::res::kCmdUserIlluminant};

}  // namespace

TEST(MainWindowCommands, EnableStatesFollowTheConnection) {
    for (bool connected : {false, true}) {
        for (int id : kAlways) EXPECT_TRUE(CommandEnabled(id, connected)) << id;
        for (int id : kConnectedOnly) EXPECT_EQ(CommandEnabled(id, connected), connected) << id;
    }
    // Commands without a rule stay enabled.
    EXPECT_EQ(CommandEnableRule(4711), EnableRule::None);
    EXPECT_TRUE(CommandEnabled(4711, false));
    EXPECT_EQ(CommandEnableRule(kSysCmdAbout), EnableRule::None);
}

TEST(MainWindowHints, MenuItems) {
    EXPECT_EQ(MenuHintStringId(ombra::res::kCmdConnect, false), 1399);
    EXPECT_EQ(MenuHintStringId(ombra::res::kCmdConnect, true), 1400);
    for (int id : {1001, 1002, 1020, 1028, 1979, 32771, 32772, 32773, 32774, 32775, 32776}) {
        EXPECT_EQ(MenuHintStringId(id, false), id);
        EXPECT_EQ(MenuHintStringId(id, true), id);
    }
    EXPECT_EQ(MenuHintStringId(0, true), 0);
    EXPECT_EQ(MenuHintStringId(kSysCmdAbout, false), 0);
}

TEST(MainWindowHints, FocusedControls) {
    EXPECT_EQ(ControlHintStringId(1000, false), 1399);
    EXPECT_EQ(ControlHintStringId(1000, true), 1400);
    for (int id : {1001, 1002, 1020, 1028}) EXPECT_EQ(ControlHintStringId(id, true), id);
    // Menu-only commands and other controls empty the pane.
    for (int id : {32771, 32774, 1198, 0}) EXPECT_EQ(ControlHintStringId(id, false), 0);
}

TEST(MainWindowLayout, ButtonRowIsCentredWithAGapBeforeTheLast) {
    const auto p = ButtonPositions(700, 400, 24);
    EXPECT_EQ(p[0].x, 20);
    EXPECT_EQ(p[1].x, 140);
    EXPECT_EQ(p[2].x, 260);
    EXPECT_EQ(p[3].x, 380);
    EXPECT_EQ(p[4].x, 560);
    for (const auto &pt : p) EXPECT_EQ(pt.y, (400 - 24 - 112) / 2);
    // Both divisions truncate.
    EXPECT_EQ(ButtonPositions(701, 401, 24)[0].x, 20);
    EXPECT_EQ(ButtonPositions(701, 401, 24)[0].y, 132);
    // A window narrower than the row puts it partly off the left edge.
    EXPECT_EQ(ButtonPositions(600, 300, 20)[0].x, -30);
}

TEST(MainWindowLayout, PanesAndLamp) {
    EXPECT_EQ(StatusPaneWidths(700).hint, 500);
    EXPECT_EQ(StatusPaneWidths(700).instrument, 650);
    const Point lamp = LampPosition(700, 400, 16, 12);
    EXPECT_EQ(lamp.x + 16, 697);
    EXPECT_EQ(lamp.y + 12, 400);
}

// The status shows five states apart by symbol and text, not by colour alone, and a
// connected instrument that may not measure is never shown as ready.
TEST(MainWindowStatus, EveryStateHasItsOwnSymbolTextAndColour) {
    using ombra::core::SessionStatus;
    using ombra::core::StatusOf;
    EXPECT_EQ(StatusOf(true, true, false, false), SessionStatus::Ready);
    EXPECT_EQ(StatusOf(true, false, false, false), SessionStatus::CalibrationNeeded);
    EXPECT_EQ(StatusOf(true, true, false, true), SessionStatus::Reading);
    EXPECT_EQ(StatusOf(false, true, false, false), SessionStatus::NotConnected);
    EXPECT_EQ(StatusOf(false, true, true, false), SessionStatus::Lost);
    EXPECT_EQ(StatusOf(false, false, true, true), SessionStatus::Lost) << "a reading ends with the loss";

    const SessionStatus all[] = {SessionStatus::NotConnected, SessionStatus::Ready, SessionStatus::CalibrationNeeded,
                                 SessionStatus::Lost, SessionStatus::Reading};
    std::set<std::string> symbols;
    std::set<int> texts;
    std::set<std::tuple<int, int, int>> colours;
    for (SessionStatus status : all) {
        const StatusLook look = LookOf(status);
        symbols.insert(look.symbol);
        texts.insert(look.textId);
        colours.insert({look.colour.r, look.colour.g, look.colour.b});
    }
    EXPECT_EQ(symbols.size(), 5u);
    EXPECT_EQ(texts.size(), 5u);
    EXPECT_EQ(colours.size(), 5u);
    EXPECT_EQ(LookOf(SessionStatus::Ready).textId, ombra::res::kStrStatusReady);
    EXPECT_EQ(LookOf(SessionStatus::Ready, false).textId, ombra::res::kStrStatusReadyUnknown);
}

// A measurement refused for a due calibration tells the status which calibration is due.
TEST(MainWindowStatus, RefusalsForCalibrationAreRecognised) {
    EXPECT_EQ(ombra::core::CalibrationStatusOfRefusal(19), 3);
    EXPECT_EQ(ombra::core::CalibrationStatusOfRefusal(34), 4);
    for (int32_t other : {0, 4, 5, 12, 29}) EXPECT_EQ(ombra::core::CalibrationStatusOfRefusal(other), 0);
}

TEST(MainWindowImages, SetsPerButton) {
    auto same = [](ImageSet a, ImageSet b) {
        return a.normal == b.normal && a.pressed == b.pressed && a.hover == b.hover && a.disabled == b.disabled;
    };
    EXPECT_TRUE(same(ButtonImages(1000, false), {147, 149, 148, 146}));
    EXPECT_TRUE(same(ButtonImages(1000, true), {151, 153, 152, 150}));
    EXPECT_TRUE(same(ButtonImages(1001), {155, 157, 156, 154}));
    EXPECT_TRUE(same(ButtonImages(1002), {159, 161, 160, 158}));
    EXPECT_TRUE(same(ButtonImages(1020), {163, 165, 164, 162}));
    EXPECT_TRUE(same(ButtonImages(1028), {167, 169, 168, 166}));
    // Every bitmap 146..169 belongs to exactly one slot.
    int seen[170] = {};
    for (int id : kImageButtons)
        for (bool set : {false, true}) {
            if (set && id != 1000) continue;
            const ImageSet s = ButtonImages(id, set);
            for (int b : {s.normal, s.pressed, s.hover, s.disabled}) ++seen[b];
        }
    for (int b = 146; b <= 169; ++b) EXPECT_EQ(seen[b], 1) << b;
}
