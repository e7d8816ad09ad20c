// SPDX-License-Identifier: MIT
// Frames through templates, one after another, as the live preview renders them.
#include "camera/LiveRenderer.h"

#include "camera/tests/CameraTestUtil.h"
#include "engine/ImageIO.h"
#include "engine/TemplateFile.h"
#include "face/CT_Face.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

using namespace engine;
using namespace face;

using camtest::OpenBundled;

namespace {

cv::Mat Frame(int w, int h, int shade)
{
    cv::Mat m(h, w, CV_8UC3, cv::Scalar(shade, 255 - shade, 128));
    cv::circle(m, {w / 2, h / 2}, h / 4, cv::Scalar(255, 255, 255), -1);
    return m;
}

}  // namespace

TEST(LiveRenderer, EachFrameIsRenderedAnewAtItsSizeOrFittedToTheView)
{
    for (const char* name : {"Emboss", "Postcard", "Teapot", "Knight"}) {
        SCOPED_TRACE(name);
        camera::LiveRenderer live(OpenBundled(name));
        ASSERT_TRUE(live.Template());
        const cv::Mat a = live.Render(Frame(320, 240, 0));
        const cv::Mat b = live.Render(Frame(320, 240, 200));
        ASSERT_FALSE(a.empty());
        ASSERT_FALSE(b.empty());
        EXPECT_EQ(a.type(), CV_8UC3);
        EXPECT_EQ(a.size(), b.size());
        EXPECT_GT(cv::norm(a, b, cv::NORM_L1), 0.0) << "the second frame must not show the first";
        // Frames and pasted faces keep their picture's size; the rest draw for the view.
        const cv::Mat fitted = live.Render(Frame(320, 240, 50), cv::Size(160, 160));
        ASSERT_FALSE(fitted.empty());
        EXPECT_LE(fitted.cols, a.cols);
        EXPECT_LE(fitted.rows, a.rows);
        if (std::string(name) == "Emboss" || std::string(name) == "Teapot") {
            EXPECT_LE(std::max(fitted.cols, fitted.rows), 160);
        }
    }
}

TEST(LiveRenderer, MirroredSwapsLeftAndRight)
{
    cv::Mat m = cv::Mat::zeros(2, 3, CV_8UC3);
    m.at<cv::Vec3b>(0, 0) = {1, 2, 3};
    const cv::Mat r = camera::Mirrored(m);
    EXPECT_EQ(r.at<cv::Vec3b>(0, 2), cv::Vec3b(1, 2, 3));
    EXPECT_EQ(r.at<cv::Vec3b>(0, 0), cv::Vec3b(0, 0, 0));
    EXPECT_TRUE(camera::Mirrored(cv::Mat()).empty());
}

TEST(LiveRenderer, AFaceFoundOnceIsCutFromTheSamePlaceUntilTheNextSearch)
{
    std::string error;
    cv::Mat photo = LoadPhoto(testenv::SourceDir() + "/media/Images/default/Default1.jpg", &error);
    ASSERT_FALSE(photo.empty()) << error;
    cv::resize(photo, photo, {480, 480}, 0, 0, cv::INTER_AREA);
    camera::LiveRenderer live(OpenBundled("Knight"));
    auto* face = dynamic_cast<CT_Face*>(live.Template());
    ASSERT_TRUE(face);
    live.Render(photo);
    ASSERT_EQ(face->DetectedFaces().size(), 1u);
    const FaceQuad found = face->Params().state.regions[3];
    // The frames between searches keep the region even when the face has moved away...
    cv::Mat moved = cv::Mat::zeros(photo.size(), photo.type());
    photo(cv::Rect(0, 0, 400, 480)).copyTo(moved(cv::Rect(80, 0, 400, 480)));
    for (int i = 1; i < camera::LiveRenderer::kFaceSearchEvery; ++i) {
        ASSERT_FALSE(live.Render(moved).empty());
        EXPECT_EQ(face->Params().state.regions[3].x0, found.x0) << i;
    }
    // ...and the next search finds it where it went.
    live.Render(moved);
    ASSERT_EQ(face->DetectedFaces().size(), 1u);
    EXPECT_NEAR(face->Params().state.regions[3].x0 - found.x0, 80, 12);
}
