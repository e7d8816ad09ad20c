#include "mesh3d/MeshShaders.h"

#include "filters/SampleImage.h"
#include "mesh3d/TextureSampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using filters::SampleImage;

namespace mesh3d {

namespace {
constexpr float kPi = std::numbers::pi_v<float>;
// The fixed pose: the model three units in front of the eye.
constexpr float kFixedDistance = 3.0f;
}  // namespace

cv::Vec2f ReflectionTexCoord(const cv::Vec3f& p, const cv::Vec3f& n)
{
    const float c = p.dot(n);
    const cv::Vec3f r = 2 * c * n - p;
    // atan(r.x / r.z) folded into the half where r points back (r.z < 0): atan2.
    float u = 0;
    if (r[2] != 0) {
        u = std::atan(r[0] / r[2]) / kPi;
        if (r[2] < 0) u += r[0] > 0 ? 1.0f : r[0] < 0 ? -1.0f : 0.0f;
    } else {
        u = r[0] > 0 ? 0.5f : r[0] < 0 ? -0.5f : 0.0f;
    }
    const float len = static_cast<float>(cv::norm(r));
    const float v = len > 0 ? std::asin(std::clamp(r[1] / len, -1.0f, 1.0f)) / kPi + 0.5f : 0.5f;
    return {(u + 1) / 2, v};
}

float ReflectionIntensity(const cv::Vec3f& p, const cv::Vec3f& n, const ReflectionData& data)
{
    const float dist = static_cast<float>(cv::norm(p));
    float intensity = dist > 0 ? std::fabs(p.dot(n) / dist) : 0.0f;
    if (data.specularOn) intensity = std::min(1.0f, intensity + data.specular * std::pow(intensity, 100.0f));
    return intensity;
}

void ReflectionVertexShader(const Mesh& mesh, const VertexInput& in, const VertexOutput& out, const void* data)
{
    static const ReflectionData kNone;
    const ReflectionData& settings = data ? *static_cast<const ReflectionData*>(data) : kNone;
    cv::Vec3f p = mesh.translation;
    if (in.position) p += mesh.rotation * cv::Vec3f(in.position[0], in.position[1], in.position[2]);
    cv::Vec3f n(0, 0, 0);
    if (in.normal) {
        n = mesh.rotation * cv::Vec3f(in.normal[0], in.normal[1], in.normal[2]);
        const float len = static_cast<float>(cv::norm(n));
        if (len > 0) n /= len;
    }
    if (out.screen) {
        const float f = mesh.cameraFactor;
        out.screen[0] = p[0] / p[2] / f;
        out.screen[1] = p[1] / p[2] / f;
        out.screen[2] = 1.0f / p[2];
    }
    if (out.texCoord) {
        const cv::Vec2f uv = ReflectionTexCoord(p, n);
        out.texCoord[0] = uv[0];
        out.texCoord[1] = uv[1];
    }
    if (out.light) {
        const float intensity = ReflectionIntensity(p, n, settings);
        out.light[0] = out.light[1] = out.light[2] = intensity;
    }
    if (out.extra)
        for (int i = 0; i < out.extraCount; ++i) out.extra[i] = 0;
}

int StripIndex(float u, int n, float& localU)
{
    const float s = static_cast<float>(n) * u;
    const int k = std::clamp(static_cast<int>(std::floor(s)), 0, n - 1);
    localU = s - static_cast<float>(k);
    return k;
}

void StripPixelShader(const PixelInput& in, float colour[3], const void* data)
{
    const StripData* strips = static_cast<const StripData*>(data);
    const int n = strips && strips->photos ? static_cast<int>(strips->photos->size()) : 0;
    float c[3] = {1, 1, 1};
    if (n > 0 && in.texCoord) {
        float local = 0;
        const cv::Mat& photo = (*strips->photos)[static_cast<std::size_t>(StripIndex(in.texCoord[0], n, local))];
        float s[3] = {0, 0, 0};
        if (photo.type() == CV_8UC3 && !photo.empty()) {
            const TextureSampler8u3 sampler(photo);
            sampler(local, in.texCoord[1], s);
        } else if (!photo.empty()) {
            const cv::Vec3f t = SampleImage(photo, local, in.texCoord[1]);
            s[0] = t[0], s[1] = t[1], s[2] = t[2];
        }
        for (int ch = 0; ch < 3; ++ch) c[ch] = s[ch] / 255.0f;
    }
    for (int ch = 0; ch < 3; ++ch) colour[ch] = (in.light ? in.light[ch] : 1.0f) * c[ch];
}

void PoseMesh(Mesh& mesh, const MeshParams* params)
{
    mesh.cull = CullNone;
    if (params) {
        const int cull = params->cull;
        mesh.cull = cull == CullCounterClockwise || cull == CullClockwise ? static_cast<CullMode>(cull) : CullNone;
    }
    if (params && params->moveable) {
        mesh.translation = {-params->position[0], -params->position[1], -params->position[2]};
        mesh.rotation = cv::Matx33f(params->rotation);
        mesh.cameraFactor = std::tan(params->fieldOfView / 2);
    } else {
        mesh.translation = {0, 0, kFixedDistance};
        mesh.rotation = cv::Matx33f::eye();
    }
}

}  // namespace mesh3d
