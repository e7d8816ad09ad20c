#include "library/LibraryPaths.h"
#include "library/TemplateLibrary.h"
#include "library/tests/LibraryTestUtil.h"

#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace library;
using libtest::ReadText;
using libtest::WriteText;

namespace {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = dir_ / "program";
        platform::MakeFolders(program_);
        platform::SetProgramFolder(program_);
        lib_ = dir_.path() + "/lib/";
        platform::MakeFolders(lib_);
    }
    void TearDown() override { platform::SetProgramFolder(""); }

    /** A definition file under the library folder; returns its stored form ".\name\name.tmpl". */
    std::string Definition(const std::string& name)
    {
        WriteText(lib_ + name + "/" + name + ".tmpl", libtest::DefinitionXml(name));
        return ".\\" + name + "\\" + name + ".tmpl";
    }

    testenv::TemporaryHome home_;
    testenv::TempDir dir_;
    std::string program_;
    std::string lib_;
};

tinyxml2::XMLElement* Entry(tinyxml2::XMLDocument& doc, const std::string& name)
{
    tinyxml2::XMLElement* found = nullptr;
    std::function<void(tinyxml2::XMLElement*)> walk = [&](tinyxml2::XMLElement* e) {
        for (; e; e = e->NextSiblingElement()) {
            if (!std::strcmp(e->Name(), "template") && e->Attribute("name") && name == e->Attribute("name")) found = e;
            walk(e->FirstChildElement());
        }
    };
    walk(doc.RootElement());
    return found;
}

}  // namespace

TEST(LibraryPaths, DirectoryExpansion)
{
    testenv::TempDir prog;
    platform::SetProgramFolder(prog.path());
    EXPECT_EQ(ExpandLibraryDirectory(".\\Templates\\"), prog.path() + "/Templates/");
    EXPECT_EQ(ExpandLibraryDirectory("$(AppData)\\Kestrovo\\Grimaze\\"), platform::DataHome() + "/Kestrovo/Grimaze/");
    // Only the first of two "$(Documents)" is replaced.
    EXPECT_EQ(ExpandLibraryDirectory("$(Documents)\\a\\$(Documents)\\"),
              platform::DocumentsFolder() + "/a/$(Documents)/");
    // init_file gets the leading dot only, no macros.
    EXPECT_EQ(ExpandProgramRelative(".\\media\\template.cfg"), prog.path() + "/media/template.cfg");
    EXPECT_EQ(ExpandProgramRelative("$(AppData)\\x"), "$(AppData)/x");
    platform::SetProgramFolder("");
}

TEST(LibraryPaths, ItemPaths)
{
    testenv::TempDir prog;
    platform::SetProgramFolder(prog.path());
    EXPECT_EQ(ExpandItemPath(".\\Sub\\x.tmpl", "/lib/"), "/lib/Sub/x.tmpl");
    EXPECT_EQ(ExpandItemPath("$(Program)\\media\\x.tmpl", "/lib/"), prog.path() + "/media/x.tmpl");
    EXPECT_EQ(ExpandItemPath("/abs/x.tmpl", "/lib/"), "/abs/x.tmpl");
    EXPECT_EQ(StoredRelativePath("Sub/x.tmpl"), ".\\Sub\\x.tmpl");
    EXPECT_EQ(StoredRelativePath(".\\x.tmpl"), ".\\x.tmpl");
    platform::SetProgramFolder("");
}

