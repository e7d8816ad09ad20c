// Typed settings, their INI storage and the program's own settings file.
#include "settings/GrimazeSettings.h"
#include "settings/SettingsStorageIni.h"

#include "i18n/IniFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Rand15.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <set>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace settings;

namespace {

// Points XDG_CONFIG_HOME at a folder for one test and collects what the settings tell the user.
class ConfigHome {
public:
    explicit ConfigHome(const std::string& folder)
    {
        if (const char* v = std::getenv("XDG_CONFIG_HOME")) old_ = v;
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        SetSettingsMessageHandler([this](const std::string& m) { messages.push_back(m); });
        GrimazeSettings() = CGrimazeSettings();
    }
    ~ConfigHome()
    {
        SetSettingsMessageHandler(nullptr);
        setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    }
    std::vector<std::string> messages;

private:
    std::string old_;
};

std::string ReadAll(const std::string& path)
{
    std::string s;
    platform::ReadFile(path, s, 64u << 20);
    return s;
}

struct Inner : CSettings {
    std::int32_t number = 0;
    std::string name;
    bool Exchange(bool c, CSettingsStorage& s, bool save, bool defaults) override
    {
        if (defaults) {
            *this = Inner();
            return true;
        }
        SettingsExchange x(c, s, save);
        x.Field("number", number, 0);
        x.Field("name", name, std::string());
        return x.Result();
    }
};

// One field of every kind the storage can exchange, plus both kinds of list.
struct AllKinds : CSettings {
    std::string text;
    std::wstring wide;
    bool flag = false;
    std::uint8_t u8 = 0;
    std::int8_t i8 = 0;
    std::uint16_t u16 = 0;
    std::int16_t i16 = 0;
    std::uint32_t u32 = 0;
    std::int32_t i32 = 0;
    long l = 0;
    unsigned long ul = 0;
    long long ll = 0;
    unsigned long long ull = 0;
    float f = 0;
    double d = 0;
    long double ld = 0;
    std::vector<std::uint8_t> blob;
    wchar_t buffer[6] = {};
    Inner inner;
    std::vector<std::string> names;
    std::vector<Inner> items;

    bool Exchange(bool c, CSettingsStorage& s, bool save, bool defaults) override
    {
        if (defaults) return true;
        bool ok = s.Exchange("text", text, save) && s.Exchange("wide", wide, save) && s.Exchange("flag", flag, save) &&
                  s.Exchange("u8", u8, save) && s.Exchange("i8", i8, save) && s.Exchange("u16", u16, save) &&
                  s.Exchange("i16", i16, save) && s.Exchange("u32", u32, save) && s.Exchange("i32", i32, save) &&
                  s.Exchange("l", l, save) && s.Exchange("ul", ul, save) && s.Exchange("ll", ll, save) &&
                  s.Exchange("ull", ull, save) && s.Exchange("f", f, save) && s.Exchange("d", d, save) &&
                  s.Exchange("ld", ld, save) && s.Exchange("blob", blob, save) &&
                  s.Exchange("buffer", std::span<wchar_t>(buffer), save) && s.Exchange("inner", inner, save);
        ok = ExchangeNames(s, save) && ok;
        ok = ExchangeItems(s, save) && ok;
        (void)c;
        return ok;
    }

    bool ExchangeNames(CSettingsStorage& s, bool save)
    {
        std::size_t count = names.size();
        auto list = save ? s.BeginWriteList("names", count) : s.BeginReadList("names", count);
        if (!list) return false;
        if (!save) names.assign(count, std::string());
        bool ok = true;
        for (std::size_t i = 0; i < count; ++i) ok = list->Exchange(CSettingsStorage::ItemName(i), names[i], save) && ok;
        return (save ? s.EndWriteList(std::move(list)) : s.EndReadList(std::move(list))) && ok;
    }

