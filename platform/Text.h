#pragma once
/**
 * @file Text.h
 * @brief Small UTF-8 string helpers. Strings are UTF-8 everywhere; comparisons that ignore
 * letter case fold ASCII letters only, as file extensions and data keys need.
 */
#include <string>
#include <string_view>

namespace platform {

std::string ToLowerAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool EndsWithNoCase(std::string_view s, std::string_view suffix);
std::string_view Trim(std::string_view s);
/** Appends a code point as UTF-8; surrogates and values past U+10FFFF become U+FFFD. */
void AppendUtf8(std::string& out, char32_t c);
/** Drops a trailing partial UTF-8 sequence so a cut string stays valid. */
std::string_view CutUtf8(std::string_view s, std::size_t maxBytes);

}  // namespace platform
