#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Json.h"

#include "library/GalleryModel.h"
#include "library/TemplateLibrary.h"
#include "platform/Folders.h"

#include <cstdio>
#include <string>

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"json", 0, nullptr, ValueKind::None, "print a JSON array of objects (category, name, state, file, hidden, url)"},
};

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

std::string Json(const std::string& s) { return JsonString(s); }

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

int Run(const Args& args)
{
    if (!args.Positional().empty()) return Fail("templates", "unexpected argument \"" + args.Positional()[0] + "\"", 2);

    library::CTemplateLibrary lib;
    // Lists what the gallery would show at the next start, and why it could not, but installs
    // nothing: a listing (the shell completion runs one) leaves the home as it was.
    lib.SetReadOnly(true);
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

}  // namespace

const CliCommand kTemplatesCommand = {
    "templates",
    "list the template library by category, with each template's state",
    "[--json]",
    "Lists the template library as the gallery shows it, category by category: one line per\n"
    "template, \"<category path>\\t<name>\\t<state>\\t<definition file>\", where the state is local,\n"
    "online (not downloaded yet), downloaded or failed, and the definition file is \"-\" while an\n"
    "online template has none. Hidden templates are listed too (--json marks them).\n"
    "The library is read as the program reads it at start, from config.cfg in the program folder.\n",
    kOptions,
    ValueKind::None,
    Run,
};

}  // namespace cli
