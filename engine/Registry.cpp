#include "engine/Registry.h"

#include <algorithm>
#include <unordered_map>

namespace engine {

namespace {

std::unordered_map<std::string, Creator>& Map()
{
    static std::unordered_map<std::string, Creator> map;
    return map;
}

}  // namespace

void RegisterCreator(const std::string& name, Creator creator)
{
    if (!name.empty() && creator) Map()[name] = creator;
}

std::unique_ptr<CImageDataObject> CreateByName(const std::string& name)
{
    const auto it = Map().find(name);
    if (it == Map().end()) return nullptr;
    return std::unique_ptr<CImageDataObject>(it->second());
}

std::vector<std::string> RegisteredNames()
{
    std::vector<std::string> names;
    names.reserve(Map().size());
    for (const auto& [name, creator] : Map()) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace engine
