#include "filters/WatercolourFilters.h"

#include "engine/ImageIO.h"
#include "engine/Registry.h"
#include "engine/SimpleTemplate.h"
#include "filters/VariableValues.h"
#include "filters/WatercolourAlgorithms.h"

#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <mutex>
#include <new>
#include <set>

using engine::CF_SimpleFilter;
using engine::CImageDataObject;
using engine::LoadPhoto;
using engine::RegisterCreator;

namespace filters {

namespace {

/**
 * Tells the user once per process and file that a texture is missing: a batch run opens the
 * template for every photo and would otherwise repeat it hundreds of times.
 */
void ReportMissingTexture(const char* which, const std::string& path, const std::string& why)
{
    static std::mutex m;
    static std::set<std::string> told;
    std::lock_guard lock(m);
    if (!told.insert(std::string(which) + '\n' + path).second) return;
    if (path.empty())
        std::fprintf(stderr, "Wood print: the template names no %s texture; printing without it.\n", which);
    else
        std::fprintf(stderr, "Wood print: cannot load the %s texture %s (%s); printing without it.\n", which,
                     path.c_str(), why.c_str());
}

cv::Mat LoadTexture(const CF_WoodPrint& filter, const char* attribute, const char* which)
{
    const std::string name = filter.ParamText(attribute);
    if (name.empty()) {
        ReportMissingTexture(which, {}, {});
        return {};
    }
    const std::string path = filter.ResolveFileName(name);
    std::string why;
    cv::Mat texture = LoadPhoto(path, &why);
    if (texture.empty()) ReportMissingTexture(which, path, why);
    return texture;
}

}  // namespace

CF_WaterPaint::CF_WaterPaint() { className = "WaterPaintFilter"; }

void CF_WaterPaint::Stop() { RequestStop(); }

bool CF_WaterPaint::IsDeferred() { return ParamInt("delay", 0) == 1; }

void CF_WaterPaint::Process()
{
    if (source_.empty() || result_.empty()) return;
    cv::Mat scaled;
    cv::resize(source_, scaled, result_.size(), 0, 0, cv::INTER_LINEAR);
    // A stopped diffusion leaves the output as it was.
    DiffuseWatercolor(scaled, result_, VarFloat(Params(), 0, 1.0f));
}

CF_WoodPrint::CF_WoodPrint() { className = "WoodPrintFilter"; }

CF_WoodPrint::~CF_WoodPrint() = default;

void CF_WoodPrint::Init()
{
    CF_SimpleFilter::Init();
    foreground_ = LoadTexture(*this, "foreground", "foreground");
    background_ = LoadTexture(*this, "background", "background");
    // The background shows in the dark stripes: at half strength it reads as ink.
    if (!background_.empty()) background_.convertTo(background_, CV_8UC3, 0.5, 0);
}

void CF_WoodPrint::Process()
{
    if (source_.empty() || result_.empty()) return;
    cv::Mat scaled;
    cv::resize(source_, scaled, result_.size(), 0, 0, cv::INTER_LINEAR);
    RenderWoodPrint(result_, scaled, foreground_, background_, VarFloat(Params(), 0, 5.0f), VarFloat(Params(), 1, 0.05f));
}

void RegisterWatercolourFilterClasses()
{
    RegisterCreator("WaterPaintFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_WaterPaint; });
    RegisterCreator("WoodPrintFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_WoodPrint; });
}

}  // namespace filters
