// Rain, snow, mist and ripple: Process from a decoded 12 MP photo into an 800 x 600 preview
// and at full size, each beside the nearest OpenCV operation.
#include "bench/FilterBench.h"
#include "platform/Rand15.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

using engine::SimpleParams;

using namespace filterbench;

namespace {

// The shipped templates' defaults.
const SimpleParams kRain = Params(10, 25, 8000);
const SimpleParams kSnow = Params(300, 150, 600);
const SimpleParams kMist = Params(25);
const SimpleParams kWave = Params(0.15f, 0.02f, 0.75f);

void RainPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    // The same number of anti-aliased segments on a working-size image, resized both ways.
    cv::Mat work;
    cv::resize(src, work, cv::Size(500, 375), 0, 0, cv::INTER_LINEAR);
    platform::Rand15 rng(1);
    for (int i = 0; i < 8000; ++i) {
        const cv::Point a(rng() * 500 / 32768, rng() * 375 / 32768);
        const int l = 10 + rng() % 15;
        cv::line(work, a + cv::Point(l / 5, -l), a - cv::Point(l / 5, -l), cv::Scalar::all(255), 1, cv::LINE_AA);
    }
    cv::resize(work, out, size, 0, 0, cv::INTER_LINEAR);
}

void SnowPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    out = Fitted(src, size).clone();
    const int r = std::min(size.width, size.height) * 25 / 767;
    platform::Rand15 rng(1);
    for (int i = 0; i < 1050; ++i) {
        const cv::Point c(rng() * size.width / 32768, rng() * size.height / 32768);
        cv::circle(out, c, r / 2 + 1, cv::Scalar::all(255), cv::FILLED, cv::LINE_AA);
    }
}

/** A precomputed displacement map applied with remap: the per-pixel part of mist and ripple. */
void RemapPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    static cv::Mat mx, my;
    if (mx.size() != size) {
        mx.create(size, CV_32F);
        my.create(size, CV_32F);
        for (int y = 0; y < size.height; ++y)
            for (int x = 0; x < size.width; ++x) {
                mx.at<float>(y, x) = x + 3 * std::sin(y * 0.05f);
                my.at<float>(y, x) = y + 3 * std::sin(x * 0.05f);
            }
    }
    cv::remap(Fitted(src, size), out, mx, my, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
}

void MistPeer(const cv::Mat& src, cv::Size size, cv::Mat& out)
{
    // The smooth field's inverse transform on the power-of-two size, then the remap.
    const int w = 1 << int(std::ceil(std::log2(size.width))), h = 1 << int(std::ceil(std::log2(size.height)));
    cv::Mat spectrum = cv::Mat::zeros(h, w, CV_32FC2), field;
    spectrum.at<cv::Vec2f>(1, 1) = {1, 0};
    cv::dft(spectrum, field, cv::DFT_INVERSE);
    RemapPeer(src, size, out);
}

const bool registered = [] {
    RegisterFilter("Rain", "RainFilter", &kRain);
    RegisterPeer("Rain_peer_lines", RainPeer);
    RegisterFilter("Snow", "SnowFilter", &kSnow);
    RegisterPeer("Snow_peer_circles", SnowPeer);
    RegisterFilter("Mist", "MistFilter", &kMist);
    RegisterPeer("Mist_peer_dft_remap", MistPeer);
    RegisterFilter("Ripple", "WaveFilter", &kWave);
    RegisterPeer("Ripple_peer_remap", RemapPeer);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
