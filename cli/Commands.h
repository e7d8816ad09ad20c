#pragma once
/**
 * @file Commands.h
 * @brief The sub-commands of grimaze-cli. Each takes its arguments (after the sub-command
 * name), prints "--help" text on request and returns the process exit code: 0 success,
 * 1 failure (one line on stderr), 2 wrong arguments.
 */
#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;

struct CliCommand {
    const char* name;
    const char* summary;
    int (*run)(const CommandArgs& args);
};

int CmdClasses(const CommandArgs& args);
int CmdRender(const CommandArgs& args);
int CmdDemo(const CommandArgs& args);
int CmdBatch(const CommandArgs& args);
int CmdGif(const CommandArgs& args);
int CmdText(const CommandArgs& args);
int CmdLangCheck(const CommandArgs& args);
int CmdFaces(const CommandArgs& args);
int CmdTemplates(const CommandArgs& args);
int CmdDownload(const CommandArgs& args);
int CmdCheckUpdate(const CommandArgs& args);

/** Prints "grimaze-cli <name>: <message>" on stderr and returns code. */
int Fail(const char* command, const std::string& message, int code = 1);
/** True when args ask for help (-h or --help anywhere). */
bool WantsHelp(const CommandArgs& args);
