// The arithmetic and geometry behind the themed controls, the tab bar and the navigation panel, tested
// as plain functions: fades, tab states, the band, the sweep, nine-grid parts, the browse button.
#include <gtest/gtest.h>

#include <vector>

#include "ui/Drawing.h"
#include "ui/NavPanel.h"
#include "ui/TabBar.h"
#include "ui/controls/EditBrowserCtrl.h"
#include "ui/controls/FadeStateButtonCtrl.h"
#include "ui/controls/ThemedButtonCtrl.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
#define EXPECT_RECT(expected, actual) EXPECT_TRUE(SameRect(expected, actual)) \
    << (actual).left << "," << (actual).top << "," << (actual).right << "," << (actual).bottom

// ---- fade-state button ---------------------------------------------------------------------------------

TEST(FadeStateButton, TargetStateRulesLaterOnesWin) {
    EXPECT_EQ(kFadeNormal, FadeTargetState(true, false, false, 0));
    EXPECT_EQ(kFadeHot, FadeTargetState(true, true, false, 0));
    EXPECT_EQ(kFadePressed, FadeTargetState(true, true, true, 0));
    EXPECT_EQ(kFadeDisabled, FadeTargetState(false, true, true, 0));
    // A pushed or checked button shows pressed even when disabled: the button's own state wins.
    EXPECT_EQ(kFadePressed, FadeTargetState(false, false, false, BST_PUSHED));
    EXPECT_EQ(kFadePressed, FadeTargetState(true, false, false, BST_CHECKED));
    EXPECT_EQ(kFadeHot, FadeTargetState(true, true, false, BST_FOCUS));
}

TEST(FadeStateButton, HoverFadesInOverAThirdOfASecond) {
    FadeTrack fade;
    EXPECT_EQ(FadeTrack::Timer::kStart, fade.Update(kFadeHot, true, 1000));
    EXPECT_EQ(kFadeHot, fade.current);
    EXPECT_EQ(kFadeNormal, fade.previous);
    EXPECT_EQ(0, fade.progress);

    EXPECT_EQ(FadeTrack::Timer::kKeep, fade.Update(kFadeHot, true, 1020));
    EXPECT_EQ(20 * 10 / 13, fade.progress);  // 15
    EXPECT_EQ(FadeTrack::Timer::kKeep, fade.Update(kFadeHot, true, 1200));
    EXPECT_EQ(15 + 180 * 10 / 13, fade.progress);  // 153
    // 254 and beyond ends the fade and stops the timer.
    EXPECT_EQ(FadeTrack::Timer::kKeep, fade.Update(kFadeHot, true, 1331));  // 253: not yet
    EXPECT_EQ(253, fade.progress);
    EXPECT_EQ(FadeTrack::Timer::kStop, fade.Update(kFadeHot, true, 1334));
    EXPECT_EQ(255, fade.progress);
    EXPECT_EQ(FadeTrack::Timer::kKeep, fade.Update(kFadeHot, true, 1400));
}

TEST(FadeStateButton, LeavingQuicklyFadesBackFromThePointReached) {
    FadeTrack fade;
    fade.Update(kFadeHot, true, 5000);
    fade.Update(kFadeHot, true, 5260);  // progress 200
    ASSERT_EQ(200, fade.progress);
    EXPECT_EQ(FadeTrack::Timer::kStart, fade.Update(kFadeNormal, true, 5260));
    EXPECT_EQ(FadeRestartProgress(200), fade.progress);
    EXPECT_EQ(110, fade.progress);
    EXPECT_EQ(kFadeHot, fade.previous);
    EXPECT_EQ(kFadeNormal, fade.current);

    // Early in a fade the restart value is cut to 255: the change shows at once.
    EXPECT_EQ(255, FadeRestartProgress(10));
    EXPECT_EQ(0, FadeRestartProgress(255));
    EXPECT_EQ(255, FadeRestartProgress(127));
    EXPECT_EQ(254, FadeRestartProgress(128));
}

TEST(FadeStateButton, PressedAndHiddenChangesNeverFade) {
    FadeTrack fade;
    fade.Update(kFadeHot, true, 100);
    EXPECT_EQ(FadeTrack::Timer::kStop, fade.Update(kFadePressed, true, 110));
    EXPECT_EQ(kFadePressed, fade.current);
    EXPECT_EQ(kFadePressed, fade.previous);
    EXPECT_EQ(255, fade.progress);
    EXPECT_EQ(FadeTrack::Timer::kStop, fade.Update(kFadeHot, true, 120));  // leaving pressed
    EXPECT_EQ(255, fade.progress);
    EXPECT_EQ(FadeTrack::Timer::kStop, fade.Update(kFadeNormal, false, 130));  // hidden
    EXPECT_EQ(kFadeNormal, fade.current);
    EXPECT_EQ(255, fade.progress);
}

