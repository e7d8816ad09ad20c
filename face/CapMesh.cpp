#include "face/CapMesh.h"

#include <cmath>
#include <numbers>

namespace face {

CapGeometry BuildCapGeometry(float A, float B, float theta)
{
    CapGeometry g;
    g.vertices.reserve(kCapVertices * kCapStride);
    g.indices.reserve(kCapTriangles * 3);
    const float R = (B / 2) / std::sin(theta);
    const float D = (B / 2) / std::tan(theta);
    auto add = [&](float px, float py, float pz, float nx, float ny, float nz, float u, float v) {
        const float vals[kCapStride] = {px, py, pz, nx, ny, nz, u, v};
        g.vertices.insert(g.vertices.end(), vals, vals + kCapStride);
    };
    add(0, 0, -(R - D), 0, 0, -1, 0.5f, 0.5f);
    const float span = theta < 0 ? theta + std::numbers::pi_v<float> : theta;
    for (int i = 1; i <= kCapRings; ++i) {
        const float t = i * span / kCapRings;
        for (int j = 0; j < kCapSegments; ++j) {
            const float phi = static_cast<float>(j * 0.15707963267948966);
            const float nx = std::sin(t) * std::sin(phi), ny = std::sin(t) * std::cos(phi), nz = -std::cos(t);
            const float x = (A / B) * R * nx, y = R * ny, z = D - R * std::cos(t);
            float mx = nx * B / A, my = ny, mz = nz;
            const float len = std::sqrt(mx * mx + my * my + mz * mz);
            if (len > 0) mx /= len, my /= len, mz /= len;
            add(x, y, z, mx, my, mz, x / A + 0.5f, 0.5f - y / B);
        }
    }
    auto vertex = [](int ring, int seg) { return 1 + kCapSegments * (ring - 1) + seg % kCapSegments; };
    for (int j = 1; j <= kCapSegments; ++j) g.indices.insert(g.indices.end(), {0, j, j % kCapSegments + 1});
    for (int k = 1; k < kCapRings; ++k) {
        for (int j = 0; j < kCapSegments; ++j) {
            const int a = vertex(k, j), b = vertex(k + 1, j), c = vertex(k + 1, j + 1), d = vertex(k, j + 1);
            g.indices.insert(g.indices.end(), {a, b, c, a, c, d});
        }
    }
    return g;
}

}  // namespace face