    bool ExchangeItems(CSettingsStorage& s, bool save)
    {
        std::size_t count = items.size();
        auto list = save ? s.BeginWriteList("items", count) : s.BeginReadList("items", count);
        if (!list) return false;
        if (!save) items.assign(count, Inner());
        bool ok = true;
        for (std::size_t i = 0; i < count; ++i) ok = CSettingsStorage::ExchangeItem(*list, i, items[i], save) && ok;
        return (save ? s.EndWriteList(std::move(list)) : s.EndReadList(std::move(list))) && ok;
    }
};

// A storage in memory whose values can be made to fail, for the failure rules.
struct MemoryStorage final : CSettingsStorage {
    std::map<std::string, StoredValue> values;
    std::set<std::string> failing;
    bool continueOnFailure = true;
    bool openable = true;
    std::vector<std::string> written;

    // Nested objects (the session) get a storage of their own that keeps nothing.
    std::unique_ptr<CSettingsStorage> CreateChild(const std::string&) override { return std::make_unique<MemoryStorage>(); }
    bool ContinueOnFailure() const override { return continueOnFailure; }
    bool OpenForWriting() override { return openable; }
    bool CloseAfterWriting() override { return true; }
    bool OpenForReading() override { return openable; }
    bool CloseAfterReading() override { return true; }
    bool ReadValue(const std::string& name, StoredValue& v) override
    {
        if (failing.count(name) || !values.count(name)) return false;
        v = values[name];
        return true;
    }
    bool WriteValue(const std::string& name, const StoredValue& v) override
    {
        if (failing.count(name)) return false;
        written.push_back(name);
        values[name] = v;
        return true;
    }
    void RemoveValue(const std::string& name) override { values.erase(name); }
};

}  // namespace

TEST(SettingsStorage, EveryKindSurvivesARoundTrip)
{
    testenv::TempDir dir;
    AllKinds a;
    a.text = " quoted \"text\" with \\ back, ;semi=colon, tab\t, line\nbreak, \x01 and bad \xFF byte ";
    a.wide = L"Gr\u00FC\u00DFe \U0001F600";
    a.flag = true;
    a.u8 = 255;
    a.i8 = -128;
    a.u16 = 65535;
    a.i16 = -32768;
    a.u32 = std::numeric_limits<std::uint32_t>::max();
    a.i32 = std::numeric_limits<std::int32_t>::min();
    a.l = std::numeric_limits<long>::min();
    a.ul = std::numeric_limits<unsigned long>::max();
    a.ll = -1234567890123LL;
    a.ull = 0xFEDCBA9876543210ULL;
    a.f = 3.25f;
    a.d = std::nan("7");
    a.ld = -0.125L;
    a.blob = {0, 1, 0x7F, 0x80, 0xFF};
    std::wcsncpy(a.buffer, L"abc", 6);
    a.inner.number = -5;
    a.inner.name = "nested";
    a.names = {"first", "", "=third="};
    a.items = {Inner(), Inner()};
    a.items[1].number = 42;
    a.items[1].name = "second";

    CSettingsStorageIni out(dir / "s.ini", "Root");
    ASSERT_TRUE(a.Save(out)) << out.LastError();

    AllKinds b;
    CSettingsStorageIni in(dir / "s.ini", "Root");
    ASSERT_TRUE(b.Load(in));
    EXPECT_EQ(b.text, a.text);
    EXPECT_EQ(b.wide, a.wide);
    EXPECT_EQ(b.flag, a.flag);
    EXPECT_EQ(b.u8, a.u8);
    EXPECT_EQ(b.i8, a.i8);
    EXPECT_EQ(b.u16, a.u16);
    EXPECT_EQ(b.i16, a.i16);
    EXPECT_EQ(b.u32, a.u32);
    EXPECT_EQ(b.i32, a.i32);
    EXPECT_EQ(b.l, a.l);
    EXPECT_EQ(b.ul, a.ul);
    EXPECT_EQ(b.ll, a.ll);
    EXPECT_EQ(b.ull, a.ull);
    EXPECT_EQ(b.f, a.f);
    EXPECT_EQ(std::memcmp(&b.d, &a.d, 8), 0);  // the NaN's bits too
    EXPECT_EQ(b.ld, a.ld);
    EXPECT_EQ(b.blob, a.blob);
    EXPECT_EQ(std::wstring(b.buffer), L"abc");
    EXPECT_EQ(b.inner.number, -5);
    EXPECT_EQ(b.inner.name, "nested");
    EXPECT_EQ(b.names, a.names);
    ASSERT_EQ(b.items.size(), 2u);
    EXPECT_EQ(b.items[1].number, 42);
    EXPECT_EQ(b.items[1].name, "second");

    // The kinds are visible in the file: words, text and blocks.
    const i18n::IniFile file = i18n::IniFile::Load(dir / "s.ini");
    EXPECT_EQ(*file.GetRaw("Root", "u8"), "dword:000000ff");
    EXPECT_EQ(*file.GetRaw("Root", "i8"), "dword:ffffff80");
    EXPECT_EQ(*file.GetRaw("Root", "flag"), "dword:00000001");
    EXPECT_EQ(*file.GetRaw("Root", "f"), "hex:00,00,00,00,00,00,0a,40");
    EXPECT_EQ(*file.GetRaw("Root", "blob"), "hex:00,01,7f,80,ff");
    EXPECT_EQ(*file.GetRaw("Root\\inner", "name"), "\"nested\"");
    EXPECT_EQ(*file.GetRaw("Root\\names", "Count"), "dword:00000003");
    EXPECT_EQ(*file.GetRaw("Root\\names", "Item.2"), "\"=third=\"");
    EXPECT_EQ(*file.GetRaw("Root\\items\\1", "number"), "dword:0000002a");
}

