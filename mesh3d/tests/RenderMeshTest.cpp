// The renderer on geometry whose answer is known by hand.
#include "filters/SampleImage.h"
#include "mesh3d/RenderMesh.h"
#include "mesh3d/tests/MeshTestUtil.h"
#include "tools/meshgen/MeshShapes.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <cmath>

using namespace filters;
using namespace mesh3d;

using meshtest::AtPixel;
using meshtest::MakeMesh;
using meshtest::QuadIndices;
using meshtest::V;

namespace {

constexpr int W = 40, H = 30;

/** A quad covering pixels [x0, x1) x [y0, y1) at depth z, in one colour (target channel order). */
std::vector<V> PixelQuad(float x0, float y0, float x1, float y1, float z, cv::Vec3f colour)
{
    std::vector<V> q = {AtPixel(x0, y1, z, W, H), AtPixel(x1, y1, z, W, H), AtPixel(x1, y0, z, W, H),
                        AtPixel(x0, y0, z, W, H)};
    for (V& v : q) v.r = colour[0], v.g = colour[1], v.b = colour[2];
    return q;
}

Mesh TwoQuads(bool nearFirst)
{
    std::vector<V> nearQuad = PixelQuad(5, 5, 25, 20, 2, {1, 0, 0});
    std::vector<V> farQuad = PixelQuad(15, 10, 35, 25, 4, {0, 0, 1});
    std::vector<V> all = nearFirst ? nearQuad : farQuad;
    const std::vector<V>& second = nearFirst ? farQuad : nearQuad;
    all.insert(all.end(), second.begin(), second.end());
    std::vector<int> idx = QuadIndices(0);
    const std::vector<int> more = QuadIndices(4);
    idx.insert(idx.end(), more.begin(), more.end());
    return MakeMesh(all, idx);
}

bool InRect(int x, int y, int x0, int y0, int x1, int y1) { return x >= x0 && x < x1 && y >= y0 && y < y1; }

}  // namespace

TEST(RenderMesh, TwoOverlappingQuadsCoverTheirPixelsAndTheNearerWins)
{
    for (bool nearFirst : {true, false}) {
        Mesh mesh = TwoQuads(nearFirst);
        cv::Mat target(H, W, CV_8UC3, cv::Scalar::all(7));
        cv::Mat depth = cv::Mat::zeros(H, W, CV_32FC1);
        const long long written = RenderMesh(mesh, target, &depth);
        // 300 pixels each; drawn second, the far quad loses the 100 it shares with the near one.
        EXPECT_EQ(written, nearFirst ? 500 : 600);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const cv::Vec3b p = target.at<cv::Vec3b>(y, x);
                const float d = depth.at<float>(y, x);
                if (InRect(x, y, 5, 5, 25, 20)) {
                    ASSERT_EQ(p, cv::Vec3b(255, 0, 0)) << x << "," << y;
                    ASSERT_NEAR(d, 0.5f, 1e-6f);
                } else if (InRect(x, y, 15, 10, 35, 25)) {
                    ASSERT_EQ(p, cv::Vec3b(0, 0, 255)) << x << "," << y;
                    ASSERT_NEAR(d, 0.25f, 1e-6f);
                } else {
                    ASSERT_EQ(p, cv::Vec3b(7, 7, 7)) << x << "," << y;
                    ASSERT_EQ(d, 0.0f);
                }
            }
        }
    }
}

TEST(RenderMesh, TrianglesSharingAnEdgeDrawEveryPixelOnce)
{
    // Without a depth test every covered pixel is written once per triangle covering it.
    Mesh mesh = MakeMesh(PixelQuad(3.3f, 2.7f, 31.6f, 27.2f, 3, {1, 1, 1}), QuadIndices());
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    const long long written = RenderMesh(mesh, target, nullptr);
    // Pixel centres inside x 3.3..31.6 and y 2.7..27.2: columns 3..31, rows 3..26.
    EXPECT_EQ(written, 29 * 24);
    EXPECT_EQ(cv::countNonZero(target.reshape(1) == 255), 29 * 24 * 3);
}

namespace {
struct UvRecorder {
    cv::Mat uv;  // CV_32FC2
};
void RecordUv(const PixelInput& in, float colour[3], const void* data)
{
    auto* rec = static_cast<const UvRecorder*>(data);
    const_cast<cv::Mat&>(rec->uv).at<cv::Vec2f>(in.y, in.x) = {in.texCoord[0], in.texCoord[1]};
    colour[0] = colour[1] = colour[2] = 1;
}
}  // namespace

