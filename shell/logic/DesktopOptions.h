// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file DesktopOptions.h
 * @brief The desktop program's command line: one table that its parser, its --help and the
 * manual page grimaze(1) are all made from.
 */
#include "cli/Options.h"

#include <span>
#include <string>

namespace shell {

/** --help and --version; the words that are not options are photos for the strip. */
std::span<const OptionSpec> DesktopOptions();

/** The text "grimaze --help" prints. */
std::string DesktopHelp();

/** What grimaze(1) says, for RenderManualPage. */
const ManualPage& DesktopManual();

}  // namespace shell
