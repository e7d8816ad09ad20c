// The teapot and cylinder filters, driven through the 3D mesh template as the program does.
#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "mesh3d/CF_MultiCyldr.h"
#include "mesh3d/CF_Teapot.h"
#include "mesh3d/CT_3DMesh.h"
#include "mesh3d/tests/MeshTestUtil.h"
#include "platform/testing/TestEnv.h"
#include "tools/meshgen/MeshShapes.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

using namespace engine;
using namespace mesh3d;

namespace {

std::string Definition(const std::string& filter, const std::string& params, const std::string& mesh = "model.mesh")
{
    return "<effect><template name=\"Test\"/><filter name=\"3DMeshTemplate\">"
           "<filter name=\"" + filter + "\"><param mesh=\".\\" + mesh + "\"/></filter>"
           "<param " + params + "/></filter></effect>";
}

/** A flat quad facing the eye, x -1..1 and y -0.5..0.5, u 0..1 left to right (position | texture). */
Mesh FlatQuad()
{
    Mesh m;
    m.fileFormat = mesh_format::Position | mesh_format::TexCoord;
    m.processedFormat = mesh_format::ProcessedFromFile(m.fileFormat);
    m.vertices = {-1, -0.5f, 0, 0, 1, 1, -0.5f, 0, 1, 1, 1, 0.5f, 0, 1, 0, -1, 0.5f, 0, 0, 0};
    m.vertexCount = 4;
    m.indices = {0, 1, 2, 0, 2, 3};
    m.triangleCount = 2;
    return m;
}

class MeshFilters : public ::testing::Test {
protected:
    void SetUp() override { app::RegisterBuiltinClasses(); }

    RefPtr<CEffectTemplate> Open(const std::string& name, const std::string& definition, const Mesh& mesh)
    {
        const std::string folder = meshtest::WriteTemplateFolder(dir.path(), name, definition, &mesh);
        std::string error;
        RefPtr<CEffectTemplate> t = OpenTemplate(folder, &doc, &error);
        EXPECT_TRUE(t) << error;
        return t;
    }

    /** One rendering as the photo document does it, straight on the template. */
    static cv::Mat Render(CEffectTemplate& t, const std::vector<cv::Mat>& photos, cv::Size size)
    {
        t.SetSource(photos);
        t.SetOutputSize(&size);
        t.ApplyParams();
        t.Start();
        t.Process();
        return t.GetResult().clone();
    }

    testenv::TempDir dir;
    CPhotoDocument doc;
};

cv::Mat Photo(cv::Size size)
{
    cv::Mat p(size, CV_8UC3);
    for (int y = 0; y < p.rows; ++y)
        for (int x = 0; x < p.cols; ++x) p.at<cv::Vec3b>(y, x) = cv::Vec3b(x * 255 / p.cols, y * 255 / p.rows, 90);
    return p;
}

}  // namespace

TEST_F(MeshFilters, FieldOfViewSetsTheCameraFactorWhenMoveable)
{
    const Mesh cube = meshgen::MakeCube(0.5f);
    struct Case {
        const char* params;
        float factor;
        cv::Vec3f translation;
    } cases[] = {
        {"proj=\"60\" moveable=\"1\"", std::tan(30 * 3.14159265f / 180), {0, 0, 3}},
        {"moveable=\"1\" z=\"-5\" x=\"0.5\"", 1.0f, {-0.5f, 0, 5}},
        // The fixed pose: 3 ahead, unturned, the camera factor as it was.
        {"proj=\"60\" hangle=\"1\"", 1.0f, {0, 0, 3}},
    };
    for (const Case& c : cases) {
        RefPtr<CEffectTemplate> t = Open("Fov", Definition("TeapotFilter", c.params), cube);
        ASSERT_TRUE(t);
        Render(*t, {Photo({64, 48})}, {64, 48});
        auto* teapot = dynamic_cast<CF_Teapot*>(t->Filter());
        ASSERT_NE(teapot, nullptr);
        EXPECT_TRUE(teapot->MeshError().empty()) << teapot->MeshError();
        EXPECT_NEAR(teapot->GetMesh().cameraFactor, c.factor, 1e-5) << c.params;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(teapot->GetMesh().translation[i], c.translation[i], 1e-6) << c.params;
    }
}

