#include "shell/logic/ClipBox.h"
#include "shell/logic/FrameZones.h"
#include "shell/logic/WindowPlacement.h"
#include "shell/logic/PhotoStripLogic.h"
#include "shell/logic/ViewZoom.h"

#include <gtest/gtest.h>

using namespace engine;

using namespace shell;

// --- Frame zones -------------------------------------------------------------------------

TEST(FrameZones, EdgesCornersAndCaption)
{
    const int w = 1020, h = 629;
    EXPECT_EQ(FrameZoneAt(0, 300, w, h, false), ZoneLeft);
    EXPECT_EQ(FrameZoneAt(3, 300, w, h, false), ZoneLeft);
    EXPECT_EQ(FrameZoneAt(4, 300, w, h, false), ZoneNone);
    EXPECT_EQ(FrameZoneAt(w - 4, 300, w, h, false), ZoneRight);
    EXPECT_EQ(FrameZoneAt(w - 5, 300, w, h, false), ZoneNone);
    EXPECT_EQ(FrameZoneAt(500, 3, w, h, false), ZoneTop);
    EXPECT_EQ(FrameZoneAt(500, 4, w, h, false), ZoneCaption);
    EXPECT_EQ(FrameZoneAt(500, 21, w, h, false), ZoneCaption);
    EXPECT_EQ(FrameZoneAt(500, 22, w, h, false), ZoneNone);
    // "Less than 5 pixels from the bottom": rows h-4 .. h-1.
    EXPECT_EQ(FrameZoneAt(500, h - 4, w, h, false), ZoneBottom);
    EXPECT_EQ(FrameZoneAt(500, h - 5, w, h, false), ZoneNone);
    EXPECT_EQ(FrameZoneAt(1, 1, w, h, false), ZoneLeft | ZoneTop);
    EXPECT_EQ(FrameZoneAt(w - 1, h - 1, w, h, false), ZoneRight | ZoneBottom);
    EXPECT_EQ(FrameZoneAt(1, h - 1, w, h, false), ZoneLeft | ZoneBottom);
    EXPECT_EQ(FrameZoneAt(-1, 10, w, h, false), ZoneNone);
}

TEST(FrameZones, MaximisedWindowOnlyHasItsCaption)
{
    EXPECT_EQ(FrameZoneAt(0, 300, 1000, 600, true), ZoneNone);
    EXPECT_EQ(FrameZoneAt(0, 2, 1000, 600, true), ZoneCaption);
    EXPECT_EQ(FrameZoneAt(500, 599, 1000, 600, true), ZoneNone);
}

// --- Window placement -----------------------------------------------------------------------

TEST(WindowPlacement, TheWindowOpensWhollyOnTheScreen)
{
    const WindowLimits limits{1020, 629, 900, 500};
    // 1600 x 1000 at twice the scale: 800 x 500 logical pixels. The window takes the screen.
    const WindowRect small{0, 0, 800, 500};
    EXPECT_EQ(PlaceWindow(nullptr, limits, small), (WindowRect{0, 0, 800, 500}));
    int minW = 0, minH = 0;
    MinimumSizeOn(limits, small, minW, minH);
    EXPECT_EQ(std::make_pair(minW, minH), std::make_pair(800, 500));
    // 1920 x 1080 at 200 % with a panel: the minimum fits, the default is centred.
    const WindowRect hd{0, 27, 960, 513};
    MinimumSizeOn(limits, hd, minW, minH);
    EXPECT_LE(minW, 960);
    EXPECT_LE(minH, 513);
    EXPECT_EQ(PlaceWindow(nullptr, limits, hd), (WindowRect{0, 27, 960, 513}));
    // A large screen: the default size, centred.
    const WindowRect big{1920, 0, 2560, 1400};
    EXPECT_EQ(PlaceWindow(nullptr, limits, big), (WindowRect{1920 + 770, 385, 1020, 629}));
}

