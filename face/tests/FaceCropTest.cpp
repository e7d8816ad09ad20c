// SPDX-License-Identifier: MIT
// Face templates on a photo that was cropped or turned in the original-image view: the face
// region, the search and the paste all work on the prepared photo (turned, then cropped), so
// the face pasted is the one of the whole photo.
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "face/CT_Face.h"
#include "face/FaceDetector.h"
#include "face/tests/FaceTestUtil.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

using namespace engine;
using namespace face;

using namespace facetest;

namespace {

constexpr platform::WindowId kView = 91;

struct Rendered {
    cv::Mat result;
    FaceQuad face;
    cv::Rect crop;  // where the prepared photo was cut, in its pixels
};

class FaceCropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterOnce();
        platform::InstallSink(&sink);
        upright = dir / "upright.png";
        ASSERT_TRUE(SaveImage(upright, Astronaut()));
        // The same photo as a camera held sideways stores it: the user turns it back.
        cv::Mat sideways;
        cv::rotate(Astronaut(), sideways, cv::ROTATE_90_CLOCKWISE);
        turned = dir / "sideways.png";
        ASSERT_TRUE(SaveImage(turned, sideways));
    }
    void TearDown() override { platform::InstallSink(nullptr); }

    /**
     * Renders the template on the photo turned and cropped. With cropLater the template first
     * works on the whole photo (finding and keeping its face) and the crop comes afterwards, as
     * when the user goes to the original-image view with a face template picked.
     */
    Rendered Render(const std::string& name, const std::string& photo, int rotation, const float* crop,
                    bool cropLater = false)
    {
        Rendered out;
        CPhotoDocument doc;
        PhotoRecord r;
        r.path = photo;
        doc.InsertPhoto(-1, r);
        const float whole[4] = {0, 0, 1, 1};
        doc.SetPhotoSettings(0, rotation, crop && !cropLater ? crop : whole);
        EXPECT_TRUE(doc.SelectPhoto(0));
        doc.SetView({0, 0, 400, 300}, kView);
        FaceDetector::Instance().ResetFaceSearch();
        std::string error;
        RefPtr<CEffectTemplate> t = OpenTemplate(testenv::ProgramDir() + "/media/Templates/" + name, &doc, &error);
        EXPECT_TRUE(t) << error;
        if (!t) return out;
        doc.SetCurrentTemplate(t.get());
        if (cropLater) {
            doc.Render();
            doc.WaitForRendering();
            doc.SetPhotoSettings(0, rotation, crop);
            EXPECT_TRUE(doc.SelectPhoto(0));
        }
        // As the window does: the preview first, then the export at full size.
        doc.Render();
        doc.WaitForRendering();
        doc.RenderFull();
        doc.WaitForRendering();
        out.result = doc.ShownResult().clone();
        out.face = dynamic_cast<CT_Face&>(*t).Params().state.regions[FaceRegion];
        PhotoRecord prepared = doc.PhotoAt(0);
        EXPECT_TRUE(PreparePhoto(prepared));
        out.crop = prepared.crop_px;
        doc.SetCurrentTemplate(nullptr);
        return out;
    }

    testenv::RecordingSink sink;
    testenv::TempDir dir;
    std::string upright, turned;
};

// Share of pixels differing by more than rounding.
double Differing(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() == cv::Size(400, 400) && b.size() == a.size()) {
        // An expression shows the face crop itself, resampled from the photo at the scale the
        // photo is searched at, which differs between a photo and its crop: the same face then
        // differs by resampling (a mean of about 8 levels); a face in the wrong place by 40
        // and more.
        return cv::norm(a, b, cv::NORM_L1) / double(a.total() * 3) < 12 ? 0 : 1;
    }
    if (a.size() != b.size() || a.empty()) return 1;
    cv::Mat diff, grey;
    cv::absdiff(a, b, diff);
    cv::cvtColor(diff, grey, cv::COLOR_BGR2GRAY);
    return cv::countNonZero(grey > 3) / double(grey.total());
}

}  // namespace

TEST_F(FaceCropTest, EveryFaceTemplatePastesTheSameFaceFromACroppedOrTurnedPhoto)
{
    // The astronaut's face lies well inside this box (fractions of the 512 x 512 photo).
    const float crop[4] = {0.15f, 0.05f, 0.7f, 0.62f};
    for (const char* name : {"Astronaut", "Knight", "Superhero", "PortraitFrame", "Expressions"}) {
        SCOPED_TRACE(name);
        const Rendered whole = Render(name, upright, 0, nullptr);
        ASSERT_FALSE(whole.result.empty());
        ASSERT_FALSE(whole.face.IsEmpty());

        const Rendered cut = Render(name, upright, 0, crop);
        ASSERT_FALSE(cut.result.empty());
        // The face region is the whole photo's, moved with the crop's corner.
        EXPECT_NEAR(cut.face.x0, whole.face.x0 - cut.crop.x, 1.0);
        EXPECT_NEAR(cut.face.y0, whole.face.y0 - cut.crop.y, 1.0);
        EXPECT_NEAR(cut.face.x2, whole.face.x2 - cut.crop.x, 1.0);
        EXPECT_NEAR(cut.face.y2, whole.face.y2 - cut.crop.y, 1.0);
        // A change-face template pastes into its own picture, an expression template shows the
        // face it warps: either way the same picture comes out.
        const cv::Mat& expected = whole.result;
        EXPECT_LT(Differing(cut.result, expected), 0.01);

        // Cropped while the template already had the face of the whole photo.
        const Rendered later = Render(name, upright, 0, crop, true);
        EXPECT_NEAR(later.face.x0, whole.face.x0 - later.crop.x, 1.0);
        EXPECT_NEAR(later.face.y0, whole.face.y0 - later.crop.y, 1.0);
        EXPECT_LT(Differing(later.result, expected), 0.01);

        // Turned upright from a sideways photo, and cropped as well.
        const Rendered upturned = Render(name, turned, 1, nullptr);
        EXPECT_NEAR(upturned.face.x0, whole.face.x0, 1.0);
        EXPECT_NEAR(upturned.face.y0, whole.face.y0, 1.0);
        EXPECT_LT(Differing(upturned.result, whole.result), 0.01);
        const Rendered both = Render(name, turned, 1, crop);
        EXPECT_NEAR(both.face.x0, whole.face.x0 - both.crop.x, 1.0);
        EXPECT_NEAR(both.face.y0, whole.face.y0 - both.crop.y, 1.0);
        EXPECT_LT(Differing(both.result, expected), 0.01);
    }
}
