#include "engine/ImageIO.h"
#include "face/CapMesh.h"
#include "face/CF_Face.h"
#include "face/FaceAnimation.h"
#include "face/FaceEngine.h"
#include "face/tests/FaceTestUtil.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace engine;
using namespace face;

using namespace facetest;

namespace {

// A configuration that puts the cap's rim on the ellipse inscribed in box (picture pixels).
FaceConfig ConfigFor(cv::Size picture, cv::Rect2f box)
{
    FaceConfig c;
    const float s = picture.height / 2.0f, z = 3;
    c.rotation[0] = c.rotation[4] = c.rotation[8] = 1;
    c.capWidth = box.width * z / s;
    c.capHeight = box.height * z / s;
    c.translation[0] = -(box.x + box.width / 2 - picture.width / 2.0f) * z / s;
    c.translation[1] = (box.y + box.height / 2 - picture.height / 2.0f) * z / s;
    c.translation[2] = -z;
    return c;
}

}  // namespace

TEST(FacePicture, ALargePictureIsUsedAt1024By768AndAMissingOneChangesNothing)
{
    testenv::TempDir dir;
    ASSERT_TRUE(SaveImage(dir / "big.png", cv::Mat(1536, 2048, CV_8UC3, cv::Scalar(1, 2, 3))));
    FaceEngine e;
    e.Init();
    EXPECT_TRUE(e.LoadFacePicture(dir / "big.png", dir / "none.cfg"));
    EXPECT_EQ(e.picture.size(), cv::Size(1024, 768));
    EXPECT_EQ(e.output.size(), cv::Size(1024, 768));
    EXPECT_EQ(e.depth.type(), CV_32FC1);
    ASSERT_TRUE(e.cap);
    EXPECT_EQ(e.cap->mesh.vertexCount, kCapVertices);
    EXPECT_EQ(e.cap->mesh.triangleCount, kCapTriangles);
    EXPECT_TRUE(e.cap->mesh.IsConsistent());

    EXPECT_FALSE(e.LoadFacePicture(dir / "missing.png", dir / "none.cfg"));
    EXPECT_EQ(e.picture.size(), cv::Size(1024, 768));
    ASSERT_TRUE(SaveImage(dir / "wide.png", cv::Mat(100, 3000, CV_8UC3)));
    EXPECT_TRUE(e.LoadFacePicture(dir / "wide.png", ""));
    EXPECT_EQ(e.picture.size(), cv::Size(1024, 34));
}

TEST(ChangedFace, PutsThePhotosFaceIntoTheMarkedBoxAndLeavesTheRestAlone)
{
    testenv::TempDir dir;
    const cv::Mat pic(300, 400, CV_8UC3, cv::Scalar(20, 200, 20));
    ASSERT_TRUE(SaveImage(dir / "pic.png", pic));
    const cv::Rect2f box(150, 60, 100, 120);
    ASSERT_TRUE(WriteFaceConfig(dir / "pic.cfg", ConfigFor(pic.size(), box)));

    FaceEngine e;
    e.Init();
    // A photo whose face box holds a plain red square.
    cv::Mat photo(600, 800, CV_8UC3, cv::Scalar(255, 0, 0));
    photo(cv::Rect(300, 200, 200, 200)).setTo(cv::Scalar(0, 0, 250));
    e.SetPhoto(photo);
    e.faceRect = {300, 200, 200, 200};
    e.PrepareCrop();
    ASSERT_TRUE(e.LoadFacePicture(dir / "pic.png", dir / "pic.cfg"));
    const cv::Mat out = e.RenderChangedFace().clone();
    ASSERT_EQ(out.size(), pic.size());
    // Centre: the photo's red, shaded by the light a little; corners and the box's corners: the picture.
    const cv::Vec3b centre = out.at<cv::Vec3b>(120, 200);
    EXPECT_LT(centre[1], 10);
    EXPECT_GT(centre[2], 200);
    EXPECT_EQ(out.at<cv::Vec3b>(0, 0), cv::Vec3b(20, 200, 20));
    EXPECT_EQ(out.at<cv::Vec3b>(62, 152), cv::Vec3b(20, 200, 20));
    EXPECT_EQ(out.at<cv::Vec3b>(178, 248), cv::Vec3b(20, 200, 20));
    // The face fills the inscribed ellipse and fades out toward its rim.
    EXPECT_GT(out.at<cv::Vec3b>(120, 150 + 25)[2], 150);
    const cv::Vec3b rim = out.at<cv::Vec3b>(120, 152);
    EXPECT_GT(rim[1], 150);

    // Rendering twice gives the same picture (the depth buffer is cleared each time).
    EXPECT_EQ(cv::norm(out, e.RenderChangedFace(), cv::NORM_INF), 0);
    // Without a photo the cap shows black inside, blended into the picture.
    FaceEngine bare;
    bare.Init();
    ASSERT_TRUE(bare.LoadFacePicture(dir / "pic.png", dir / "pic.cfg"));
    EXPECT_EQ(bare.RenderChangedFace().at<cv::Vec3b>(120, 200), cv::Vec3b(0, 0, 0));
}