TEST(WindowPlacement, ARememberedWindowIsKeptOrPulledBackOnScreen)
{
    const WindowLimits limits{1020, 629, 900, 500};
    const WindowRect screen{0, 0, 1600, 1000};
    const WindowRect there{100, 50, 1200, 700};
    EXPECT_EQ(PlaceWindow(&there, limits, screen), there);
    // Off the left and top (the screen it was on is gone): moved just onto the screen.
    const WindowRect off{-222, -130, 1100, 700};
    EXPECT_EQ(PlaceWindow(&off, limits, screen), (WindowRect{0, 0, 1100, 700}));
    const WindowRect farRight{1500, 900, 1000, 600};
    EXPECT_EQ(PlaceWindow(&farRight, limits, screen), (WindowRect{600, 400, 1000, 600}));
    // Larger than the screen: shrunk to it. Smaller than the minimum: grown to it.
    const WindowRect huge{-10, -10, 2040, 1258};
    EXPECT_EQ(PlaceWindow(&huge, limits, screen), (WindowRect{0, 0, 1600, 1000}));
    const WindowRect tiny{10, 10, 50, 40};
    EXPECT_EQ(PlaceWindow(&tiny, limits, screen), (WindowRect{10, 10, 900, 500}));
}

// --- Photo strip --------------------------------------------------------------------------

namespace {
PhotoStripLogic Strip(int count, int visible)
{
    PhotoStripLogic s;
    s.SetCount(count);
    s.SetVisibleLength(visible);
    return s;
}
}  // namespace

TEST(PhotoStrip, IndexAndDropPositions)
{
    PhotoStripLogic s = Strip(5, 300);
    EXPECT_EQ(s.IndexAt(0), 0);
    EXPECT_EQ(s.IndexAt(89), 0);
    EXPECT_EQ(s.IndexAt(90), 1);
    EXPECT_EQ(s.IndexAt(449), 4);
    EXPECT_EQ(s.IndexAt(450), -1);
    EXPECT_EQ(s.IndexAt(-1), -1);
    // The nearest gap: past the middle of a cell counts as the next one.
    EXPECT_EQ(s.GapAt(44), 0);
    EXPECT_EQ(s.GapAt(45), 1);
    EXPECT_EQ(s.GapAt(1000), 5);
    EXPECT_EQ(s.GapAt(-200), 0);
    // Both gaps around a photo are its own place.
    EXPECT_EQ(PhotoStripLogic::MoveTarget(1, 1), 1);
    EXPECT_EQ(PhotoStripLogic::MoveTarget(1, 2), 1);
    EXPECT_EQ(PhotoStripLogic::MoveTarget(0, 3), 2);  // between the third and the fourth photo
    EXPECT_EQ(PhotoStripLogic::MoveTarget(0, 5), 4);  // after the last
    EXPECT_EQ(PhotoStripLogic::MoveTarget(4, 0), 0);
    s.SetOffset(90);
    EXPECT_EQ(s.IndexAt(0), 1);
    EXPECT_EQ(s.CellStart(1), 0);
}

TEST(PhotoStrip, ScrollingIsClampedAndTheThumbFollows)
{
    PhotoStripLogic s = Strip(10, 300);  // 900 long, 300 visible
    EXPECT_TRUE(s.ThumbShown());
    EXPECT_EQ(s.MaxOffset(), 600);
    EXPECT_EQ(s.ThumbLength(), 100);  // 300 * 300 / 900
    s.SetOffset(10000);
    EXPECT_EQ(s.Offset(), 600);
    EXPECT_EQ(s.ThumbStart(), 200);  // 300 * 600 / 900
    s.SetOffset(-5);
    EXPECT_EQ(s.Offset(), 0);
    s.DragThumb(10);  // 10 * 900 / 300
    EXPECT_EQ(s.Offset(), 30);
    s.Wheel(-2);
    EXPECT_EQ(s.Offset(), 70);
    s.Wheel(10);
    EXPECT_EQ(s.Offset(), 0);

    PhotoStripLogic fits = Strip(3, 300);
    EXPECT_FALSE(fits.ThumbShown());
    fits.Wheel(-3);
    EXPECT_EQ(fits.Offset(), 0);
}

TEST(PhotoStrip, ClickSelectsOneControlClickAdds)
{
    PhotoStripLogic s = Strip(5, 300);
    EXPECT_TRUE(s.Click(2));
    EXPECT_EQ(s.Current(), 2);
    EXPECT_TRUE(s.ControlClick(4));
    EXPECT_TRUE(s.ControlClick(0));
    EXPECT_EQ(s.Selected(), (std::vector<int>{2, 4, 0}));
    EXPECT_FALSE(s.ControlClick(4));  // already selected: unchanged
    EXPECT_EQ(s.Selected(), (std::vector<int>{2, 4, 0}));
    EXPECT_FALSE(s.Click(4));  // a selected photo keeps the selection
    EXPECT_TRUE(s.Click(1));
    EXPECT_EQ(s.Selected(), (std::vector<int>{1}));
    EXPECT_FALSE(s.Click(7));
}

