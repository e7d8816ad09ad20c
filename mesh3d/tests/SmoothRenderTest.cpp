// SPDX-License-Identifier: MIT
// Smooth edges: a model drawn at twice the size and averaged down onto the picture.
#include "mesh3d/RenderMesh.h"
#include "mesh3d/SmoothRender.h"
#include "mesh3d/tests/MeshTestUtil.h"

#include <gtest/gtest.h>

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

using namespace mesh3d;

using namespace meshtest;

namespace {

// A white triangle whose long edge runs diagonally through a 40 x 30 picture, drawn for a
// picture scale times as large.
Mesh Triangle(float scale = 1)
{
    const int w = static_cast<int>(40 * scale), h = static_cast<int>(30 * scale);
    return MakeMesh({AtPixel(2 * scale, 2 * scale, 2, w, h), AtPixel(37.5f * scale, 3 * scale, 2, w, h),
                     AtPixel(5 * scale, 27.5f * scale, 2, w, h)},
                    {0, 1, 2});
}

}  // namespace

TEST(SmoothRender, FactorOneDrawsAsTheRendererDoes)
{
    const cv::Mat grey(30, 40, CV_8UC3, cv::Scalar::all(60));
    Mesh a = Triangle(), b = Triangle();
    cv::Mat plain = grey.clone(), smooth = grey.clone();
    cv::Mat depth = cv::Mat::zeros(plain.size(), CV_32FC1);
    RenderMesh(a, plain, &depth);
    SmoothRenderBuffers buffers;
    RenderMeshSmooth(b, smooth, 1, buffers);
    EXPECT_EQ(testenv::DifferentPixels(plain, smooth), 0);
}

TEST(SmoothRender, EdgesAreBlendedByCoverageAndTheRestIsKept)
{
    const int w = 40, h = 30;
    const cv::Mat grey(h, w, CV_8UC3, cv::Scalar::all(60));
    Mesh mesh = Triangle();
    cv::Mat smooth = grey.clone();
    SmoothRenderBuffers buffers;
    ASSERT_GT(RenderMeshSmooth(mesh, smooth, 2, buffers), 0);

    // Against the naive reference: draw the doubled picture on the doubled background and
    // average each 2 x 2 block.
    Mesh again = Triangle(2);
    cv::Mat big;
    cv::resize(grey, big, {w * 2, h * 2}, 0, 0, cv::INTER_NEAREST);
    cv::Mat depth = cv::Mat::zeros(big.size(), CV_32FC1);
    RenderMesh(again, big, &depth);
    int partial = 0, inside = 0, outside = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const cv::Vec3b s = smooth.at<cv::Vec3b>(y, x);
            int sum = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) sum += big.at<cv::Vec3b>(2 * y + dy, 2 * x + dx)[0];
            ASSERT_LE(std::abs(s[0] - sum / 4.0), 1.0) << x << "," << y;
            if (s[0] == 60) ++outside;
            else if (s[0] == 255) ++inside;
            else ++partial;
        }
    // The hard edge of a plain rendering has no pixels in between; here the diagonal has.
    EXPECT_GT(partial, 20);
    EXPECT_GT(inside, 100);
    EXPECT_GT(outside, 300);
}

TEST(SmoothRender, OneThreadAndManyAgree)
{
    const cv::Mat grey(30, 40, CV_8UC3, cv::Scalar(10, 80, 200));
    Mesh a = Triangle(), b = Triangle();
    cv::Mat many = grey.clone(), one = grey.clone();
    SmoothRenderBuffers buffers;
    RenderMeshSmooth(a, many, 2, buffers);
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    RenderMeshSmooth(b, one, 2, buffers);
    cv::setNumThreads(threads);
    EXPECT_EQ(testenv::DifferentPixels(many, one), 0);
}
