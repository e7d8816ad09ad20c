#include "engine/TemplateFile.h"

#include "engine/XmlText.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <tinyxml2.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace engine {

std::string FindDefinitionFile(const std::string& pathOrFolder)
{
    const std::string path = platform::NormalizePath(pathOrFolder);
    if (platform::FileExists(path)) return path;
    if (!platform::IsFolder(path)) return {};
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path, ec)) {
        const std::string name = e.path().filename().string();
        if (platform::EndsWithNoCase(name, ".tmpl") && e.is_regular_file(ec)) found.push_back(name);
    }
    if (found.empty()) return {};
    std::sort(found.begin(), found.end());
    return platform::JoinPath(path, found.front());
}

std::shared_ptr<tinyxml2::XMLDocument> LoadDefinitionFile(const std::string& path, std::string* error)
{
    std::string text;
    if (!platform::ReadFile(path, text, kMaxDefinitionBytes, error)) return nullptr;
    auto doc = std::make_shared<tinyxml2::XMLDocument>();
    std::string why;
    if (!ParseXml(*doc, text, &why)) {
        if (error) *error = path + " is not a valid template definition (" + why + ")";
        return nullptr;
    }
    return doc;
}

RefPtr<CEffectTemplate> OpenTemplate(const std::string& pathOrFolder, CPhotoDocument* document, std::string* error)
{
    const std::string file = FindDefinitionFile(pathOrFolder);
    if (file.empty()) {
        if (error) *error = "no template definition (.tmpl) at " + pathOrFolder;
        return {};
    }
    std::shared_ptr<tinyxml2::XMLDocument> doc = LoadDefinitionFile(file, error);
    if (!doc) return {};
    std::string why;
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(file, ec);
    CEffectTemplate* t = CreateTemplate(doc, ec ? platform::ParentFolder(file) : abs.parent_path().string(), document, &why);
    if (!t) {
        if (error) *error = file + ": " + why;
        return {};
    }
    return RefPtr<CEffectTemplate>::Adopt(t);
}

}  // namespace engine
