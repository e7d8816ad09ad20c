#include "engine/EffectTemplate.h"
#include "engine/Registry.h"
#include "engine/SimpleFilter.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "engine/tests/EngineTestUtil.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

using namespace engine;

using namespace enginetest;

namespace {
int g_created = 0;
CImageDataObject* MakeFirst() { ++g_created; return new CF_SimpleFilter; }
CImageDataObject* MakeSecond() { g_created += 10; return new CF_SimpleFilter; }
}  // namespace

TEST(Registry, NamesAreCaseSensitiveAndLaterRegistrationsWin)
{
    RegisterOnce();
    EXPECT_NE(CreateByName("SimpleFilter"), nullptr);
    EXPECT_EQ(CreateByName("simplefilter"), nullptr);
    EXPECT_EQ(CreateByName(""), nullptr);
    EXPECT_EQ(CreateByName("NoSuchFilter"), nullptr);

    RegisterCreator("TwiceFilter", MakeFirst);
    RegisterCreator("TwiceFilter", MakeSecond);
    g_created = 0;
    auto a = CreateByName("TwiceFilter");
    auto b = CreateByName("TwiceFilter");
    EXPECT_EQ(g_created, 20);
    EXPECT_NE(a.get(), b.get());
}

TEST(Registry, ObjectsCarryKindAndClassName)
{
    RegisterOnce();
    auto f = CreateByName("SimpleFilter");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, KindFilter);
    EXPECT_STREQ(f->className, "SimpleFilter");
    auto t = CreateByName("SimpleTemplate");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->kind, KindTemplate);
    EXPECT_STREQ(t->className, "SimpleTemplate");
    const auto names = RegisteredNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    // Panes live in the desktop program: here the pane name is unknown and CreatePane yields null.
    EXPECT_EQ(CreateByName("OptionPane_2D"), nullptr);
}

TEST(CreateTemplate, RefusesBrokenDefinitionsWithAReason)
{
    RegisterOnce();
    testenv::TempDir dir;
    struct Case {
        const char* xml;
        const char* reason;
    } cases[] = {
        {"<effect><template name=\"x\"/><filter name=\"SimpleTemplate\"/></effect>", "names no filter"},
        {"<effect><template name=\"x\"/><filter name=\"SimpleTemplate\"><filter name=\"Nope\"/></filter></effect>",
         "unknown filter \"Nope\""},
        {"<effect><template name=\"x\"/><filter name=\"SimpleTemplate\"><filter name=\"SimpleTemplate\"/></filter></effect>",
         "unknown filter"},  // a template is not a filter
        {"<effect><template name=\"x\"/><filter name=\"Bogus\"><filter name=\"SimpleFilter\"/></filter></effect>",
         "unknown template class"},
        {"<effect><template name=\"x\"/></effect>", "no \"template\" and \"filter\""},
        {"<effect><template name=\"x\"/><filter", "not a valid template definition"},
        {"", "not a valid template definition"},
    };
    int i = 0;
    for (const Case& c : cases) {
        const std::string folder = WriteTemplate(dir, "t" + std::to_string(i++), c.xml);
        std::string error;
        EXPECT_FALSE(OpenTemplate(folder, nullptr, &error)) << c.xml;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(OpenTemplate(dir / "nowhere", nullptr, &error));
    EXPECT_NE(error.find("no template definition"), std::string::npos);
}

TEST(CreateTemplate, LoadsAndOwnsItsFilter)
{
    RegisterOnce();
    testenv::TempDir dir;
    const std::string folder = WriteTemplate(dir, "Plain", SimpleDefinition("SimpleFilter"));
    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(folder, nullptr, &error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->displayName, "Test");
    EXPECT_EQ(t->RefCount(), 1);
    ASSERT_NE(t->Filter(), nullptr);
    EXPECT_STREQ(t->Filter()->className, "SimpleFilter");
    EXPECT_EQ(t->folder, folder);
}

TEST(ImageFilter, ResolvesFileNamesAgainstTheTemplateFolder)
{
    CF_SimpleFilter f;
    f.SetTemplateFolder("/data/templates/Frame/");
    EXPECT_EQ(f.ResolveFileName(".\\back.png"), "/data/templates/Frame/back.png");
    EXPECT_EQ(f.ResolveFileName("./sub/back.png"), "/data/templates/Frame/sub/back.png");
    EXPECT_EQ(f.ResolveFileName("plain.png"), "/data/templates/Frame/plain.png");
    EXPECT_EQ(f.ResolveFileName("/abs/x.png"), "");  // outside the folder (TemplatePathsTest)
    f.SetTemplateFolder("");
    platform::SetProgramFolder("/opt/grimaze");
    EXPECT_EQ(f.ResolveFileName(".\\media\\x.png"), "/opt/grimaze/media/x.png");
    platform::SetProgramFolder("");
}

TEST(ImageFilter, SettingsKeepTheirDefaultsWhenMissingOrMalformed)
{
    tinyxml2::XMLDocument doc;
    doc.Parse("<filter name=\"X\"><param a=\"7\" b=\"oops\" c=\"2.5\" t=\"tex.png\"/></filter>");
    CF_SimpleFilter f;
    EXPECT_EQ(f.ParamInt("a", 1), 1);  // no definition yet
    f.SetDefinition(doc.RootElement());
    EXPECT_EQ(f.ParamInt("a", 1), 7);
    EXPECT_EQ(f.ParamInt("b", 3), 3);
    EXPECT_EQ(f.ParamInt("missing", 4), 4);
    EXPECT_DOUBLE_EQ(f.ParamDouble("c", 0), 2.5);
    EXPECT_EQ(f.ParamText("t"), "tex.png");
    tinyxml2::XMLDocument bare;
    bare.Parse("<filter name=\"X\"/>");
    f.SetDefinition(bare.RootElement());
    EXPECT_EQ(f.ParamInt("a", 9), 9);
}
