// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file Options.h
 * @brief The option tables of grimaze-cli. One table per sub-command drives the parsing, the
 * command's --help, the manual page and the shell completion, so the four cannot drift apart.
 */
#include <span>
#include <string>
#include <string_view>
#include <vector>

/** What an option's value is, for the shell completion. */
enum class ValueKind { None, Text, Number, File, Folder, Template, PictureType, Expression };

struct OptionSpec {
    const char* name;       ///< the long name without dashes ("template")
    char shortName;         ///< the one-letter name, 0 when there is none
    const char* value;      ///< the value's placeholder in help texts ("T", "WxH"); null for a flag
    ValueKind kind;         ///< None for a flag
    const char* help;       ///< what it does; '\n' breaks a line
};

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
