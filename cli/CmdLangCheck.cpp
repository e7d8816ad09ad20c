#include "cli/Args.h"
#include "cli/Commands.h"

#include "i18n/LangCheck.h"
#include "i18n/LanguageManager.h"
#include "platform/Folders.h"

#include <cstdio>

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"reference", 0, "FILE", ValueKind::File, "the language file to compare with (default: the program's lang/lang_eng.ini)"},
};

int Run(const Args& a)
{
    if (a.Positional().size() != 1) return Fail("lang-check", "give one language file", 2);

    const std::string& name = a.Positional()[0];
    const std::string folder = i18n::Languages().LanguageFolder();
    std::string path = name;
    if (name.find('/') == std::string::npos)
        if (std::string inFolder = i18n::FindFileInFolder(folder, name); !inFolder.empty()) path = inFolder;
    if (!platform::FileExists(path)) return Fail("lang-check", "no language file \"" + name + "\" (looked in " + folder + ")", 1);
    const std::string reference = a.Value("reference").value_or(platform::JoinPath(folder, "lang_eng.ini"));

    const i18n::LangCheckReport report = i18n::CheckLanguageFile(path, reference);
    std::printf("%s: %s\n", path.c_str(), report.displayName.empty() ? "(no display name)" : report.displayName.c_str());
    for (const std::string& m : report.missing) std::printf("missing  %s\n", m.c_str());
    for (const std::string& e : report.errors) std::printf("error    %s\n", e.c_str());
    for (const std::string& w : report.warnings) std::printf("warning  %s\n", w.c_str());
    std::printf("%zu missing, %zu errors, %zu warnings\n", report.missing.size(), report.errors.size(), report.warnings.size());
    return report.Passed() ? 0 : 1;
}

}  // namespace

const CliCommand kLangCheckCommand = {
    "lang-check",
    "list what a language file lacks (a translator's check)",
    "FILE [--reference FILE]",
    "Lists what the language file FILE lacks against the program's built-in texts and the\n"
    "keys of the reference (the program's lang/lang_eng.ini), and what the program could not\n"
    "use (placeholders that differ from the original, missing pictures). Warnings mark\n"
    "lines that are ignored and keys nothing looks up.\n"
    "FILE is a file name in the program's lang folder or a path.\n"
    "\n"
    "Exit code 0 when nothing is missing and nothing is wrong, else 1.\n",
    kOptions,
    ValueKind::File,
    Run,
};

}  // namespace cli
