#include "library/GalleryModel.h"
#include "library/tests/LibraryTestUtil.h"

#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

using namespace library;
using namespace library::gallery;

namespace {

constexpr platform::WindowId kGallery = 11, kOwner = 22, kMain = 33;

/** A library with: "2D/Painting" (3), "2D/Tiles" (1), "Frames" (5), "Web" (online entries). */
class GalleryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallSink(&sink_);
        const std::string lib = dir_.path() + "/";
        std::string columns;
        auto local = [&](const std::string& name) {
            libtest::WriteText(lib + name + "/" + name + ".tmpl", libtest::DefinitionXml(name));
            return "<template name=\"" + name + "\" filepath=\".\\" + name + "\\" + name + ".tmpl\"/>";
        };
        columns += "<column name=\"Painting\" path=\"2D/Painting\">" + local("P0") + local("P1") + local("P2") + "</column>";
        columns += "<column name=\"Tiles\" path=\"2D/Tiles\">" + local("T0") + "</column>";
        columns += "<column name=\"Frames\">";
        for (int i = 0; i < 5; ++i) columns += local("F" + std::to_string(i));
        columns += "</column>";
        columns += "<column name=\"Web\">"
                   "<template name=\"W0\" online=\"1\" url=\"http://127.0.0.1:9/w0.zip\"/>"
                   "<template name=\"W1\" online=\"1\" url=\"http://127.0.0.1:9/w1.zip\" downloaded=\"1\""
                   " filepath=\".\\P0\\P0.tmpl\"/>"
                   "</column>";
        libtest::WriteText(lib + "template.cfg", "<l><columns>" + columns + "</columns></l>");
        ASSERT_TRUE(library_.ReadLibraryConfig(lib));
        model_.SetWindows(kGallery, kOwner, kMain);
        model_.SetTranslator([](const std::string& s) { return s == "Frames" ? "Rahmen" : s; });
        model_.SetShowHiddenSwitch(&showHidden_);
        model_.SetClientSize(300, 250);
        model_.Fill();
    }
    void TearDown() override { platform::InstallSink(nullptr); }

    int Category(const std::string& name)
    {
        for (int i = 0; i < model_.CategoryCount(); ++i)
            if (model_.GetCategoryName(i) == name) return i;
        return -1;
    }
    /** Centre of visible position pos of group g. */
    std::pair<int, int> Centre(const GalleryGroup& g, int pos)
    {
        const GalleryRect r = model_.CellRect(g, pos);
        return {r.x + r.width / 2, r.y + r.height / 2};
    }

    testenv::TempDir dir_;
    testenv::RecordingSink sink_;
    CTemplateLibrary library_;
    CGalleryModel model_{library_};
    bool showHidden_ = false;
};

}  // namespace

TEST_F(GalleryTest, TreeFromColumnPaths)
{
    ASSERT_EQ(model_.CategoryCount(), 3);
    EXPECT_EQ(model_.GetCategoryName(0), "2D");
    EXPECT_EQ(model_.GetCategoryName(1), "Frames");
    EXPECT_EQ(model_.GetCategoryLabel(1), "Rahmen");
    EXPECT_EQ(model_.GetCategoryName(2), "Web");
    EXPECT_EQ(model_.GetCategoryName(3), "");
    const GalleryGroup& twoD = *model_.Root().children[0];
    ASSERT_EQ(twoD.children.size(), 2u);
    EXPECT_EQ(twoD.children[0]->name, "Painting");
    EXPECT_EQ(twoD.children[1]->name, "Tiles");
    EXPECT_TRUE(twoD.entries.empty());
    EXPECT_EQ(twoD.children[0]->entries.size(), 3u);
    EXPECT_EQ(model_.FindGroup("2D/Tiles"), twoD.children[1].get());
    EXPECT_EQ(model_.FindGroup("2D/Nope"), nullptr);
    // A language change translates again and keeps everything else.
    model_.SetCurrentCategory(1);
    model_.HitTest(20, 20, true);
    model_.SetTranslator([](const std::string& s) { return "[" + s + "]"; });
    model_.Retranslate();
    EXPECT_EQ(model_.GetCategoryLabel(1), "[Frames]");
    EXPECT_EQ(model_.FindGroup("Frames")->entries[0].label, "[F0]");
    EXPECT_EQ(model_.CurrentSelection(), 0);
    // Rebuilding creates nothing twice.
    model_.Fill();
    EXPECT_EQ(model_.CategoryCount(), 3);
    EXPECT_EQ(model_.Root().children[0]->children.size(), 2u);
}

