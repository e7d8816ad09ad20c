#include "cli/Commands.h"

#include "engine/Registry.h"

#include <cstdio>

int CmdClasses(const CommandArgs& args)
{
    if (WantsHelp(args)) {
        std::printf("usage: grimaze-cli classes\n\n"
                    "Prints one line per registered class name, \"<kind> <name>\", sorted by name.\n"
                    "Kinds: 1 filter, 2 template, 3 adjustment pane (panes exist only in the desktop program).\n");
        return 0;
    }
    if (!args.empty()) return Fail("classes", "takes no arguments", 2);
    for (const std::string& name : RegisteredNames()) {
        const auto object = CreateByName(name);
        std::printf("%d %s\n", object ? object->kind : 0, name.c_str());
    }
    return 0;
}
