// SPDX-License-Identifier: MIT
#include "mesh3d/SmoothRender.h"

#include "mesh3d/RenderMesh.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>

namespace mesh3d {

long long RenderMeshSmooth(Mesh& mesh, cv::Mat& target, int factor, SmoothRenderBuffers& b)
{
    if (target.empty() || target.type() != CV_8UC3) return 0;
    factor = std::clamp(factor, 1, 4);
    const cv::Size big(target.cols * factor, target.rows * factor);
    b.depth.create(big, CV_32FC1);
    b.depth.setTo(cv::Scalar::all(0));
    if (factor == 1) return RenderMesh(mesh, target, &b.depth);

    // The model alone on black: its average over a pixel is then the covered share of the
    // model's colour already, and the uncovered share comes from the target.
    b.colour.create(big, CV_8UC3);
    b.colour.setTo(cv::Scalar::all(0));
    if (RenderMesh(mesh, b.colour, &b.depth) == 0) return 0;
    cv::compare(b.depth, 0, b.coverage, cv::CMP_GT);
    cv::resize(b.colour, b.small, target.size(), 0, 0, cv::INTER_AREA);
    cv::resize(b.coverage, b.alpha, target.size(), 0, 0, cv::INTER_AREA);

    std::atomic<long long> touched{0};
    cv::parallel_for_(cv::Range(0, target.rows), [&](const cv::Range& rows) {
        long long n = 0;
        for (int y = rows.start; y < rows.end; ++y) {
            cv::Vec3b* out = target.ptr<cv::Vec3b>(y);
            const cv::Vec3b* model = b.small.ptr<cv::Vec3b>(y);
            const std::uint8_t* a = b.alpha.ptr<std::uint8_t>(y);
            for (int x = 0; x < target.cols; ++x) {
                if (a[x] == 0) continue;
                ++n;
                const int keep = 255 - a[x];
                for (int c = 0; c < 3; ++c)
                    out[x][c] = cv::saturate_cast<std::uint8_t>(model[x][c] + (out[x][c] * keep + 127) / 255);
            }
        }
        touched += n;
    });
    return touched;
}

}  // namespace mesh3d
