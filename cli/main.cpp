// grimaze-cli: the effect engine from scripts and terminals.
#include "app/Builtins.h"
#include "cli/Commands.h"
#include "platform/Files.h"

#include <cstdio>
#include <string>
#include <vector>

using cli::CliCommand;
using cli::FindCommand;
using cli::ProgramHelp;
using cli::RunCommand;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(ProgramHelp().c_str(), stderr);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--help" || first == "-h") {
        std::fputs(ProgramHelp().c_str(), stdout);
        return 0;
    }
    if (first == "--version") {
        std::printf("grimaze-cli %s\n", GRIMAZE_VERSION);
        return 0;
    }
    if (!first.empty() && first[0] == '-') {
        std::fprintf(stderr, "grimaze-cli: unknown option %s (grimaze-cli --help lists the commands)\n", first.c_str());
        return 2;
    }
    const CliCommand* command = FindCommand(first);
    if (!command) {
        std::fprintf(stderr, "grimaze-cli: unknown command \"%s\" (grimaze-cli --help lists the commands)\n", first.c_str());
        return 2;
    }
    app::RegisterBuiltinClasses();
    // Only download writes into the user's data; every other command leaves the home as it
    // was, so the folders it writes in are cleared by its next write there, not listed.
    if (first != "download") platform::SetRememberTemporaryFolders(false);
    // What a crash or a kill left half-written last time goes before anything is written anew.
    platform::RemoveStaleTemporaries();
    return RunCommand(*command, std::vector<std::string>(argv + 2, argv + argc));
}