TEST(SettingsStorage, ShorterListsLeaveNoStaleItems)
{
    testenv::TempDir dir;
    AllKinds a;
    a.names = {"a", "b", "c", "d"};
    a.items.resize(3);
    CSettingsStorageIni s1(dir / "s.ini", "Root");
    ASSERT_TRUE(a.Save(s1));
    a.names = {"z"};
    a.items.resize(1);
    CSettingsStorageIni s2(dir / "s.ini", "Root");
    ASSERT_TRUE(a.Save(s2));
    const i18n::IniFile file = i18n::IniFile::Load(dir / "s.ini");
    EXPECT_EQ(file.Keys("Root\\names"), (std::vector<std::string>{"Count", "Item.0"}));
    EXPECT_FALSE(file.HasSection("Root\\items\\1"));
    EXPECT_FALSE(file.HasSection("Root\\items\\2"));
    EXPECT_TRUE(file.HasSection("Root\\items\\0"));
}

TEST(SettingsStorage, WrongKindsAndOutOfRangeWordsAreNotRead)
{
    testenv::TempDir dir;
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "s.ini",
                                              "[Root]\nbyte=dword:00000100\nsmall=dword:ffffffff\ntext=dword:1\nword=\"1\"\n"
                                              "plain=1\nblock=hex:01,02\nbadhex=hex:1,zz\ntrailing=hex:01,\nlong=dword:123456789\n"
                                              "[Root\\names]\nCount=dword:ffffffff\n"));
    CSettingsStorageIni s(dir / "s.ini", "Root");
    ASSERT_TRUE(s.OpenForReading());
    std::uint8_t byte = 7;
    EXPECT_FALSE(s.Exchange("byte", byte, false));
    EXPECT_EQ(byte, 7);
    std::int16_t small = 7;
    EXPECT_TRUE(s.Exchange("small", small, false));  // 0xffffffff is -1 for a signed field
    EXPECT_EQ(small, -1);
    std::uint16_t usmall = 7;
    EXPECT_FALSE(s.Exchange("small", usmall, false));
    std::string text = "kept";
    EXPECT_FALSE(s.Exchange("text", text, false));
    EXPECT_EQ(text, "kept");
    std::uint32_t word = 7;
    EXPECT_FALSE(s.Exchange("word", word, false));
    EXPECT_FALSE(s.Exchange("plain", word, false));
    EXPECT_FALSE(s.Exchange("long", word, false));
    double d = 1;
    EXPECT_FALSE(s.Exchange("block", d, false));  // two bytes are not a double
    std::vector<std::uint8_t> blob;
    EXPECT_FALSE(s.Exchange("badhex", blob, false));
    EXPECT_FALSE(s.Exchange("trailing", blob, false));
    std::size_t count = 0;
    EXPECT_EQ(s.BeginReadList("names", count), nullptr);  // a damaged count is refused
    EXPECT_TRUE(s.CloseAfterReading());

    // Saving a value that does not fit its stored kind fails instead of cutting it.
    CSettingsStorageIni w(dir / "s.ini", "Root");
    ASSERT_TRUE(w.OpenForWriting());
    long big = 1;
    EXPECT_TRUE(w.Exchange("big", big, true));
    wchar_t empty[1] = {};
    EXPECT_FALSE(w.Exchange("none", std::span<wchar_t>(empty, 0), true));
    EXPECT_FALSE(w.WriteValue("bad=name", StoredValue(1u)));
    EXPECT_FALSE(w.WriteValue(" padded", StoredValue(1u)));
    EXPECT_EQ(w.CreateChild("a]b"), nullptr);
    EXPECT_TRUE(w.CloseAfterWriting());
}

