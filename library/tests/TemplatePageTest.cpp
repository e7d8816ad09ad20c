// The template page: from a selected entry to the document's current template and the
// notifications the preview and the main window receive. Deferred templates render on the
// document's rendering thread, so this runs in the thread-test program.
#include "library/GalleryModel.h"
#include "library/TemplatePage.h"
#include "library/tests/LibraryTestUtil.h"

#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

using namespace engine;

using namespace library;

namespace {

constexpr platform::WindowId kGallery = 1, kPage = 2, kMain = 3, kPreview = 4;

class PageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::RegisterBuiltinClasses();
        platform::InstallSink(&sink_);
        const std::string lib = dir_.path() + "/";
        libtest::WriteText(lib + "A/A.tmpl", libtest::DefinitionXml("A"));
        libtest::WriteText(lib + "D/D.tmpl",
                           "<effect><template name=\"D\"/><filter name=\"SimpleTemplate\" delay=\"1\">"
                           "<filter name=\"SimpleFilter\"/></filter></effect>");
        libtest::WriteText(lib + "Bad/Bad.tmpl", "<effect><template name=\"Bad\"/><filter name=\"NoSuchTemplate\"/></effect>");
        libtest::WriteText(lib + "template.cfg",
                           "<l><columns><column name=\"Local\">"
                           "<template name=\"A\" filepath=\".\\A\\A.tmpl\"/>"
                           "<template name=\"D\" filepath=\".\\D\\D.tmpl\"/>"
                           "<template name=\"Bad\" filepath=\".\\Bad\\Bad.tmpl\"/>"
                           "<template name=\"Web\" online=\"1\" url=\"http://127.0.0.1:1/w.zip\" downloaded=\"1\"/>"
                           "</column><column name=\"Other\"><template name=\"A2\" filepath=\".\\A\\A.tmpl\"/></column>"
                           "</columns></l>");
        ASSERT_TRUE(library_.ReadLibraryConfig(lib));
        PhotoRecord photo;
        photo.path = testenv::SourceDir() + "/media/Images/default/Default2.jpg";
        document_.InsertPhoto(-1, photo);
        ASSERT_TRUE(document_.SelectPhoto(0));
        document_.SetView(ViewRect{0, 0, 320, 240}, kPreview);
        gallery_.SetWindows(kGallery, kPage, kMain);
        gallery_.Fill();
        gallery_.SetCurrentCategory(0);
        sink_.Clear();
    }
    void TearDown() override
    {
        document_.WaitForRendering();
        document_.SetCurrentTemplate(nullptr);
        platform::InstallSink(nullptr);
    }
    /** The codes sent to a window, in order. */
    std::vector<int> Codes(platform::WindowId w)
    {
        std::vector<int> codes;
        for (const auto& e : sink_.Posted())
            if (e.window == w) codes.push_back(e.code);
        return codes;
    }

    testenv::TempDir dir_;
    testenv::RecordingSink sink_;
    CTemplateLibrary library_;
    CGalleryModel gallery_{library_};
    CPhotoDocument document_;
    CTemplatePage page_{gallery_, document_, kPreview, kMain};
};

}  // namespace

TEST_F(PageTest, LocalTemplateBecomesCurrentAndIsShown)
{
    page_.SelectEntry(0);
    ASSERT_NE(page_.Template(), nullptr);
    EXPECT_EQ(page_.Template()->displayName, "A");
    EXPECT_EQ(document_.CurrentTemplate(), page_.Template());
    EXPECT_EQ(page_.Template()->RefCount(), 2);  // the page's and the document's
    EXPECT_FALSE(document_.ShownResult().empty());
    EXPECT_EQ(Codes(kPreview), std::vector<int>{platform::msg::ResultReady});
    EXPECT_EQ(Codes(kMain), (std::vector<int>{platform::msg::ModeRequest, platform::msg::TemplateChanged,
                                              platform::msg::ToolbarState}));
    EXPECT_EQ(sink_.Posted()[2].a, reinterpret_cast<std::intptr_t>(page_.Template()));
    // The template's files are found beside its definition.
    EXPECT_EQ(page_.Template()->folder, dir_.path() + "/A");
}

