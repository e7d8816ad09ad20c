#include "tools/meshgen/MeshShapes.h"

#include <cmath>
#include <numbers>

using mesh3d::Mesh;
namespace mesh_format = mesh3d::mesh_format;

namespace meshgen {

int MeshBuilder::AddVertex(const cv::Vec3f& position, const cv::Vec3f& normal, cv::Vec2f uv)
{
    cv::Vec3f n = normal;
    const float len = static_cast<float>(cv::norm(n));
    if (len > 0) n /= len;
    const int index = VertexCount();
    const float v[8] = {position[0], position[1], position[2], n[0], n[1], n[2], uv[0], uv[1]};
    vertices_.insert(vertices_.end(), v, v + 8);
    return index;
}

void MeshBuilder::AddTriangle(int a, int b, int c)
{
    const cv::Vec3f pa = Position(a), pb = Position(b), pc = Position(c);
    const cv::Vec3f cross = (pb - pa).cross(pc - pa);
    const double area = cv::norm(cross);
    // Slivers left where a patch row shrinks to a point (the knob, the base, the poles).
    const double longest = std::max({cv::norm(pb - pa), cv::norm(pc - pb), cv::norm(pa - pc)});
    if (area <= 1e-7 * longest * longest) return;
    const cv::Vec3f normal = Normal(a) + Normal(b) + Normal(c);
    if (cross.dot(normal) < 0) std::swap(b, c);
    indices_.insert(indices_.end(), {a, b, c});
}

void MeshBuilder::AddQuad(int a, int b, int c, int d)
{
    AddTriangle(a, b, c);
    AddTriangle(a, c, d);
}

Mesh MeshBuilder::Build() const
{
    Mesh m;
    m.fileFormat = mesh_format::Position | mesh_format::Normal | mesh_format::TexCoord;
    m.processedFormat = mesh_format::ProcessedFromFile(m.fileFormat);
    m.vertices = vertices_;
    m.indices = indices_;
    m.vertexCount = VertexCount();
    m.triangleCount = static_cast<int>(indices_.size() / 3);
    return m;
}

namespace {
constexpr float kPi = std::numbers::pi_v<float>;

/** The point at longitude phi (0 facing the viewer, growing toward +x) and latitude lat. */
cv::Vec3f OnSphere(float phi, float lat)
{
    return {std::sin(phi) * std::cos(lat), std::sin(lat), -std::cos(phi) * std::cos(lat)};
}
}  // namespace

Mesh MakeSphere(float radius, int rings, int segments)
{
    MeshBuilder b;
    // Two hemispheres: longitudes -90..90 degrees (front) and 90..270 (back), each u 0..1.
    for (int half = 0; half < 2; ++half) {
        const float phi0 = half == 0 ? -kPi / 2 : kPi / 2;
        std::vector<int> grid;
        for (int r = 0; r <= rings; ++r) {
            const float v = static_cast<float>(r) / rings;
            const float lat = kPi / 2 - v * kPi;
            for (int s = 0; s <= segments; ++s) {
                const float u = static_cast<float>(s) / segments;
                const cv::Vec3f n = OnSphere(phi0 + u * kPi, lat);
                grid.push_back(b.AddVertex(n * radius, n, {u, v}));
            }
        }
        const int w = segments + 1;
        for (int r = 0; r < rings; ++r)
            for (int s = 0; s < segments; ++s)
                b.AddQuad(grid[r * w + s], grid[r * w + s + 1], grid[(r + 1) * w + s + 1], grid[(r + 1) * w + s]);
    }
    return b.Build();
}

Mesh MakeCube(float half)
{
    struct Face {
        cv::Vec3f normal, right, up;
    };
    // right and up as seen by someone facing the face from outside.
    const Face faces[6] = {
        {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}},   // front
        {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},    // right
        {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}},   // back
        {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  // left
        {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},    // top, its far edge up
        {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},  // bottom, its near edge up
    };
    MeshBuilder b;
    for (const Face& f : faces) {
        int corner[4];
        const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int k = 0; k < 4; ++k) {
            const float u = uv[k][0], v = uv[k][1];
            const cv::Vec3f p = (f.normal + f.right * (2 * u - 1) + f.up * (1 - 2 * v)) * half;
            corner[k] = b.AddVertex(p, f.normal, {u, v});
        }
        b.AddQuad(corner[0], corner[1], corner[2], corner[3]);
    }
    return b.Build();
}

Mesh MakeCylinder(float radius, float height, int segments, int rows)
{
    MeshBuilder b;
    std::vector<int> grid;
    for (int r = 0; r <= rows; ++r) {
        const float v = static_cast<float>(r) / rows;
        const float y = height * (0.5f - v);
        for (int s = 0; s <= segments; ++s) {
            const float u = static_cast<float>(s) / segments;
            const float phi = 2 * kPi * (u - 0.5f);  // u = 0.5 faces the viewer
            const cv::Vec3f n(std::sin(phi), 0, -std::cos(phi));
            grid.push_back(b.AddVertex({n[0] * radius, y, n[2] * radius}, n, {u, v}));
        }
    }
    const int w = segments + 1;
    for (int r = 0; r < rows; ++r)
        for (int s = 0; s < segments; ++s)
            b.AddQuad(grid[r * w + s], grid[r * w + s + 1], grid[(r + 1) * w + s + 1], grid[(r + 1) * w + s]);
    return b.Build();
}

}  // namespace meshgen
