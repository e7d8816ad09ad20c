#pragma once
/**
 * @file CapMesh.h
 * @brief The face cap: a piece of an ellipsoid that carries the user's face as its texture
 * and is posed over the template picture. Its rim is an ellipse of the cap's width and height
 * in the plane z = 0, bulging toward the viewer (negative z); its texture coordinates put the
 * texture's inscribed circle on the rim.
 */
#include "face/FaceConfig.h"
#include "mesh3d/Mesh.h"

#include <vector>

namespace face {

inline constexpr int kCapRings = 20;
inline constexpr int kCapSegments = 40;
inline constexpr int kCapVertices = 1 + kCapRings * kCapSegments;                     // 801
inline constexpr int kCapTriangles = kCapSegments + 2 * kCapSegments * (kCapRings - 1);  // 1560
/** Floats per vertex: position (3), normal (3), texture coordinate (2). */
inline constexpr int kCapStride = 8;

struct CapGeometry {
    std::vector<float> vertices;  ///< kCapVertices * kCapStride
    std::vector<int> indices;     ///< kCapTriangles * 3
};

/**
 * @brief Builds the cap of width A, height B and angle theta (radians; the half-angle of
 * the sphere segment the cap is cut from). Vertex 0 is the apex; ring i (1..20), segment j
 * (0..39) is vertex 1 + 40 (i - 1) + j.
 */
CapGeometry BuildCapGeometry(float width, float height, float angle);

/** The cap as the face engine keeps it between renderings. */
struct CapMesh {
    CapGeometry geometry;
    mesh3d::Mesh mesh;  ///< the same geometry as the renderer takes it
};

/** Builds the cap of a configuration into cap (geometry and mesh). */
void BuildCapMesh(CapMesh& cap, const FaceConfig& config);

}  // namespace face
