// The reflection and strip shaders on values worked out by hand.
#include "filters/SampleImage.h"
#include "mesh3d/MeshShaders.h"
#include "mesh3d/TextureSampler.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace filters;
using namespace mesh3d;

TEST(ReflectionShader, TextureCoordinatesForKnownNormals)
{
    const cv::Vec3f p(0, 0, 3);
    const float h = std::sqrt(0.5f);
    struct Case {
        cv::Vec3f n;
        float u, v;
    } cases[] = {
        // Facing the eye: r = 2 (p.n) n - p = (0, 0, 3), straight ahead: the middle.
        {{0, 0, -1}, 0.5f, 0.5f},
        // 45 degrees to the right: r = (-3, 0, 0), r.z = 0 and r.x < 0: U = -1/2.
        {{h, 0, -h}, 0.25f, 0.5f},
        // 45 degrees to the left: r = (3, 0, 0): U = 1/2.
        {{-h, 0, -h}, 0.75f, 0.5f},
        // 45 degrees up: r = (0, -3, 0): v = asin(-1) / pi + 0.5 = 0.
        {{0, h, -h}, 0.5f, 0.0f},
        // 45 degrees down: r = (0, 3, 0): v = 1.
        {{0, -h, -h}, 0.5f, 1.0f},
        // Grazing, normal sideways: r = -p = (0, 0, -3); r.z < 0 with r.x = 0 adds nothing.
        {{1, 0, 0}, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        const cv::Vec2f uv = ReflectionTexCoord(p, c.n);
        EXPECT_NEAR(uv[0], c.u, 1e-5) << c.n;
        EXPECT_NEAR(uv[1], c.v, 1e-5) << c.n;
    }
    // Pointing back and to the right: p = (0, 0, 1), n 60 degrees off z gives r = (0.866, 0, -0.5);
    // r.z < 0 and r.x > 0 add 1 to atan(-1.732) / pi = -1/3: U = 2/3, u = 5/6.
    const cv::Vec2f back = ReflectionTexCoord({0, 0, 1}, {std::sqrt(0.75f), 0, 0.5f});
    EXPECT_NEAR(back[0], 5.0f / 6, 1e-5);
    EXPECT_NEAR(back[1], 0.5f, 1e-5);
    const cv::Vec2f backLeft = ReflectionTexCoord({0, 0, 1}, {-std::sqrt(0.75f), 0, 0.5f});
    EXPECT_NEAR(backLeft[0], 1.0f / 6, 1e-5);
}

TEST(ReflectionShader, IntensityAndSpecularHighlight)
{
    const cv::Vec3f p(0, 0, 2);
    // cos = 0.9 between the view ray and the normal.
    const cv::Vec3f n(std::sqrt(1 - 0.81f), 0, -0.9f);
    ReflectionData off;
    EXPECT_NEAR(ReflectionIntensity(p, n, off), 0.9f, 1e-6);
    ReflectionData on{true, 1.0f};
    // 0.9 + 0.9^100 = 0.9000266: the highlight only shows close to 1.
    EXPECT_NEAR(ReflectionIntensity(p, n, on), 0.9f + std::pow(0.9f, 100.0f), 1e-6);
    EXPECT_NEAR(ReflectionIntensity(p, {0, 0, -1}, on), 1.0f, 1e-6);  // capped
    ReflectionData strong{true, 50.0f};
    EXPECT_NEAR(ReflectionIntensity(p, {0, std::sqrt(1 - 0.995f * 0.995f), -0.995f}, strong), 1.0f, 1e-6);
}

TEST(ReflectionShader, PosesLikeTheDefaultStageAndNormalisesNormals)
{
    Mesh mesh;
    mesh.rotation = cv::Matx33f(0, 0, 1, 0, 1, 0, -1, 0, 0);
    mesh.translation = {0, 0, 4};
    mesh.cameraFactor = 0.5f;
    const float pos[3] = {0, 1, 1}, nrm[3] = {-3, 0, 0};  // rotated: p = (1, 1, 4), n = (0, 0, 3) -> unit
    VertexInput in;
    in.position = pos;
    in.normal = nrm;
    float screen[3], light[3], tex[2];
    VertexOutput out;
    out.screen = screen;
    out.light = light;
    out.texCoord = tex;
    ReflectionData data;
    ReflectionVertexShader(mesh, in, out, &data);
    EXPECT_FLOAT_EQ(screen[0], 1.0f / 4 / 0.5f);
    EXPECT_FLOAT_EQ(screen[1], 1.0f / 4 / 0.5f);
    EXPECT_FLOAT_EQ(screen[2], 0.25f);
    const float i = 4 / std::sqrt(18.0f);
    EXPECT_NEAR(light[0], i, 1e-6);
    EXPECT_EQ(light[0], light[2]);
    const cv::Vec2f uv = ReflectionTexCoord({1, 1, 4}, {0, 0, 1});
    EXPECT_FLOAT_EQ(tex[0], uv[0]);
    EXPECT_FLOAT_EQ(tex[1], uv[1]);
}

TEST(StripShader, SplitsUIntoEqualStripsWithOneOnTheLastPhoto)
{
    float local = -1;
    EXPECT_EQ(StripIndex(0.0f, 3, local), 0);
    EXPECT_FLOAT_EQ(local, 0.0f);
    EXPECT_EQ(StripIndex(0.3f, 3, local), 0);
    EXPECT_NEAR(local, 0.9f, 1e-6);
    EXPECT_EQ(StripIndex(0.34f, 3, local), 1);
    EXPECT_EQ(StripIndex(0.66f, 3, local), 1);
    EXPECT_EQ(StripIndex(0.67f, 3, local), 2);
    EXPECT_EQ(StripIndex(1.0f, 3, local), 2);
    EXPECT_FLOAT_EQ(local, 1.0f);
    EXPECT_EQ(StripIndex(-0.2f, 3, local), 0);  // outside the range: the nearest photo
    EXPECT_EQ(StripIndex(1.5f, 3, local), 2);
    EXPECT_EQ(StripIndex(0.99f, 1, local), 0);

    // Each photo is sampled where its strip says, times the light.
    std::vector<cv::Mat> photos = {cv::Mat(4, 4, CV_8UC3, cv::Scalar(255, 0, 0)), cv::Mat(4, 4, CV_8UC3, cv::Scalar(0, 255, 0)),
                                   cv::Mat(4, 4, CV_8UC3, cv::Scalar(0, 0, 255))};
    StripData data{&photos};
    const float light[3] = {0.5f, 0.5f, 1};
    for (auto [u, expected] : {std::pair{0.1f, 0}, {0.5f, 1}, {1.0f, 2}}) {
        const float uv[2] = {u, 0.5f};
        PixelInput in;
        in.light = light;
        in.texCoord = uv;
        float c[3];
        StripPixelShader(in, c, &data);
        for (int ch = 0; ch < 3; ++ch) EXPECT_FLOAT_EQ(c[ch], ch == expected ? light[ch] : 0.0f) << u;
    }
    // No photos: the light alone.
    std::vector<cv::Mat> none;
    StripData empty{&none};
    const float uv[2] = {0.5f, 0.5f};
    PixelInput in;
    in.light = light;
    in.texCoord = uv;
    float c[3];
    StripPixelShader(in, c, &empty);
    EXPECT_FLOAT_EQ(c[0], 0.5f);
    EXPECT_FLOAT_EQ(c[2], 1.0f);
}

TEST(TextureSampler, GivesSampleImageBitForBit)
{
    cv::Mat image(7, 11, CV_8UC3);
    cv::randu(image, 0, 256);
    const cv::Mat view = image(cv::Rect(1, 2, 9, 4));  // a region: the row step is not the width
    const TextureSampler8u3 sampler(view);
    cv::RNG rng(7);
    for (int i = 0; i < 5000; ++i) {
        const float u = rng.uniform(-0.3f, 1.3f), v = rng.uniform(-0.3f, 1.3f);
        float got[3];
        sampler(u, v, got);
        const cv::Vec3f want = SampleImage(view, u, v);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(got[c], want[c]) << u << "," << v;
    }
}
