#pragma once
/**
 * @file LanguageManager.h
 * @brief Every text the user sees, looked up in the current language file.
 *
 * Language files are INI files "lang_???.ini" in the folder "lang" of the program folder:
 *  - [General] Language = display name (a file without it is not offered in the menu);
 *  - [STRING] <id> = message text ("\n" line break, "\t" tab), overriding the built-in string;
 *  - [DIALOG_IDD_<dialog>] title / <control id> = window and control texts ("\n" line break);
 *  - [MENU] <command id> = item text; item_<n> = title of the n-th pop-up of a menu bar;
 *  - [BITMAP] / [IMAGE] <number> = picture file in the language folder replacing a skin picture;
 *  - [DICTIONARY] <phrase> = translation of a free phrase (template and variable names, ...).
 * No lookup fails: what a file lacks falls back to the built-in text, bitmap or phrase.
 *
 * Start-up, after the settings are loaded (settings/GrimazeSettings.h):
 *
 *     SettingsSession session;  // first object of main()
 *     i18n::Languages().Choose(GrimazeSettings().language, GrimazeSettings().languageAuto);
 *     ... i18n::Languages().LoadString(i18n::ui::str::QuitQuestion) ...
 *
 * Threads: lookups may come from any thread (the version check formats its message on its
 * worker). Choose and Use swap the current file under a lock; a lookup that runs meanwhile
 * sees the old file or the new one, never a mix. The window, menu and picture operations are
 * for the user-interface thread, like the windows they serve.
 */
#include "i18n/IniFile.h"
#include "i18n/SystemLanguage.h"

#include <opencv2/core/mat.hpp>

#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace i18n {

/**
 * @brief What a window offers for translation. The desktop program implements it on its
 * dialogs: every descendant control with its numeric identifier (ui::ctl in UiIds.h).
 */
class TranslatableWindow {
public:
    virtual ~TranslatableWindow() = default;
    /** Identifiers of the window's descendant controls. */
    virtual std::vector<int> ControlIds() const = 0;
    virtual void SetControlText(int controlId, const std::string& text) = 0;
    virtual void SetTitle(const std::string& text) = 0;
};

/** What a menu offers for translation, item by position. */
class TranslatableMenu {
public:
    virtual ~TranslatableMenu() = default;
    virtual int ItemCount() const = 0;
    /** The command identifier at position: 1 or more for a command, 0 for a separator, -1 for a pop-up. */
    virtual int ItemId(int position) const = 0;
    /** Replaces the text of the item at position, keeping its identifier. */
    virtual void SetItemText(int position, const std::string& text) = 0;
    /** The pop-up at position, or nullptr when that item is not a pop-up. */
    virtual TranslatableMenu* SubMenu(int position) = 0;
};

/** One language file offered in the Language menu. */
struct LanguageEntry {
    int command = 0;          ///< ui::cmd::FirstLanguage + index
    std::string fileName;     ///< lower case, for example "lang_eng.ini"
    std::string displayName;  ///< [General] Language
    std::string helpFile;     ///< the language's help page (HelpFileFor)
};

/** An argument of FormatString: text for %s, a whole number for %d and its kin. */
using FormatArg = std::variant<std::string_view, long long>;

/**
 * @brief printf-style formatting with the conversions messages use: %s, %d, %i, %u, %x, %X
 * and %c with the flags '-' and '0' and a width, and %%. Returns nothing when the pattern
 * holds any other conversion or its conversions do not match args in number and kind, so a
 * language file can never make the program read an argument that is not there.
 */
std::optional<std::string> FormatText(std::string_view pattern, std::span<const FormatArg> args);

/** The kinds of a pattern's conversions in order, 's' for text and 'd' for numbers ("?" for unknown). */
std::string PlaceholderKinds(std::string_view pattern);

/**
 * @brief The language file to use: with automatic set or language "auto" (exact case), the file
 * that "language_lookup.ini" lists for the system language, else "lang_eng.ini"; then, when that
 * file is not in the language folder, "lang_eng.ini".
 */
std::string ChooseLanguageFile(const std::string& languageFolder, std::string_view language, bool automatic,
                               int systemLanguageId);

/**
 * @brief A file inside folder named by a relative path from a data file (backslashes allowed),
 * found even when its letter case differs. Empty when the path is absolute, climbs out with
 * "..", or names nothing.
 */
std::string FindFileInFolder(const std::string& folder, std::string_view relative);

/**
 * @brief The help page of a language file: "<help folder>/<title>.html", where the title is the
 * file name without its extension, when that page exists; else "<help folder>/Grimaze Help.html".
 */
std::string HelpFileFor(const std::string& helpFolder, std::string_view languageFile);

