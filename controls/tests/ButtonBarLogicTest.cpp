#include "controls/ButtonBarLogic.h"

#include <gtest/gtest.h>

using controls::BarPoint;
using controls::ButtonBarLogic;
using controls::ButtonRecord;

namespace {

// The main window's bar: settings, minimise, maximise, close; 16 x 13 each.
ButtonBarLogic WindowBar(bool closeEnabled = true)
{
    ButtonBarLogic bar;
    bar.SetUp({{1, 12, 1, 0, 16, 13, 132, -1},
               {1, 13, 17, 0, 16, 13, 133, -1},
               {1, 14, 34, 0, 16, 13, 134, -1},
               {closeEnabled ? 1 : 0, 16, 50, 0, 16, 13, 136, -1}});
    bar.SetCodes(3225, 77);
    bar.SetImageWidth(66);
    bar.SetClientWidth(66);
    return bar;
}

}  // namespace

TEST(ButtonBarLogic, HitTestUsesHalfOpenRectanglesInRecordOrder)
{
    ButtonBarLogic bar = WindowBar();
    EXPECT_EQ(bar.HitTest({1, 0}, true), 0);
    EXPECT_EQ(bar.HitTest({16, 12}, true), 0);
    EXPECT_EQ(bar.HitTest({17, 12}, true), 1);
    EXPECT_EQ(bar.HitTest({17, 13}, true), -1);
    EXPECT_EQ(bar.HitTest({0, 5}, true), -1);
    EXPECT_EQ(bar.HitTest({66, 5}, true), -1);
}

TEST(ButtonBarLogic, ClickPostsCommandOfEnabledButton)
{
    ButtonBarLogic bar = WindowBar();
    bar.PointerMove({40, 5}, true);
    EXPECT_EQ(bar.Hover(), 2);
    EXPECT_TRUE(bar.ButtonDown({40, 5}).repaint);
    EXPECT_EQ(bar.Pressed(), 2);
    const controls::BarReaction r = bar.ButtonUp({40, 5}, true);
    EXPECT_TRUE(r.post);
    EXPECT_EQ(r.postCode, 3225);
    EXPECT_EQ(r.postCommand, 14);
    EXPECT_EQ(bar.Pressed(), -1);
    EXPECT_TRUE(r.releaseCapture);  // the move took the pointer
}

TEST(ButtonBarLogic, DisabledButtonIgnoresHoverAndPressButPostsDisabledCode)
{
    ButtonBarLogic bar = WindowBar(false);
    bar.PointerMove({55, 5}, true);
    EXPECT_EQ(bar.Hover(), -1);
    bar.ButtonDown({55, 5});
    EXPECT_EQ(bar.Pressed(), -1);
    const controls::BarReaction r = bar.ButtonUp({55, 5}, true);
    EXPECT_TRUE(r.post);
    EXPECT_EQ(r.postCode, 77);
    EXPECT_EQ(r.postCommand, 16);
}

TEST(ButtonBarLogic, DisabledCodeZeroPostsNothing)
{
    ButtonBarLogic bar = WindowBar(false);
    bar.SetCodes(3225, 0);
    EXPECT_FALSE(bar.ButtonUp({55, 5}, true).post);
}

TEST(ButtonBarLogic, ReleaseOutsideEveryButtonClearsHoverAndPressWithoutPosting)
{
    ButtonBarLogic bar = WindowBar();
    bar.PointerMove({20, 5}, true);
    bar.ButtonDown({20, 5});
    const controls::BarReaction r = bar.ButtonUp({0, 20}, true);
    EXPECT_FALSE(r.post);
    EXPECT_TRUE(r.repaint);
    EXPECT_EQ(bar.Hover(), -1);
    EXPECT_EQ(bar.Pressed(), -1);
}

TEST(ButtonBarLogic, NoTargetPostsNothing)
{
    ButtonBarLogic bar = WindowBar();
    bar.ButtonDown({20, 5});
    EXPECT_FALSE(bar.ButtonUp({20, 5}, false).post);
}

TEST(ButtonBarLogic, RightAlignedBarShiftsEveryButton)
{
    ButtonBarLogic bar = WindowBar();
    bar.SetAlignment(1);
    bar.SetClientWidth(166);
    EXPECT_EQ(bar.Offset(), 100);
    EXPECT_EQ(bar.HitTest({20, 5}, true), -1);
    EXPECT_EQ(bar.HitTest({120, 5}, true), 1);
    bar.ButtonDown({151, 5});
    const controls::BarReaction r = bar.ButtonUp({151, 5}, true);
    EXPECT_EQ(r.postCommand, 16);
}

TEST(ButtonBarLogic, LeavingReleasesThePointerAndClearsHover)
{
    ButtonBarLogic bar = WindowBar();
    EXPECT_TRUE(bar.PointerMove({20, 5}, true).capture);
    EXPECT_FALSE(bar.PointerMove({21, 5}, true).capture);  // already held
    const controls::BarReaction r = bar.PointerMove({-5, 5}, false);
    EXPECT_TRUE(r.releaseCapture);
    EXPECT_TRUE(r.repaint);
    EXPECT_EQ(bar.Hover(), -1);
}

TEST(ButtonBarLogic, SetUpKeepsAtMostAHundredButtonsAndResetsState)
{
    std::vector<ButtonRecord> many(130, ButtonRecord{1, 1, 0, 0, 4, 4, 0, 0});
    ButtonBarLogic bar;
    bar.SetUp(many);
    EXPECT_EQ(bar.Buttons().size(), 100u);
    EXPECT_EQ(bar.Hover(), -1);
    EXPECT_EQ(bar.Pressed(), -1);
}

TEST(ButtonBarLogic, EnablingByCommand)
{
    ButtonBarLogic bar = WindowBar(false);
    EXPECT_TRUE(bar.SetEnabled(16, true));
    EXPECT_FALSE(bar.SetEnabled(16, true));
    EXPECT_EQ(bar.HitTest({55, 5}, true), 3);
}
