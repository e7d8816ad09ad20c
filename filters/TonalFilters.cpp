#include "filters/TonalFilters.h"

#include "engine/Registry.h"
#include "filters/TonalAlgorithms.h"
#include "filters/VariableValues.h"
#include "filters/WorkingResolution.h"

#include <opencv2/imgproc.hpp>

#include <new>

using engine::CImageDataObject;
using engine::RegisterCreator;
using engine::SimpleParams;

namespace filters {

namespace {

/** Bilinear resize into the size `to` already has (the source's size if it has none yet). */
void ResizeInto(const cv::Mat& from, cv::Mat& to)
{
    if (to.empty()) to.create(from.size(), CV_8UC3);
    cv::resize(from, to, to.size(), 0, 0, cv::INTER_LINEAR);
}

cv::Rect2f RegionOf(const SimpleParams& p) { return {p.x, p.y, p.w, p.h}; }

}  // namespace

CF_Emboss::CF_Emboss() { className = "EmbossFilter"; }

void CF_Emboss::Process()
{
    result_.setTo(cv::Scalar::all(0));
    if (source_.empty()) return;
    ResizeInto(source_, result_);
    EmbossRelief(result_, VarInt(Params(), 0, 3), VarInt(Params(), 1, 20));
}

CF_Edge::CF_Edge() { className = "EdgeFilter"; }

void CF_Edge::Process()
{
    result_.setTo(cv::Scalar::all(0));
    if (source_.empty()) return;
    // Lines are drawn at a fixed working size so that they are as thick on a preview as on
    // the full photo.
    cv::Mat work(WorkingResolution(source_.size()), CV_8UC3);
    ResizeInto(source_, work);
    DrawEdgeLines(work, VarFloat(Params(), 0, 7.0f), VarInt(Params(), 1, 0));
    ResizeInto(work, result_);
}

CF_DimEffect::CF_DimEffect() { className = "DimFilter"; }

void CF_DimEffect::Process()
{
    if (source_.empty()) return;
    cv::Mat scaled(result_.size(), CV_8UC3);
    ResizeInto(source_, scaled);
    const cv::Rect2f region = Params() ? RegionOf(*Params()) : cv::Rect2f();
    FocusBlur(scaled, Params() ? &region : nullptr, result_);
}

void CF_DimEffect::Stop() { RequestStop(); }

CF_Grid::CF_Grid() { className = "GridFilter"; }

void CF_Grid::Process()
{
    result_.setTo(cv::Scalar::all(0));
    if (source_.empty()) return;
    ResizeInto(source_, result_);
    EmbossGrid(result_, VarInt(Params(), 0, 5), VarInt(Params(), 1, 3));
}

CF_Mosaic::CF_Mosaic() { className = "MosaicFilter"; }

void CF_Mosaic::Process()
{
    if (source_.empty()) return;
    ResizeInto(source_, result_);
    if (!Params()) return;
    PixelateRegion(RegionOf(*Params()), result_, Params()->var[0]);
}

void CF_Mosaic::Stop() { RequestStop(); }

void RegisterTonalFilters()
{
    RegisterCreator("EmbossFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Emboss; });
    RegisterCreator("EdgeFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Edge; });
    RegisterCreator("DimFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_DimEffect; });
    RegisterCreator("GridFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Grid; });
    RegisterCreator("MosaicFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Mosaic; });
}

}  // namespace filters
