#include "face/CapMesh.h"
#include "face/FaceConfig.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace face;

namespace {

FaceConfig Sample()
{
    FaceConfig c;
    for (int i = 0; i < 9; ++i) c.rotation[i] = 0.1f * (i + 1);
    c.translation[0] = 1.5f, c.translation[1] = -2.5f, c.translation[2] = -6;
    c.viewportX = 12, c.viewportY = -7;
    c.capWidth = 0.8f, c.capHeight = 1.1f, c.capAngle = 0.7f;
    return c;
}

}  // namespace

TEST(FaceConfig, RoundTripsAllSixtyEightBytes)
{
    testenv::TempDir dir;
    const FaceConfig c = Sample();
    ASSERT_EQ(EncodeFaceConfig(c).size(), 68u);
    ASSERT_TRUE(WriteFaceConfig(dir / "face.cfg", c));
    FaceConfig r;
    EXPECT_EQ(ReadFaceConfig(dir / "face.cfg", r), 68);
    EXPECT_EQ(EncodeFaceConfig(r), EncodeFaceConfig(c));
    EXPECT_EQ(r.viewportY, -7);
}

TEST(FaceConfig, AShortFileChangesOnlyTheValuesItHoldsWhole)
{
    testenv::TempDir dir;
    const std::string full = EncodeFaceConfig(Sample());
    // 50 bytes: rotation, translation and half of the viewport's x.
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "short.cfg", full.substr(0, 50)));
    FaceConfig r;
    r.viewportX = 99;
    EXPECT_EQ(ReadFaceConfig(dir / "short.cfg", r), 50);
    EXPECT_FLOAT_EQ(r.rotation[8], 0.9f);
    EXPECT_FLOAT_EQ(r.translation[2], -6);
    EXPECT_EQ(r.viewportX, 0);  // reset by every load, not read
    EXPECT_FLOAT_EQ(r.capWidth, 1.0f);
    EXPECT_FLOAT_EQ(r.capAngle, 0.5235988f);

    // 60 bytes: everything up to the cap width.
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "short.cfg", full.substr(0, 60)));
    FaceConfig s;
    EXPECT_EQ(ReadFaceConfig(dir / "short.cfg", s), 60);
    EXPECT_FLOAT_EQ(s.capWidth, 0.8f);
    EXPECT_FLOAT_EQ(s.capHeight, 1.0f);
}

TEST(FaceConfig, AMissingFileOrBadValuesKeepWhatWasThere)
{
    testenv::TempDir dir;
    FaceConfig r = Sample();
    EXPECT_EQ(ReadFaceConfig(dir / "none.cfg", r), -1);
    EXPECT_FLOAT_EQ(r.capAngle, 0.7f);
    EXPECT_EQ(r.viewportX, 0);

    FaceConfig bad = Sample();
    bad.translation[1] = std::nanf("");
    bad.capWidth = 0;
    bad.capHeight = -3;
    bad.capAngle = 0;
    ASSERT_TRUE(WriteFaceConfig(dir / "bad.cfg", bad));
    FaceConfig k;
    k.translation[1] = 4;
    EXPECT_EQ(ReadFaceConfig(dir / "bad.cfg", k), 68);
    EXPECT_FLOAT_EQ(k.translation[1], 4);
    EXPECT_FLOAT_EQ(k.capWidth, 1);
    EXPECT_FLOAT_EQ(k.capHeight, 1);
    EXPECT_FLOAT_EQ(k.capAngle, 0.5235988f);
    EXPECT_FLOAT_EQ(k.translation[2], -6);
}

TEST(CapGeometry, HasItsRingsRimAndTextureCircle)
{
    const float A = 0.6f, B = 0.8f, theta = 0.5235988f;
    const CapGeometry g = BuildCapGeometry(A, B, theta);
    ASSERT_EQ(g.vertices.size(), size_t(801 * 8));
    ASSERT_EQ(g.indices.size(), size_t(1560 * 3));
    for (int i : g.indices) ASSERT_TRUE(i >= 0 && i < 801);
    // The apex bulges toward the viewer and shows the texture's centre.
    EXPECT_LT(g.vertices[2], 0);
    EXPECT_FLOAT_EQ(g.vertices[6], 0.5f);
    EXPECT_FLOAT_EQ(g.vertices[7], 0.5f);
    // The outer ring is the ellipse A/2 x B/2 in z = 0 and carries the texture's inscribed circle.
    for (int j = 0; j < 40; ++j) {
        const float* v = &g.vertices[(1 + 19 * 40 + j) * 8];
        EXPECT_NEAR((v[0] / (A / 2)) * (v[0] / (A / 2)) + (v[1] / (B / 2)) * (v[1] / (B / 2)), 1, 1e-4);
        EXPECT_NEAR(v[2], 0, 1e-5);
        EXPECT_NEAR(std::hypot(v[6] - 0.5f, v[7] - 0.5f), 0.5f, 1e-4);
        EXPECT_NEAR(std::hypot(v[3], std::hypot(v[4], v[5])), 1, 1e-5);
    }
    // Fan first: triangle j joins the apex with ring-1 vertices j and j + 1 (wrapping).
    EXPECT_EQ(g.indices[0], 0);
    EXPECT_EQ(g.indices[39 * 3 + 1], 40);
    EXPECT_EQ(g.indices[39 * 3 + 2], 1);
}
