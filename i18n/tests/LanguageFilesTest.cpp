// The language files and help pages that ship, where the program finds them, and the two
// grimaze-cli commands that work on them.
#include "engine/PictureTypes.h"
#include "i18n/BuiltinStrings.h"
#include "i18n/IniFile.h"
#include "i18n/LangCheck.h"
#include "i18n/LanguageManager.h"
#include "i18n/UiTexts.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sys/wait.h>

using namespace engine;

using namespace i18n;

namespace {

const char* const kShipped[] = {"lang_eng.ini", "lang_deu.ini", "lang_fra.ini", "lang_esp.ini", "lang_chs.ini"};

std::string LangFolder() { return testenv::ProgramDir() + "/lang"; }

using CliRun = testenv::CommandResult;

// Runs grimaze-cli in the C locale, so that "auto" means English whatever the machine is set to.
testenv::CommandResult Cli(const std::vector<std::string>& args)
{
    std::string cmd = "env -u LC_ALL -u LC_MESSAGES LANG=C " + testenv::ShellQuote(testenv::ProgramDir() + "/grimaze-cli");
    for (const auto& a : args) cmd += " " + testenv::ShellQuote(a);
    return testenv::RunCommand(cmd);
}

// UTF-16 LE with a byte-order mark and CRLF line ends, from UTF-8 text.
std::string ToUtf16CrLf(const std::string& utf8)
{
    std::u32string chars;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3F);
        if (c == U'\n') chars += U'\r';
        chars += c;
        i += static_cast<size_t>(n);
    }
    std::string out = "\xFF\xFE";
    const auto unit = [&](unsigned u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>(u >> 8);
    };
    for (char32_t c : chars) {
        if (c >= 0x10000) {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            unit(static_cast<unsigned>(c));
        }
    }
    return out;
}

}  // namespace

TEST(ShippedLanguages, EveryFilePassesTheCheckAgainstEnglish)
{
    for (const char* name : kShipped) {
        const LangCheckReport r = CheckLanguageFile(LangFolder() + "/" + name, LangFolder() + "/lang_eng.ini");
        EXPECT_TRUE(r.Passed()) << name << ": " << (r.missing.empty() ? "" : r.missing[0]) << (r.errors.empty() ? "" : r.errors[0]);
        EXPECT_TRUE(r.warnings.empty()) << name << ": " << r.warnings[0];
        EXPECT_FALSE(r.displayName.empty()) << name;
    }
}

