#include "cli/Commands.h"

#include <cstdio>

int Fail(const char* command, const std::string& message, int code)
{
    std::fprintf(stderr, "grimaze-cli %s: %s\n", command, message.c_str());
    return code;
}

bool WantsHelp(const CommandArgs& args)
{
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}
