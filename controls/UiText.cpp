#include "controls/UiText.h"

#include "i18n/LanguageManager.h"
#include "i18n/UiTexts.h"

namespace controls {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The current language file, falling back on the built-in texts for what it lacks.
class LanguageProvider final : public TextProvider {
public:
    QString String(int id) const override { return Q(i18n::Languages().LoadString(id)); }
    QString Phrase(const QString& text) const override
    {
        return Q(i18n::Languages().TranslatePhrase(text.toStdString()));
    }
    QString DialogText(int dialog, int control) const override
    {
        auto file = i18n::Languages().Current();
        const int key = control == 0 ? i18n::kTitleKey : control;
        if (file) {
            const std::string v = file->Get(i18n::SectionName(dialog), i18n::KeyName(key));
            if (!v.empty()) return Q(Unescape(v));
        }
        return Q(std::string(i18n::BuiltinControlText(dialog, key)));
    }
    QString MenuText(int command) const override
    {
        auto file = i18n::Languages().Current();
        if (file) {
            const std::string v = file->Get("MENU", std::to_string(command));
            if (!v.empty()) return Q(v);
        }
        return Q(std::string(i18n::BuiltinMenuText(command)));
    }
    QString SkinFile(int number) const override
    {
        std::string f = i18n::Languages().ImageFile(number);
        if (f.empty()) f = i18n::Languages().BitmapFile(number);
        return Q(f);
    }

private:
    // Dialog texts write a line break as backslash-n.
    static std::string Unescape(const std::string& s)
    {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
                out += '\n';
                ++i;
            } else {
                out += s[i];
            }
        }
        return out;
    }
};

const LanguageProvider g_language;
const TextProvider* g_provider = &g_language;

}  // namespace

void SetTextProvider(const TextProvider* provider) { g_provider = provider ? provider : &g_language; }
const TextProvider& Text() { return *g_provider; }

}  // namespace controls
