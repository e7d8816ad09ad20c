// Choosing the language file and looking texts up in it, on hand-made language folders.
#include "i18n/BuiltinStrings.h"
#include "i18n/LanguageManager.h"
#include "i18n/SystemLanguage.h"
#include "i18n/UiIds.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <map>

using namespace i18n;

namespace {

// A program folder with a "lang" and a "Help" folder.
struct ProgramFolder {
    testenv::TempDir dir;
    ProgramFolder()
    {
        platform::MakeFolders(dir / "lang");
        platform::MakeFolders(dir / "Help");
    }
    void Lang(const std::string& name, const std::string& text) const
    {
        ASSERT_TRUE(platform::WriteFileAtomically(dir / ("lang/" + name), text));
    }
    std::string Path() const { return dir.path(); }
};

const char* kLookup = "[LANGUAGE]\n0x0407=lang_deu.ini\n0x040C=lang_fra.ini\n0x0410=lang_ita.ini\n";

// A window that records what translation sets.
struct FakeWindow final : TranslatableWindow {
    std::map<int, std::string> texts;
    std::string title = "built-in title";
    std::vector<int> ControlIds() const override
    {
        std::vector<int> ids;
        for (const auto& [id, text] : texts) ids.push_back(id);
        return ids;
    }
    void SetControlText(int id, const std::string& text) override { texts[id] = text; }
    void SetTitle(const std::string& text) override { title = text; }
};

struct FakeMenu final : TranslatableMenu {
    struct Item {
        int id;
        std::string text;
        std::unique_ptr<FakeMenu> sub;
    };
    std::vector<Item> items;
    FakeMenu& Add(int id, std::string text)
    {
        items.push_back({id, std::move(text), nullptr});
        return *this;
    }
    FakeMenu& Popup(std::string text)
    {
        items.push_back({-1, std::move(text), std::make_unique<FakeMenu>()});
        return *items.back().sub;
    }
    int ItemCount() const override { return static_cast<int>(items.size()); }
    int ItemId(int pos) const override { return items[static_cast<size_t>(pos)].id; }
    void SetItemText(int pos, const std::string& text) override { items[static_cast<size_t>(pos)].text = text; }
    TranslatableMenu* SubMenu(int pos) override { return items[static_cast<size_t>(pos)].sub.get(); }
};

}  // namespace

TEST(LanguageChoice, AutoFollowsTheSystemLanguageThroughTheLookup)
{
    ProgramFolder p;
    p.Lang("language_lookup.ini", kLookup);
    p.Lang("lang_eng.ini", "[General]\nLanguage=English\n");
    p.Lang("lang_deu.ini", "[General]\nLanguage=Deutsch\n");
    const std::string lang = p.dir / "lang";

    EXPECT_EQ(ChooseLanguageFile(lang, "auto", false, 0x0407), "lang_deu.ini");
    EXPECT_EQ(ChooseLanguageFile(lang, "lang_eng.ini", true, 0x0407), "lang_deu.ini");  // the flag alone is enough
    // A system language the lookup does not list, or one it lists without a file.
    EXPECT_EQ(ChooseLanguageFile(lang, "auto", false, 0x0411), "lang_eng.ini");
    EXPECT_EQ(ChooseLanguageFile(lang, "auto", false, 0x0410), "lang_eng.ini");
    // "auto" is a keyword only in exactly that case; "Auto" names a file that does not exist.
    EXPECT_EQ(ChooseLanguageFile(lang, "Auto", false, 0x0407), "lang_eng.ini");
}