TEST(RenderMesh, TextureCoordinatesArePerspectiveCorrect)
{
    // A quad leaning away: y = -1 at z = 2 (v = 1) up to y = 1 at z = 6 (v = 0), so it lies in
    // the plane z = 4 + 2y, with u = (x + 1) / 2 across it.
    std::vector<V> q = {{-1, -1, 2}, {1, -1, 2}, {1, 1, 6}, {-1, 1, 6}};
    q[0].u = 0, q[0].v = 1;
    q[1].u = 1, q[1].v = 1;
    q[2].u = 1, q[2].v = 0;
    q[3].u = 0, q[3].v = 0;
    Mesh mesh = MakeMesh(q, QuadIndices());
    mesh.cameraFactor = 0.8f;
    UvRecorder rec{cv::Mat(H, W, CV_32FC2, cv::Scalar::all(-1))};
    mesh.pixelShader = RecordUv;
    mesh.shaderData = &rec;
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    cv::Mat depth = cv::Mat::zeros(H, W, CV_32FC1);
    ASSERT_GT(RenderMesh(mesh, target, &depth), 100);

    int checked = 0;
    double worstAffineGap = 0;
    for (int j = 0; j < H; ++j) {
        for (int i = 0; i < W; ++i) {
            const cv::Vec2f got = rec.uv.at<cv::Vec2f>(j, i);
            if (got[0] < 0) continue;
            // By hand: the pixel's view ray d = f * ((i + 0.5 - cx) / s, (cy - (j + 0.5)) / s, 1)
            // meets the plane z = 4 + 2y at t = 4 / (1 - 2 d.y).
            const double s = H / 2.0, f = 0.8;
            const double dx = f * (i + 0.5 - W / 2.0) / s, dy = f * (H / 2.0 - (j + 0.5)) / s;
            const double t = 4 / (1 - 2 * dy);
            const double u = (t * dx + 1) / 2, v = (1 - t * dy) / 2;
            ASSERT_NEAR(got[0], u, 2e-4) << i << "," << j;
            ASSERT_NEAR(got[1], v, 2e-4) << i << "," << j;
            EXPECT_NEAR(depth.at<float>(j, i), 1 / t, 1e-5);
            // Screen-space (affine) interpolation would be far off: v is not linear in rows. The
            // near edge lands on row cy + s * 0.5 / f, the far one on cy - s * (1 / 6) / f.
            const double nearRow = H / 2.0 + s * 0.5 / f, farRow = H / 2.0 - s / 6 / f;
            worstAffineGap = std::max(worstAffineGap, std::fabs(v - (j + 0.5 - farRow) / (nearRow - farRow)));
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
    EXPECT_GT(worstAffineGap, 0.05);
}

TEST(RenderMesh, DefaultVertexStageProjectsAndLightsWithAHeadlight)
{
    // position | normal | colour, as the cache shows it after a render.
    Mesh mesh;
    mesh.fileFormat = mesh_format::Position | mesh_format::Colour | mesh_format::Normal;
    mesh.processedFormat = mesh_format::ProcessedFromFile(mesh.fileFormat);
    ASSERT_EQ(mesh.processedFormat, processed_format::Screen | processed_format::Light);
    mesh.vertices = {
        1, 2, 4, 0.5f, 1, 1, 0, 0, -1,   // facing the eye squarely
        2, 0, 2, 1, 1, 1, -1, 0, 0,       // 45 degrees off the view ray
        0, 0, 2, 1, 1, 1, 0, 0, -2,       // normal of length 2
    };
    mesh.vertexCount = 3;
    mesh.indices = {0, 1, 2};
    mesh.triangleCount = 1;
    mesh.cameraFactor = 0.5f;
    cv::Mat target = cv::Mat::zeros(8, 8, CV_8UC3);
    RenderMesh(mesh, target, nullptr);
    ASSERT_EQ(mesh.cache.size(), 3u * 6);
    const float* c = mesh.cache.data();
    EXPECT_FLOAT_EQ(c[0], 1.0f / 4 / 0.5f);
    EXPECT_FLOAT_EQ(c[1], 2.0f / 4 / 0.5f);
    EXPECT_FLOAT_EQ(c[2], 0.25f);
    // |-(p . n)| / |p| with p = (1, 2, 4), n = (0, 0, -1): 4 / sqrt(21).
    const float i0 = 4 / std::sqrt(21.0f);
    EXPECT_NEAR(c[3], 0.5f * i0, 1e-6);
    EXPECT_NEAR(c[4], i0, 1e-6);
    EXPECT_NEAR(c[6 + 3], std::sqrt(0.5f), 1e-6);
    EXPECT_NEAR(c[12 + 3], 2.0f, 1e-6);  // unnormalised: the product is not a cosine

    mesh.normalizeNormals = true;
    mesh.rotation = cv::Matx33f(0, 0, 1, 0, 1, 0, -1, 0, 0);  // turned; lengths kept
    mesh.translation = {0, 0, 5};
    RenderMesh(mesh, target, nullptr);
    // Vertex 2 at p = (2, 0, 5) with n = (-2, 0, 0) normalised: |p . n| / |p| = 2 / sqrt(29).
    EXPECT_NEAR(mesh.cache[12 + 3], 2 / std::sqrt(29.0f), 1e-6);
}

TEST(RenderMesh, BrightColoursSaturateAndNegativeLightIsBlack)
{
    std::vector<V> q = PixelQuad(0, 0, W, H, 2, {2.5f, -1, 0.5f});
    Mesh mesh = MakeMesh(q, QuadIndices());
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    RenderMesh(mesh, target, nullptr);
    EXPECT_EQ(target.at<cv::Vec3b>(10, 10), cv::Vec3b(255, 0, 127));
}

TEST(RenderMesh, TextureIsSampledAtTheInterpolatedCoordinateTimesTheLight)
{
    cv::Mat texture(2, 2, CV_8UC3);
    texture.at<cv::Vec3b>(0, 0) = {200, 0, 0};
    texture.at<cv::Vec3b>(0, 1) = {0, 200, 0};
    texture.at<cv::Vec3b>(1, 0) = {0, 0, 200};
    texture.at<cv::Vec3b>(1, 1) = {100, 100, 100};
    std::vector<V> q = PixelQuad(0, 0, W, H, 2, {0.5f, 0.5f, 0.5f});
    q[0].u = 0, q[0].v = 1;
    q[1].u = 1, q[1].v = 1;
    q[2].u = 1, q[2].v = 0;
    q[3].u = 0, q[3].v = 0;
    Mesh mesh = MakeMesh(q, QuadIndices());
    mesh.texture = texture;
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    RenderMesh(mesh, target, nullptr);
    // Pixel (0, 0) samples the top-left texel's corner region: clamped, exactly texel (0, 0).
    EXPECT_EQ(target.at<cv::Vec3b>(0, 0), cv::Vec3b(100, 0, 0));
    EXPECT_EQ(target.at<cv::Vec3b>(H - 1, W - 1), cv::Vec3b(50, 50, 50));
    for (int y : {3, 14, 22})
        for (int x : {4, 19, 33}) {
            const cv::Vec3f s = SampleImage(texture, (x + 0.5f) / W, (y + 0.5f) / H);
            const cv::Vec3b got = target.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], 0.5f * s[c], 1.01f) << x << "," << y;
        }
}

