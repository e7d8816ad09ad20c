#include "cli/Args.h"
#include "cli/Commands.h"

#include "i18n/LanguageManager.h"
#include "settings/GrimazeSettings.h"

#include <climits>
#include <cstdio>

using settings::GrimazeSettings;
using settings::LoadGrimazeSettings;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"language", 0, "FILE", ValueKind::File, "a language file: a name in the program's lang folder, or a path"},
    {"phrase", 0, "TEXT", ValueKind::Text, "print the DICTIONARY translation of TEXT instead of a message string"},
};

int Run(const Args& a)
{
    const std::optional<std::string> phrase = a.Value("phrase");
    long long id = 0;
    if (phrase) {
        if (!a.Positional().empty()) return Fail("text", "give either a string identifier or --phrase, not both", 2);
    } else {
        if (a.Positional().size() != 1) return Fail("text", "give one string identifier, for example: text 152", 2);
        if (!ParseInt(a.Positional()[0], id) || id < INT_MIN || id > INT_MAX)
            return Fail("text", "not a string identifier: \"" + a.Positional()[0] + "\"", 2);
    }

    i18n::LanguageManager& languages = i18n::Languages();
    if (const std::optional<std::string> file = a.Value("language")) {
        std::string error;
        if (!languages.Use(*file, &error)) return Fail("text", error, 1);
    } else {
        // Read-only: the command-line tool never writes the user's settings.
        LoadGrimazeSettings(false);
        std::string language = GrimazeSettings().language;
        languages.Choose(language, GrimazeSettings().languageAuto);
    }

    const std::string text = phrase ? languages.TranslatePhrase(*phrase) : languages.LoadString(static_cast<int>(id));
    if (text.empty()) return Fail("text", "there is no string " + std::to_string(id), 1);
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

}  // namespace

const CliCommand kTextCommand = {
    "text",
    "print a message string or phrase in a language, as the program shows it",
    "ID [--language FILE]\n--phrase TEXT [--language FILE]",
    "Prints message string ID (101 to 171), or the DICTIONARY translation of TEXT, as the\n"
    "program shows it: from the language file, else the built-in text.\n"
    "Without --language the language is chosen as at start-up, from the settings and the\n"
    "system language.\n",
    kOptions,
    ValueKind::Number,
    Run,
};

}  // namespace cli
