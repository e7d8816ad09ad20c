// The library that ships: config.cfg, the initial template.cfg and the thumbnails, read from
// the build's program folder exactly as the program reads them.
#include "library/GalleryModel.h"
#include "library/LibraryPaths.h"
#include "library/TemplateLibrary.h"

#include "engine/TemplateFile.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "update/VendorSite.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <map>
#include <set>

using namespace engine;

using namespace library;

namespace {

class ShippedLibrary : public ::testing::Test {
protected:
    void SetUp() override { platform::SetProgramFolder(testenv::ProgramDir()); }
    void TearDown() override { platform::SetProgramFolder(""); }

    testenv::TemporaryHome home_;  // a first start: no library yet

    /** Every template element of the shipped initial file. */
    static std::vector<const tinyxml2::XMLElement*> Entries(const tinyxml2::XMLDocument& doc)
    {
        std::vector<const tinyxml2::XMLElement*> out;
        const auto* cols = doc.RootElement()->FirstChildElement("columns");
        for (const auto* c = cols->FirstChildElement("column"); c; c = c->NextSiblingElement("column"))
            for (const auto* t = c->FirstChildElement("template"); t; t = t->NextSiblingElement("template"))
                out.push_back(t);
        return out;
    }
};

}  // namespace

TEST_F(ShippedLibrary, LoadsIntoThePerUserFolderWithTheFiveCategories)
{
    CTemplateLibrary lib;
    ASSERT_TRUE(lib.LoadTemplateLibrary());
    ASSERT_EQ(lib.Folders().size(), 1u);
    EXPECT_EQ(lib.Folders()[0], platform::DataHome() + "/Kestrovo/Grimaze/Library/");
    CGalleryModel gallery(lib);
    gallery.Fill();
    std::vector<std::string> categories;
    for (int i = 0; i < gallery.CategoryCount(); ++i) categories.push_back(gallery.GetCategoryName(i));
    EXPECT_EQ(categories,
              (std::vector<std::string>{"2D Templates", "3D Templates", "Frames", "Face fun", "Other Effects"}));
    // "2D Templates" holds only sub-groups.
    EXPECT_TRUE(gallery.Root().children[0]->entries.empty());
    EXPECT_GE(gallery.Root().children[0]->children.size(), 3u);
    // The thumbnails of the online templates were copied into the library.
    int online = 0;
    for (int i = 0; i < lib.GetColumnCount(); ++i)
        for (const auto& item : lib.GetColumn(i)->items)
            if (item->online) {
                ++online;
                EXPECT_TRUE(platform::FileExists(item->thumb)) << item->name;
                EXPECT_EQ(item->url.rfind(update::SiteUrl(), 0), 0u) << item->url;
            }
    EXPECT_GE(online, 2);
}

TEST_F(ShippedLibrary, EveryShippedTemplateIsListedOnceUnderItsOwnName)
{
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile((testenv::ProgramDir() + "/media/Templates/template.cfg").c_str()), tinyxml2::XML_SUCCESS);
    std::map<std::string, int> listed;  // expanded definition file -> times listed
    std::set<std::string> names;
    for (const tinyxml2::XMLElement* t : Entries(doc)) {
        const char* name = t->Attribute("name");
        ASSERT_TRUE(name);
        // Names are what the upgrade matches the user's entries by: one template each.
        EXPECT_TRUE(names.insert(name).second) << name;
        if (const char* file = t->Attribute("filepath")) {
            const std::string path = ExpandItemPath(file, "/unused/");
            ++listed[path];
            if (platform::FileExists(path)) {
                const auto def = LoadDefinitionFile(path);
                ASSERT_TRUE(def) << path;
                EXPECT_STREQ(def->RootElement()->FirstChildElement("template")->Attribute("name"), name) << path;
            }
        } else {
            EXPECT_EQ(t->IntAttribute("online"), 1) << name;
        }
    }
    // A template that ships but is missing from the library would never reach the gallery.
    std::error_code ec;
    const std::string root = testenv::ProgramDir() + "/media/Templates";
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec); !ec && it != decltype(it)(); it.increment(ec))
        if (it->path().extension() == ".tmpl") {
            EXPECT_EQ(listed[it->path().string()], 1) << it->path() << " is not listed in media/Templates/template.cfg";
        }
}

TEST_F(ShippedLibrary, OnlineTemplatesHaveTheirSourcesAndPictures)
{
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile((testenv::ProgramDir() + "/media/Templates/template.cfg").c_str()), tinyxml2::XML_SUCCESS);
    std::map<std::string, const tinyxml2::XMLElement*> online;
    for (const tinyxml2::XMLElement* t : Entries(doc))
        if (t->IntAttribute("online")) online[t->Attribute("name")] = t;
    ASSERT_GE(online.size(), 2u);
    // Each online template's files live in the test data, which the tests pack and serve.
    const std::string sources = testenv::SourceDir() + "/library/tests/data/online";
    int found = 0;
    for (const auto& folder : std::filesystem::directory_iterator(sources)) {
        std::string definition;
        for (const auto& f : std::filesystem::directory_iterator(folder.path()))
            if (f.path().extension() == ".tmpl") definition = f.path().string();
        ASSERT_FALSE(definition.empty()) << folder.path();
        const auto def = LoadDefinitionFile(definition);
        ASSERT_TRUE(def) << definition;
        const std::string name = def->RootElement()->FirstChildElement("template")->Attribute("name");
        ASSERT_TRUE(online.count(name)) << name;
        std::string archive = folder.path().filename().string();
        std::erase(archive, ' ');
        EXPECT_STREQ(online[name]->Attribute("url"), ("$(Site)templates/" + archive + ".zip").c_str());
        const std::string thumb = online[name]->Attribute("thumb");
        EXPECT_TRUE(platform::FileExists(testenv::ProgramDir() + "/thumb/" + platform::FileName(platform::NormalizePath(thumb))))
            << thumb;
        ++found;
    }
    EXPECT_EQ(found, static_cast<int>(online.size()));
}
