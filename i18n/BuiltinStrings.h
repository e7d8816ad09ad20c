#pragma once
/**
 * @file BuiltinStrings.h
 * @brief The program's own message strings (identifiers 101 to 171). A language file
 * overrides any of them in its "STRING" section; without an override these texts are shown.
 */
#include <span>
#include <string_view>

namespace i18n {

struct BuiltinString {
    int id;
    std::string_view text;
};

inline constexpr int kFirstStringId = 101;
inline constexpr int kLastStringId = 171;

/** All 71 strings in identifier order. */
std::span<const BuiltinString> BuiltinStrings();
/** The built-in text of id; empty when the program has no string with that identifier. */
std::string_view BuiltinText(int id);

}  // namespace i18n