class LanguageManager {
public:
    static constexpr std::string_view kDefaultFile = "lang_eng.ini";
    static constexpr std::size_t kMaxLanguages = 256;

    /** Language files are read from "<programFolder>/lang", help pages from "<programFolder>/Help". */
    explicit LanguageManager(std::string programFolder);

    const std::string& LanguageFolder() const { return languageFolder_; }
    const std::string& HelpFolder() const { return helpFolder_; }

    /**
     * @brief Chooses and loads the current language file (ChooseLanguageFile). language is the
     * stored preference: "auto" or a file name; it becomes the file chosen.
     */
    void Choose(std::string& language, bool automatic, int systemLanguageId = SystemLanguageId());

    /**
     * @brief Makes a file current: a bare name is looked for in the language folder (letter case
     * aside), anything with a slash is a path. False with a reason when it cannot be read; the
     * current file then stays.
     */
    bool Use(const std::string& nameOrPath, std::string* error = nullptr);

    /** The current file's name ("lang_eng.ini" also when that file is missing). */
    std::string CurrentFile() const;
    /** The parsed current file (empty when none could be read). */
    std::shared_ptr<const IniFile> Current() const;

    /** The message with that identifier: [STRING] of the current file, else the built-in text. */
    std::string LoadString(int id) const;
    /**
     * @brief LoadString formatted with FormatText. A translation whose conversions differ from
     * the built-in text's is not trusted: the built-in text is formatted instead.
     */
    std::string FormatString(int id, std::initializer_list<FormatArg> args) const;
    /** The [DICTIONARY] translation of phrase, or phrase itself. */
    std::string TranslatePhrase(std::string_view phrase) const;

    /** Sets the texts of a window's controls and its title from [DIALOG_IDD_<dialog>]. */
    void TranslateWindow(TranslatableWindow& window, int dialog) const;
    /**
     * @brief Sets menu item texts from [MENU], walking pop-ups recursively. Pop-up titles
     * ("item_<n>", 1-based) are translated only on the top level of the main window's menu bar.
     */
    void TranslateMenu(TranslatableMenu& menu, bool mainWindowMenu) const;

    /** The [BITMAP] file for number inside the language folder; empty when none is named. */
    std::string BitmapFile(int number) const;
    /** The [IMAGE] file for number inside the language folder; empty when none is named or number is -1. */
    std::string ImageFile(int number) const;
    /** The [BITMAP] picture (8-bit BGR), or the built-in bitmap when none is named or it cannot be read. */
    cv::Mat LoadBitmap(int number) const;
    /** The [IMAGE] picture (8-bit BGRA); empty when none is named, it cannot be read, or number is -1. */
    cv::Mat LoadImage(int number) const;
    /** Where LoadBitmap gets the program's own bitmaps (the skin); none installed gives empty images. */
    void SetBuiltinBitmaps(std::function<cv::Mat(int)> provider);

    /**
     * @brief The Language menu's table: every "lang_???.ini" of the language folder with a display
     * name, sorted by file name (directory order is arbitrary here), at most 256.
     */
    std::vector<LanguageEntry> LanguageTable() const;
    /** The help page for the current language. */
    std::string HelpFile() const;

private:
    std::string ResolvePicture(std::string_view section, int number) const;

    std::string programFolder_, languageFolder_, helpFolder_;
    mutable std::mutex mutex_;
    std::string currentName_;
    std::shared_ptr<const IniFile> current_;
    std::function<cv::Mat(int)> builtinBitmaps_;
};

/**
 * @brief The Language menu as the main window keeps it: the table, the remembered checked index
 * and what a menu command does. The desktop program draws the menu from it.
 */
class LanguageMenu {
public:
    enum class Action { None, LanguageSelected, AutoSelected };

    /** Reads the table and puts the check mark on the current language unless automatic is set. */
    void Build(const LanguageManager& manager, std::string_view language, bool automatic);
    const std::vector<LanguageEntry>& Entries() const { return entries_; }
    /** The remembered index of the checked language item (-1: none). */
    int CheckedIndex() const { return checked_; }
    /** The command that carries the check mark while the menu is shown: Auto or a language item. */
    int CheckedCommand(bool automatic) const;
    /**
     * @brief A command of the menu. A language item makes that file current and clears automatic;
     * Auto sets automatic and chooses by the system language. On either the caller has the main
     * window translate itself and its panes (platform::msg::LanguageChanged). Other commands:
     * Action::None, nothing changes.
     */
    Action OnCommand(int command, LanguageManager& manager, std::string& language, bool& automatic,
                     int systemLanguageId = SystemLanguageId());

private:
    std::vector<LanguageEntry> entries_;
    int checked_ = -1;
};

/** The process-wide manager, reading the program folder's "lang" and "Help" folders. */
LanguageManager& Languages();

}  // namespace i18n