TEST_F(LibraryTest, ColumnsTemplatesAndRejections)
{
    const std::string a = Definition("Alpha");
    const std::string b = Definition("Beta");
    WriteText(lib_ + "Broken/Broken.tmpl", "<effect><template name=");
    WriteText(lib_ + "template.cfg",
              "<library><columns>"
              "<column name=\"Painting\" path=\"2D Templates/Painting\">"
              "  <template name=\"Alpha\" filepath=\"" + a + "\" preset=\"1\"/>"
              "  <template name=\"Missing\" filepath=\".\\Nowhere\\x.tmpl\"/>"
              "  <template name=\"Broken\" filepath=\".\\Broken\\Broken.tmpl\"/>"
              "  <template name=\"NoUrl\" online=\"1\"/>"
              "  <template name=\"Web\" online=\"1\" url=\"http://127.0.0.1:1/w.zip\" thumb=\".\\thumb\\w.png\"/>"
              "</column>"
              "<column path=\"Nameless\"><template name=\"Lost\" filepath=\"" + a + "\"/></column>"
              "<column name=\"Frames\"><template filepath=\"" + b + "\"/></column>"
              "</columns><templates>"
              "  <template column=\"Frames\" name=\"Flat\" filepath=\"" + a + "\"/>"
              "  <template column=\"Nowhere\" name=\"Stray\" filepath=\"" + a + "\"/>"
              "</templates></library>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.ReadLibraryConfig(lib_));
    ASSERT_EQ(library.GetColumnCount(), 2);
    const TemplateColumn* painting = library.GetColumn(0);
    EXPECT_EQ(painting->name, "Painting");
    EXPECT_EQ(library.GetColumnPath(0), "2D Templates/Painting");
    ASSERT_EQ(painting->items.size(), 2u);  // Missing, Broken and NoUrl are rejected
    EXPECT_EQ(painting->items[0]->name, "Alpha");
    EXPECT_TRUE(painting->items[0]->preset);
    EXPECT_EQ(painting->items[0]->filepath, lib_ + "Alpha/Alpha.tmpl");
    ASSERT_TRUE(painting->items[0]->definition);
    EXPECT_EQ(painting->items[1]->name, "Web");
    EXPECT_TRUE(painting->items[1]->online);
    EXPECT_FALSE(painting->items[1]->definition);
    EXPECT_EQ(painting->items[1]->thumb, lib_ + "thumb/w.png");

    const TemplateColumn* frames = library.GetColumn(1);
    EXPECT_EQ(frames->path, "Frames");  // a column without path uses its name
    ASSERT_EQ(frames->items.size(), 2u);
    EXPECT_EQ(frames->items[0]->name, "Beta");  // taken from the definition
    EXPECT_EQ(frames->items[1]->name, "Flat");
    EXPECT_EQ(library.FindItem("flat"), frames->items[1].get());
    EXPECT_EQ(library.FindItem("Stray"), nullptr);
}

TEST_F(LibraryTest, FoldersMergeColumnsByPathInFolderOrder)
{
    const std::string lib2 = dir_.path() + "/lib2/";
    const std::string a = Definition("Alpha");
    WriteText(lib2 + "B/B.tmpl", libtest::DefinitionXml("B"));
    WriteText(lib_ + "template.cfg",
              "<l><columns><column name=\"First\" path=\"Frames\"><template filepath=\"" + a +
                  "\"/></column></columns>"
                  // "Later" exists only in the second folder: this entry is dropped.
                  "<templates><template column=\"Later\" name=\"Early\" filepath=\"" + a + "\"/></templates></l>");
    WriteText(lib2 + "template.cfg",
              "<l><columns><column name=\"Second\" path=\"Frames\"><template filepath=\".\\B\\B.tmpl\"/></column>"
              "<column name=\"Later\"/></columns></l>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.ReadLibraryConfig(lib_));
    ASSERT_TRUE(library.ReadLibraryConfig(lib2));
    ASSERT_EQ(library.GetColumnCount(), 2);
    const TemplateColumn* frames = library.GetColumn(0);
    EXPECT_EQ(frames->name, "First");  // the name of its first appearance
    ASSERT_EQ(frames->items.size(), 2u);
    EXPECT_EQ(frames->items[0]->name, "Alpha");
    EXPECT_EQ(frames->items[1]->name, "B");
    EXPECT_EQ(frames->items[1]->libraryFolder, lib2);
    EXPECT_TRUE(library.GetColumn(1)->items.empty());
    EXPECT_EQ(library.Folders(), (std::vector<std::string>{lib_, lib2}));
}

TEST_F(LibraryTest, LostDownloadComesBackAsNotDownloadedAndIsSavedSo)
{
    WriteText(lib_ + "template.cfg",
              "<l><columns><column name=\"C\">"
              "<template name=\"Gone\" online=\"1\" url=\"u\" downloaded=\"1\" filepath=\".\\Gone\\Gone.tmpl\"/>"
              "<template name=\"Never\" online=\"1\" url=\"u\" downloaded=\"1\"/>"
              "</column></columns></l>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.ReadLibraryConfig(lib_));
    const TemplateColumn* c = library.GetColumn(0);
    ASSERT_EQ(c->items.size(), 2u);
    for (const auto& item : c->items) {
        EXPECT_FALSE(item->downloaded);
        EXPECT_TRUE(item->filepath.empty());
    }
    ASSERT_TRUE(library.SaveTemplateLibrary());
    tinyxml2::XMLDocument saved;
    ASSERT_EQ(saved.LoadFile((lib_ + "template.cfg").c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_STREQ(Entry(saved, "Gone")->Attribute("downloaded"), "0");
    EXPECT_STREQ(Entry(saved, "Gone")->Attribute("filepath"), "");
    EXPECT_STREQ(Entry(saved, "Never")->Attribute("downloaded"), "0");
}

TEST_F(LibraryTest, IntegerAttributesReadAsPercentD)
{
    tinyxml2::XMLDocument doc;
    doc.Parse("<t a=\"12abc\" b=\"x\" c=\" -3\" d=\"99999999999\"/>");
    const tinyxml2::XMLElement* e = doc.RootElement();
    EXPECT_EQ(IntAttribute(e, "a"), 12);
    EXPECT_EQ(IntAttribute(e, "b"), 0);
    EXPECT_EQ(IntAttribute(e, "c"), -3);
    EXPECT_EQ(IntAttribute(e, "missing"), 0);
    EXPECT_EQ(IntAttribute(nullptr, "a"), 0);
    EXPECT_GT(IntAttribute(e, "d"), 0);  // clamped, never wrapped negative
}

TEST_F(LibraryTest, SaveKeepsByteOrderMarkAndReplacesAtomically)
{
    const std::string a = Definition("Alpha");
    const std::string bom = "\xEF\xBB\xBF";
    WriteText(lib_ + "template.cfg",
              bom + "<l><columns><column name=\"C\"><template name=\"Alpha\" filepath=\"" + a +
                  "\"/></column></columns></l>");
    const std::string lib2 = dir_.path() + "/lib2/";
    WriteText(lib2 + "template.cfg", "<l><columns><column name=\"D\"/></columns></l>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.ReadLibraryConfig(lib_));
    ASSERT_TRUE(library.ReadLibraryConfig(lib2));
    library.GetColumn(0)->items[0]->SetHide(true);
    ASSERT_TRUE(library.SaveTemplateLibrary());
    const std::string withBom = ReadText(lib_ + "template.cfg");
    EXPECT_EQ(withBom.substr(0, 3), bom);
    EXPECT_NE(withBom.find("hide=\"1\""), std::string::npos);
    EXPECT_NE(ReadText(lib2 + "template.cfg").substr(0, 3), bom);
    EXPECT_EQ(libtest::FilesUnder(lib2), std::vector<std::string>{"template.cfg"});  // no temporary left
}

TEST_F(LibraryTest, SaveReportsUnwritableFolderAndStillWritesTheOthers)
{
    if (geteuid() == 0) GTEST_SKIP() << "root can write into read-only folders";
    const std::string lib2 = dir_.path() + "/lib2/";
    WriteText(lib_ + "template.cfg", "<l><columns><column name=\"C\"/></columns></l>");
    WriteText(lib2 + "template.cfg", "<l><columns><column name=\"D\"/></columns></l>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.ReadLibraryConfig(lib_));
    ASSERT_TRUE(library.ReadLibraryConfig(lib2));
    WriteText(lib2 + "template.cfg", "changed");
    chmod(lib_.c_str(), 0555);
    std::string error;
    EXPECT_FALSE(library.SaveTemplateLibrary(&error));
    chmod(lib_.c_str(), 0755);
    EXPECT_FALSE(error.empty());
    EXPECT_NE(ReadText(lib2 + "template.cfg"), "changed");
}

TEST_F(LibraryTest, DirectoryWithoutTrailingSeparatorRunsTogetherWithFileName)
{
    const std::string folder = dir_.path() + "/odd";
    WriteText(folder + "template.cfg", "<l><columns><column name=\"Odd\"/></columns></l>");
    WriteText(program_ + "/config.cfg", "<config><template directory=\"" + folder + "\"/></config>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.LoadTemplateLibrary());
    ASSERT_EQ(library.GetColumnCount(), 1);
    EXPECT_EQ(library.GetColumn(0)->name, "Odd");
}

TEST_F(LibraryTest, AFolderListedTwiceIsReadOnce)
{
    WriteText(lib_ + "template.cfg", "<l><columns><column name=\"C\">"
                                     "<template name=\"A\" filepath=\"" + Definition("A") + "\"/></column></columns></l>");
    // The same folder, spelt three ways.
    WriteText(program_ + "/config.cfg", "<config><template directory=\"" + lib_ + "\"/><template directory=\"" + lib_ +
                                            "\"/><template directory=\"" + dir_.path() + "/lib/../lib/\"/></config>");
    CTemplateLibrary library;
    ASSERT_TRUE(library.LoadTemplateLibrary());
    EXPECT_EQ(library.Folders().size(), 1u);
    ASSERT_EQ(library.GetColumnCount(), 1);
    EXPECT_EQ(library.GetColumn(0)->items.size(), 1u);
    EXPECT_TRUE(library.LoadErrors().empty());
}

TEST_F(LibraryTest, MissingOrMalformedConfigGivesEmptyLibrary)
{
    CTemplateLibrary library;
    EXPECT_FALSE(library.LoadTemplateLibrary());
    WriteText(program_ + "/config.cfg", "<config><template directory=");
    EXPECT_FALSE(library.LoadTemplateLibrary());
    EXPECT_EQ(library.GetColumnCount(), 0);
    // An entry without directory is skipped, the next one is read.
    WriteText(lib_ + "template.cfg", "<l><columns><column name=\"C\"/></columns></l>");
    WriteText(program_ + "/config.cfg",
              "<config><template init_file=\"x\"/><template directory=\"" + lib_ + "\"/></config>");
    EXPECT_TRUE(library.LoadTemplateLibrary());
    EXPECT_EQ(library.GetColumnCount(), 1);
}

// --- Upgrade -------------------------------------------------------------------------------

class UpgradeTest : public LibraryTest {
protected:
    void Initial(int version, const std::string& body)
    {
        WriteText(program_ + "/media/template.cfg", "<library><version ver=\"" + std::to_string(version) + "\"/>" + body +
                                                        "</library>");
    }
    std::string initial() const { return program_ + "/media/template.cfg"; }
    std::string target() const { return lib_ + "template.cfg"; }
};

TEST_F(UpgradeTest, SameVersionLeavesTargetAlone)
{
    Initial(3, "<columns><column name=\"New\"/></columns>");
    WriteText(target(), "<library><version ver=\"3\"/><columns><column name=\"Old\"/></columns></library>");
    EXPECT_FALSE(CTemplateLibrary::UpgradeLibraryConfig(lib_, initial(), target()));
    EXPECT_NE(ReadText(target()).find("Old"), std::string::npos);
}

TEST_F(UpgradeTest, MalformedInitialFileChangesNothing)
{
    WriteText(initial(), "<library><version ver=\"9\"");
    WriteText(target(), "<library><version ver=\"1\"/></library>");
    const std::string before = ReadText(target());
    EXPECT_FALSE(CTemplateLibrary::UpgradeLibraryConfig(lib_, initial(), target()));
    EXPECT_EQ(ReadText(target()), before);
}

TEST_F(UpgradeTest, NoTargetInstallsInitialFileAndCopiesColumnThumbnails)
{
    WriteText(program_ + "/thumb/a.png", "PNG-A");
    WriteText(program_ + "/thumb/b.png", "PNG-B");
    Initial(1,
            "<columns><column name=\"C\"><template name=\"A\" online=\"1\" url=\"u\" thumb=\".\\thumb\\a.png\"/>"
            "<template name=\"Up\" online=\"1\" url=\"u\" thumb=\".\\..\\escape.png\"/></column></columns>"
            "<templates><template column=\"C\" name=\"B\" online=\"1\" url=\"u\" thumb=\".\\thumb\\b.png\"/></templates>");
    EXPECT_TRUE(CTemplateLibrary::UpgradeLibraryConfig(lib_, initial(), target()));
    tinyxml2::XMLDocument written;
    ASSERT_EQ(written.LoadFile(target().c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_TRUE(Entry(written, "A") && Entry(written, "Up") && Entry(written, "B"));
    EXPECT_EQ(ReadText(lib_ + "thumb/a.png"), "PNG-A");
    EXPECT_FALSE(platform::FileExists(lib_ + "thumb/b.png"));  // flat-list templates get none
    EXPECT_FALSE(platform::FileExists(dir_.path() + "/escape.png"));
}

TEST_F(UpgradeTest, CarriesUsersHiddenAndDownloadedIntoNewerFile)
{
    // The user hid "Oil", downloaded "Web" and hid the flat "Flat"; the new version moved
    // "Oil", changed the address of "Web" and added "Fresh".
    WriteText(target(),
              "<library><version ver=\"2\"/><columns><column name=\"Painting\" path=\"2D/Painting\">"
              "<template name=\"Oil\" filepath=\"$(Program)\\old\\Oil.tmpl\" hide=\"1\"/>"
              "<template name=\"Web\" online=\"1\" url=\"http://old/web.zip\" downloaded=\"1\""
              " filepath=\".\\Web\\Web.tmpl\" hide=\"0\"/>"
              "<template name=\"Dropped\" filepath=\"x\"/>"
              "</column></columns>"
              "<templates><template column=\"Painting\" name=\"Flat\" filepath=\"y\" hide=\"1\"/></templates></library>");
    Initial(3,
            "<columns><column name=\"Painting\" path=\"2D/Painting\">"
            "<template name=\"Oil\" filepath=\"$(Program)\\new\\Oil.tmpl\"/>"
            "<template name=\"Web\" online=\"1\" url=\"http://new/web.zip\" thumb=\".\\thumb\\web.png\"/>"
            "<template name=\"Fresh\" filepath=\"$(Program)\\Fresh.tmpl\"/>"
            "</column></columns>"
            "<templates><template column=\"Painting\" name=\"Flat\" filepath=\"z\"/></templates>");
    ASSERT_TRUE(CTemplateLibrary::UpgradeLibraryConfig(lib_, initial(), target()));
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile(target().c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_EQ(doc.RootElement()->FirstChildElement("version")->IntAttribute("ver"), 3);

    const tinyxml2::XMLElement* oil = Entry(doc, "Oil");
    ASSERT_TRUE(oil);
    EXPECT_STREQ(oil->Attribute("hide"), "1");
    EXPECT_STREQ(oil->Attribute("filepath"), "$(Program)\\old\\Oil.tmpl");  // the user's, as every attribute

    const tinyxml2::XMLElement* web = Entry(doc, "Web");
    ASSERT_TRUE(web);
    EXPECT_STREQ(web->Attribute("downloaded"), "1");
    EXPECT_STREQ(web->Attribute("filepath"), ".\\Web\\Web.tmpl");  // the user's download
    EXPECT_STREQ(web->Attribute("url"), "http://new/web.zip");
    EXPECT_STREQ(web->Attribute("thumb"), ".\\thumb\\web.png");

    const tinyxml2::XMLElement* flat = Entry(doc, "Flat");
    ASSERT_TRUE(flat);
    EXPECT_STREQ(flat->Attribute("hide"), "1");
    EXPECT_STREQ(flat->Attribute("filepath"), "y");

    ASSERT_TRUE(Entry(doc, "Fresh"));
    EXPECT_FALSE(Entry(doc, "Dropped"));
    // Order is the new file's.
    const tinyxml2::XMLElement* column = doc.RootElement()->FirstChildElement("columns")->FirstChildElement("column");
    std::vector<std::string> names;
    for (const tinyxml2::XMLElement* t = column->FirstChildElement("template"); t; t = t->NextSiblingElement("template"))
        names.push_back(t->Attribute("name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Oil", "Web", "Fresh"}));
}

// A carried-over entry is the user's element: "preset", attributes this version does not know and
// the user's "online"/"column" survive. Only "url" and "thumb" come from the newer shipped entry
// (its download address and picture are newer), and a shipped entry without them drops them.
TEST_F(UpgradeTest, CarriedEntryKeepsTheUsersAttributesButTakesTheShippedUrlAndThumb)
{
    WriteText(target(),
              "<library><version ver=\"1\"/><columns><column name=\"Painting\">"
              "<template name=\"Oil\" filepath=\"a\" preset=\"1\" hide=\"1\" mood=\"sunny\" thumb=\".\\old.png\"/>"
              "<template name=\"Web\" online=\"1\" url=\"http://old/web.zip\" preset=\"7\" thumb=\".\\w.png\""
              " extra=\"kept\"/>"
              "</column></columns>"
              "<templates><template column=\"Painting\" name=\"Flat\" filepath=\"y\" preset=\"1\" x-note=\"n\"/>"
              "</templates></library>");
    Initial(2,
            "<columns><column name=\"Painting\">"
            "<template name=\"Oil\" filepath=\"a\" preset=\"0\" thumb=\".\\new.png\"/>"
            "<template name=\"Web\" online=\"1\" url=\"http://new/web.zip\"/>"
            "</column><column name=\"Other\"/></columns>"
            "<templates><template column=\"Other\" name=\"Flat\" filepath=\"y\"/></templates>");
    ASSERT_TRUE(CTemplateLibrary::UpgradeLibraryConfig(lib_, initial(), target()));
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile(target().c_str()), tinyxml2::XML_SUCCESS);

    const tinyxml2::XMLElement* oil = Entry(doc, "Oil");
    ASSERT_TRUE(oil);
    EXPECT_STREQ(oil->Attribute("preset"), "1");
    EXPECT_STREQ(oil->Attribute("hide"), "1");
    EXPECT_STREQ(oil->Attribute("mood"), "sunny");
    EXPECT_STREQ(oil->Attribute("thumb"), ".\\new.png");

    const tinyxml2::XMLElement* web = Entry(doc, "Web");
    ASSERT_TRUE(web);
    EXPECT_STREQ(web->Attribute("preset"), "7");
    EXPECT_STREQ(web->Attribute("extra"), "kept");
    EXPECT_STREQ(web->Attribute("url"), "http://new/web.zip");
    EXPECT_EQ(web->Attribute("thumb"), nullptr);

    const tinyxml2::XMLElement* flat = Entry(doc, "Flat");
    ASSERT_TRUE(flat);
    EXPECT_STREQ(flat->Attribute("preset"), "1");
    EXPECT_STREQ(flat->Attribute("x-note"), "n");
    EXPECT_STREQ(flat->Attribute("column"), "Painting");
}

// The one exception to the user's "filepath": a shipped template whose files the new version moved.
// Keeping the old path would make the gallery drop the template.
TEST_F(UpgradeTest, AShippedTemplateWhoseFilesMovedFollowsThem)
{
    WriteText(program_ + "/new/Oil.tmpl", libtest::DefinitionXml("Oil"));
    WriteText(program_ + "/kept/Wax.tmpl", libtest::DefinitionXml("Wax"));
    WriteText(program_ + "/new/Wax.tmpl", libtest::DefinitionXml("Wax"));
    WriteText(target(),
              "<library><version ver=\"1\"/><columns><column name=\"Painting\">"
              "<template name=\"Oil\" filepath=\"$(Program)\\old\\Oil.tmpl\" preset=\"1\"/>"
              "<template name=\"Wax\" filepath=\"$(Program)\\kept\\Wax.tmpl\"/>"
              "</column></columns></library>");
    Initial(2,
            "<columns><column name=\"Painting\">"
            "<template name=\"Oil\" filepath=\"$(Program)\\new\\Oil.tmpl\"/>"
            "<template name=\"Wax\" filepath=\"$(Program)\\new\\Wax.tmpl\"/>"
            "</column></columns>");
    ASSERT_TRUE(CTemplateLibrary::UpgradeLibraryConfig(lib_, initial(), target()));
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile(target().c_str()), tinyxml2::XML_SUCCESS);
    EXPECT_STREQ(Entry(doc, "Oil")->Attribute("filepath"), "$(Program)\\new\\Oil.tmpl");
    EXPECT_STREQ(Entry(doc, "Oil")->Attribute("preset"), "1");
    EXPECT_STREQ(Entry(doc, "Wax")->Attribute("filepath"), "$(Program)\\kept\\Wax.tmpl");
}

TEST_F(UpgradeTest, LoadRunsUpgradeThenReadsAndStateSurvivesRestart)
{
    // The per-user library: hide a template, save as at shutdown, load again.
    WriteText(program_ + "/media/T/T.tmpl", libtest::DefinitionXml("T"));
    Initial(1, "<columns><column name=\"C\"><template name=\"T\" filepath=\"$(Program)\\media\\T\\T.tmpl\"/>"
               "</column></columns>");
    WriteText(program_ + "/config.cfg",
              "<config><template directory=\"$(AppData)\\Kestrovo\\Grimaze\\Library\\\""
              " init_file=\".\\media\\template.cfg\"/></config>");
    const std::string userLib = platform::DataHome() + "/Kestrovo/Grimaze/Library/";
    {
        CTemplateLibrary library;
        ASSERT_TRUE(library.LoadTemplateLibrary());
        ASSERT_EQ(library.GetColumnCount(), 1);
        ASSERT_EQ(library.GetColumn(0)->items.size(), 1u);
        EXPECT_EQ(library.GetColumn(0)->items[0]->filepath, program_ + "/media/T/T.tmpl");
        library.GetColumn(0)->items[0]->SetHide(true);
        ASSERT_TRUE(library.SaveTemplateLibrary());
    }
    EXPECT_TRUE(platform::FileExists(userLib + "template.cfg"));
    // The program folder is untouched: an installed program may not write there.
    EXPECT_EQ(libtest::FilesUnder(program_),
              (std::vector<std::string>{"config.cfg", "media/T/T.tmpl", "media/template.cfg"}));
    CTemplateLibrary again;
    ASSERT_TRUE(again.LoadTemplateLibrary());
    EXPECT_TRUE(again.GetColumn(0)->items[0]->hide);
}
