// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file ManualPage.h
 * @brief Manual pages in roff from option tables, and the pieces a program with several
 * commands builds its own page from.
 */
#include "app/OptionTable.h"

#include <span>
#include <string>
#include <string_view>

namespace app {

/** A manual page from an option table, for programs with a single form (grimaze(1)). */
struct ManualPage {
    const char* program;
    const char* title;        ///< the NAME line after "program \-"
    const char* synopsis;
    const char* description;  ///< paragraphs separated by an empty line
    std::span<const OptionSpec> options;
    const char* extra;        ///< further sections, already in roff (may be null)
};
std::string RenderManualPage(const ManualPage& page, const std::string& version, const std::string& date);

namespace roff {

/** Text for roff: backslashes and dashes escaped, no line starting with a control character. */
std::string Escape(std::string_view text);
/** Paragraphs (separated by an empty line) as roff paragraphs. */
std::string Paragraphs(std::string_view text);
/** One tagged paragraph per option: its names, its value's placeholder, its help. */
std::string OptionItems(std::span<const OptionSpec> options);
/** The page's title line, for section 1, with hyphenation and justification off. */
std::string Header(const std::string& program, const std::string& version, const std::string& date);

}  // namespace roff

}  // namespace app