TEST(SettingsStorage, LongerStoredTextIsCutToTheWideBuffer)
{
    testenv::TempDir dir;
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "s.ini", "[Root]\nname=\"abcdefgh\"\n"));
    CSettingsStorageIni s(dir / "s.ini", "Root");
    ASSERT_TRUE(s.OpenForReading());
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_TRUE(s.Exchange("name", std::span<wchar_t>(buffer), false));
    EXPECT_EQ(std::wstring(buffer), L"abc");
}

TEST(GrimazeSettingsExchange, FailuresFollowTheContinueRule)
{
    CGrimazeSettings g;
    MemoryStorage m;
    m.values["language"] = StoredValue(std::string("lang_deu.ini"));
    m.values["languageAuto"] = StoredValue(std::uint32_t{0});
    ASSERT_TRUE(g.Load(m));
    EXPECT_EQ(g.language, "lang_deu.ini");
    EXPECT_FALSE(g.languageAuto);

    // Loading: a failed value takes its default, the next is still read.
    m.failing = {"language"};
    g.language = "x";
    EXPECT_TRUE(g.Load(m));
    EXPECT_EQ(g.language, "auto");
    EXPECT_FALSE(g.languageAuto);

    // Saving with continue: the result is failure but the next value is written.
    m.written.clear();
    EXPECT_FALSE(g.Save(m));
    EXPECT_EQ(m.written, (std::vector<std::string>{"languageAuto"}));

    // Without continue the exchange stops at the first failure.
    m.continueOnFailure = false;
    m.written.clear();
    EXPECT_FALSE(g.Save(m));
    EXPECT_TRUE(m.written.empty());
    g.languageAuto = false;
    EXPECT_FALSE(g.Load(m));
    EXPECT_FALSE(g.languageAuto);  // never reached

    // Defaults without touching the storage.
    MemoryStorage none;
    none.openable = false;
    EXPECT_TRUE(g.Exchange(true, none, false, true));
    EXPECT_EQ(g.language, "auto");
    EXPECT_TRUE(g.languageAuto);
}

TEST(GrimazeSettingsExchange, HooksSeeTheOpeningAndTheResult)
{
    struct Hooked : CGrimazeSettings {
        std::vector<std::string> calls;
        void BeforeLoad(bool o) override { calls.push_back(std::string("before-load ") + (o ? "1" : "0")); }
        void AfterLoad(bool r) override { calls.push_back(std::string("after-load ") + (r ? "1" : "0")); }
        void BeforeSave(bool o) override { calls.push_back(std::string("before-save ") + (o ? "1" : "0")); }
        void AfterSave(bool r) override { calls.push_back(std::string("after-save ") + (r ? "1" : "0")); }
    };
    Hooked h;
    MemoryStorage m;
    EXPECT_TRUE(h.Save(m));
    EXPECT_TRUE(h.Load(m));
    m.openable = false;
    h.language = "kept";
    EXPECT_FALSE(h.Load(m));
    EXPECT_EQ(h.language, "kept");
    EXPECT_EQ(h.calls, (std::vector<std::string>{"before-save 1", "after-save 1", "before-load 1", "after-load 1",
                                                 "before-load 0", "after-load 0"}));
}