TEST_F(MeshFilters, TeapotDrawsTheModelOverThePhoto)
{
    RefPtr<CEffectTemplate> t = Open("Over", Definition("TeapotFilter", "moveable=\"1\""), FlatQuad());
    ASSERT_TRUE(t);
    const cv::Mat photo = Photo({300, 200});
    const cv::Mat out = Render(*t, {photo}, {300, 200});
    ASSERT_EQ(out.size(), cv::Size(300, 200));
    // The quad spans x -1..1 at distance 3: pixels 150 +- 100 / 3, rows 100 +- 50 / 3. Outside
    // it the photo shows as it is; inside, the photo again, mapped onto the quad. The pixels
    // its edges cross are smoothed: they are part model, part photo.
    cv::Mat background;
    cv::resize(photo, background, out.size(), 0, 0, cv::INTER_LINEAR);
    const cv::Rect model(116, 83, 68, 35);  // 116.7..183.3 and 83.3..116.7, edge pixels included
    cv::Mat outside = out.clone(), expected = background.clone();
    outside(model).setTo(cv::Scalar::all(0));
    expected(model).setTo(cv::Scalar::all(0));
    EXPECT_EQ(testenv::DifferentPixels(outside, expected), 0);
    EXPECT_GT(testenv::DifferentPixels(out, background), 1000);
    // Inside: the quad's u runs across the whole photo, so its left shows the photo's left.
    EXPECT_NEAR(out.at<cv::Vec3b>(100, 120)[0], 10, 12);
    EXPECT_NEAR(out.at<cv::Vec3b>(100, 180)[0], 245, 12);
}

TEST_F(MeshFilters, TeapotWithoutPhotoOrModel)
{
    RefPtr<CEffectTemplate> t = Open("NoPhoto", Definition("TeapotFilter", "moveable=\"1\""), FlatQuad());
    ASSERT_TRUE(t);
    // No photo: black behind a white model (no texture, no light attribute in this mesh).
    const cv::Mat out = Render(*t, {}, {300, 200});
    EXPECT_EQ(out.size(), cv::Size(300, 200));
    EXPECT_EQ(out.at<cv::Vec3b>(100, 150), cv::Vec3b(255, 255, 255));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 10), cv::Vec3b(0, 0, 0));

    // A model file that is missing: the photo alone, and the reason kept.
    RefPtr<CEffectTemplate> missing = Open("Missing", Definition("TeapotFilter", "moveable=\"1\"", "none.mesh"), FlatQuad());
    ASSERT_TRUE(missing);
    const cv::Mat photo = Photo({300, 200});
    const cv::Mat plain = Render(*missing, {photo}, {300, 200});
    EXPECT_EQ(testenv::DifferentPixels(plain, photo), 0);
    EXPECT_FALSE(dynamic_cast<CF_Teapot*>(missing->Filter())->MeshError().empty());
}

TEST_F(MeshFilters, TeapotOutputFitsThePhotoIntoTheSizeNeverEnlarging)
{
    RefPtr<CEffectTemplate> t = Open("Fit", Definition("TeapotFilter", "moveable=\"1\""), FlatQuad());
    ASSERT_TRUE(t);
    const cv::Mat photo = Photo({1000, 500});
    EXPECT_EQ(Render(*t, {photo}, {400, 400}).size(), cv::Size(400, 200));
    EXPECT_EQ(Render(*t, {photo}, {2000, 2000}).size(), cv::Size(1000, 500));
    t->SetOutputSize(nullptr);
    t->Process();
    EXPECT_EQ(t->GetResult().size(), cv::Size(1000, 500));
    t->SetSource({});
    t->SetOutputSize(nullptr);
    t->Process();
    EXPECT_EQ(t->GetResult().size(), cv::Size(800, 600));
}

TEST_F(MeshFilters, ReflectSwitchesToTheReflectionShader)
{
    const Mesh sphere = meshgen::MakeSphere(1, 8, 8);
    RefPtr<CEffectTemplate> t = Open("Chrome", Definition("TeapotFilter", "moveable=\"1\" reflect=\"1\" specular=\"2\""), sphere);
    ASSERT_TRUE(t);
    auto* teapot = dynamic_cast<CF_Teapot*>(t->Filter());
    Render(*t, {Photo({64, 64})}, {64, 64});
    EXPECT_EQ(teapot->GetMesh().processedFormat, 0x7u);
    EXPECT_EQ(teapot->GetMesh().vertexShader, &ReflectionVertexShader);
    const auto* data = static_cast<const ReflectionData*>(teapot->GetMesh().shaderData);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->specularOn);
    EXPECT_FLOAT_EQ(data->specular, 2);
    // Without a photo: light only, no shader.
    Render(*t, {}, {64, 64});
    EXPECT_EQ(teapot->GetMesh().processedFormat, 0x3u);
    EXPECT_EQ(teapot->GetMesh().vertexShader, nullptr);
}

