// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file Options.h
 * @brief The option tables of grimaze-cli: one per sub-command, as app/OptionTable.h describes.
 */
#include "app/OptionTable.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

using app::OptionSpec;
using app::ValueKind;

class Args;

struct CliCommand {
    const char* name;
    const char* summary;      ///< one line for the command list
    const char* synopsis;     ///< what follows "grimaze-cli NAME" in usage lines, one form per line
    const char* description;  ///< paragraphs separated by an empty line
    std::span<const OptionSpec> options;
    ValueKind operands;       ///< what the words that are not options are, for the completion
    int (*run)(const Args& args);
};

/** The options every command takes: -h/--help, -q/--quiet, -v/--verbose. */
std::span<const OptionSpec> CommonOptions();

/** Every sub-command, in the order --help lists them. */
std::span<const CliCommand* const> CliCommands();
const CliCommand* FindCommand(std::string_view name);

/** The text "grimaze-cli --help" prints. */
std::string ProgramHelp();
/** The text "grimaze-cli NAME --help" prints. */
std::string CommandHelp(const CliCommand& command);

/**
 * @brief Runs a sub-command on its arguments: --help anywhere before "--" prints the help; a
 * word the table does not know is an error naming it (exit code 2); -q and -v set how much is
 * said on stderr. Returns the exit code.
 */
int RunCommand(const CliCommand& command, const std::vector<std::string>& args);

/** The manual page grimaze-cli(1), in roff. */
std::string CliManualPage(const std::string& version, const std::string& date);
/** A bash completion script for grimaze-cli. */
std::string CliBashCompletion();

}  // namespace cli
