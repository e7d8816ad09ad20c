#pragma once
/**
 * @file LangCheck.h
 * @brief A translator's check of a language file: what it lacks against the program's built-in
 * texts and the sections of "lang_eng.ini", and what would go wrong when it is used.
 */
#include <string>
#include <vector>

namespace i18n {

struct LangCheckReport {
    std::string displayName;            ///< [General] Language, empty when missing
    std::vector<std::string> missing;   ///< "[SECTION] key" texts the file lacks
    std::vector<std::string> errors;    ///< texts the program will refuse or cannot use
    std::vector<std::string> warnings;  ///< harmless but probably unintended
    bool Passed() const { return missing.empty() && errors.empty(); }
};

/**
 * @brief Checks the language file at path against the built-in strings and dialog and menu texts,
 * and against every key of the reference file (normally the program's "lang_eng.ini"; an empty
 * or unreadable reference leaves the built-in texts as the only yardstick, with a warning).
 * Pictures named in [BITMAP] and [IMAGE] must exist beside the file.
 */
LangCheckReport CheckLanguageFile(const std::string& path, const std::string& referencePath);

}  // namespace i18n