TEST(ExpressionGif, SizeFollowsTheFaceWithinTheLimitsAndNeverEnlarges)
{
    EXPECT_EQ(ExpressionGifSize({400, 300}, 200, 200), cv::Size(200, 150));
    EXPECT_EQ(ExpressionGifSize({100, 80}, 200, 200), cv::Size(100, 80));
    EXPECT_EQ(ExpressionGifSize({300, 900}, 200, 200), cv::Size(67, 200));
    EXPECT_TRUE(ExpressionGifSize({0, 80}, 200, 200).empty());
    EXPECT_TRUE(ExpressionGifSize({100, 80}, 0, 200).empty());
    const float expected[] = {0, 0.03f, 0.06f, 0.09f, 0.12f, 0.15f, 0.18f, 0.21f, 0.24f, 0.27f,
                              0.3f, 0.27f, 0.24f, 0.21f, 0.18f, 0.15f, 0.12f, 0.09f, 0.06f, 0.03f};
    for (int i = 0; i < kExpressionFrames; ++i) EXPECT_NEAR(ExpressionFrameAmount(i), expected[i], 1e-6) << i;
}

TEST(ExpressionGif, WritesTwentyFramesThatLoopForever)
{
    auto bytes_of = [](const std::string& path) {
        std::string b;
        platform::ReadFile(path, b, 1 << 24);
        return b;
    };
    RegisterOnce();
    testenv::TempDir dir;
    CF_Face filter;
    filter.Init();
    FaceParams params;
    params.kind = KindExpression;
    filter.SetParams(&params);
    cv::Mat photo = Astronaut();
    cv::resize(photo, photo, cv::Size(800, 600));
    const cv::Mat source[] = {photo};
    filter.SetSource(source);
    FaceEngine& e = filter.Engine();
    e.faceRect = {200, 150, 400, 300};  // the working photo is the photo itself
    e.PrepareCrop();
    e.AlignFeatures();
    EXPECT_EQ(filter.ExportAnimation(dir / "a.gif", 0, 200), 0);
    // What the export dialog is told before writing is what gets written.
    EXPECT_EQ(filter.AnimationSize(200, 200), cv::Size(200, 150));
    EXPECT_EQ(filter.AnimationSize(1000, 1000), cv::Size(400, 300)) << "never enlarged";
    ASSERT_EQ(filter.ExportAnimation(dir / "a.gif", 200, 200), 1);
    EXPECT_EQ(bytes_of(dir / "a.gif").find(std::string("\x21\xF9\x04\x00", 4)), std::string::npos) << "no frame delay unless asked for";
    filter.SetFrameDelay(8);
    ASSERT_EQ(filter.ExportAnimation(dir / "slow.gif", 200, 200), 1);
    EXPECT_NE(bytes_of(dir / "slow.gif").find(std::string("\x21\xF9\x04\x00\x08\x00", 6)), std::string::npos);

    std::string bytes;
    ASSERT_TRUE(platform::ReadFile(dir / "a.gif", bytes, 1 << 24));
    size_t loops = 0;
    for (size_t at = bytes.find("NETSCAPE2.0"); at != std::string::npos; at = bytes.find("NETSCAPE2.0", at + 1)) ++loops;
    EXPECT_EQ(loops, 1u);
    EXPECT_LT(bytes.find("NETSCAPE2.0"), bytes.find('\x2c'));  // before the first image descriptor

    // Decoded by an independent reader.
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) GTEST_SKIP() << "python3 PIL is not installed";
    const std::string report = dir / "report.txt";
    const std::string cmd = "/usr/bin/python3 -c \"from PIL import Image; im = Image.open('" + dir / "a.gif" +
                            "'); print(im.size[0], im.size[1], im.n_frames, im.info.get('loop'))\" > " + report;
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(report);
    int w = 0, h = 0, frames = 0, loop = -1;
    in >> w >> h >> frames >> loop;
    EXPECT_EQ(w, 200);
    EXPECT_EQ(h, 150);
    EXPECT_EQ(frames, 20);
    EXPECT_EQ(loop, 0);
}

TEST(ChangedFace, AConfigurationWithAHugeRotationDrawsNothingUndefined)
{
    // Found by fuzzing: the cap posed by this configuration reaches the renderer with rows that
    // turn NaN after clipping. The rendering must still be a picture of the template's size
    // (the sanitizers watch the conversions on the way).
    testenv::TempDir dir;
    const std::string picture = dir / "pic.png";
    ASSERT_TRUE(SaveImage(picture, cv::Mat(60, 80, CV_8UC3, cv::Scalar(30, 60, 90))));
    FaceEngine engine;
    ASSERT_TRUE(engine.LoadFacePicture(picture, std::string(GRIMAZE_SOURCE_DIR) +
                                                    "/face/tests/data/huge_rotation/huge_rotation_nan_rows.cfg"));
    cv::Mat photo(30, 40, CV_8UC3);
    cv::randu(photo, 0, 256);
    engine.fullPhoto = photo;
    engine.workingPhoto = photo;
    engine.faceRect = FaceRect{8, 4, 20, 22};
    const cv::Mat& out = engine.RenderChangedFace();
    EXPECT_EQ(out.size(), cv::Size(80, 60));
    EXPECT_EQ(out.type(), CV_8UC3);
}
