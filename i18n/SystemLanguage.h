#pragma once
/**
 * @file SystemLanguage.h
 * @brief The system language as a Windows language identifier, the key by which
 * "language_lookup.ini" names the language file to use ("0x0407" for German in Germany).
 */
#include <string>
#include <string_view>

namespace i18n {

/** English (United States): what a system without a language setting reports. */
inline constexpr int kDefaultLanguageId = 0x0409;

/**
 * @brief The language identifier of a POSIX locale name ("de_DE.UTF-8@euro", "zh_CN",
 * "pt-BR", "fr"). A language without a territory gets its main country. "C", "POSIX" and an
 * empty name give kDefaultLanguageId; a language not in the table gives 0 (neutral), which no
 * lookup file lists.
 */
int LanguageIdFromLocale(std::string_view locale);

/** The identifier of the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty. */
int SystemLanguageId();

/** The identifier written as "0x%04X", the form of the keys in "language_lookup.ini". */
std::string FormatLanguageId(int id);

}  // namespace i18n