TEST(PhotoStrip, MovingRenumbersLikeTheDocument)
{
    PhotoStripLogic s = Strip(5, 300);
    s.Click(0);
    s.ControlClick(2);
    s.ControlClick(4);
    s.SetCurrent(3);
    s.Move(0, 3);  // old 1, 2, 3 become 0, 1, 2
    EXPECT_EQ(s.Selected(), (std::vector<int>{3, 1, 4}));
    EXPECT_EQ(s.Current(), 2);
    s.Move(4, 0);
    EXPECT_EQ(s.Selected(), (std::vector<int>{4, 2, 0}));
    s.Move(2, 2);  // onto its own position: nothing
    EXPECT_EQ(s.Selected(), (std::vector<int>{4, 2, 0}));
}

TEST(PhotoStrip, DeleteSelectionRemovesLastSelectedFirst)
{
    PhotoStripLogic s = Strip(6, 300);
    s.Click(1);
    s.ControlClick(4);
    s.ControlClick(2);
    // Remove 2 first; 4 then becomes 3; then 1.
    EXPECT_EQ(s.DeletionOrder(), (std::vector<int>{2, 3, 1}));
    for (int i : s.DeletionOrder()) s.Removed(i);
    EXPECT_TRUE(s.Selected().empty());
    EXPECT_EQ(s.Count(), 3);
    EXPECT_GE(s.Current(), 0);
    EXPECT_LT(s.Current(), 3);
}

TEST(PhotoStrip, RemovingTheLastPhotoClampsTheCurrentIndex)
{
    PhotoStripLogic s = Strip(3, 300);
    s.Click(2);
    s.Removed(2);
    EXPECT_EQ(s.Current(), 1);
    EXPECT_TRUE(s.Selected().empty());
    s.Removed(0);
    EXPECT_EQ(s.Current(), 0);
    s.Removed(0);
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.Current(), -1);
}

// --- Zoom and pan ---------------------------------------------------------------------------

TEST(ViewZoom, ZoomingInStopsAtOneHundredthAndOutAtTheWholeImage)
{
    ViewZoom z;
    const ViewRect view{0, 0, 400, 300};
    // A photo so large that the magnification limit never applies before the scale limit.
    const int w = 100000, h = 75000;
    for (int i = 0; i < 300; ++i) z.ZoomCentre(w, h, view, 1);
    EXPECT_FLOAT_EQ(z.zoom, ViewZoom::kMinZoom);
    for (int i = 0; i < 300; ++i) z.ZoomCentre(w, h, view, -1);
    EXPECT_EQ(z.zoom, 1);
    EXPECT_EQ(z.pan[0], 0);
    EXPECT_EQ(z.pan[1], 0);
}

TEST(ViewZoom, SmallPhotosStopWhereTheyWouldBeMagnifiedTooMuch)
{
    ViewZoom z;
    const ViewRect view{0, 0, 400, 300};
    for (int i = 0; i < 300; ++i) z.ZoomCentre(4000, 3000, view, 1);
    const float deepest = z.zoom;
    EXPECT_GT(deepest, ViewZoom::kMinZoom);
    z.ZoomCentre(4000, 3000, view, 1);
    EXPECT_NEAR(z.zoom, deepest, deepest * 1e-2);
}

TEST(ViewZoom, ThePointUnderThePointerStaysPut)
{
    ViewZoom z;
    const ViewRect view{0, 0, 800, 600};
    const int w = 4000, h = 3000;
    const ViewMapping before(w, h, view, z.pan[0], z.pan[1], z.zoom);
    const cv::Point2f anchor = before.ToFraction(200, 150);
    for (int i = 0; i < 10; ++i) z.ZoomAbout(w, h, view, 1, 200, 150);
    const ViewMapping after(w, h, view, z.pan[0], z.pan[1], z.zoom);
    const cv::Point2f there = after.ToView(anchor.x, anchor.y);
    EXPECT_NEAR(there.x, 200, 2.0);
    EXPECT_NEAR(there.y, 150, 2.0);
    EXPECT_LT(z.zoom, 0.7f);
}

