#include "cli/Args.h"
#include "cli/Commands.h"

#include "library/GalleryModel.h"
#include "library/TemplateLibrary.h"
#include "platform/Folders.h"

#include <cstdio>
#include <string>

namespace {

const char* kHelp =
    "usage: grimaze-cli templates [--json]\n\n"
    "Lists the template library as the gallery shows it, category by category: one line per\n"
    "template, \"<category path>\\t<name>\\t<state>\\t<definition file>\", where the state is local,\n"
    "online (not downloaded yet), downloaded or failed, and the definition file is \"-\" while an\n"
    "online template has none. Hidden templates are listed too (--json marks them).\n"
    "The library is read as the program reads it at start, from config.cfg in the program folder.\n";

const char* StateName(int state)
{
    switch (state) {
    case library::kEntryLocal: return "local";
    case library::kEntryOnline: return "online";
    case library::kEntryDownloading: return "downloading";
    case library::kEntryDownloaded: return "downloaded";
    default: return "failed";
    }
}

std::string Json(const std::string& s)
{
    std::string r = "\"";
    for (const char c : s) {
        switch (c) {
        case '"': r += "\\\""; break;
        case '\\': r += "\\\\"; break;
        case '\n': r += "\\n"; break;
        case '\t': r += "\\t"; break;
        case '\r': r += "\\r"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                r += buf;
            } else {
                r += c;
            }
        }
    }
    return r + "\"";
}

void List(const library::GalleryGroup& g, bool json, bool& first)
{
    const std::string path = library::CGalleryModel::GroupPath(g);
    for (const library::GalleryEntry& e : g.entries) {
        const library::TemplateItem& item = *e.item;
        if (json) {
            std::printf("%s\n  {\"category\": %s, \"name\": %s, \"state\": \"%s\", \"file\": %s, \"hidden\": %s%s}",
                        first ? "" : ",", Json(path).c_str(), Json(item.name).c_str(), StateName(e.state),
                        item.filepath.empty() ? "null" : Json(item.filepath).c_str(), item.hide ? "true" : "false",
                        item.online ? (", \"url\": " + Json(item.url)).c_str() : "");
        } else {
            std::printf("%s\t%s\t%s\t%s\n", path.c_str(), item.name.c_str(), StateName(e.state),
                        item.filepath.empty() ? "-" : item.filepath.c_str());
        }
        first = false;
    }
    for (const auto& child : g.children) List(*child, json, first);
}

}  // namespace

int CmdTemplates(const CommandArgs& argv)
{
    if (WantsHelp(argv)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const Args args(argv, {}, {"json"});
    if (!args.Ok()) return Fail("templates", args.Error(), 2);
    if (!args.Positional().empty()) return Fail("templates", "unexpected argument \"" + args.Positional()[0] + "\"", 2);

    library::CTemplateLibrary lib;
    if (!lib.LoadTemplateLibrary())
        return Fail("templates", "no readable config.cfg in " + platform::ProgramFolder());
    library::CGalleryModel gallery(lib);
    gallery.Fill();
    const bool json = args.Has("json");
    bool first = true;
    if (json) std::printf("[");
    for (const auto& category : gallery.Root().children) List(*category, json, first);
    if (json) std::printf("%s]\n", first ? "" : "\n");
    // What loaded is listed; a library that could not be installed is not silently left out.
    const std::vector<std::string>& errors = lib.LoadErrors();
    for (size_t i = 0; i + 1 < errors.size(); ++i) std::fprintf(stderr, "grimaze-cli templates: %s\n", errors[i].c_str());
    if (!errors.empty()) return Fail("templates", errors.back());
    return 0;
}
