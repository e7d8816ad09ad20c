// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file Json.h
 * @brief JSON text for --json output. The result is always valid UTF-8: a byte that is not
 * part of a valid UTF-8 sequence (a file name in another encoding) becomes the escape \udcXX,
 * the lone low surrogate that Python's "surrogateescape" decoding uses for byte XX, so such a
 * name survives the round trip back to the same bytes.
 */
#include <string>
#include <string_view>

namespace cli {

/** s as a quoted JSON string. */
std::string JsonString(std::string_view s);

}  // namespace cli