TEST(ViewZoom, PanningFollowsThePointerWithinTheImage)
{
    ViewZoom z;
    const ViewRect view{0, 0, 400, 300};
    z.Pan(4000, 3000, view, 50, 50);  // whole image: panning has no effect
    EXPECT_EQ(z.pan[0], 0);
    for (int i = 0; i < 30; ++i) z.ZoomCentre(4000, 3000, view, 1);
    const float px = z.pan[0];
    z.Pan(4000, 3000, view, -40, 0);  // dragging left shows more of the right
    EXPECT_GT(z.pan[0], px);
    z.Pan(4000, 3000, view, -100000, -100000);
    float probe[2] = {z.pan[0], z.pan[1]};
    float zz = z.zoom;
    const VisibleRegion r = ComputeVisibleRegion(4000, 3000, probe, zz, view);
    EXPECT_LE(z.pan[0], 1 - r.fw + 1e-5f);
    EXPECT_LE(z.pan[1], 1 - r.fh + 1e-5f);
    z.Pan(4000, 3000, view, 100000, 100000);
    EXPECT_EQ(z.pan[0], 0);
    EXPECT_EQ(z.pan[1], 0);
}

// --- Clip box -------------------------------------------------------------------------------

namespace {
// A 1000 x 500 photo in a 1000 x 500 view: one pixel is 1/1000 of the width and 1/500 of the
// height, so the expected fractions are easy to read.
ViewMapping Mapping() { return ViewMapping(1000, 500, ViewRect{0, 0, 1000, 500}, 0, 0, 1); }
}  // namespace

TEST(ClipBox, GrabZones)
{
    const float crop[4] = {0.2f, 0.2f, 0.4f, 0.4f};  // view 200..600 x 100..300
    const ViewMapping m = Mapping();
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 400, 200), ClipMove);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 201, 200), ClipLeft);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 598, 200), ClipRight);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 400, 103), ClipTop);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 400, 300), ClipBottom);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 200, 100), ClipLeft | ClipTop);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 600, 300), ClipRight | ClipBottom);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 100, 200), ClipNone);
    EXPECT_EQ(ClipBoxEditor::HandleAt(crop, m, 400, 320), ClipNone);
}

TEST(ClipBox, MovingKeepsTheBoxWholeInsideThePhoto)
{
    float crop[4] = {0.2f, 0.2f, 0.4f, 0.4f};
    const ViewMapping m = Mapping();
    ClipBoxEditor e;
    ASSERT_TRUE(e.Begin(crop, m, 400, 200));
    e.Drag(crop, m, 500, 250);  // +0.1, +0.1
    EXPECT_NEAR(crop[0], 0.3f, 1e-5);
    EXPECT_NEAR(crop[1], 0.3f, 1e-5);
    EXPECT_NEAR(crop[2], 0.4f, 1e-5);
    e.Drag(crop, m, 2000, 2000);
    EXPECT_NEAR(crop[0], 0.6f, 1e-5);
    EXPECT_NEAR(crop[1], 0.6f, 1e-5);
    EXPECT_NEAR(crop[0] + crop[2], 1.0f, 1e-5);
    EXPECT_NEAR(crop[1] + crop[3], 1.0f, 1e-5);
    e.Drag(crop, m, -2000, -2000);
    EXPECT_NEAR(crop[0], 0.0f, 1e-5);
    EXPECT_NEAR(crop[1], 0.0f, 1e-5);
    EXPECT_NEAR(crop[2], 0.4f, 1e-5);
}

TEST(ClipBox, EdgesStopAtTheOtherSideAndAtThePhoto)
{
    float crop[4] = {0.2f, 0.2f, 0.4f, 0.4f};
    const ViewMapping m = Mapping();
    ClipBoxEditor e;
    ASSERT_TRUE(e.Begin(crop, m, 600, 200));  // right edge
    e.Drag(crop, m, 0, 200);
    EXPECT_NEAR(crop[0], 0.2f, 1e-5);
    EXPECT_NEAR(crop[2], ClipBoxEditor::kMinSide / 1000.0f, 1e-5);
    e.Drag(crop, m, 5000, 200);
    EXPECT_NEAR(crop[0] + crop[2], 1.0f, 1e-5);
    e.End();
    ASSERT_TRUE(e.Begin(crop, m, 200, 100));  // top-left corner
    e.Drag(crop, m, -50, -50);
    EXPECT_NEAR(crop[0], 0.0f, 1e-5);
    EXPECT_NEAR(crop[1], 0.0f, 1e-5);
    EXPECT_NEAR(crop[0] + crop[2], 1.0f, 1e-5);  // the right side stays
    EXPECT_NEAR(crop[1] + crop[3], 0.6f, 1e-5);  // so does the bottom
}
