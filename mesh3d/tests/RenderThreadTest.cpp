// Two renders on two threads share nothing: each gives what it gives alone. The renders run
// their bands on the calling thread here: OpenCV's thread pool is not built for
// ThreadSanitizer, which would then see races in its hand-over that are not there. That the
// bands give the one-thread picture is tested in RenderMeshTest.
#include "mesh3d/MeshShaders.h"
#include "mesh3d/RenderMesh.h"
#include "mesh3d/tests/MeshTestUtil.h"
#include "tools/meshgen/MeshShapes.h"

#include <gtest/gtest.h>

#include <thread>

using namespace mesh3d;

namespace {

struct Job {
    Mesh mesh;
    cv::Mat texture;
    std::vector<cv::Mat> photos;
    StripData strips;
    ReflectionData reflection{true, 0.8f};

    cv::Mat Render()
    {
        mesh.parallel = false;
        cv::Mat target(240, 320, CV_8UC3, cv::Scalar(9, 9, 9));
        cv::Mat depth = cv::Mat::zeros(target.size(), CV_32FC1);
        RenderMesh(mesh, target, &depth);
        return target;
    }
};

/** A textured teapot with the reflection shader. */
void MakeChrome(Job& job)
{
    job.mesh = meshgen::MakeTeapot(5, 0.6f);
    job.mesh.translation = {0, 0, 3};
    job.mesh.processedFormat = processed_format::Screen | processed_format::Light | processed_format::TexCoord;
    job.texture = cv::Mat(50, 70, CV_8UC3);
    cv::randu(job.texture, 0, 255);
    job.mesh.texture = job.texture;
    job.mesh.vertexShader = ReflectionVertexShader;
    job.mesh.shaderData = &job.reflection;
}

/** A tube with three photos through the strip shader. */
void MakeStrips(Job& job)
{
    job.mesh = meshgen::MakeCylinder(1, 1.5f, 40, 2);
    job.mesh.translation = {0, 0, 3.5f};
    for (int i = 0; i < 3; ++i) {
        job.photos.emplace_back(30, 30, CV_8UC3);
        cv::randu(job.photos.back(), 0, 255);
    }
    job.strips.photos = &job.photos;
    job.mesh.pixelShader = StripPixelShader;
    job.mesh.shaderData = &job.strips;
}

}  // namespace

TEST(RenderThreads, TwoRendersOnTwoThreadsDoNotCollide)
{
    Job a, b;
    MakeChrome(a);
    MakeStrips(b);
    const cv::Mat aloneA = a.Render(), aloneB = b.Render();
    ASSERT_GT(testenv::DifferentPixels(aloneA, cv::Mat(aloneA.size(), CV_8UC3, cv::Scalar(9, 9, 9))), 3000);
    ASSERT_GT(testenv::DifferentPixels(aloneB, cv::Mat(aloneB.size(), CV_8UC3, cv::Scalar(9, 9, 9))), 3000);

    int badA = 0, badB = 0;
    std::thread ta([&] {
        for (int i = 0; i < 20; ++i) badA += testenv::DifferentPixels(a.Render(), aloneA);
    });
    std::thread tb([&] {
        for (int i = 0; i < 20; ++i) badB += testenv::DifferentPixels(b.Render(), aloneB);
    });
    ta.join();
    tb.join();
    EXPECT_EQ(badA, 0);
    EXPECT_EQ(badB, 0);
}