TEST(RenderMesh, CullingByScreenWindingSplitsAClosedMesh)
{
    Mesh sphere = meshgen::MakeSphere(1, 12, 16);
    sphere.translation = {0.2f, -0.1f, 3};
    sphere.rotation = cv::Matx33f(0.8f, 0, 0.6f, 0, 1, 0, -0.6f, 0, 0.8f);
    cv::Mat texture(8, 8, CV_8UC3);
    cv::randu(texture, 0, 255);
    sphere.texture = texture;
    long long counts[3];
    cv::Mat images[3];
    for (int mode = 0; mode < 3; ++mode) {
        sphere.cull = static_cast<CullMode>(mode);
        images[mode] = cv::Mat::zeros(120, 160, CV_8UC3);
        counts[mode] = RenderMesh(sphere, images[mode], nullptr);
    }
    EXPECT_GT(counts[CullCounterClockwise], 1000);
    EXPECT_GT(counts[CullClockwise], 1000);
    EXPECT_EQ(counts[CullCounterClockwise] + counts[CullClockwise], counts[CullNone]);

    // Dropping the counter-clockwise triangles keeps the side facing the eye: the same picture
    // as the depth test gives.
    cv::Mat withDepth = cv::Mat::zeros(120, 160, CV_8UC3);
    cv::Mat depth = cv::Mat::zeros(120, 160, CV_32FC1);
    sphere.cull = CullNone;
    RenderMesh(sphere, withDepth, &depth);
    EXPECT_EQ(testenv::DifferentPixels(images[CullCounterClockwise], withDepth), 0);
    EXPECT_GT(testenv::DifferentPixels(images[CullClockwise], withDepth), 1000);
}