TEST(GrimazeSettingsFile, FirstRunUsesDefaultsAndExitWritesTheFile)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    GrimazeSettings().language = "junk";
    EXPECT_FALSE(LoadGrimazeSettings());
    EXPECT_EQ(GrimazeSettings().language, "auto");
    EXPECT_TRUE(GrimazeSettings().languageAuto);
    EXPECT_TRUE(GrimazeSettings().updateCheck);
    EXPECT_FALSE(GrimazeSettings().showHidden);
    EXPECT_FALSE(platform::FileExists(SettingsFilePath()));  // loading creates nothing
    EXPECT_TRUE(config.messages.empty());

    GrimazeSettings().language = "lang_fra.ini";
    GrimazeSettings().languageAuto = false;
    ASSERT_TRUE(SaveGrimazeSettings());
    EXPECT_EQ(SettingsFilePath(), home / "Kestrovo/Grimaze.ini");
    const i18n::IniFile file = i18n::IniFile::Load(SettingsFilePath());
    EXPECT_EQ(*file.GetRaw("Software\\Kestrovo\\Grimaze", "language"), "\"lang_fra.ini\"");
    EXPECT_EQ(*file.GetRaw("Software\\Kestrovo\\Grimaze", "languageAuto"), "dword:00000000");
    // Written through a temporary file that is gone.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(home / "Kestrovo")) names.push_back(e.path().filename());
    EXPECT_EQ(names, (std::vector<std::string>{"Grimaze.ini"}));

    GrimazeSettings() = CGrimazeSettings();
    EXPECT_TRUE(LoadGrimazeSettings());
    EXPECT_EQ(GrimazeSettings().language, "lang_fra.ini");
    EXPECT_FALSE(GrimazeSettings().languageAuto);
    EXPECT_TRUE(config.messages.empty());
}

TEST(GrimazeSettingsFile, HandWrittenWrongKindsFallBackToTheDefaults)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    ASSERT_TRUE(platform::MakeFolders(home / "Kestrovo"));
    const auto load = [&](const std::string& body) {
        EXPECT_TRUE(platform::WriteFileAtomically(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\n" + body));
        GrimazeSettings().language = "before";
        GrimazeSettings().languageAuto = false;
        LoadGrimazeSettings();
        return std::make_pair(GrimazeSettings().language, GrimazeSettings().languageAuto);
    };
    EXPECT_EQ(load("language=dword:00000001\nlanguageAuto=\"no\"\n"), std::make_pair(std::string("auto"), true));
    EXPECT_EQ(load("language=lang_deu.ini\nlanguageAuto=0\n"), std::make_pair(std::string("auto"), true));
    EXPECT_EQ(load("language=hex:41\nlanguageAuto=hex:00\n"), std::make_pair(std::string("auto"), true));
    // A stored 0 makes the language follow the stored name.
    EXPECT_EQ(load("LANGUAGE=\"lang_deu.ini\"\nlanguageauto=dword:0\n"), std::make_pair(std::string("lang_deu.ini"), false));
    EXPECT_EQ(load("languageAuto=dword:00000002\n"), std::make_pair(std::string("auto"), true));
    EXPECT_TRUE(config.messages.empty());
}

TEST(GrimazeSettingsFile, SavingKeepsWhatElseTheFileHolds)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    ASSERT_TRUE(platform::MakeFolders(home / "Kestrovo"));
    const std::string longKey(5000, 'k');
    ASSERT_TRUE(platform::WriteFileAtomically(SettingsFilePath(),
                                              "; mine\r\n[Other]\r\nx=\"1\"\r\n[Software\\Kestrovo\\Grimaze]\r\nlanguage=\"lang_esp.ini\"\r\n"
                                              "future=dword:00000005\r\n" + longKey + "=\"long\"\r\n"));
    LoadGrimazeSettings();
    EXPECT_EQ(GrimazeSettings().language, "lang_esp.ini");
    ASSERT_TRUE(SaveGrimazeSettings());
    const i18n::IniFile file = i18n::IniFile::Load(SettingsFilePath());
    EXPECT_EQ(*file.GetRaw("Other", "x"), "\"1\"");
    EXPECT_EQ(*file.GetRaw("Software\\Kestrovo\\Grimaze", "future"), "dword:00000005");
    EXPECT_EQ(*file.GetRaw("Software\\Kestrovo\\Grimaze", longKey), "\"long\"");
    EXPECT_EQ(*file.GetRaw("Software\\Kestrovo\\Grimaze", "languageAuto"), "dword:00000001");
    EXPECT_FALSE(platform::FileExists(SettingsFilePath() + ".bak"));  // nothing was lost, so no copy
}