TEST_F(GalleryTest, EntryStatesAndPlaceholders)
{
    const GalleryGroup* web = model_.FindGroup("Web");
    ASSERT_EQ(web->entries.size(), 2u);
    EXPECT_EQ(web->entries[0].state, kEntryOnline);
    EXPECT_EQ(web->entries[1].state, kEntryDownloaded);
    EXPECT_EQ(model_.FindGroup("Frames")->entries[0].state, kEntryLocal);
    for (const cv::Mat& t : web->thumbnails) {
        EXPECT_EQ(t.size(), cv::Size(kThumbWidth, kThumbHeight));
        EXPECT_EQ(cv::countNonZero(t.reshape(1) != 255), 0);
    }
}

TEST_F(GalleryTest, CategoryOfOnlySubGroupsStartsOnItsFirstSubGroup)
{
    model_.SetCurrentCategory(Category("2D"));
    EXPECT_EQ(model_.CurrentGroup(), model_.FindGroup("2D/Painting"));
    EXPECT_EQ(model_.Root().children[0]->selectedChild, 0);
    model_.SetCurrentCategory(Category("Frames"));
    EXPECT_EQ(model_.CurrentGroup(), model_.FindGroup("Frames"));
}

TEST_F(GalleryTest, LayoutOfSubGroups)
{
    const GalleryGroup& twoD = *model_.Root().children[0];
    const GalleryGroup& painting = *twoD.children[0];
    const GalleryGroup& tiles = *twoD.children[1];
    // Painting: 3 entries -> 2 rows: 2 * 118 + 10 = 246. Tiles: 1 row: 128.
    EXPECT_EQ(painting.top, 0);
    EXPECT_EQ(painting.totalHeight, 246);
    EXPECT_EQ(tiles.top, 246 + 35);
    EXPECT_EQ(tiles.totalHeight, 128);
    EXPECT_EQ(twoD.totalHeight, 246 + 35 + 128 + 35);
    // Sub-group cells start 35 below the group's top; the header sits 10..35 below it.
    model_.SetCurrentCategory(0);
    EXPECT_EQ(model_.CellRect(painting, 0), (GalleryRect{8, 35 + 10, 135, 108}));
    EXPECT_EQ(model_.CellRect(painting, 3), (GalleryRect{151, 35 + 128, 135, 108}));
    EXPECT_EQ(model_.HeaderRect(tiles), (GalleryRect{8, 281 + 10, 266, 25}));
}

TEST_F(GalleryTest, HitTestSelectsAndRecordsPath)
{
    model_.SetCurrentCategory(Category("2D"));
    const GalleryGroup& twoD = *model_.Root().children[0];
    const GalleryGroup& tiles = *twoD.children[1];
    const auto [x, y] = Centre(tiles, 0);
    const CGalleryModel::Hit hit = model_.HitTest(x, y, true);
    EXPECT_EQ(hit.group, &tiles);
    EXPECT_EQ(hit.entry, 0);
    EXPECT_EQ(tiles.selected, 0);
    EXPECT_EQ(twoD.selectedChild, 1);
    EXPECT_EQ(twoD.selected, -1);
    // The gap between the two columns and the header hit nothing.
    EXPECT_EQ(model_.HitTest(8 + 135 + 3, y, false).group, nullptr);
    EXPECT_EQ(model_.HitTest(20, 281 + 20, false).group, nullptr);
}