TEST(RenderMesh, ViewportRectangleSetsCentreAndScale)
{
    // The unit square of the screen lands on the viewport's height, centred in it.
    std::vector<V> q = {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}};
    Mesh mesh = MakeMesh(q, QuadIndices());
    mesh.viewport = cv::Rect(10, 20, 40, 30);
    cv::Mat target = cv::Mat::zeros(60, 60, CV_8UC3);
    EXPECT_EQ(RenderMesh(mesh, target, nullptr), 30 * 30);
    cv::Mat expected = cv::Mat::zeros(60, 60, CV_8UC3);
    expected(cv::Rect(15, 20, 30, 30)).setTo(cv::Scalar::all(255));
    EXPECT_EQ(testenv::DifferentPixels(target, expected), 0);
}

TEST(RenderMesh, SurfacesReachingBehindTheEyeAreCutAtTheNearPlane)
{
    // A floor at y = -1 from behind the eye (z = -2) to z = 50: only rows below the horizon.
    std::vector<V> q = {{-3, -1, -2}, {3, -1, -2}, {3, -1, 50}, {-3, -1, 50}};
    Mesh mesh = MakeMesh(q, QuadIndices());
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    cv::Mat depth = cv::Mat::zeros(H, W, CV_32FC1);
    EXPECT_GT(RenderMesh(mesh, target, &depth), 200);
    for (int y = 0; y < H / 2; ++y) EXPECT_EQ(cv::countNonZero(target.row(y).reshape(1)), 0) << y;
    EXPECT_GT(cv::countNonZero(target.row(H - 1).reshape(1)), 0);
    double minD = 0, maxD = 0;
    cv::minMaxLoc(depth, &minD, &maxD);
    EXPECT_GE(minD, 0);
    EXPECT_TRUE(std::isfinite(maxD));

    // Wholly behind: nothing.
    Mesh behind = MakeMesh({{-1, -1, -2}, {1, -1, -2}, {1, 1, -3}, {-1, 1, -3}}, QuadIndices());
    cv::Mat t2 = cv::Mat::zeros(H, W, CV_8UC3);
    EXPECT_EQ(RenderMesh(behind, t2, nullptr), 0);
}

TEST(RenderMesh, ShadersReceiveTheirArgumentsAndReplaceTheStages)
{
    struct Seen {
        int vertices = 0;
        bool sawNullColour = false, sawTexture = false;
    };
    static thread_local Seen seen;
    seen = {};
    Mesh mesh;
    mesh.fileFormat = mesh_format::Position | mesh_format::TexCoord | mesh_format::Extra | (2u << 16);
    mesh.processedFormat = mesh_format::ProcessedFromFile(mesh.fileFormat);
    ASSERT_EQ(mesh.FileStride(), 7);
    ASSERT_EQ(mesh.ProcessedStride(), 3 + 2 + 2);
    // A full-screen triangle pair given in screen units straight by the vertex shader.
    mesh.vertices = {-1, -1, 0, 0, 1, 5, 6, 1, -1, 0, 1, 1, 5, 6, 1, 1, 0, 1, 0, 5, 6, -1, 1, 0, 0, 0, 5, 6};
    mesh.vertexCount = 4;
    mesh.indices = {0, 1, 2, 0, 2, 3};
    mesh.triangleCount = 2;
    mesh.parallel = false;
    mesh.vertexShader = [](const Mesh&, const VertexInput& in, const VertexOutput& out, const void*) {
        ++seen.vertices;
        seen.sawNullColour = in.colour == nullptr && in.normal == nullptr;
        seen.sawTexture = in.texCoord != nullptr && in.extraCount == 2;
        out.screen[0] = in.position[0] * 2;  // twice the height: the whole 40 x 30 target
        out.screen[1] = in.position[1];
        out.screen[2] = 0.5f;
        out.texCoord[0] = in.texCoord[0];
        out.texCoord[1] = in.texCoord[1];
        out.extra[0] = in.extra[0];
        out.extra[1] = in.extra[1];
        EXPECT_EQ(out.light, nullptr);
    };
    mesh.pixelShader = [](const PixelInput& in, float colour[3], const void*) {
        EXPECT_EQ(in.light, nullptr);
        EXPECT_NEAR(in.extra[0], 5, 1e-4);
        EXPECT_NEAR(in.extra[1], 6, 1e-4);
        EXPECT_NEAR(in.depth, 0.5f, 1e-6);
        colour[0] = in.texCoord[0];
        colour[1] = 1 - in.texCoord[1];
        colour[2] = 0.5f;
    };
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    cv::Mat depth = cv::Mat::zeros(H, W, CV_32FC1);
    EXPECT_EQ(RenderMesh(mesh, target, &depth), W * H);
    EXPECT_EQ(seen.vertices, 4);
    EXPECT_TRUE(seen.sawNullColour);
    EXPECT_TRUE(seen.sawTexture);
    // The quad spans pixel columns -10..50, so u = (x + 0.5 + 10) / 60; truncated to bytes.
    EXPECT_EQ(target.at<cv::Vec3b>(0, W - 1)[0], static_cast<unsigned char>((W - 0.5f + 10) / 60 * 255));
    EXPECT_EQ(target.at<cv::Vec3b>(5, 5)[2], 127);
}