TEST_F(PageTest, DeferredTemplateShowsBusy)
{
    page_.SelectEntry(1);
    ASSERT_NE(page_.Template(), nullptr);
    document_.WaitForRendering();
    // Busy first, then the rendering thread's result, however fast it was.
    EXPECT_EQ(Codes(kPreview), (std::vector<int>{platform::msg::Busy, platform::msg::ResultReady}));
}

TEST_F(PageTest, BrokenDefinitionLeavesNoTemplateAndAnEmptyPreview)
{
    page_.SelectEntry(0);
    page_.SelectEntry(2);
    EXPECT_EQ(page_.Template(), nullptr);
    EXPECT_EQ(document_.CurrentTemplate(), nullptr);
    EXPECT_TRUE(document_.ShownResult().empty());
}

TEST_F(PageTest, OnlineEntryWithoutFilesIsOfferedForDownload)
{
    // "downloaded" without files was corrected when the library was read.
    TemplateItem* web = gallery_.CurrentGroup()->entries[3].item;
    EXPECT_EQ(gallery_.CurrentGroup()->entries[3].state, kEntryOnline);
    EXPECT_STREQ(web->element->Attribute("downloaded"), "0");
    page_.SelectEntry(0);
    sink_.Clear();
    web->SetDownloaded(true);  // as if its files went away while the program ran
    page_.SelectEntry(3);
    EXPECT_EQ(page_.Template(), nullptr);
    EXPECT_EQ(document_.CurrentTemplate(), nullptr);
    EXPECT_TRUE(document_.ShownResult().empty());
    EXPECT_EQ(page_.CurrentTemplateName(), "Web");
    EXPECT_FALSE(web->downloaded);
    EXPECT_STREQ(web->element->Attribute("downloaded"), "0");
    ASSERT_FALSE(sink_.Posted().empty());
    EXPECT_EQ(sink_.Posted()[0].window, kPreview);
    EXPECT_EQ(sink_.Posted()[0].code, platform::msg::OnlineTemplateMessage);
    EXPECT_EQ(sink_.Posted()[0].a, 1);
    // 1424 says "no template" so that the main window drops the panes.
    bool none = false;
    for (const auto& e : sink_.Posted()) none |= e.code == platform::msg::TemplateChanged && e.a == 0;
    EXPECT_TRUE(none);
}

TEST_F(PageTest, ReselectWithoutRecreateKeepsTheTemplateObject)
{
    page_.SelectEntry(0);
    CEffectTemplate* first = page_.Template();
    const CGalleryModel::Hit hit = gallery_.HitTest(20, 20, true);  // the first cell: entry 0
    ASSERT_EQ(hit.entry, 0);
    sink_.Clear();
    page_.ReselectCurrent(false, false, true);
    EXPECT_EQ(page_.Template(), first);
    EXPECT_EQ(Codes(kMain), (std::vector<int>{platform::msg::ModeRequest, platform::msg::ToolbarState}));
    EXPECT_TRUE(gallery_.CurrentGroup()->entries[0].thumbPending);
    page_.ReselectCurrent(true, true, false);
    EXPECT_NE(page_.Template(), nullptr);
    EXPECT_EQ(page_.Template()->displayName, "A");
}

TEST_F(PageTest, CategorySwitchSelectsThatCategorysEntry)
{
    gallery_.SetCurrentCategory(1);
    gallery_.HitTest(20, 20, true);
    gallery_.SetCurrentCategory(0);
    page_.SelectEntry(1);
    page_.SelectCategory(1);
    EXPECT_EQ(gallery_.CurrentCategory(), 1);
    ASSERT_NE(page_.Template(), nullptr);
    EXPECT_EQ(page_.Template()->displayName, "A");  // "A2" uses A's definition
    EXPECT_TRUE(page_.HandleNotification(platform::msg::GalleryEntrySelected, 0, 0));
    EXPECT_FALSE(page_.HandleNotification(platform::msg::ResultReady, 0, 0));
}
