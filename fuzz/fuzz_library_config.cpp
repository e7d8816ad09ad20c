// SPDX-License-Identifier: MIT
// config.cfg, read as the program reads it at start: every library folder it names is created,
// upgraded from its initial file (which writes template.cfg and copies thumbnails) and read,
// then the library is written back as when the window closes.
//
// That writes wherever the file says. Inputs whose library folders would leave the sandbox (an
// absolute path elsewhere, a ".." segment) are skipped: they would only test the file system,
// and a fuzzer must never write into the machine's own folders.
#include "engine/XmlText.h"
#include "fuzz/FuzzSupport.h"
#include "fuzz/LibraryFuzzSupport.h"
#include "library/LibraryPaths.h"
#include "library/TemplateLibrary.h"
#include "platform/Folders.h"

#include <tinyxml2.h>

#include <string>

using engine::ParseXml;

namespace {

bool StaysInSandbox(const std::string& folder)
{
    const std::string path = platform::NormalizePath(folder);
    if (path.empty() || path == ".." || path.starts_with("../") || path.find("/../") != std::string::npos ||
        path.ends_with("/.."))
        return false;
    return path[0] != '/' || path.starts_with(fuzz::Sandbox() + "/");
}

/** The loader's own walk over the library folders; true when each one stays in the sandbox. */
bool FoldersStayInSandbox(std::string_view text)
{
    tinyxml2::XMLDocument doc;
    // ParseXml as the loader parses (a file it refuses reaches no folder).
    if (!ParseXml(doc, text) || !doc.RootElement()) return true;
    for (const tinyxml2::XMLElement* e = doc.RootElement()->FirstChildElement("template"); e;
         e = e->NextSiblingElement("template")) {
        const char* directory = e->Attribute("directory");
        if (directory && *directory && !StaysInSandbox(library::ExpandLibraryDirectory(directory))) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    fuzz::InstallProgramFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::AsText(data, size);
    if (!FoldersStayInSandbox(text)) return 0;
    const std::string& box = fuzz::Sandbox();
    // Each input starts from the same state: no library folders, no documents.
    fuzz::EmptyFolder(box + "/home");
    fuzz::EmptyFolder(box + "/work");
    const std::string config = box + "/work/config.cfg";
    fuzz::WriteBytes(config, text);

    library::CTemplateLibrary lib;
    if (!lib.LoadTemplateLibraryFrom(config)) return 0;
    for (int i = 0; i < lib.GetColumnCount(); ++i) {
        const library::TemplateColumn* column = lib.GetColumn(i);
        if (!column || lib.GetColumnPath(i) != column->path) fuzz::Fail("a column without its path");
        for (const auto& item : column->items)
            if (lib.FindItem(item->name) == nullptr) fuzz::Fail("an item FindItem does not find");
    }
    lib.SaveTemplateLibrary();
    return 0;
}