TEST_F(MeshFilters, CylinderPutsThePhotosSideBySideInInputOrder)
{
    RefPtr<CEffectTemplate> t = Open("Strips", Definition("CylinderFilterMS", "moveable=\"1\""), FlatQuad());
    ASSERT_TRUE(t);
    const std::vector<cv::Mat> photos = {cv::Mat(20, 20, CV_8UC3, cv::Scalar(255, 0, 0)),
                                         cv::Mat(30, 10, CV_8UC3, cv::Scalar(0, 255, 0)),
                                         cv::Mat(5, 40, CV_8UC3, cv::Scalar(0, 0, 255))};
    const cv::Mat out = Render(*t, photos, {300, 200});
    ASSERT_EQ(out.size(), cv::Size(300, 200));
    // The quad covers columns 117..183: u = 0..1 in three strips of about 22 pixels.
    EXPECT_EQ(out.at<cv::Vec3b>(100, 120), cv::Vec3b(255, 0, 0));
    EXPECT_EQ(out.at<cv::Vec3b>(100, 150), cv::Vec3b(0, 255, 0));
    EXPECT_EQ(out.at<cv::Vec3b>(100, 182), cv::Vec3b(0, 0, 255));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 10), cv::Vec3b(0, 0, 0));
    // No photos: the model in white.
    const cv::Mat plain = Render(*t, {}, {300, 200});
    EXPECT_EQ(plain.at<cv::Vec3b>(100, 150), cv::Vec3b(255, 255, 255));
    // Without a size the canvas is 800 x 600.
    t->SetOutputSize(nullptr);
    EXPECT_EQ(t->GetResult().size(), cv::Size(800, 600));
}

TEST_F(MeshFilters, FiltersWithoutParametersUseTheFixedPose)
{
    auto* filter = new CF_MultiCyldr;
    std::unique_ptr<CImageFilter> owner(filter);
    filter->Init();
    filter->Process();  // no mesh, no parameters: a black canvas
    EXPECT_EQ(filter->GetResult().size(), cv::Size(800, 600));
    EXPECT_EQ(cv::countNonZero(filter->GetResult().reshape(1)), 0);
    EXPECT_FALSE(filter->MeshError().empty());
    EXPECT_EQ(filter->GetMesh().translation, cv::Vec3f(0, 0, 3));
}

TEST_F(MeshFilters, AChangedPhotoIsPickedUpEvenInTheSameBuffer)
{
    // The filters keep what they made from a photo while it stays the same; a photo changed in
    // place (same buffer, same size) must still show.
    for (const char* filter : {"TeapotFilter", "CylinderFilterMS"}) {
        RefPtr<CEffectTemplate> t = Open(std::string("Same") + filter, Definition(filter, "moveable=\"1\""), FlatQuad());
        ASSERT_TRUE(t);
        cv::Mat photo(200, 300, CV_8UC3, cv::Scalar(10, 20, 30));
        const cv::Mat first = Render(*t, {photo}, {300, 200});
        EXPECT_EQ(first.at<cv::Vec3b>(100, 150), cv::Vec3b(10, 20, 30)) << filter;
        EXPECT_EQ(testenv::DifferentPixels(Render(*t, {photo}, {300, 200}), first), 0) << filter;
        photo.setTo(cv::Scalar(200, 100, 50));
        const cv::Mat second = Render(*t, {photo}, {300, 200});
        EXPECT_EQ(second.at<cv::Vec3b>(100, 150), cv::Vec3b(200, 100, 50)) << filter;
        // A new output size makes new textures too.
        const cv::Mat small = Render(*t, {photo}, {150, 100});
        EXPECT_EQ(small.at<cv::Vec3b>(50, 75), cv::Vec3b(200, 100, 50)) << filter;
    }
}
