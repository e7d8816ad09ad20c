// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file DesktopOptions.h
 * @brief The desktop program's command line: one table that its parser, its --help and the
 * manual page grimaze(1) are all made from.
 */
#include "app/ManualPage.h"

#include <span>
#include <string>

namespace shell {

/** --help and --version; the words that are not options are photos for the strip. */
std::span<const app::OptionSpec> DesktopOptions();

/** The text "grimaze --help" prints. */
std::string DesktopHelp();

/** What grimaze(1) says, for app::RenderManualPage. */
const app::ManualPage& DesktopManual();

}  // namespace shell
