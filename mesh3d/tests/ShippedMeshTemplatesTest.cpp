// Every shipped 3D template loads its mesh and draws the model over (or round) the photo.
#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "mesh3d/CF_MultiCyldr.h"
#include "mesh3d/CF_Teapot.h"
#include "mesh3d/tests/MeshTestUtil.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace engine;
using namespace mesh3d;

TEST(ShippedMeshTemplates, LoadTheirMeshesAndDrawTheModel)
{
    app::RegisterBuiltinClasses();
    CPhotoDocument doc;
    const cv::Mat photo(300, 400, CV_8UC3, cv::Scalar(60, 120, 180));
    for (const char* folder : {"Teapot", "ChromeTeapot", "Globe", "PhotoCube", "PhotoCylinder"}) {
        std::string error;
        RefPtr<CEffectTemplate> t = OpenTemplate(testenv::SourceDir() + "/media/Templates/" + folder, &doc, &error);
        ASSERT_TRUE(t) << folder << ": " << error;
        const Mesh* mesh = nullptr;
        if (auto* teapot = dynamic_cast<CF_Teapot*>(t->Filter())) {
            EXPECT_EQ(teapot->MeshError(), "") << folder;
            mesh = &teapot->GetMesh();
        } else if (auto* cylinder = dynamic_cast<CF_MultiCyldr*>(t->Filter())) {
            EXPECT_EQ(cylinder->MeshError(), "") << folder;
            mesh = &cylinder->GetMesh();
        }
        ASSERT_NE(mesh, nullptr) << folder;
        EXPECT_EQ(mesh->fileFormat, mesh_format::Position | mesh_format::Normal | mesh_format::TexCoord) << folder;
        if (std::string(folder).find("Teapot") != std::string::npos) {
            EXPECT_GE(mesh->triangleCount, 4000);
        }
        for (int v = 0; v < mesh->vertexCount; ++v) {
            const float* n = &mesh->vertices[static_cast<size_t>(v) * 8 + 3];
            ASSERT_NEAR(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]), 1.0f, 1e-4) << folder << " vertex " << v;
        }

        t->SetSource(std::vector<cv::Mat>{photo});
        const cv::Size size(400, 300);
        t->SetOutputSize(&size);
        t->ApplyParams();
        t->Process();
        const cv::Mat out = t->GetResult();
        ASSERT_EQ(out.size(), size) << folder;
        // The model covers a good part of the picture, and the middle of the picture is model.
        const cv::Mat plain = dynamic_cast<CF_Teapot*>(t->Filter()) ? photo : cv::Mat(cv::Mat::zeros(size, CV_8UC3));
        const int covered = testenv::DifferentPixels(out, plain);
        EXPECT_GT(covered, 400 * 300 / 10) << folder;
        EXPECT_LT(covered, 400 * 300 * 7 / 10) << folder;
    }
}
