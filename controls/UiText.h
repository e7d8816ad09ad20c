#pragma once
/**
 * @file UiText.h
 * @brief Where the windows get their words and replaceable skin files from.
 *
 * The controls and windows never hold user-visible text of their own: they ask the installed
 * provider for a string-table entry, a dialog control's text, a menu item or a dictionary
 * phrase, and for the file that replaces a skin image. The desktop program installs a
 * provider backed by the current language file (the default); tests may install their own.
 * Interface thread only.
 */
#include <QString>

namespace controls {

class TextProvider {
public:
    virtual ~TextProvider() = default;
    /** The string-table entry (language file first, then the built-in text). */
    virtual QString String(int id) const = 0;
    /** A free phrase translated through the dictionary, or the phrase itself. */
    virtual QString Phrase(const QString& text) const = 0;
    /** The text of a dialog's control (control 0: the title), or an empty string when not given. */
    virtual QString DialogText(int dialog, int control) const = 0;
    /** The text of a menu command, or an empty string when not given. */
    virtual QString MenuText(int command) const = 0;
    /** The file that replaces skin image number (IMAGE, then BITMAP section), or "". */
    virtual QString SkinFile(int number) const = 0;
};

/** Installs the provider (not owned; null restores the built-in English fallback). */
void SetTextProvider(const TextProvider* provider);
const TextProvider& Text();

inline QString Str(int id) { return Text().String(id); }
inline QString Phrase(const QString& text) { return Text().Phrase(text); }


}  // namespace controls