TEST_F(GalleryTest, ClickNotifiesMainWindowAndOwner)
{
    model_.SetCurrentCategory(Category("Frames"));
    const auto [x, y] = Centre(*model_.FindGroup("Frames"), 3);
    sink_.Clear();
    model_.LeftButtonDown(x, y);
    const auto posted = sink_.Posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].window, kMain);
    EXPECT_EQ(posted[0].code, platform::msg::HideWizard);
    EXPECT_EQ(posted[1].window, kOwner);
    EXPECT_EQ(posted[1].code, platform::msg::GalleryEntrySelected);
    EXPECT_EQ(posted[1].a, 3);
    EXPECT_EQ(model_.CurrentSelection(), 3);

    sink_.Clear();
    model_.DoubleClick(x, y);
    ASSERT_EQ(sink_.CountPosted(platform::msg::GalleryEntryActivated), 1);
    EXPECT_EQ(sink_.Posted().back().a, 3);
    // A click on empty space says nothing.
    sink_.Clear();
    model_.LeftButtonDown(290, 240);
    EXPECT_EQ(sink_.Posted().size(), 0u);
}

TEST_F(GalleryTest, HidingRemovesFromVisibleListAndShowAllBringsItBack)
{
    model_.SetCurrentCategory(Category("Frames"));
    const GalleryGroup& frames = *model_.FindGroup("Frames");
    auto [x, y] = Centre(frames, 1);
    model_.LeftButtonDown(x, y);
    const auto menu = model_.ContextMenuAt(x, y);
    ASSERT_TRUE(menu);
    EXPECT_FALSE(menu->hideChecked);
    EXPECT_FALSE(menu->showAllChecked);
    model_.ContextHide();
    EXPECT_EQ(frames.visible, (std::vector<int>{0, 2, 3, 4}));
    EXPECT_TRUE(frames.entries[1].item->hide);
    EXPECT_STREQ(frames.entries[1].item->element->Attribute("hide"), "1");
    // Position 1 now shows entry 2.
    EXPECT_EQ(model_.HitTest(x, y, false).entry, 2);

    model_.ContextShowAll();
    EXPECT_TRUE(showHidden_);
    EXPECT_EQ(frames.visible, (std::vector<int>{0, 1, 2, 3, 4}));
    const auto again = model_.ContextMenuAt(x, y);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->hideChecked);
    EXPECT_TRUE(again->showAllChecked);
    EXPECT_FALSE(model_.ContextMenuAt(290, 240));
}

TEST_F(GalleryTest, ScrollArithmetic)
{
    model_.SetCurrentCategory(Category("Frames"));
    // 5 entries: 3 rows: 364 pixels of content in a 250 pixel client area.
    EXPECT_EQ(model_.MaxScroll(), 364 - 250);
    model_.Wheel(-1);  // backward turn: down the list
    EXPECT_EQ(model_.ScrollOffset(), 40);
    model_.Wheel(-10);
    EXPECT_EQ(model_.ScrollOffset(), 114);
    model_.Wheel(1);
    EXPECT_EQ(model_.ScrollOffset(), 74);
    model_.Wheel(5);
    EXPECT_EQ(model_.ScrollOffset(), 0);

    model_.ScrollTo(100);
    auto thumb = model_.ScrollThumbRect();
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->x, 300 - 12);
    EXPECT_EQ(thumb->width, 7);
    EXPECT_EQ(thumb->height, 250 * 250 / 364);
    EXPECT_EQ(thumb->y, 250 * 100 / 364);
    // Cells move up by the offset, and the hit test follows.
    const GalleryGroup& frames = *model_.FindGroup("Frames");
    EXPECT_EQ(model_.CellRect(frames, 2).y, 128 - 100);
    EXPECT_EQ(model_.HitTest(20, 128 - 100 + 5, false).entry, 2);

    // Dragging the thumb by 10 pixels scrolls by 10 * total / client.
    model_.ScrollTo(0);
    thumb = model_.ScrollThumbRect();
    model_.LeftButtonDown(thumb->x + 2, thumb->y + 2);
    model_.PointerMove(thumb->x + 2, thumb->y + 12);
    EXPECT_EQ(model_.ScrollOffset(), 10 * 364 / 250);
    model_.PointerMove(thumb->x + 2, thumb->y + 500);
    EXPECT_EQ(model_.ScrollOffset(), 114);
    model_.LeftButtonUp();

    // Content that fits: no thumb, no scrolling.
    model_.SetCurrentCategory(Category("Web"));
    EXPECT_FALSE(model_.ScrollThumbRect());
    model_.Wheel(-3);
    EXPECT_EQ(model_.ScrollOffset(), 0);
}

