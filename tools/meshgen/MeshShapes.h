#pragma once
/**
 * @file MeshShapes.h
 * @brief The models of the shipped 3D templates, built in code.
 *
 * Conventions of every shape: y up, the model centred on the origin, its front facing -z
 * (toward the camera, which looks along +z); vertices carry position, normal and texture
 * coordinate (format 0x1 | 0x4 | 0x8); normals point outward and have unit length; the
 * cross product (v1 - v0) x (v2 - v0) of every triangle points outward too, so seen from
 * outside a front face runs clockwise on the screen and cull mode "ccw" drops the back faces.
 * Texture coordinates put each photo upright and unmirrored as seen from outside.
 */
#include "mesh3d/Mesh.h"

namespace meshgen {

/** Collects vertices and triangles; fixes each triangle's winding to agree with its normals. */
class MeshBuilder {
public:
    int AddVertex(const cv::Vec3f& position, const cv::Vec3f& normal, cv::Vec2f uv);
    /** Adds the triangle unless it has no area; reverses it when it faces against its normals. */
    void AddTriangle(int a, int b, int c);
    /** Two triangles over the quad a, b, c, d (in order round its edge). */
    void AddQuad(int a, int b, int c, int d);
    mesh3d::Mesh Build() const;
    int VertexCount() const { return static_cast<int>(vertices_.size() / 8); }

private:
    cv::Vec3f Position(int i) const { return {vertices_[8 * i], vertices_[8 * i + 1], vertices_[8 * i + 2]}; }
    cv::Vec3f Normal(int i) const { return {vertices_[8 * i + 3], vertices_[8 * i + 4], vertices_[8 * i + 5]}; }
    std::vector<float> vertices_;
    std::vector<std::int32_t> indices_;
};

/**
 * @brief A sphere of the given radius. Each hemisphere (front and back, split at x = +-r)
 * holds one whole copy of the photo, so the side facing the viewer shows all of it.
 */
mesh3d::Mesh MakeSphere(float radius, int rings, int segments);

/** A cube of side 2 * half with the whole photo on each of its six faces. */
mesh3d::Mesh MakeCube(float half);

/**
 * @brief An open tube round the y axis. u runs once round it, starting and ending at the
 * back (+z), so with n photos side by side the middle one faces the viewer.
 */
mesh3d::Mesh MakeCylinder(float radius, float height, int segments, int rows);

/**
 * @brief The classic teapot: the 32 bicubic patches of the public-domain Newell data,
 * tessellated steps x steps each. Its height is 3.15 * scale, centred on the origin, spout to
 * the right (+x). Rim and body carry one copy of the photo on the front half and one on the
 * back (v from the rim down to the base); the lid shows the photo as seen from above, the base
 * as seen from below; handle and spout a stretch of it.
 */
mesh3d::Mesh MakeTeapot(int steps, float scale);

}  // namespace meshgen