TEST(GrimazeSettingsFile, AGarbageFileIsKeptAsABackupBeforeItIsReplaced)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    ASSERT_TRUE(platform::MakeFolders(home / "Kestrovo"));
    platform::Rand15 rand(99);
    std::string garbage(10u << 20, '\0');
    for (char& c : garbage) c = static_cast<char>(rand.Next() & 0xFF);
    ASSERT_TRUE(platform::WriteFileAtomically(SettingsFilePath(), garbage));

    LoadGrimazeSettings();
    EXPECT_EQ(GrimazeSettings().language, "auto");
    ASSERT_TRUE(SaveGrimazeSettings());
    EXPECT_EQ(ReadAll(SettingsFilePath() + ".bak"), garbage);
    EXPECT_EQ(i18n::IniFile::Load(SettingsFilePath()).Get("Software\\Kestrovo\\Grimaze", "language"), "auto");
    EXPECT_TRUE(config.messages.empty());
}

TEST(GrimazeSettingsFile, AnUnreadableFileIsNeverOverwritten)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    // A folder where the file should be: it cannot be read, and must not be replaced.
    ASSERT_TRUE(platform::MakeFolders(SettingsFilePath()));
    ASSERT_TRUE(platform::WriteFileAtomically(SettingsFilePath() + "/inside", "keep"));
    GrimazeSettings().language = "x";
    EXPECT_FALSE(LoadGrimazeSettings());
    EXPECT_EQ(GrimazeSettings().language, "auto");
    ASSERT_EQ(config.messages.size(), 1u);
    EXPECT_NE(config.messages[0].find("Settings will not be saved"), std::string::npos);
    EXPECT_FALSE(SaveGrimazeSettings());
    EXPECT_EQ(config.messages.size(), 1u);  // said once
    EXPECT_EQ(ReadAll(SettingsFilePath() + "/inside"), "keep");

    // The storage itself refuses to write over what it could not read.
    CSettingsStorageIni s(SettingsFilePath(), kSettingsSection);
    EXPECT_FALSE(s.OpenForWriting());
}

TEST(GrimazeSettingsFile, AConfigFolderThatCannotBeCreatedMeansDefaults)
{
    testenv::TempDir home;
    ASSERT_TRUE(platform::WriteFileAtomically(home / "notafolder", "x"));
    ConfigHome config(home / "notafolder");
    EXPECT_FALSE(LoadGrimazeSettings());
    EXPECT_EQ(GrimazeSettings().language, "auto");
    ASSERT_EQ(config.messages.size(), 1u);
    EXPECT_NE(config.messages[0].find("not a folder"), std::string::npos) << config.messages[0];
    EXPECT_FALSE(SaveGrimazeSettings());
    EXPECT_EQ(config.messages.size(), 1u);
    EXPECT_EQ(ReadAll(home / "notafolder"), "x");

    // Without saving later (grimaze-cli) nothing is said at all.
    config.messages.clear();
    LoadGrimazeSettings(false);
    EXPECT_TRUE(config.messages.empty());
}

TEST(GrimazeSettingsFile, AReadOnlyConfigFolderIsReportedOnce)
{
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    testenv::TempDir home;
    ASSERT_TRUE(platform::MakeFolders(home / "Kestrovo"));
    ASSERT_EQ(chmod((home / "Kestrovo").c_str(), 0555), 0);
    ConfigHome config(home.path());
    LoadGrimazeSettings();
    EXPECT_EQ(config.messages.size(), 1u);
    EXPECT_FALSE(SaveGrimazeSettings());
    EXPECT_EQ(config.messages.size(), 1u);
    chmod((home / "Kestrovo").c_str(), 0755);
}