TEST(LanguageChoice, AStoredFileThatIsGoneFallsBackToEnglish)
{
    ProgramFolder p;
    p.Lang("lang_eng.ini", "[General]\nLanguage=English\n");
    p.Lang("lang_deu.ini", "[General]\nLanguage=Deutsch\n");
    const std::string lang = p.dir / "lang";
    EXPECT_EQ(ChooseLanguageFile(lang, "lang_deu.ini", false, 0x0409), "lang_deu.ini");
    EXPECT_EQ(ChooseLanguageFile(lang, "LANG_DEU.INI", false, 0x0409), "LANG_DEU.INI");  // letter case aside
    EXPECT_EQ(ChooseLanguageFile(lang, "lang_fra.ini", false, 0x0409), "lang_eng.ini");
    EXPECT_EQ(ChooseLanguageFile(lang, "../lang/lang_deu.ini", false, 0x0409), "lang_eng.ini");
    EXPECT_EQ(ChooseLanguageFile(lang, "", false, 0x0409), "lang_eng.ini");
    // No lookup file at all: automatic means English.
    EXPECT_EQ(ChooseLanguageFile(lang, "auto", true, 0x0407), "lang_eng.ini");
}

TEST(LanguageChoice, ChooseUpdatesThePreferenceAndLoadsTheFile)
{
    ProgramFolder p;
    p.Lang("language_lookup.ini", kLookup);
    p.Lang("lang_deu.ini", "[STRING]\n152=Beenden?\n");
    LanguageManager m(p.Path());
    std::string language = "auto";
    m.Choose(language, true, 0x0407);
    EXPECT_EQ(language, "lang_deu.ini");
    EXPECT_EQ(m.CurrentFile(), "lang_deu.ini");
    EXPECT_EQ(m.LoadString(152), "Beenden?");

    // Without lang_eng.ini the program runs on its built-in texts.
    language = "lang_fra.ini";
    m.Choose(language, false, 0x0407);
    EXPECT_EQ(language, "lang_eng.ini");
    EXPECT_EQ(m.LoadString(152), "Are you sure you want to quit?");
}

