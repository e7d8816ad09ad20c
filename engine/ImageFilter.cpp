#include "engine/ImageFilter.h"

#include "platform/Clock.h"
#include "platform/Folders.h"

#include <tinyxml2.h>

std::atomic<bool> CImageFilter::stopFlag_{false};

CImageFilter::CImageFilter()
{
    kind = KindFilter;
    className = "CImageFilter";
}

CImageFilter::~CImageFilter() = default;

int CImageFilter::ExportAnimation(const std::string&, int, int) { return 0; }

std::string CImageFilter::ResolveFileName(const std::string& rawName) const
{
    const std::string name = platform::NormalizePath(rawName);
    if (name.empty() || name[0] != '.') return name;
    std::string base = folder_.empty() ? platform::ProgramFolder() : platform::NormalizePath(folder_);
    if (base.empty()) base = ".";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + name.substr(1);
}

namespace {
const tinyxml2::XMLElement* ParamElement(const tinyxml2::XMLElement* definition)
{
    return definition ? definition->FirstChildElement("param") : nullptr;
}
}  // namespace

int CImageFilter::ParamInt(const char* name, int def) const
{
    if (const auto* p = ParamElement(definition_)) p->QueryIntAttribute(name, &def);
    return def;
}

double CImageFilter::ParamDouble(const char* name, double def) const
{
    if (const auto* p = ParamElement(definition_)) p->QueryDoubleAttribute(name, &def);
    return def;
}

std::string CImageFilter::ParamText(const char* name, const std::string& def) const
{
    if (const auto* p = ParamElement(definition_))
        if (const char* v = p->Attribute(name)) return v;
    return def;
}

void CImageFilter::SeedForRun() { runSeed_ = platform::SeedTime(); }