TEST(FadeStateButton, FadeSurvivesTheTickCountWrap) {
    FadeTrack fade;
    fade.Update(kFadeHot, true, 0xFFFFFFF0u);
    fade.Update(kFadeHot, true, 0x00000010u);  // 32 ms later
    EXPECT_EQ(32 * 10 / 13, fade.progress);
}

TEST(FadeStateButton, CurrentCellAlphaRisesTwiceAsFastAndNeverWraps) {
    EXPECT_EQ(2, FadeCurrentAlpha(0));
    EXPECT_EQ(128, FadeCurrentAlpha(63));
    EXPECT_EQ(254, FadeCurrentAlpha(126));
    // 127 * 2 + 2 is 256, which as a byte would be 0 and blank the button for a frame.
    EXPECT_EQ(255, FadeCurrentAlpha(127));
    EXPECT_EQ(255, FadeCurrentAlpha(200));
}

// ---- tab bar -------------------------------------------------------------------------------------------

std::vector<TabItem> ThreeTabs() {
    std::vector<TabItem> tabs(3);
    for (size_t i = 0; i < tabs.size(); ++i) {
        tabs[i].id = static_cast<UINT>(i + 1);
        tabs[i].rc = RECT{static_cast<LONG>(16 + 100 * i), 4, static_cast<LONG>(112 + 100 * i), 30};
    }
    return tabs;
}

TEST(TabBarState, TopStateDecidesTheCell) {
    EXPECT_EQ(0, TabCell(0));
    EXPECT_EQ(3, TabCell(kTabHot));
    EXPECT_EQ(2, TabCell(kTabMarked | kTabHot));
    EXPECT_EQ(1, TabCell(kTabSelected | kTabMarked | kTabHot));
    EXPECT_EQ(kTabSelected, TabTopState(kTabSelected | kTabHot));
}

TEST(TabBarState, FadeWeightFollowsTheTicks) {
    EXPECT_EQ(0, TabFadeWeight(1000, 1000, 1300));
    EXPECT_EQ(127, TabFadeWeight(1150, 1000, 1300));
    EXPECT_EQ(255, TabFadeWeight(1300, 1000, 1300));
    EXPECT_EQ(255, TabFadeWeight(9000, 1000, 1300));  // past the end
    EXPECT_EQ(36 * 255 / 300, TabFadeWeight(0x00000014u, 0xFFFFFFF0u, 0x0000011Cu));  // 36 ms in, across the wrap
}

TEST(TabBarState, SelectingFadesOnlyTheTabThatLosesItsLook) {
    auto tabs = ThreeTabs();
    std::vector<size_t> changed;
    EXPECT_FALSE(ApplyTabStateChange(tabs, 0, kTabSelected, kTabSelected, 300, 5000, changed));
    EXPECT_EQ(kTabSelected, tabs[0].state);
    EXPECT_EQ(0u, tabs[0].fadeEnd);  // setting a state never fades

    tabs[0].state |= kTabHot;
    changed.clear();
    EXPECT_TRUE(ApplyTabStateChange(tabs, 1, kTabSelected, kTabSelected, 300, 6000, changed));
    EXPECT_EQ((std::vector<size_t>{0, 1}), changed);
    EXPECT_EQ(kTabSelected, tabs[1].state);
    EXPECT_EQ(0u, tabs[1].fadeStart);
    EXPECT_EQ(kTabHot, tabs[0].state);  // fades from its selected cell to its hot one
    EXPECT_EQ(kTabSelected | kTabHot, tabs[0].prevState);
    EXPECT_EQ(6000u, tabs[0].fadeStart);
    EXPECT_EQ(6300u, tabs[0].fadeEnd);
    EXPECT_TRUE(TabFadeRunning(tabs[0]));
}

TEST(TabBarState, ReselectingAndLosingALowerStateStartNoFade) {
    auto tabs = ThreeTabs();
    tabs[1].state = kTabSelected;
    std::vector<size_t> changed;
    EXPECT_FALSE(ApplyTabStateChange(tabs, 1, kTabSelected, kTabSelected, 300, 100, changed));
    EXPECT_TRUE(changed.empty());

    // Hot moves away from a selected tab: hot was not its top state, so no fade.
    tabs[1].state = kTabSelected | kTabHot;
    EXPECT_FALSE(ApplyTabStateChange(tabs, 2, kTabHot, kTabHot, 0, 200, changed));
    EXPECT_EQ(kTabSelected, tabs[1].state);
    EXPECT_EQ(kTabHot, tabs[2].state);
    EXPECT_EQ(0u, tabs[1].fadeEnd);

    // The marked bit is the caller's: no hover or selection touches it.
    tabs[0].state = kTabMarked;
    ApplyTabStateChange(tabs, -1, 0, kTabHot, 0, 300, changed);
    ApplyTabStateChange(tabs, 1, kTabSelected, kTabSelected, 300, 300, changed);
    EXPECT_EQ(kTabMarked, tabs[0].state);
}