TEST_F(GalleryTest, PaintPlanMarksSelectionAndHover)
{
    model_.SetCurrentCategory(Category("2D"));
    const GalleryGroup& painting = *model_.FindGroup("2D/Painting");
    auto [sx, sy] = Centre(painting, 1);
    model_.LeftButtonDown(sx, sy);
    auto [hx, hy] = Centre(painting, 2);
    model_.PointerMove(hx, hy);
    EXPECT_EQ(model_.HoveredEntry(), 2);
    const PaintPlan plan = model_.BuildPaintPlan();
    ASSERT_EQ(plan.headers.size(), 2u);
    EXPECT_EQ(plan.headers[0].label, "Painting");
    EXPECT_EQ(plan.headers[1].rect.y, 281 + 10);
    ASSERT_EQ(plan.cells.size(), 3u);  // Tiles lies below the client area
    EXPECT_EQ(plan.cells[0].look, PaintPlan::Look::Normal);
    EXPECT_EQ(plan.cells[1].look, PaintPlan::Look::Selected);
    EXPECT_EQ(plan.cells[2].look, PaintPlan::Look::Hovered);
    EXPECT_EQ(plan.cells[1].label, "P1");
    EXPECT_TRUE(plan.scrollThumb.has_value());  // 444 pixels in 250
}

TEST_F(GalleryTest, StartDownloadOnlyForOnlineOrFailedEntries)
{
    // No downloader: nothing can start, and nothing changes.
    model_.SetCurrentCategory(Category("Web"));
    EXPECT_FALSE(model_.StartDownload(0));
    EXPECT_EQ(model_.FindGroup("Web")->entries[0].state, kEntryOnline);
}

// Column paths thousands of segments deep (the review's files): the library loads, the
// template sits in a group whose path reads back as written, and the tree stays shallow
// enough to walk, lay out and paint. (How long it takes is bench_library's business.)
TEST(DeepColumnPath, LoadsWithTheTemplateInAShallowTree)
{
    testenv::TempDir dir;
    platform::SetProgramFolder(testenv::ProgramDir());
    for (const char* file : {"tc_deep4000", "tc_deeppath"}) {
        const std::string lib = dir / file + "/";
        const std::string text = libtest::ReadText(testenv::SourceDir() + "/library/tests/data/deep_column_path/" + file);
        libtest::WriteText(lib + "template.cfg", text);
        CTemplateLibrary library;
        ASSERT_TRUE(library.ReadLibraryConfig(lib)) << file;
        ASSERT_EQ(library.GetColumnCount(), 1) << file;
        const std::string path = library.GetColumnPath(0);
        EXPECT_GE(path.size(), 7999u) << file;  // 4,000 segments and more
        CGalleryModel model(library);
        model.SetTranslator([](const std::string& s) { return s; });
        model.SetClientSize(300, 250);
        model.Fill();
        const GalleryGroup* group = model.FindGroup(path);
        ASSERT_TRUE(group) << file;
        ASSERT_EQ(group->entries.size(), 1u) << file;
        EXPECT_EQ(group->entries[0].item->name, "Oil Paint");
        EXPECT_TRUE(group->entries[0].item->definition) << file;
        EXPECT_EQ(CGalleryModel::GroupPath(*group), path) << file;
        int depth = 0;
        for (const GalleryGroup* g = group; g->parent; g = g->parent) ++depth;
        EXPECT_LE(depth, kMaxGroupDepth) << file;
        EXPECT_EQ(model.CategoryCount(), 1);
        EXPECT_EQ(model.GetCategoryName(0), "p");
    }
    platform::SetProgramFolder("");
}
