// grimaze-cli: the effect engine from scripts and terminals.
#include "cli/Builtins.h"
#include "cli/Commands.h"
#include "platform/Files.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const CliCommand kCommands[] = {
    {"classes", "list the registered filters, templates and panes", CmdClasses},
    {"render", "apply a template to photos and write the picture", CmdRender},
    {"batch", "apply one template to many photos, writing the results into a folder", CmdBatch},
    {"gif", "write a looping animated GIF of a moving template (3D turn-table)", CmdGif},
    {"demo", "render every bundled template on the sample photos, with a contact sheet", CmdDemo},
    {"faces", "list the faces found on a photo", CmdFaces},
    {"gif", "write the animation of an expression template as a looping GIF", CmdGif},
    {"text", "print a message string or phrase in a language, as the program shows it", CmdText},
    {"templates", "list the template library by category, with each template's state", CmdTemplates},
    {"download", "download an online template into the library", CmdDownload},
    {"check-update", "ask the vendor's site whether a newer version exists", CmdCheckUpdate},
    {"lang-check", "list what a language file lacks (a translator's check)", CmdLangCheck},
};

void Usage(FILE* out)
{
    std::fprintf(out, "usage: grimaze-cli <command> [options]   (grimaze-cli <command> --help for more)\n\ncommands:\n");
    for (const CliCommand& c : kCommands) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        Usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("grimaze-cli %s\n", GRIMAZE_VERSION);
        return 0;
    }
    RegisterBuiltinClasses();
    // What a crash or a kill left half-written last time goes before anything is written anew.
    platform::RemoveStaleTemporaries();
    const CommandArgs args(argv + 2, argv + argc);
    for (const CliCommand& c : kCommands)
        if (!std::strcmp(argv[1], c.name)) return c.run(args);
    std::fprintf(stderr, "grimaze-cli: unknown command \"%s\"\n", argv[1]);
    Usage(stderr);
    return 2;
}
