#include "i18n/LangCheck.h"

#include "i18n/BuiltinStrings.h"
#include "i18n/IniFile.h"
#include "i18n/LanguageManager.h"
#include "i18n/UiTexts.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <set>

namespace i18n {
namespace {

std::string Where(std::string_view section, std::string_view key)
{
    return "[" + std::string(section) + "] " + std::string(CutChars(key, 80));
}

std::string Describe(std::string_view kinds)
{
    std::string s;
    for (char k : kinds) {
        if (!s.empty()) s += ", ";
        s += k == 's' ? "text" : k == 'd' ? "number" : "unknown";
    }
    return s.empty() ? std::string("none") : s;
}

size_t CountChars(std::string_view s)
{
    size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

LangCheckReport CheckLanguageFile(const std::string& path, const std::string& referencePath)
{
    LangCheckReport report;
    std::string error;
    const IniFile file = IniFile::Load(path, &error);
    if (!file.Loaded()) {
        report.errors.push_back("cannot read the file: " + error);
        return report;
    }

    IniFile reference;
    if (!referencePath.empty()) reference = IniFile::Load(referencePath, &error);
    if (!reference.Loaded())
        report.warnings.push_back("no reference file" + (referencePath.empty() ? std::string() : " (" + error + ")") +
                                  "; checked against the built-in texts only");

    // Every key the program looks up (or the reference carries), section by section.
    std::set<std::pair<std::string, std::string>> expected;
    const auto expect = [&](std::string section, std::string key) {
        expected.emplace(platform::ToLowerAscii(section), platform::ToLowerAscii(key));
    };

    report.displayName = file.Get("General", "Language");
    expect("General", "Language");
    if (report.displayName.empty()) report.missing.push_back(Where("General", "Language") + " (the file is not offered in the Language menu)");

    for (const BuiltinString& s : BuiltinStrings()) {
        const std::string key = std::to_string(s.id);
        expect("STRING", key);
        const std::string v = file.Get("STRING", key);
        if (v.empty()) {
            report.missing.push_back(Where("STRING", key));
            continue;
        }
        const std::string want = PlaceholderKinds(s.text), have = PlaceholderKinds(Unescape(v, Escapes::LineBreaksTabs));
        if (want != have)
            report.errors.push_back(Where("STRING", key) + ": placeholders (" + Describe(have) + ") differ from the original's (" +
                                    Describe(want) + "); the program will show the built-in text instead");
    }

    for (const UiText& t : BuiltinUiTexts()) {
        const std::string section = SectionName(t.section), key = KeyName(t.key);
        expect(section, key);
        if (file.Get(section, key).empty()) report.missing.push_back(Where(section, key));
    }

    for (const std::string& section : reference.Sections()) {
        for (const std::string& key : reference.Keys(section)) {
            if (reference.Get(section, key).empty()) continue;
            const bool known = expected.count({platform::ToLowerAscii(section), platform::ToLowerAscii(key)}) > 0;
            expect(section, key);
            if (!known && file.Get(section, key).empty()) report.missing.push_back(Where(section, key));
        }
    }

    const std::string folder = path.find('/') == std::string::npos ? std::string(".") : platform::ParentFolder(path);
    for (const std::string& section : file.Sections()) {
        const bool pictures = platform::EqualsNoCase(section, "BITMAP") || platform::EqualsNoCase(section, "IMAGE");
        for (const std::string& key : file.Keys(section)) {
            const std::string* raw = file.GetRaw(section, key);
            if (raw && CountChars(*raw) > IniFile::kMaxValueChars)
                report.warnings.push_back(Where(section, key) + ": longer than 1023 characters, the rest is cut off");
            if (pictures) {
                const std::string name = file.Get(section, key);
                if (!name.empty() && FindFileInFolder(folder, name).empty())
                    report.errors.push_back(Where(section, key) + ": picture \"" + name + "\" is not in " + folder);
                continue;
            }
            if (!expected.count({platform::ToLowerAscii(section), platform::ToLowerAscii(key)}))
                report.warnings.push_back(Where(section, key) + ": not a text the program or the reference uses");
        }
    }
    for (const IniFile::Problem& p : file.Problems())
        report.warnings.push_back("line " + std::to_string(p.line) + ": " + p.what);
    return report;
}

}  // namespace i18n
