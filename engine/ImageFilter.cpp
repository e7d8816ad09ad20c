#include "engine/ImageFilter.h"

#include "engine/Registry.h"
#include "engine/TemplatePaths.h"
#include "platform/Clock.h"

#include <tinyxml2.h>

#include <cmath>

namespace engine {

std::atomic<bool> CImageFilter::stopFlag_{false};

namespace {
thread_local std::atomic<bool>* t_stopFlag = nullptr;
}  // namespace

std::atomic<bool>& CImageFilter::StopFlag() { return t_stopFlag ? *t_stopFlag : stopFlag_; }

CImageFilter::StopScope::StopScope(std::atomic<bool>& flag) : previous_(t_stopFlag) { t_stopFlag = &flag; }

CImageFilter::StopScope::~StopScope() { t_stopFlag = previous_; }

CImageFilter::CImageFilter()
{
    kind = KindFilter;
    className = "CImageFilter";
}

CImageFilter::~CImageFilter() = default;

int CImageFilter::ExportAnimation(const std::string&, int, int) { return 0; }

std::string CImageFilter::ResolveFileName(const std::string& name, std::string* error) const
{
    return ResolveTemplateFile(folder_, name, error);
}

bool CImageFilter::CheckFileSettings(std::string* error) const
{
    for (const char* setting : FileSettings()) {
        const std::string name = ParamText(setting);
        std::string why;
        if (!name.empty() && ResolveFileName(name, &why).empty()) {
            if (error) *error = std::string("setting \"") + setting + "\": " + why;
            return false;
        }
    }
    return true;
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
    double v = def;
    if (const auto* p = ParamElement(definition_)) p->QueryDoubleAttribute(name, &v);
    // "inf" and "nan" parse as numbers; no setting means either.
    return std::isfinite(v) ? v : def;
}

std::string CImageFilter::ParamText(const char* name, const std::string& def) const
{
    if (const auto* p = ParamElement(definition_))
        if (const char* v = p->Attribute(name)) return v;
    return def;
}

void CImageFilter::SeedForRun() { runSeed_ = platform::SeedTime(); }

std::unique_ptr<CImageFilter> CreateFilterByName(const std::string& name)
{
    std::unique_ptr<CImageDataObject> object = CreateByName(name);
    auto* filter = dynamic_cast<CImageFilter*>(object.get());
    if (!filter) return nullptr;
    object.release();
    return std::unique_ptr<CImageFilter>(filter);
}

}  // namespace engine
