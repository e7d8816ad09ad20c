// SPDX-License-Identifier: MIT
// The editing loop's rules without a window: undo grouping, recent photos, zoom levels.
#include "shell/logic/EditHistory.h"
#include "shell/logic/RecentFiles.h"
#include "shell/logic/ViewZoom.h"

#include <gtest/gtest.h>

using namespace engine;
using namespace shell;

TEST(EditHistory, ADragIsOneStepHoweverManyValuesItPasses)
{
    EditHistory h;
    h.Reset("a");
    EXPECT_FALSE(h.CanUndo());
    h.BeginGesture();
    for (const char* v : {"b", "c", "d"}) h.Changed(v);  // the slider moving under the pointer
    EXPECT_FALSE(h.CanUndo()) << "nothing is a step before the button is released";
    h.EndGesture("d");
    h.Changed("e");  // a key: a step of its own
    h.Changed("e");  // no change: no step
    EXPECT_EQ(h.Steps(), 3u);
    EXPECT_EQ(h.Undo(), "d");
    EXPECT_EQ(h.Undo(), "a");
    EXPECT_FALSE(h.CanUndo());
    EXPECT_EQ(h.Redo(), "d");
    EXPECT_TRUE(h.CanRedo());
}

TEST(EditHistory, ANewEditDropsWhatWasUndoneAndAClickWithoutChangeIsNoStep)
{
    EditHistory h;
    h.Reset("a");
    h.Changed("b");
    h.Changed("c");
    h.Undo();
    h.Changed("x");
    EXPECT_FALSE(h.CanRedo());
    EXPECT_EQ(h.Undo(), "b");
    h.BeginGesture();
    h.EndGesture("b");  // pressed and released without moving anything
    EXPECT_TRUE(h.CanRedo());
    // What a rendering finds joins the current step.
    h.Settle("b+face");
    EXPECT_EQ(h.Current(), "b+face");
    EXPECT_EQ(h.Undo(), "a");
    h.Reset("z");
    EXPECT_FALSE(h.CanUndo());
    EXPECT_FALSE(h.CanRedo());
}

TEST(RecentFiles, NewestFirstEachOnceAtMostTen)
{
    RecentFiles r;
    for (int i = 0; i < 12; ++i) r.Add("/p/" + std::to_string(i) + ".jpg");
    ASSERT_EQ(r.Items().size(), RecentFiles::kMax);
    EXPECT_EQ(r.Items().front(), "/p/11.jpg");
    EXPECT_EQ(r.Items().back(), "/p/2.jpg");
    r.Add("/p/5.jpg");
    EXPECT_EQ(r.Items().front(), "/p/5.jpg");
    EXPECT_EQ(r.Items().size(), RecentFiles::kMax);
    r.Remove("/p/5.jpg");
    EXPECT_EQ(r.Items().front(), "/p/11.jpg");
    r.Set({"/a", "", "/a", "/b"});
    EXPECT_EQ(r.Items(), (std::vector<std::string>{"/a", "/b"}));
}

TEST(ViewZoom, ButtonsStepThroughTheFixedLevelsBetweenFitAndEightHundred)
{
    // A 12 MP photo fitted at 25 %: in goes 50, 75, 100, ... 800 and stops; out comes back to fit.
    double p = 25.4;
    std::vector<double> in;
    for (int i = 0; i < 9; ++i) in.push_back(p = ViewZoom::NextLevel(p, 25.4, 1));
    EXPECT_EQ(in, (std::vector<double>{50, 75, 100, 150, 200, 300, 400, 800, 800}));
    EXPECT_EQ(ViewZoom::NextLevel(800, 25.4, -1), 400);
    EXPECT_EQ(ViewZoom::NextLevel(50, 25.4, -1), 25.4) << "below the lowest level above fit is fit";
    EXPECT_EQ(ViewZoom::NextLevel(137, 25.4, 1), 150) << "from a wheel zoom, the next level";
    EXPECT_EQ(ViewZoom::NextLevel(137, 25.4, -1), 100);
    // A small photo that fits at 180 %: only 200 and above remain.
    EXPECT_EQ(ViewZoom::NextLevel(180, 180, 1), 200);
    EXPECT_EQ(ViewZoom::NextLevel(200, 180, -1), 180);

    EXPECT_FLOAT_EQ(ViewZoom::ZoomForPercent(100, 25), 0.25f);
    EXPECT_FLOAT_EQ(ViewZoom::ZoomForPercent(20, 25), 1.0f) << "never smaller than fit";
    EXPECT_FLOAT_EQ(ViewZoom::ZoomForPercent(800, 4), ViewZoom::kMinZoom);
}

TEST(ViewZoom, AZoomedViewRendersLargerUpToFullSizeAndAMemoryBound)
{
    // A 4000 x 3000 photo rendered 800 x 600 for an 800 x 600 view.
    const cv::Size fitted(800, 600);
    const ViewRect view{0, 0, 800, 600};
    const double plenty = 1e9;
    EXPECT_FALSE(SharpRenderFor(fitted, view, 1, 4000, plenty).needed) << "fit: the render for the view";
    EXPECT_FALSE(SharpRenderFor(fitted, view, 0.97f, 4000, plenty).needed) << "a few percent of blur";
    const SharpRender twice = SharpRenderFor(fitted, view, 0.5f, 4000, plenty);
    EXPECT_TRUE(twice.needed && !twice.fullSize);
    EXPECT_EQ(twice.box, cv::Size(1600, 1200));
    // 100 % and beyond: full size, as an export renders.
    EXPECT_TRUE(SharpRenderFor(fitted, view, 0.2f, 4000, plenty).fullSize);
    EXPECT_TRUE(SharpRenderFor(fitted, view, 0.025f, 4000, plenty).fullSize);
    EXPECT_TRUE(SharpRenderFor(fitted, view, 0.2f * 1.01f, 4000, plenty).fullSize) << "100 % give or take a rounding";
    // A photo no larger than the view has nothing finer to show.
    EXPECT_FALSE(SharpRenderFor(fitted, view, 0.1f, 800, plenty).needed);
    // The memory bound: at most a million pixels, about 1.44 times the fitted render.
    const SharpRender bounded = SharpRenderFor(fitted, view, 0.1f, 4000, 1e6);
    EXPECT_TRUE(bounded.needed && !bounded.fullSize);
    EXPECT_LE(double(bounded.box.width) * bounded.box.height, 1e6 + 2000);
    EXPECT_GT(bounded.box.width, 1100);

    // What a render covers: full size covers all; a larger box a smaller one; not the reverse.
    EXPECT_TRUE(SharpRenderFor(fitted, view, 0.2f, 4000, plenty).Covers(twice));
    EXPECT_TRUE(twice.Covers(SharpRenderFor(fitted, view, 0.7f, 4000, plenty)));
    EXPECT_FALSE(twice.Covers(SharpRenderFor(fitted, view, 0.3f, 4000, plenty)));
    EXPECT_FALSE(twice.Covers(SharpRenderFor(fitted, view, 0.2f, 4000, plenty)));
    EXPECT_TRUE(twice.Covers(SharpRender{}));
}