// Every phrase the windows show (ui::Phrase and the export dialog's captions), every gallery
// column and every template's name and slider labels: English must list it in [DICTIONARY], and
// the check above then holds every other language to it. A new text without a translation
// fails here instead of showing up in English in the middle of a German window.
TEST(ShippedLanguages, TheDictionaryHoldsEveryPhraseTheProgramShows)
{
    namespace fs = std::filesystem;
    const fs::path source(GRIMAZE_SOURCE_DIR);
    std::set<std::string> phrases;
    auto readAll = [](const fs::path& p) {
        std::string text;
        platform::ReadFile(p.string(), text, 1 << 24);
        return text;
    };
    auto collect = [&](const std::string& text, const std::regex& pattern, bool xml) {
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
            std::string s = (*it)[1].str(), out;
            for (size_t i = 0; i < s.size(); ++i) {
                if (!xml && s[i] == '\\' && i + 1 < s.size()) {
                    out += s[++i];
                } else if (xml && s[i] == '&') {
                    const size_t end = s.find(';', i);
                    if (end == std::string::npos) {
                        out += s.substr(i);
                        break;
                    }
                    const std::string entity = s.substr(i, end - i + 1);
                    out += entity == "&amp;" ? "&" : entity == "&lt;" ? "<" : entity == "&gt;" ? ">" : entity == "&quot;" ? "\"" : "'";
                    i = end;
                } else {
                    out += s[i];
                }
            }
            phrases.insert(out);
        }
    };
    const std::regex code(R"re((?:Phrase|Caption)\(\s*"((?:[^"\\]|\\.)*)"\s*\))re");
    for (const char* folder : {"shell", "controls"})
        for (const auto& entry : fs::directory_iterator(source / folder))
            if (entry.path().extension() == ".cpp" || entry.path().extension() == ".h") collect(readAll(entry.path()), code, false);
    collect(readAll(source / "media/Templates/template.cfg"), std::regex(R"re(<column[^>]*\bname="([^"]*)")re"), true);
    for (const auto& entry : fs::recursive_directory_iterator(source / "media/Templates"))
        if (entry.path().extension() == ".tmpl") {
            const std::string text = readAll(entry.path());
            collect(text, std::regex(R"re(<template[^>]*\bname="([^"]*)")re"), true);
            collect(text, std::regex(R"re(<var[123][^>]*\bname="([^"]*)")re"), true);
        }
    for (const PictureType& t : PictureTypes()) phrases.insert(t.label);  // the file dialogs' type names
    ASSERT_GT(phrases.size(), 60u);  // the scan found the program's texts at all
    EXPECT_TRUE(phrases.count("Relief & Lines"));
    EXPECT_TRUE(phrases.count("Hold to see the photo without the effect (\\ key)"));

    const IniFile eng = IniFile::Load(LangFolder() + "/lang_eng.ini");
    ASSERT_TRUE(eng.Loaded());
    for (const std::string& phrase : phrases) EXPECT_FALSE(eng.Get("DICTIONARY", phrase).empty()) << phrase;
}

TEST(ShippedLanguages, EnglishMatchesTheBuiltInTextsButForThePolishedOnes)
{
    const IniFile eng = IniFile::Load(LangFolder() + "/lang_eng.ini");
    ASSERT_TRUE(eng.Loaded());
    const std::set<int> polished = {106, 107, 139, 143, 146, 153};
    for (const BuiltinString& s : BuiltinStrings()) {
        const std::string text = Unescape(eng.Get("STRING", std::to_string(s.id)), Escapes::LineBreaksTabs);
        if (polished.count(s.id))
            EXPECT_NE(text, s.text) << s.id;
        else
            EXPECT_EQ(text, s.text) << s.id;
        EXPECT_EQ(PlaceholderKinds(text), PlaceholderKinds(s.text)) << s.id;
    }
    for (const UiText& t : BuiltinUiTexts())
        EXPECT_EQ(eng.Get(SectionName(t.section), KeyName(t.key)), t.text) << SectionName(t.section) << " " << KeyName(t.key);
}

TEST(ShippedLanguages, TheLookupNamesShippedFilesForTheirLanguages)
{
    const IniFile lookup = IniFile::Load(LangFolder() + "/language_lookup.ini");
    ASSERT_TRUE(lookup.Loaded());
    EXPECT_EQ(lookup.Get("LANGUAGE", "0x0409"), "lang_eng.ini");
    EXPECT_EQ(lookup.Get("LANGUAGE", "0x0407"), "lang_deu.ini");
    EXPECT_EQ(lookup.Get("LANGUAGE", "0x040C"), "lang_fra.ini");
    EXPECT_EQ(lookup.Get("LANGUAGE", "0x0C0A"), "lang_esp.ini");
    EXPECT_EQ(lookup.Get("LANGUAGE", "0x0804"), "lang_chs.ini");
    for (const std::string& key : lookup.Keys("LANGUAGE")) {
        EXPECT_TRUE(platform::FileExists(LangFolder() + "/" + lookup.Get("LANGUAGE", key))) << key;
        EXPECT_EQ(FormatLanguageId(std::stoi(key, nullptr, 16)), key);
    }
    // Every locale that maps to a shipped language finds its file through the lookup.
    for (const auto& [locale, file] : std::vector<std::pair<const char*, const char*>>{
             {"de_CH.UTF-8", "lang_deu.ini"}, {"fr_BE", "lang_fra.ini"}, {"es_AR", "lang_esp.ini"},
             {"zh_SG", "lang_chs.ini"}, {"en_AU", "lang_eng.ini"}, {"ja_JP", "lang_eng.ini"}})
        EXPECT_EQ(ChooseLanguageFile(LangFolder(), "auto", true, LanguageIdFromLocale(locale)), file) << locale;
}

TEST(ShippedLanguages, TheMenuListsAllFiveWithTheirHelpPages)
{
    LanguageManager m(testenv::ProgramDir());
    const std::vector<LanguageEntry> table = m.LanguageTable();
    std::set<std::string> names;
    for (const LanguageEntry& e : table) {
        names.insert(e.displayName);
        EXPECT_EQ(platform::FileName(e.helpFile), e.fileName.substr(0, e.fileName.size() - 4) + ".html") << e.fileName;
        EXPECT_TRUE(platform::FileExists(e.helpFile)) << e.helpFile;
    }
    EXPECT_EQ(names, (std::set<std::string>{"English", "Deutsch", "Fran\xC3\xA7" "ais", "Espa\xC3\xB1ol",
                                            "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87"}));
    EXPECT_TRUE(platform::FileExists(HelpFileFor(m.HelpFolder(), "lang_ita.ini")));
}

TEST(ShippedLanguages, EveryLinkOfTheHelpPagesLeadsToAFile)
{
    const std::string help = testenv::ProgramDir() + "/Help";
    std::vector<std::string> pages = {help + "/Grimaze Help.html"};
    for (const char* name : kShipped) {
        const std::string title = std::string(name).substr(0, 8);
        pages.push_back(help + "/" + title + ".html");
        for (const char* page : {"templates", "export", "shortcuts"}) pages.push_back(help + "/" + title + "/" + page + ".html");
    }
    const std::regex link(R"re((?:href|src)="([^"#:]+)")re");
    for (const std::string& page : pages) {
        std::string text;
        ASSERT_TRUE(platform::ReadFile(page, text, 1 << 20)) << page;
        EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
        int links = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it, ++links) {
            std::string target = (*it)[1];
            for (size_t p; (p = target.find("%20")) != std::string::npos;) target.replace(p, 3, " ");
            EXPECT_TRUE(platform::FileExists(platform::ParentFolder(page) + "/" + target)) << page << " -> " << target;
        }
        EXPECT_GE(links, 3) << page;
    }
}

TEST(ShippedLanguages, AUtf16CopyWithCrLfReadsExactlyLikeTheOriginal)
{
    testenv::TempDir dir;
    for (const char* name : kShipped) {
        std::string utf8;
        ASSERT_TRUE(platform::ReadFile(LangFolder() + "/" + name, utf8, 1 << 20));
        ASSERT_TRUE(platform::WriteFileAtomically(dir / name, ToUtf16CrLf(utf8)));
        const IniFile a = IniFile::FromText(utf8), b = IniFile::Load(dir / name);
        ASSERT_EQ(a.Sections(), b.Sections()) << name;
        for (const std::string& s : a.Sections()) {
            ASSERT_EQ(a.Keys(s), b.Keys(s)) << name << " " << s;
            for (const std::string& k : a.Keys(s)) EXPECT_EQ(*a.GetRaw(s, k), *b.GetRaw(s, k)) << name << " " << s << " " << k;
        }
        EXPECT_TRUE(CheckLanguageFile(dir / name, LangFolder() + "/lang_eng.ini").Passed()) << name;
    }
}

TEST(ShippedLanguages, TranslationsReachTheUser)
{
    LanguageManager m(testenv::ProgramDir());
    ASSERT_TRUE(m.Use("lang_deu.ini"));
    EXPECT_EQ(m.LoadString(152), "M\xC3\xB6" "chten Sie Grimaze wirklich beenden?");
    EXPECT_EQ(m.FormatString(149, {2LL, 5LL, 300LL}).substr(0, 47), "Eine neue Version ist verf\xC3\xBCgbar.\nVersion: 2.05");
    EXPECT_EQ(m.TranslatePhrase("Oil Paint"), "\xC3\x96lgem\xC3\xA4lde");
    ASSERT_TRUE(m.Use("lang_fra.ini"));
    EXPECT_EQ(m.TranslatePhrase("Brush size"), "Taille du pinceau");
    ASSERT_TRUE(m.Use("lang_chs.ini"));
    EXPECT_EQ(m.LoadString(106), "\xE6\x89\x93\xE5\xBC\x80\xE5\x9B\xBE\xE5\x83\x8F\xE6\x96\x87\xE4\xBB\xB6\xEF\xBC\x8C"
                                 "\xE9\x80\x89\xE6\x8B\xA9\xE6\xA8\xA1\xE6\x9D\xBF\xE8\xBF\x9B\xE8\xA1\x8C\xE5\xA4\x84\xE7\x90\x86");
    ASSERT_TRUE(m.Use("lang_eng.ini"));
    EXPECT_EQ(m.LoadString(162), "Show Control Panel for adjusting template parameters ");
    EXPECT_EQ(m.LoadString(146), "\n\nChecking new version of %s online, please wait...");
}

TEST(CliText, PrintsStringsInTheChosenLanguage)
{
    CliRun r = Cli({"text", "152"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Are you sure you want to quit?\n");
    r = Cli({"text", "152", "--language", "lang_deu.ini"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "M\xC3\xB6" "chten Sie Grimaze wirklich beenden?\n");
    r = Cli({"text", "--phrase", "Snow", "--language", LangFolder() + "/lang_esp.ini"});
    EXPECT_EQ(r.out, "Nieve\n");

    EXPECT_EQ(Cli({"text", "9999"}).code, 1);
    EXPECT_EQ(Cli({"text", "x152"}).code, 2);
    EXPECT_EQ(Cli({"text"}).code, 2);
    r = Cli({"text", "152", "--language", "lang_zzz.ini"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("lang_zzz.ini"), std::string::npos);
}

TEST(CliLangCheck, PassesShippedFilesAndListsWhatAnotherLacks)
{
    for (const char* name : kShipped) {
        const CliRun r = Cli({"lang-check", name});
        EXPECT_EQ(r.code, 0) << name << "\n" << r.out;
        EXPECT_NE(r.out.find("0 missing, 0 errors, 0 warnings"), std::string::npos) << r.out;
    }
    testenv::TempDir dir;
    std::string text;
    ASSERT_TRUE(platform::ReadFile(LangFolder() + "/lang_deu.ini", text, 1 << 20));
    for (const std::string key : {"\n152=", "\nOil Paint=", "\n1006="}) {
        const size_t at = text.find(key);
        ASSERT_NE(at, std::string::npos);
        text.erase(at + 1, text.find('\n', at + 1) - at);
    }
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "lang_tst.ini", text));
    const CliRun r = Cli({"lang-check", dir / "lang_tst.ini"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("missing  [STRING] 152\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("missing  [DICTIONARY] Oil Paint\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("missing  [DIALOG_IDD_165] 1006\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("3 missing, 0 errors"), std::string::npos) << r.out;
    EXPECT_EQ(Cli({"lang-check", dir / "nothing.ini"}).code, 1);
    EXPECT_EQ(Cli({"lang-check"}).code, 2);
}
