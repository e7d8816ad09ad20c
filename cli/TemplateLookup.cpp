#include "cli/TemplateLookup.h"

#include "engine/TemplateFile.h"
#include "library/TemplateLibrary.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>

using engine::FindDefinitionFile;
using engine::LoadDefinitionFile;

namespace cli {

std::vector<std::string> ShippedTemplateFiles()
{
    std::vector<std::string> files;
    const std::string root = platform::ProgramFolder() + "/media/Templates";
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && platform::EndsWithNoCase(it->path().string(), ".tmpl"))
            files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string TemplateDisplayName(const std::string& definitionFile)
{
    const auto doc = LoadDefinitionFile(definitionFile);
    const tinyxml2::XMLElement* root = doc ? doc->RootElement() : nullptr;
    const tinyxml2::XMLElement* t = root ? root->FirstChildElement("template") : nullptr;
    const char* name = t ? t->Attribute("name") : nullptr;
    return name ? name : "";
}

std::string ResolveTemplate(const std::string& what, std::string* error)
{
    if (platform::FileExists(what) || platform::IsFolder(what)) {
        std::string file = FindDefinitionFile(what);
        if (file.empty() && error) *error = "no template definition (.tmpl) in " + what;
        return file;
    }
    // The library first: it names what the gallery shows, downloaded templates included.
    library::CTemplateLibrary lib;
    lib.SetReadOnly(true);  // listing or rendering must not create folders nobody asked for
    if (lib.LoadTemplateLibrary()) {
        if (const library::TemplateItem* item = lib.FindItem(what)) {
            if (item->definition) return item->filepath;
            if (item->online) {
                if (error)
                    *error = "\"" + item->name + "\" is an online template; download it first: grimaze-cli download \"" +
                             item->name + "\"";
                return {};
            }
        }
    }
    for (const std::string& file : ShippedTemplateFiles())
        if (platform::EqualsNoCase(TemplateDisplayName(file), what)) return file;
    if (error) *error = "unknown template \"" + what + "\" (see grimaze-cli templates)";
    return {};
}

}  // namespace cli