TEST(GrimazeSettingsFile, AFailedSaveSaysSo)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    LoadGrimazeSettings();
    ASSERT_TRUE(config.messages.empty());
    // The folder turns into a file while the program runs.
    ASSERT_TRUE(platform::WriteFileAtomically(home / "Kestrovo", "in the way"));
    EXPECT_FALSE(SaveGrimazeSettings());
    ASSERT_EQ(config.messages.size(), 1u);
    EXPECT_EQ(config.messages[0].rfind("Save project settings error!\n", 0), 0u) << config.messages[0];
    EXPECT_NE(config.messages[0].find(home / "Kestrovo"), std::string::npos) << config.messages[0];
    EXPECT_EQ(ReadAll(home / "Kestrovo"), "in the way");
}

TEST(GrimazeSettingsFile, APipeInPlaceOfTheFileIsNotWaitedFor)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    ASSERT_TRUE(platform::MakeFolders(home / "Kestrovo"));
    bool loaded = true;
    const bool returned = testenv::ReturnsPromptlyOnFifo(SettingsFilePath(), [&] { loaded = LoadGrimazeSettings(); });
    EXPECT_TRUE(returned) << "loading the settings waited for someone to write into the pipe";
    EXPECT_FALSE(loaded);
    EXPECT_EQ(GrimazeSettings().language, "auto");
    ASSERT_EQ(config.messages.size(), 1u);
    EXPECT_NE(config.messages[0].find("Settings will not be saved"), std::string::npos) << config.messages[0];
    EXPECT_FALSE(SaveGrimazeSettings());  // the pipe is never replaced
    struct stat st {};
    ASSERT_EQ(lstat(SettingsFilePath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(GrimazeSettingsFile, ASessionLoadsFirstAndSavesLast)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    ASSERT_TRUE(platform::MakeFolders(home / "Kestrovo"));
    // Written on another system: UTF-16 with CRLF.
    const std::u16string text = u"[Software\\Kestrovo\\Grimaze]\r\nlanguage=\"lang_chs.ini\"\r\nlanguageAuto=dword:00000000\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    ASSERT_TRUE(platform::WriteFileAtomically(SettingsFilePath(), bytes));
    {
        SettingsSession session;
        EXPECT_EQ(GrimazeSettings().language, "lang_chs.ini");
        EXPECT_FALSE(GrimazeSettings().languageAuto);
        GrimazeSettings().language = "lang_deu.ini";
    }
    EXPECT_EQ(i18n::IniFile::Load(SettingsFilePath()).Get(kSettingsSection, "language"), "lang_deu.ini");
    {
        SettingsSession readOnly(false);
        GrimazeSettings().language = "lang_fra.ini";
    }
    EXPECT_EQ(i18n::IniFile::Load(SettingsFilePath()).Get(kSettingsSection, "language"), "lang_deu.ini");
}

TEST(SessionSettings, TheSessionSurvivesARunAndDamagedValuesReadAsDefaults)
{
    testenv::TempDir home;
    ConfigHome config(home.path());
    LoadGrimazeSettings();
    CSessionSettings& s = GrimazeSettings().session;
    EXPECT_FALSE(s.HasWindowGeometry());
    EXPECT_EQ(s.jpegQuality, 92);
    EXPECT_TRUE(s.controlPanel);
    s.windowX = -20;
    s.windowY = 40;
    s.windowWidth = 1100;
    s.windowHeight = 700;
    s.windowMaximised = true;
    s.openFolder = home / "Bilder mit Ümlaut";
    s.exportFolder = home / "out";
    s.exportFormat = "png";
    s.jpegQuality = 75;
    s.gifMaxWidth = 320;
    s.gifMaxHeight = 240;
    s.gifDelay = 8;
    s.controlPanel = false;
    s.category = "Face fun";
    s.exportLongSide = 1600;
    s.exportKeepOpen = true;
    for (int i = 0; i < 12; ++i) s.recentPhotos.push_back(home / ("photo " + std::to_string(i) + ".jpg"));
    ASSERT_TRUE(SaveGrimazeSettings());
    const i18n::IniFile file = i18n::IniFile::Load(SettingsFilePath());
    EXPECT_EQ(*file.GetRaw("Software\\Kestrovo\\Grimaze\\Session", "jpegQuality"), "dword:0000004b");

    GrimazeSettings() = CGrimazeSettings();
    ASSERT_TRUE(LoadGrimazeSettings());
    const CSessionSettings& r = GrimazeSettings().session;
    EXPECT_EQ(std::make_tuple(r.windowX, r.windowY, r.windowWidth, r.windowHeight, r.windowMaximised),
              std::make_tuple(-20, 40, 1100, 700, true));
    EXPECT_EQ(r.openFolder, home / "Bilder mit Ümlaut");
    EXPECT_EQ(r.exportFolder, home / "out");
    EXPECT_EQ(std::make_tuple(r.exportFormat, r.jpegQuality, r.gifMaxWidth, r.gifMaxHeight, r.gifDelay),
              std::make_tuple(std::string("png"), 75, 320, 240, 8));
    EXPECT_FALSE(r.controlPanel);
    EXPECT_EQ(r.category, "Face fun");
    EXPECT_EQ(std::make_tuple(r.exportLongSide, r.exportKeepOpen), std::make_tuple(1600, true));
    // The menu's ten, newest first.
    ASSERT_EQ(r.recentPhotos.size(), 10u);
    EXPECT_EQ(r.recentPhotos.front(), home / "photo 0.jpg");
    EXPECT_EQ(r.recentPhotos.back(), home / "photo 9.jpg");

    // Values of the wrong kind or out of range, as a damaged or hand-edited file has them.
    ASSERT_TRUE(platform::WriteFileAtomically(
        SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\nlanguage=\"lang_deu.ini\"\n"
                            "[Software\\Kestrovo\\Grimaze\\Session]\nwindowWidth=dword:ffffffff\nwindowHeight=dword:00000300\n"
                            "windowX=\"left\"\nexportFormat=\"exe\"\njpegQuality=dword:00000000\ngifMaxWidth=dword:7fffffff\n"
                            "gifDelay=hex:01\ncontrolPanel=\"yes\"\ncategory=dword:00000001\n"
                            "exportLongSide=dword:00000005\nexportKeepOpen=\"on\"\n"
                            "[Software\\Kestrovo\\Grimaze\\Session\\recentPhotos]\nCount=dword:00000004\n"
                            "Item.0=\"/photos/a.jpg\"\nItem.1=dword:00000001\nItem.2=\"/photos/a.jpg\"\nItem.3=\"relative.jpg\"\n"));
    GrimazeSettings() = CGrimazeSettings();
    LoadGrimazeSettings();
    const CSessionSettings d;
    const CSessionSettings& b = GrimazeSettings().session;
    EXPECT_EQ(GrimazeSettings().language, "lang_deu.ini");  // the rest of the file still counts
    EXPECT_FALSE(b.HasWindowGeometry());
    EXPECT_EQ(b.exportFormat, d.exportFormat);
    EXPECT_EQ(b.jpegQuality, d.jpegQuality);
    EXPECT_EQ(b.gifMaxWidth, d.gifMaxWidth);
    EXPECT_EQ(b.gifDelay, d.gifDelay);
    EXPECT_EQ(b.controlPanel, d.controlPanel);
    EXPECT_EQ(b.category, d.category);
    EXPECT_EQ(b.exportLongSide, d.exportLongSide);
    EXPECT_EQ(b.exportKeepOpen, d.exportKeepOpen);
    // Of the damaged list only the good entry stays, once.
    EXPECT_EQ(b.recentPhotos, std::vector<std::string>{"/photos/a.jpg"});
    EXPECT_TRUE(config.messages.empty());

    // A count no run would have written reads as no list at all.
    ASSERT_TRUE(platform::WriteFileAtomically(
        SettingsFilePath(), "[Software\\Kestrovo\\Grimaze\\Session\\recentPhotos]\nCount=dword:ffffffff\nItem.0=\"/a.jpg\"\n"));
    GrimazeSettings() = CGrimazeSettings();
    LoadGrimazeSettings();
    EXPECT_TRUE(GrimazeSettings().session.recentPhotos.empty());
}
