// SPDX-License-Identifier: MIT
// Which files a template definition may name: its own folder's, or for shipped templates the
// media folder's, never a file reached by "..", an absolute path or a symbolic link out.
#include "engine/SimpleFilter.h"
#include "engine/TemplateFile.h"
#include "engine/TemplatePaths.h"
#include "engine/tests/EngineTestUtil.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <fstream>

using namespace engine;

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

void Touch(const std::string& path)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << "x";
}

/** A template folder T inside dir, with a file in it, a sibling folder and a file beside both. */
class TemplatePaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::canonical(dir_.path()).string();
        folder_ = root_ + "/lib/T";
        Touch(folder_ + "/own.png");
        Touch(folder_ + "/sub/deep.png");
        Touch(root_ + "/lib/Other/other.png");
        Touch(root_ + "/outside.png");
    }
    std::string Resolve(const std::string& name, std::string* why = nullptr)
    {
        return ResolveTemplateFile(folder_, name, why);
    }

    testenv::TempDir dir_;
    std::string root_, folder_;
};

}  // namespace

TEST_F(TemplatePaths, NamesInsideTheFolderResolveWhicheverWayTheyAreWritten)
{
    EXPECT_EQ(Resolve(".\\own.png"), folder_ + "/own.png");
    EXPECT_EQ(Resolve("./own.png"), folder_ + "/own.png");
    EXPECT_EQ(Resolve("own.png"), folder_ + "/own.png");  // plain names too, not the working folder's
    EXPECT_EQ(Resolve(".\\sub\\..\\sub\\deep.png"), folder_ + "/sub/deep.png");
    EXPECT_EQ(Resolve(folder_ + "/own.png"), folder_ + "/own.png");  // absolute, but inside
    EXPECT_EQ(Resolve(".\\missing.png"), folder_ + "/missing.png");  // missing is the loader's business
    EXPECT_EQ(Resolve(""), "");
}

TEST_F(TemplatePaths, NamesLeadingOutOfTheFolderAreRefusedWithAReason)
{
    const std::string escapes[] = {
        "..\\outside.png",  ".\\..\\..\\outside.png", "..\\Other\\other.png", "sub\\..\\..\\Other\\other.png",
        root_ + "/outside.png", "/etc/hostname", "..\\T",  // the folder's own name from outside is no file in it
        ".",
    };
    for (const std::string& name : escapes) {
        std::string why;
        EXPECT_EQ(Resolve(name, &why), "") << name;
        EXPECT_NE(why.find("outside the template's folder"), std::string::npos) << name << ": " << why;
        EXPECT_NE(why.find(name), std::string::npos) << why;
    }
}

TEST_F(TemplatePaths, SymbolicLinksAreFollowedBeforeTheCheck)
{
    fs::create_symlink(root_ + "/outside.png", folder_ + "/link.png");
    fs::create_directory_symlink(root_ + "/lib/Other", folder_ + "/linkdir");
    fs::create_symlink(folder_ + "/own.png", folder_ + "/inner.png");
    EXPECT_EQ(Resolve("link.png"), "");
    EXPECT_EQ(Resolve(".\\linkdir\\other.png"), "");
    EXPECT_EQ(Resolve("inner.png"), folder_ + "/own.png");

    // A template folder reached through a link keeps its own files.
    fs::create_directory_symlink(folder_, root_ + "/alias");
    EXPECT_EQ(ResolveTemplateFile(root_ + "/alias", "own.png"), folder_ + "/own.png");
    EXPECT_EQ(ResolveTemplateFile(root_ + "/alias", "..\\outside.png"), "");
}

TEST_F(TemplatePaths, ShippedTemplatesShareTheMediaFolder)
{
    // Here lib/ plays the program's media folder: templates in it may reach one another's files.
    SetSharedTemplateFolder(root_ + "/lib");
    EXPECT_EQ(TemplateFileRoot(folder_), root_ + "/lib");
    EXPECT_EQ(Resolve("..\\Other\\other.png"), root_ + "/lib/Other/other.png");
    EXPECT_EQ(Resolve("..\\..\\outside.png"), "");
    // A template elsewhere may not reach into the media folder.
    Touch(root_ + "/user/U/u.png");
    EXPECT_EQ(ResolveTemplateFile(root_ + "/user/U", "..\\..\\lib\\Other\\other.png"), "");
    EXPECT_EQ(TemplateFileRoot(root_ + "/user/U"), root_ + "/user/U");
    SetSharedTemplateFolder("");

    // By default the media folder is the program folder's; without a template folder names
    // are the program folder's, and only its media folder may be read.
    platform::SetProgramFolder(root_);
    Touch(root_ + "/media/Templates/W/w.jpg");
    EXPECT_EQ(SharedTemplateFolder(), root_ + "/media");
    EXPECT_EQ(ResolveTemplateFile("", ".\\media\\Templates\\W\\w.jpg"), root_ + "/media/Templates/W/w.jpg");
    EXPECT_EQ(ResolveTemplateFile("", ".\\outside.png"), "");
    EXPECT_EQ(ResolveTemplateFile(root_ + "/media/Templates/W", "..\\..\\..\\outside.png"), "");
    platform::SetProgramFolder("");
}

TEST_F(TemplatePaths, FilterSettingsNamingFilesOutsideRefuseTheTemplateBeforeItLoads)
{
    // The frame filter's pictures are its file settings; the engine's own filters have none,
    // so a test filter stands in for them.
    class CF_Pictures : public CF_SimpleFilter {
    public:
        std::vector<const char*> FileSettings() const override { return {"picture", "second"}; }
        void Init() override { ++inits; }
        int inits = 0;
    };
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.Parse("<filter><param picture=\".\\own.png\" second=\"..\\..\\outside.png\"/></filter>"),
              tinyxml2::XML_SUCCESS);
    CF_Pictures f;
    f.SetDefinition(doc.RootElement());
    f.SetTemplateFolder(folder_);
    std::string why;
    EXPECT_FALSE(f.CheckFileSettings(&why));
    EXPECT_NE(why.find("second"), std::string::npos) << why;
    EXPECT_NE(why.find("..\\..\\outside.png"), std::string::npos) << why;
    EXPECT_EQ(f.ResolveFileName("..\\..\\outside.png"), "");
    doc.RootElement()->FirstChildElement("param")->DeleteAttribute("second");
    EXPECT_TRUE(f.CheckFileSettings(&why)) << why;
}
