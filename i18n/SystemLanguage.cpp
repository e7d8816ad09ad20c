#include "i18n/SystemLanguage.h"

#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>

namespace i18n {
namespace {

struct LocaleId {
    std::string_view language;   // ISO 639 code, lower case
    std::string_view territory;  // ISO 3166 code, upper case; "" is the language's default
    int id;
};

// The first row of each language has no territory and is used when the locale names none
// or one the table does not list. Identifiers are primary language | sublanguage << 10.
constexpr LocaleId kLocales[] = {
    {"en", "", 0x0409}, {"en", "US", 0x0409}, {"en", "GB", 0x0809}, {"en", "AU", 0x0C09}, {"en", "CA", 0x1009},
    {"en", "NZ", 0x1409}, {"en", "IE", 0x1809}, {"en", "ZA", 0x1C09}, {"en", "JM", 0x2009}, {"en", "BZ", 0x2809},
    {"en", "TT", 0x2C09}, {"en", "ZW", 0x3009}, {"en", "PH", 0x3409}, {"en", "IN", 0x4009}, {"en", "MY", 0x4409},
    {"en", "SG", 0x4809},
    {"de", "", 0x0407}, {"de", "DE", 0x0407}, {"de", "CH", 0x0807}, {"de", "AT", 0x0C07}, {"de", "LU", 0x1007},
    {"de", "LI", 0x1407},
    {"fr", "", 0x040C}, {"fr", "FR", 0x040C}, {"fr", "BE", 0x080C}, {"fr", "CA", 0x0C0C}, {"fr", "CH", 0x100C},
    {"fr", "LU", 0x140C}, {"fr", "MC", 0x180C},
    // Spain reports the modern sort order (0x0C0A); 0x040A is the traditional one.
    {"es", "", 0x0C0A}, {"es", "ES", 0x0C0A}, {"es", "MX", 0x080A}, {"es", "GT", 0x100A}, {"es", "CR", 0x140A},
    {"es", "PA", 0x180A}, {"es", "DO", 0x1C0A}, {"es", "VE", 0x200A}, {"es", "CO", 0x240A}, {"es", "PE", 0x280A},
    {"es", "AR", 0x2C0A}, {"es", "EC", 0x300A}, {"es", "CL", 0x340A}, {"es", "UY", 0x380A}, {"es", "PY", 0x3C0A},
    {"es", "BO", 0x400A}, {"es", "SV", 0x440A}, {"es", "HN", 0x480A}, {"es", "NI", 0x4C0A}, {"es", "PR", 0x500A},
    {"es", "US", 0x540A},
    {"zh", "", 0x0804}, {"zh", "CN", 0x0804}, {"zh", "SG", 0x1004}, {"zh", "TW", 0x0404}, {"zh", "HK", 0x0C04},
    {"zh", "MO", 0x1404},
    {"it", "", 0x0410}, {"it", "IT", 0x0410}, {"it", "CH", 0x0810},
    {"pt", "", 0x0816}, {"pt", "PT", 0x0816}, {"pt", "BR", 0x0416},
    {"nl", "", 0x0413}, {"nl", "NL", 0x0413}, {"nl", "BE", 0x0813},
    {"sv", "", 0x041D}, {"sv", "SE", 0x041D}, {"sv", "FI", 0x081D},
    {"ja", "", 0x0411}, {"ko", "", 0x0412}, {"ru", "", 0x0419}, {"pl", "", 0x0415}, {"da", "", 0x0406},
    {"nb", "", 0x0414}, {"no", "", 0x0414}, {"nn", "", 0x0814}, {"fi", "", 0x040B}, {"cs", "", 0x0405},
    {"sk", "", 0x041B}, {"hu", "", 0x040E}, {"el", "", 0x0408}, {"tr", "", 0x041F}, {"uk", "", 0x0422},
    {"be", "", 0x0423}, {"bg", "", 0x0402}, {"ro", "", 0x0418}, {"hr", "", 0x041A}, {"sl", "", 0x0424},
    {"et", "", 0x0425}, {"lv", "", 0x0426}, {"lt", "", 0x0427}, {"is", "", 0x040F}, {"ga", "", 0x083C},
    {"ca", "", 0x0403}, {"eu", "", 0x042D}, {"gl", "", 0x0456}, {"he", "", 0x040D}, {"th", "", 0x041E},
    {"vi", "", 0x042A}, {"id", "", 0x0421}, {"ms", "", 0x043E}, {"hi", "", 0x0439}, {"bn", "", 0x0445},
    {"ta", "", 0x0449}, {"fa", "", 0x0429}, {"ur", "", 0x0420}, {"af", "", 0x0436}, {"sq", "", 0x041C},
    {"mk", "", 0x042F}, {"ka", "", 0x0437}, {"hy", "", 0x042B}, {"kk", "", 0x043F}, {"sw", "", 0x0441},
    {"fil", "", 0x0464}, {"tl", "", 0x0464},
    {"ar", "", 0x0401}, {"ar", "SA", 0x0401}, {"ar", "IQ", 0x0801}, {"ar", "EG", 0x0C01}, {"ar", "LY", 0x1001},
    {"ar", "DZ", 0x1401}, {"ar", "MA", 0x1801}, {"ar", "TN", 0x1C01}, {"ar", "OM", 0x2001}, {"ar", "YE", 0x2401},
    {"ar", "SY", 0x2801}, {"ar", "JO", 0x2C01}, {"ar", "LB", 0x3001}, {"ar", "KW", 0x3401}, {"ar", "AE", 0x3801},
    {"ar", "BH", 0x3C01}, {"ar", "QA", 0x4001},
    // Serbian: Cyrillic unless the locale asks for the Latin script (sr_RS@latin).
    {"sr", "", 0x0C1A}, {"sr", "@latin", 0x081A},
};

}  // namespace

int LanguageIdFromLocale(std::string_view locale)
{
    // language[_territory][.codeset][@modifier]; some systems write "pt-BR".
    std::string_view modifier;
    if (const size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at);
        locale = locale.substr(0, at);
    }
    if (const size_t dot = locale.find('.'); dot != std::string_view::npos) locale = locale.substr(0, dot);
    if (locale.empty() || locale == "C" || locale == "POSIX") return kDefaultLanguageId;

    const size_t sep = locale.find_first_of("_-");
    const std::string language = platform::ToLowerAscii(locale.substr(0, sep));
    std::string territory = sep == std::string_view::npos ? std::string() : std::string(locale.substr(sep + 1));
    for (char& c : territory)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');

    int fallback = 0;
    for (const LocaleId& l : kLocales) {
        if (l.language != language) continue;
        if (l.territory.empty() && !fallback) fallback = l.id;
        if (!territory.empty() && l.territory == territory) return l.id;
        if (!modifier.empty() && platform::EqualsNoCase(l.territory, modifier)) return l.id;
    }
    return fallback;
}

int SystemLanguageId()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return LanguageIdFromLocale(v);
    }
    return kDefaultLanguageId;
}

std::string FormatLanguageId(int id)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(id) & 0xFFFFu);
    return buf;
}

}  // namespace i18n
