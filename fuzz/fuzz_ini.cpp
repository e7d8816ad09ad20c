// SPDX-License-Identifier: MIT
// INI files, both kinds the program reads. Every input is used twice:
//  - as a language file: made current, every message looked up and formatted, every value read
//    with each escape rule, and checked as a translator's check would;
//  - as the settings file: loaded, saved as at exit, loaded again. The values read the second time
//    must be the ones read the first time.
#include "fuzz/FuzzSupport.h"
#include "i18n/BuiltinStrings.h"
#include "i18n/IniFile.h"
#include "i18n/LangCheck.h"
#include "i18n/LanguageManager.h"
#include "platform/Folders.h"
#include "settings/GrimazeSettings.h"

#include <cstdlib>
#include <string>
#include <vector>

using settings::GrimazeSettings;
using settings::LoadGrimazeSettings;
using settings::SaveGrimazeSettings;
using settings::SetSettingsMessageHandler;
using settings::SettingsFilePath;

namespace {

std::string g_program, g_reference;

std::vector<i18n::FormatArg> ArgsFor(std::string_view kinds)
{
    std::vector<i18n::FormatArg> args;
    for (char k : kinds) {
        if (k == 's') args.emplace_back(std::string_view("text"));
        else args.emplace_back(-42LL);
    }
    return args;
}

void UseAsLanguageFile(std::string_view text)
{
    const std::string file = g_program + "/lang/lang_fuz.ini";
    fuzz::WriteBytes(file, text);
    i18n::LanguageManager manager(g_program);
    std::string error;
    if (!manager.Use("lang_fuz.ini", &error)) return;
    for (const i18n::BuiltinString& s : i18n::BuiltinStrings()) {
        (void)manager.LoadString(s.id);
        const std::string kinds = i18n::PlaceholderKinds(s.text);
        const std::vector<i18n::FormatArg> args = ArgsFor(kinds);
        if (args.size() == 0) (void)manager.FormatString(s.id, {});
        else if (args.size() == 1) (void)manager.FormatString(s.id, {args[0]});
        else if (args.size() == 2) (void)manager.FormatString(s.id, {args[0], args[1]});
    }
    const std::shared_ptr<const i18n::IniFile> ini = manager.Current();
    if (!ini) return;
    for (const std::string& section : ini->Sections())
        for (const std::string& key : ini->Keys(section)) {
            const std::string value = ini->Get(section, key);
            (void)ini->GetRaw(section, key);
            (void)ini->GetInt(section, key, -1);
            (void)manager.TranslatePhrase(key);
            for (auto rule : {i18n::Escapes::None, i18n::Escapes::LineBreaks, i18n::Escapes::LineBreaksTabs}) {
                const std::string unescaped = i18n::Unescape(value, rule);
                const std::string kinds = i18n::PlaceholderKinds(unescaped);
                if (kinds.find('?') == std::string::npos) (void)i18n::FormatText(unescaped, ArgsFor(kinds));
            }
            const int number = std::atoi(key.c_str());
            (void)manager.BitmapFile(number);
            (void)manager.ImageFile(number);
        }
    (void)i18n::CheckLanguageFile(file, g_reference);
}

void UseAsSettingsFile(std::string_view text)
{
    const std::string folder = platform::ConfigHome() + "/Kestrovo";
    fuzz::EmptyFolder(folder);
    fuzz::WriteBytes(SettingsFilePath(), text);
    LoadGrimazeSettings(true);
    const std::string language = GrimazeSettings().language;
    const bool automatic = GrimazeSettings().languageAuto;
    SaveGrimazeSettings();
    LoadGrimazeSettings(false);
    if (GrimazeSettings().language != language || GrimazeSettings().languageAuto != automatic)
        fuzz::Fail("the saved settings read back as other values: language \"" + language + "\" became \"" +
                   GrimazeSettings().language + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const std::string& box = fuzz::Sandbox();
    g_program = box + "/program";
    g_reference = std::string(GRIMAZE_SOURCE_DIR) + "/media/lang/lang_eng.ini";
    platform::MakeFolders(g_program + "/lang");
    platform::MakeFolders(g_program + "/Help");
    platform::MakeFolders(platform::ConfigHome() + "/Kestrovo");
    SetSettingsMessageHandler([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::AsText(data, size);
    UseAsLanguageFile(text);
    UseAsSettingsFile(text);
    return 0;
}
