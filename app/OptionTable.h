// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file OptionTable.h
 * @brief What a program's option table is made of. Both programs keep one table per command
 * line, from which the parser, the --help text, the manual page and the shell completion are
 * made, so that they cannot drift apart.
 */
#include <span>

namespace app {

/** What an option's value is, for the shell completion. */
enum class ValueKind { None, Text, Number, File, Folder, Template, PictureType, Expression };

struct OptionSpec {
    const char* name;       ///< the long name without dashes ("template")
    char shortName;         ///< the one-letter name, 0 when there is none
    const char* value;      ///< the value's placeholder in help texts ("T", "WxH"); null for a flag
    ValueKind kind;         ///< None for a flag
    const char* help;       ///< what it does; '\n' breaks a line
};

}  // namespace app
