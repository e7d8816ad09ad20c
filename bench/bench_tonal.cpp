// Emboss, edge, focus blur, tile grid and mosaic: Process from a decoded 12 MP photo into an
// 800 x 600 preview and at full size, each beside the nearest OpenCV operation.
#include "bench/FilterBench.h"

#include <opencv2/imgproc.hpp>

using engine::SimpleParams;

using namespace filterbench;

namespace {

// The shipped templates' defaults.
const SimpleParams kEmboss = Params(2, 128);
const SimpleParams kEdge = Params(3, 30);
const SimpleParams kDim = [] {
    SimpleParams p;
    p.x = 0.35f, p.y = 0.3f, p.w = 0.3f, p.h = 0.3f;
    return p;
}();
const SimpleParams kGrid = Params(24, 30);
const SimpleParams kMosaic = Params(0.08f);  // region 0.25, 0.25, 0.5, 0.5

void EmbossPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    const cv::Mat k = (cv::Mat_<float>(3, 3) << -1, 0, 0, 0, 1, 0, 0, 0, 0);
    cv::filter2D(Fitted(src, size), out, CV_8U, k, cv::Point(-1, -1), 128, cv::BORDER_REPLICATE);
}

void EdgePeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    cv::Mat grey;
    cv::cvtColor(Fitted(src, size), grey, cv::COLOR_BGR2GRAY);
    cv::Canny(grey, out, 50, 150);
}

void DimPeer(const cv::Mat& src, cv::Size size, cv::Mat& out) { cv::blur(Fitted(src, size), out, cv::Size(15, 15)); }

void GridPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    // A relief map enlarged to the picture and added: what the tile grid does per pixel.
    static const cv::Mat map(768, 1024, CV_32FC3, cv::Scalar::all(3));
    cv::Mat relief, f;
    cv::resize(map, relief, size, 0, 0, cv::INTER_LINEAR);
    Fitted(src, size).convertTo(f, CV_32F);
    cv::add(f, relief, f);
    f.convertTo(out, CV_8U);
}

void MosaicPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    out = Fitted(src, size).clone();
    cv::Mat area = out(cv::Rect(size.width / 4, size.height / 4, size.width / 2, size.height / 2)), small;
    const int cell = std::max(1, int(0.08 * area.rows));
    cv::resize(area, small, cv::Size(area.cols / cell, area.rows / cell), 0, 0, cv::INTER_AREA);
    cv::resize(small, area, area.size(), 0, 0, cv::INTER_NEAREST);
}

const bool registered = [] {
    RegisterFilter("Emboss", "EmbossFilter", &kEmboss);
    RegisterPeer("Emboss_peer_filter2D", EmbossPeer);
    RegisterFilter("Edge", "EdgeFilter", &kEdge);
    RegisterPeer("Edge_peer_Canny", EdgePeer);
    RegisterFilter("FocusBlur", "DimFilter", &kDim);
    RegisterPeer("FocusBlur_peer_blur15", DimPeer);
    RegisterFilter("Grid", "GridFilter", &kGrid);
    RegisterPeer("Grid_peer_resize_add", GridPeer);
    RegisterFilter("Mosaic", "MosaicFilter", &kMosaic);
    RegisterPeer("Mosaic_peer_area_nearest", MosaicPeer);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