TEST(RenderMesh, BadTargetsAndBrokenMeshesDrawNothing)
{
    Mesh mesh = MakeMesh(PixelQuad(0, 0, W, H, 2, {1, 1, 1}), QuadIndices());
    cv::Mat grey = cv::Mat::zeros(H, W, CV_8UC1);
    EXPECT_EQ(RenderMesh(mesh, grey, nullptr), 0);
    cv::Mat target = cv::Mat::zeros(H, W, CV_8UC3);
    cv::Mat smallDepth = cv::Mat::zeros(H - 1, W, CV_32FC1);
    EXPECT_EQ(RenderMesh(mesh, target, &smallDepth), 0);
    cv::Mat wrongDepth = cv::Mat::zeros(H, W, CV_64FC1);
    EXPECT_EQ(RenderMesh(mesh, target, &wrongDepth), 0);

    Mesh broken = mesh;
    broken.indices[4] = 4;  // past the last vertex
    EXPECT_EQ(RenderMesh(broken, target, nullptr), 0);
    broken = mesh;
    broken.triangleCount = 3;  // more triangles than indices
    EXPECT_EQ(RenderMesh(broken, target, nullptr), 0);
    broken = mesh;
    broken.vertices.resize(10);
    EXPECT_EQ(RenderMesh(broken, target, nullptr), 0);
    EXPECT_EQ(cv::countNonZero(target.reshape(1)), 0);

    Mesh empty;
    EXPECT_EQ(RenderMesh(empty, target, nullptr), 0);

    // A non-finite position drops the triangles that use it, not the render.
    Mesh nan = mesh;
    nan.vertices[0] = std::nanf("");
    EXPECT_EQ(RenderMesh(nan, target, nullptr), 0);
    nan.indices = {1, 2, 3, 0, 1, 2};
    EXPECT_GT(RenderMesh(nan, target, nullptr), 0);
}

TEST(RenderMesh, BandsOnSeveralThreadsGiveTheOneThreadPicture)
{
    Mesh teapot = meshgen::MakeTeapot(6, 0.6f);
    teapot.translation = {0, 0, 3};
    teapot.rotation = cv::Matx33f(0.8f, 0, 0.6f, 0, 1, 0, -0.6f, 0, 0.8f);
    cv::Mat texture(64, 64, CV_8UC3);
    cv::randu(texture, 0, 255);
    teapot.texture = texture;
    auto render = [&](bool parallel) {
        teapot.parallel = parallel;
        cv::Mat target(333, 401, CV_8UC3, cv::Scalar(1, 2, 3));
        cv::Mat depth = cv::Mat::zeros(target.size(), CV_32FC1);
        RenderMesh(teapot, target, &depth);
        return std::make_pair(target, depth);
    };
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    const auto one = render(false);
    cv::setNumThreads(threads);
    const auto many = render(true);
    EXPECT_GT(cv::countNonZero(one.second), 10000);
    EXPECT_EQ(testenv::DifferentPixels(one.first, many.first), 0);
    EXPECT_EQ(testenv::DifferentPixels(one.second, many.second), 0);
}