TEST(LanguageLookups, StringsUseTheFileThenTheBuiltInTable)
{
    ProgramFolder p;
    p.Lang("lang_xyz.ini", "[STRING]\n101=Tab\\there\\nand a line\n102=\n146=\\n\\nNew %s\n9999=extra\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("lang_xyz.ini"));
    EXPECT_EQ(m.LoadString(101), "Tab\there\nand a line");
    EXPECT_EQ(m.LoadString(102), "Edit");  // empty counts as absent
    EXPECT_EQ(m.LoadString(146), "\n\nNew %s");
    EXPECT_EQ(m.LoadString(153), "The Image File \"%s\" doses not exist, delete item?");
    EXPECT_EQ(m.LoadString(9999), "extra");
    EXPECT_EQ(m.LoadString(100), "");
    EXPECT_EQ(m.LoadString(106), "Open image files\xEF\xBC\x8Cselect templates to process them");
}

TEST(LanguageLookups, UseRefusesWhatItCannotReadAndKeepsTheCurrentFile)
{
    ProgramFolder p;
    p.Lang("lang_deu.ini", "[STRING]\n152=Beenden?\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("LANG_DEU.ini"));
    std::string error;
    EXPECT_FALSE(m.Use("lang_nope.ini", &error));
    EXPECT_NE(error.find("lang_nope.ini"), std::string::npos);
    EXPECT_FALSE(m.Use(p.dir / "missing/lang_x.ini", &error));
    EXPECT_EQ(m.LoadString(152), "Beenden?");
    EXPECT_TRUE(m.Use(p.dir / "lang/lang_deu.ini"));  // a path works too
}

TEST(LanguageLookups, FormatStringDistrustsTranslationsWithOtherPlaceholders)
{
    ProgramFolder p;
    p.Lang("lang_x.ini", "[STRING]\n149=Neu: %d.%02d (Build %d)\n151=Datei %d fehlt %s\n153=Kaputt %s %s %n\n157=Vorlage \xE2\x80\x9E%s\xE2\x80\x9C\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("lang_x.ini"));
    EXPECT_EQ(m.FormatString(149, {2LL, 2LL, 77LL}), "Neu: 2.02 (Build 77)");
    EXPECT_EQ(m.FormatString(151, {std::string_view("a.ini"), 404LL}), "Download remote file a.ini failed, error code: HTTP 404!");
    EXPECT_EQ(m.FormatString(153, {std::string_view("x.jpg")}), "The Image File \"x.jpg\" doses not exist, delete item?");
    EXPECT_EQ(m.FormatString(157, {std::string_view("Ritter")}), "Vorlage \xE2\x80\x9ERitter\xE2\x80\x9C");
    // Arguments the text does not take are never guessed at.
    EXPECT_EQ(m.FormatString(152, {1LL}), "Are you sure you want to quit?");
}

TEST(FormatText, ConversionsFlagsAndRefusals)
{
    const auto f = [](std::string_view pattern, std::initializer_list<FormatArg> args) {
        return FormatText(pattern, std::span(args.begin(), args.size()));
    };
    EXPECT_EQ(f("Version:%d.%02d Build:%d", {1LL, 50LL, 7LL}), "Version:1.50 Build:7");
    EXPECT_EQ(f("%5d|%-5d|%05d|%x|%X|%%|%c", {-42LL, 7LL, -42LL, 255LL, 255LL, 0x4E2DLL}),
              "  -42|7    |-0042|ff|FF|%|\xE4\xB8\xAD");
    EXPECT_EQ(f("[%8s][%-4s]", {std::string_view("abc"), std::string_view("ab")}), "[     abc][ab  ]");
    EXPECT_FALSE(f("%s", {1LL}));
    EXPECT_FALSE(f("%d", {std::string_view("x")}));
    EXPECT_FALSE(f("%d %d", {1LL}));
    EXPECT_FALSE(f("%d", {1LL, 2LL}));
    EXPECT_FALSE(f("%n", {1LL}));
    EXPECT_FALSE(f("%*d", {1LL}));
    EXPECT_FALSE(f("%999999999d", {1LL}));
    EXPECT_FALSE(f("dangling %", {}));
    EXPECT_EQ(PlaceholderKinds("a %s b %02d %% %x %q"), "sdd?");
}

TEST(LanguageLookups, PhrasesComeFromTheDictionaryOrStayAsTheyAre)
{
    ProgramFolder p;
    p.Lang("lang_x.ini", "[DICTIONARY]\nOil Paint=\xC3\x96lgem\xC3\xA4lde\nTab\\tKey=Tab\\tValue\nEmpty=\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("lang_x.ini"));
    EXPECT_EQ(m.TranslatePhrase("Oil Paint"), "\xC3\x96lgem\xC3\xA4lde");
    EXPECT_EQ(m.TranslatePhrase("oil paint"), "\xC3\x96lgem\xC3\xA4lde");
    EXPECT_EQ(m.TranslatePhrase("Watercolor"), "Watercolor");
    EXPECT_EQ(m.TranslatePhrase("Empty"), "Empty");
    EXPECT_EQ(m.TranslatePhrase("Tab\\tKey"), "Tab\\tValue");  // no escapes outside STRING and dialogs
    EXPECT_EQ(m.TranslatePhrase(""), "");
}

TEST(LanguageLookups, WindowTextsTakeLineBreaksButNotTabs)
{
    ProgramFolder p;
    p.Lang("lang_x.ini", "[DIALOG_IDD_165]\ntitle=Exportieren\\nnow\n1001=Zwei\\nZeilen\\tmit Tab\n1002=\n9999=unused\n"
                         "[STRING]\n101=Zwei\\nZeilen\\tmit Tab\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("lang_x.ini"));
    FakeWindow w;
    w.texts = {{1001, "Export Image File"}, {1002, "Export GIF Animation"}, {1003, "Export Directory"}};
    m.TranslateWindow(w, 165);
    EXPECT_EQ(w.texts[1001], "Zwei\nZeilen\\tmit Tab");
    EXPECT_EQ(w.texts[1002], "Export GIF Animation");
    EXPECT_EQ(w.texts[1003], "Export Directory");
    EXPECT_EQ(w.title, "Exportieren\nnow");
    EXPECT_EQ(w.texts.count(9999), 0u);
    EXPECT_EQ(m.LoadString(101), "Zwei\nZeilen\tmit Tab");

    FakeWindow other;
    other.texts = {{1001, "keep"}};
    m.TranslateWindow(other, 181);
    EXPECT_EQ(other.texts[1001], "keep");
    EXPECT_EQ(other.title, "built-in title");
}

TEST(LanguageLookups, MenusTranslateCommandsAndOnlyTheMainMenuBarsPopups)
{
    ProgramFolder p;
    p.Lang("lang_x.ini", "[MENU]\nitem_1=Datei\nitem_2=Bearbeiten\n32771=Bilder \xC3\xB6" "ffnen...\n32775=Beenden\n32776=R\xC3\xBC" "ckg\xC3\xA4ngig\n"
                         "0=Trenner\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("lang_x.ini"));
    const auto build = [](FakeMenu& menu) {
        FakeMenu& file = menu.Popup("File");
        file.Add(32771, "Open Images...").Add(0, "").Add(32775, "Exit");
        file.Popup("Recent").Add(32772, "Save");  // a nested pop-up: never an item_ key
        menu.Popup("Edit").Add(32776, "Undo");
    };
    FakeMenu bar;
    build(bar);
    m.TranslateMenu(bar, true);
    EXPECT_EQ(bar.items[0].text, "Datei");
    EXPECT_EQ(bar.items[1].text, "Bearbeiten");
    EXPECT_EQ(bar.items[0].sub->items[0].text, "Bilder \xC3\xB6" "ffnen...");
    EXPECT_EQ(bar.items[0].sub->items[1].text, "");
    EXPECT_EQ(bar.items[0].sub->items[2].text, "Beenden");
    EXPECT_EQ(bar.items[0].sub->items[3].text, "Recent");
    EXPECT_EQ(bar.items[0].sub->items[3].sub->items[0].text, "Save");
    EXPECT_EQ(bar.items[1].sub->items[0].text, "R\xC3\xBC" "ckg\xC3\xA4ngig");

    FakeMenu context;
    build(context);
    m.TranslateMenu(context, false);
    EXPECT_EQ(context.items[0].text, "File");
    EXPECT_EQ(context.items[0].sub->items[2].text, "Beenden");
}

TEST(LanguagePictures, BitmapsAndImagesComeFromTheLanguageFolder)
{
    ProgramFolder p;
    cv::Mat rgba(4, 6, CV_8UC4, cv::Scalar(10, 20, 30, 128));
    ASSERT_TRUE(cv::imwrite(p.dir / "lang/Button.png", rgba));
    ASSERT_TRUE(platform::MakeFolders(p.dir / "lang/skin"));
    ASSERT_TRUE(cv::imwrite(p.dir / "lang/skin/bar.png", cv::Mat(3, 5, CV_8UC3, cv::Scalar(1, 2, 3))));
    ASSERT_TRUE(cv::imwrite(p.dir / "outside.png", rgba));
    ASSERT_TRUE(platform::WriteFileAtomically(p.dir / "lang/broken.png", "not a picture"));
    p.Lang("lang_x.ini", "[BITMAP]\n251=skin\\bar.png\n252=missing.png\n253=broken.png\n254=..\\outside.png\n"
                         "[IMAGE]\n251=button.png\n-1=button.png\n253=broken.png\n");
    LanguageManager m(p.Path());
    ASSERT_TRUE(m.Use("lang_x.ini"));
    std::vector<int> builtinAsked;
    m.SetBuiltinBitmaps([&](int n) {
        builtinAsked.push_back(n);
        return cv::Mat(2, 2, CV_8UC3, cv::Scalar(n % 256, 0, 0));
    });

    const cv::Mat bar = m.LoadBitmap(251);
    EXPECT_EQ(bar.size(), cv::Size(5, 3));
    EXPECT_EQ(bar.type(), CV_8UC3);
    for (int n : {252, 253, 254, 255}) EXPECT_EQ(m.LoadBitmap(n).size(), cv::Size(2, 2)) << n;
    EXPECT_EQ(builtinAsked, (std::vector<int>{252, 253, 254, 255}));

    const cv::Mat button = m.LoadImage(251);  // found although the file's letter case differs
    ASSERT_EQ(button.type(), CV_8UC4);
    EXPECT_EQ(button.at<cv::Vec4b>(0, 0), cv::Vec4b(10, 20, 30, 128));
    EXPECT_TRUE(m.LoadImage(-1).empty());
    EXPECT_TRUE(m.LoadImage(253).empty());
    EXPECT_TRUE(m.LoadImage(999).empty());
}

TEST(LanguageTable, ListsNamedLanguageFilesWithTheirHelp)
{
    ProgramFolder p;
    p.Lang("lang_eng.ini", "[General]\nLanguage=English\n");
    p.Lang("lang_deu.ini", "[General]\nLanguage=Deutsch\n");
    p.Lang("LANG_FRA.INI", "[general]\nlanguage=Fran\xC3\xA7" "ais\n");
    p.Lang("lang_nol.ini", "[General]\nName=no display name\n");
    p.Lang("lang_xx.ini", "[General]\nLanguage=Two letters\n");
    p.Lang("lang_long.ini", "[General]\nLanguage=Four letters\n");
    p.Lang("lang_\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97.ini", "[General]\nLanguage=Three characters\n");
    p.Lang("language_lookup.ini", kLookup);
    ASSERT_TRUE(platform::WriteFileAtomically(p.dir / "Help/lang_deu.html", "<html></html>"));

    LanguageManager m(p.Path());
    const std::vector<LanguageEntry> table = m.LanguageTable();
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0].fileName, "lang_deu.ini");
    EXPECT_EQ(table[1].fileName, "lang_eng.ini");
    EXPECT_EQ(table[2].fileName, "lang_fra.ini");
    EXPECT_EQ(table[2].displayName, "Fran\xC3\xA7" "ais");
    EXPECT_EQ(table[3].displayName, "Three characters");
    for (size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].command, ui::cmd::FirstLanguage + static_cast<int>(i));
    EXPECT_EQ(table[0].helpFile, p.dir / "Help/lang_deu.html");
    EXPECT_EQ(table[1].helpFile, p.dir / "Help/Grimaze Help.html");

    // The listed name (lower case) selects the file on disk.
    std::string language = table[2].fileName;
    m.Choose(language, false, 0x0409);
    EXPECT_EQ(language, "lang_fra.ini");
    EXPECT_EQ(m.Current()->Get("General", "Language"), "Fran\xC3\xA7" "ais");
}

TEST(LanguageTable, MenuChecksTheCurrentLanguageOrAuto)
{
    ProgramFolder p;
    p.Lang("language_lookup.ini", kLookup);
    p.Lang("lang_eng.ini", "[General]\nLanguage=English\n[STRING]\n152=Quit?\n");
    p.Lang("lang_deu.ini", "[General]\nLanguage=Deutsch\n[STRING]\n152=Beenden?\n");
    LanguageManager m(p.Path());
    std::string language = "lang_eng.ini";
    bool automatic = false;
    m.Choose(language, automatic, 0x0407);

    LanguageMenu menu;
    menu.Build(m, language, automatic);
    ASSERT_EQ(menu.Entries().size(), 2u);
    EXPECT_EQ(menu.CheckedIndex(), 1);
    EXPECT_EQ(menu.CheckedCommand(automatic), ui::cmd::FirstLanguage + 1);

    EXPECT_EQ(menu.OnCommand(ui::cmd::FirstLanguage, m, language, automatic, 0x0409), LanguageMenu::Action::LanguageSelected);
    EXPECT_EQ(language, "lang_deu.ini");
    EXPECT_FALSE(automatic);
    EXPECT_EQ(m.LoadString(152), "Beenden?");
    EXPECT_EQ(menu.CheckedCommand(automatic), ui::cmd::FirstLanguage);

    // Auto follows the system language (English here) and takes the check mark.
    EXPECT_EQ(menu.OnCommand(ui::cmd::LanguageAuto, m, language, automatic, 0x0409), LanguageMenu::Action::AutoSelected);
    EXPECT_TRUE(automatic);
    EXPECT_EQ(language, "lang_eng.ini");
    EXPECT_EQ(m.LoadString(152), "Quit?");
    EXPECT_EQ(menu.CheckedCommand(automatic), ui::cmd::LanguageAuto);

    EXPECT_EQ(menu.OnCommand(ui::cmd::FirstLanguage + 2, m, language, automatic), LanguageMenu::Action::None);
    EXPECT_EQ(menu.OnCommand(ui::cmd::About, m, language, automatic), LanguageMenu::Action::None);
    EXPECT_TRUE(automatic);

    // Built while automatic: nothing but Auto is checked.
    menu.Build(m, language, true);
    EXPECT_EQ(menu.CheckedIndex(), -1);
}

TEST(SystemLanguage, LocaleNamesMapToLanguageIdentifiers)
{
    EXPECT_EQ(LanguageIdFromLocale("de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LanguageIdFromLocale("de_AT.UTF-8@euro"), 0x0C07);
    EXPECT_EQ(LanguageIdFromLocale("de"), 0x0407);
    EXPECT_EQ(LanguageIdFromLocale("de_BE"), 0x0407);  // a territory not listed: the main country
    EXPECT_EQ(LanguageIdFromLocale("fr_CA"), 0x0C0C);
    EXPECT_EQ(LanguageIdFromLocale("es_ES"), 0x0C0A);
    EXPECT_EQ(LanguageIdFromLocale("es_MX.utf8"), 0x080A);
    EXPECT_EQ(LanguageIdFromLocale("zh_CN.GB18030"), 0x0804);
    EXPECT_EQ(LanguageIdFromLocale("zh_TW"), 0x0404);
    EXPECT_EQ(LanguageIdFromLocale("pt-br"), 0x0416);
    EXPECT_EQ(LanguageIdFromLocale("en_GB"), 0x0809);
    EXPECT_EQ(LanguageIdFromLocale("sr_RS@latin"), 0x081A);
    EXPECT_EQ(LanguageIdFromLocale("sr_RS"), 0x0C1A);
    EXPECT_EQ(LanguageIdFromLocale("C"), 0x0409);
    EXPECT_EQ(LanguageIdFromLocale("POSIX"), 0x0409);
    EXPECT_EQ(LanguageIdFromLocale("C.UTF-8"), 0x0409);
    EXPECT_EQ(LanguageIdFromLocale(""), 0x0409);
    EXPECT_EQ(LanguageIdFromLocale("eo"), 0);
    EXPECT_EQ(FormatLanguageId(0x0407), "0x0407");
    EXPECT_EQ(FormatLanguageId(0x0C0A), "0x0C0A");
    EXPECT_EQ(FormatLanguageId(0), "0x0000");
}

TEST(SystemLanguage, EnvironmentOrderIsLcAllThenLcMessagesThenLang)
{
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char* n : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(n);
        saved.push_back({n, v ? v : "", v != nullptr});
    }
    setenv("LANG", "fr_FR.UTF-8", 1);
    setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(SystemLanguageId(), 0x0407);
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(SystemLanguageId(), 0x0804);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    EXPECT_EQ(SystemLanguageId(), 0x040C);
    unsetenv("LANG");
    EXPECT_EQ(SystemLanguageId(), kDefaultLanguageId);
    for (const Saved& s : saved) s.set ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
}
