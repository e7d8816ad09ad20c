#pragma once
/**
 * @file MeshShaders.h
 * @brief The shaders of the 3D filters: the chrome reflection (a vertex shader) and the photo
 * strips of the cylinder (a pixel shader), and the pose both filters share.
 *
 * Shaders only read their data block and the mesh, so renders on several threads (and the
 * renderer's own bands) never disturb one another.
 */
#include "mesh3d/Mesh.h"
#include "mesh3d/MeshParams.h"

#include <opencv2/core.hpp>

#include <vector>

namespace mesh3d {

/** What the reflection shader reads besides the mesh's pose. */
struct ReflectionData {
    bool specularOn = false;
    float specular = 0;  ///< highlight strength
};

/**
 * @brief Texture coordinate of the reflection r = 2 (p . n) n - p of the view ray p at unit
 * normal n: u = (atan2(r.x, r.z) / pi + 1) / 2, v = asin(r.y / |r|) / pi + 0.5.
 */
cv::Vec2f ReflectionTexCoord(const cv::Vec3f& p, const cv::Vec3f& n);

/** Headlight intensity |p . n| / |p| plus, when on, the highlight: min(1, I + specular * I^100). */
float ReflectionIntensity(const cv::Vec3f& p, const cv::Vec3f& n, const ReflectionData& data);

/**
 * @brief Vertex shader of the chrome look: poses the vertex as the default stage does (the
 * mesh's rotation, translation and camera factor), normalises the rotated normal, and gives
 * the reflection's texture coordinate and a grey light of ReflectionIntensity. data is a
 * ReflectionData.
 */
void ReflectionVertexShader(const Mesh& mesh, const VertexInput& in, const VertexOutput& out, const void* data);

/** The photos the strip shader wraps round the model, in input order. */
struct StripData {
    const std::vector<cv::Mat>* photos = nullptr;  ///< CV_8UC3 each; an empty one samples as black
};

/**
 * @brief Which photo a texture coordinate u falls on and where inside it: with n photos,
 * photo k = floor(n u) limited to 0..n - 1, at n u - k. u = 1 lands on the right edge of
 * the last photo.
 */
int StripIndex(float u, int n, float& localU);

/**
 * @brief Pixel shader of the cylinder: the photo strip at the pixel's texture coordinate,
 * times its light colour. Without photos the colour is the light (white times light).
 * data is a StripData.
 */
void StripPixelShader(const PixelInput& in, float colour[3], const void* data);

/**
 * @brief Poses the mesh from the parameter block: with moveable set, translation = -position,
 * rotation = the block's (both multiply column vectors), camera factor tan(field of view / 2);
 * otherwise (or without a
 * block) the fixed pose, 3 units ahead and unturned, keeping the camera factor. Also sets the
 * cull mode (none without a block).
 */
void PoseMesh(Mesh& mesh, const MeshParams* params);

}  // namespace mesh3d
