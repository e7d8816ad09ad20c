// SPDX-License-Identifier: MIT
// Mesh files: decoded with the checks every loader applies, and a mesh that passes is drawn,
// posed in front of the camera as the 3D templates pose theirs, with a texture and a depth
// buffer. Whatever the decoder lets through must be safe to render.
#include "fuzz/FuzzSupport.h"
#include "mesh3d/Mesh.h"
#include "mesh3d/RenderMesh.h"

#include <cmath>
#include <string>

using mesh3d::CullMode;
using mesh3d::DecodeMeshFile;
using mesh3d::Mesh;
using mesh3d::RenderMesh;

namespace {

cv::Mat g_texture;

cv::Matx33f Turn(float h, float v)
{
    const float ch = std::cos(h), sh = std::sin(h), cv = std::cos(v), sv = std::sin(v);
    const cv::Matx33f aboutY(ch, 0, sh, 0, 1, 0, -sh, 0, ch);
    const cv::Matx33f aboutX(1, 0, 0, 0, cv, -sv, 0, sv, cv);
    return aboutY * aboutX;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_texture = cv::Mat(16, 16, CV_8UC3);
    cv::randu(g_texture, 0, 256);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Mesh mesh;
    std::string error;
    if (!DecodeMeshFile(std::string(fuzz::AsText(data, size)), mesh, &error)) {
        if (error.empty()) fuzz::Fail("a mesh refused without a reason");
        return 0;
    }
    if (!mesh.IsConsistent()) fuzz::Fail("a decoded mesh whose arrays do not match its counts");
    // A pose from the input's size, so that the corpus covers more than one view.
    const float h = 0.3f * static_cast<float>(size % 21), v = 0.2f * static_cast<float>(size % 7);
    mesh.rotation = Turn(h, v);
    mesh.translation = cv::Vec3f(0, 0, 3.2f);
    mesh.texture = g_texture;
    mesh.normalizeNormals = (size & 1) != 0;
    mesh.cull = static_cast<CullMode>(size % 3);
    mesh.parallel = false;
    cv::Mat target(36, 48, CV_8UC3, cv::Scalar::all(0));
    cv::Mat depth(target.size(), CV_32FC1, cv::Scalar::all(0));
    const long long drawn = RenderMesh(mesh, target, &depth);
    if (drawn < 0 || drawn > static_cast<long long>(mesh.triangleCount) * static_cast<long long>(target.total()))
        fuzz::Fail("more pixels drawn than the triangles can cover");
    // The same mesh seen from very close, half of it behind the eye: the clipping path.
    mesh.translation = cv::Vec3f(0.1f, -0.2f, 0.4f);
    depth.setTo(0);
    RenderMesh(mesh, target, &depth);
    return 0;
}
