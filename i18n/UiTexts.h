#pragma once
/**
 * @file UiTexts.h
 * @brief The desktop program's built-in English texts for its dialogs and menus: what a
 * control shows when the language file has no text for it. The desktop program creates its
 * controls with these texts, and lang_eng.ini carries the same ones.
 */
#include <span>
#include <string>
#include <string_view>

namespace i18n {

/** The section "MENU" instead of a dialog number. */
inline constexpr int kMenuSection = 0;
/** The key "title" of a dialog section. */
inline constexpr int kTitleKey = -1;
/** The key "item_<position>" (1-based) of a pop-up entry in "MENU". */
constexpr int PopupKey(int position) { return -1 - position; }

struct UiText {
    int section;  ///< dialog number, or kMenuSection
    int key;      ///< control or command identifier, kTitleKey or PopupKey(n)
    std::string_view text;
};

/** Every built-in dialog and menu text, dialogs in number order, then the menu. */
std::span<const UiText> BuiltinUiTexts();
/** The built-in text of a control (or kTitleKey) of a dialog; empty when there is none. */
std::string_view BuiltinControlText(int dialog, int control);
/** The built-in text of a menu command or pop-up key; empty when there is none. */
std::string_view BuiltinMenuText(int key);

/** "DIALOG_IDD_<dialog>" or "MENU". */
std::string SectionName(int section);
/** "title", "item_<n>" or the identifier in decimal. */
std::string KeyName(int key);

}  // namespace i18n
