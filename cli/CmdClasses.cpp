#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Json.h"

#include "engine/Registry.h"

#include <cstdio>

using engine::CreateByName;
using engine::RegisteredNames;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"json", 0, nullptr, ValueKind::None, "print a JSON array of {\"kind\", \"name\"} objects instead"},
};

int Run(const Args& args)
{
    if (!args.Positional().empty()) return Fail("classes", "takes no arguments", 2);
    const bool json = args.Has("json");
    if (json) std::fputs("[", stdout);
    bool first = true;
    for (const std::string& name : RegisteredNames()) {
        const auto object = CreateByName(name);
        const int kind = object ? object->kind : 0;
        if (json) std::printf("%s\n  {\"kind\": %d, \"name\": %s}", first ? "" : ",", kind, JsonString(name).c_str());
        else std::printf("%d %s\n", kind, name.c_str());
        first = false;
    }
    if (json) std::printf("%s]\n", first ? "" : "\n");
    return 0;
}

}  // namespace

const CliCommand kClassesCommand = {
    "classes",
    "list the registered filters, templates and panes",
    "[--json]",
    "Prints one line per registered class name, \"<kind> <name>\", sorted by name.\n"
    "Kinds: 1 filter, 2 template, 3 adjustment pane (panes exist only in the desktop program).\n",
    kOptions,
    ValueKind::None,
    Run,
};

}  // namespace cli