// ---- navigation panel ----------------------------------------------------------------------------------

TEST(NavPanelGeometry, BandIsCentredAndThirtyThreeHigh) {
    EXPECT_RECT((RECT{66, 10, 406, 43}), NavBandRect(RECT{0, 0, 472, 52}, 170));
    EXPECT_RECT((RECT{90, 10, 510, 43}), NavBandRect(RECT{0, 0, 600, 52}, 210));
    const RECT empty{0, 0, 0, 52};
    EXPECT_RECT(empty, NavBandRect(empty, 170));
}

TEST(NavPanelGeometry, SweepCrossesTheWidthInItsDuration) {
    EXPECT_DOUBLE_EQ(0.0, SweepOffset(500, 500, 600, 472));
    EXPECT_DOUBLE_EQ(236.0, SweepOffset(800, 500, 600, 472));
    EXPECT_GE(SweepOffset(1100, 500, 600, 472), 472.0);
    EXPECT_DOUBLE_EQ(236.0, SweepOffset(0x0000012Bu, 0xFFFFFFFFu, 600, 472));  // 300 ms in, across the wrap
}

// ---- drawing helpers -----------------------------------------------------------------------------------

TEST(NineGrid, CornersKeepTheirSizeAndEdgesStretch) {
    NineGridPart parts[9];
    NineGridParts(RECT{10, 20, 110, 50}, RECT{48, 0, 96, 30}, 14, 6, 14, 6, parts);
    EXPECT_RECT((RECT{10, 20, 24, 26}), parts[0].dst);
    EXPECT_RECT((RECT{48, 0, 62, 6}), parts[0].src);
    EXPECT_RECT((RECT{24, 26, 96, 44}), parts[4].dst);  // centre
    EXPECT_RECT((RECT{62, 6, 82, 24}), parts[4].src);
    EXPECT_RECT((RECT{96, 44, 110, 50}), parts[8].dst);
    EXPECT_RECT((RECT{82, 24, 96, 30}), parts[8].src);
    // A zero bottom margin leaves the bottom row empty: nothing is drawn there.
    NineGridParts(RECT{0, 30, 200, 35}, RECT{0, 0, 32, 5}, 4, 2, 4, 0, parts);
    EXPECT_EQ(parts[7].dst.top, parts[7].dst.bottom);
    EXPECT_RECT((RECT{4, 32, 196, 35}), parts[4].dst);
}

TEST(ThemedButton, FaceCellForEachItemState) {
    EXPECT_EQ(3, ButtonFaceCell(0));
    EXPECT_EQ(1, ButtonFaceCell(CDIS_HOT));
    EXPECT_EQ(4, ButtonFaceCell(CDIS_HOT | CDIS_SELECTED));
    EXPECT_EQ(4, ButtonFaceCell(CDIS_SELECTED | CDIS_FOCUS));
    EXPECT_EQ(3, ButtonFaceCell(CDIS_DISABLED | CDIS_HOT));
    EXPECT_RECT((RECT{96, 0, 128, 26}), StripCell(SIZE{160, 26}, 5, 3));
}

TEST(EditBrowser, ButtonIsCarvedFromTheRightOfTheClientArea) {
    // Window at (100, 50) in its parent, 120 x 24, client inset by a 2-pixel edge.
    const RECT window{100, 50, 220, 74};
    RECT client{102, 52, 218, 72};
    const RECT button = BrowseButtonRect(window, client, 16);
    EXPECT_EQ(202, client.right);
    EXPECT_RECT((RECT{102, 1, 119, 23}), button);

    RECT client2{102, 52, 218, 72};
    BrowseButtonRect(window, client2, -1);  // 80 % of the 20-pixel height
    EXPECT_EQ(218 - 16, client2.right);

    POINT arrow[3];
    BrowseArrowPoints(17, 22, arrow);
    EXPECT_EQ(6, arrow[0].x);
    EXPECT_EQ(7, arrow[0].y);
    EXPECT_EQ(6, arrow[1].x);
    EXPECT_EQ(15, arrow[1].y);
    EXPECT_EQ(11, arrow[2].x);
    EXPECT_EQ(11, arrow[2].y);
}

TEST(Fonts, HeightGrowsInMagnitude) {
    EXPECT_EQ(13, GrowFontHeight(11, 2));
    EXPECT_EQ(-13, GrowFontHeight(-11, 2));
    EXPECT_EQ(-2, GrowFontHeight(0, 2));
}

}  // namespace
