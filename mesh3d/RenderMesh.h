#pragma once
/**
 * @file RenderMesh.h
 * @brief The software renderer: draws a posed, lit, textured mesh into an 8-bit BGR image.
 *
 * Pipeline:
 * 1. Every vertex runs once through the vertex stage into the mesh's processed-vertex cache:
 *    the mesh's custom vertex shader, or the default stage (camera point p = rotation *
 *    position + translation; screen (p.x / p.z / f, p.y / p.z / f, 1 / p.z); light colour =
 *    vertex colour (or white) times the headlight |p . n| / |p|, n the rotated normal,
 *    renormalised when the mesh asks; texture coordinate and extra values copied).
 * 2. Each triangle is culled by its winding as it appears on the target (pixel rows grow
 *    downward), clipped against the plane z = 0.001 in front of the eye (and, far outside the
 *    picture, against a guard band), and scan-converted by the shared rasteriser
 *    (frames/RasterizeTriangle.h: pixel centres, top-left fill rule, so meshes have neither
 *    gaps nor doubly drawn pixels).
 * 3. Attributes are perspective-correct: the values a pixel receives are those of the point
 *    where its view ray meets the triangle's plane (interpolating a / z and 1 / z across the
 *    screen and dividing gives exactly that point's barycentric weights).
 * 4. The depth test keeps a pixel when its 1 / z is larger than the stored value (the caller
 *    clears the buffer to 0, so the nearest surface wins), then the colour comes from the
 *    custom pixel shader, or from the light colour (negative channels as 0) times the texture
 *    sampled with SampleImage; channels are scaled by 255, clamped to 0..255 and truncated.
 *
 * The viewport maps the unit square: centre (W / 2, H / 2) and half height H / 2, or the
 * centre and half height of Mesh::viewport. Pixel (i, j) is sampled at (i + 0.5, j + 0.5).
 *
 * Threads: nothing process-wide is touched; shaders receive everything through their
 * arguments. With Mesh::parallel the picture is split into bands of rows drawn on several
 * threads; every pixel is still drawn by the same triangles in the same order with the same
 * values, so the result equals the one-thread result bit for bit.
 */
#include "mesh3d/Mesh.h"

#include <opencv2/core.hpp>

namespace mesh3d {

/**
 * @brief Draws the mesh into target.
 * @param mesh rendering updates its processed-vertex cache (resized when the format changed)
 * @param target CV_8UC3; only covered pixels are written
 * @param depth CV_32FC1 of the target's size holding 1 / z per pixel (clear it to 0 before
 * the first mesh), or null / empty to draw without a depth test
 * @return the number of pixels written; 0 (nothing drawn) for a wrong target or depth type,
 * a mesh whose arrays do not match its counts, or an empty mesh
 */
long long RenderMesh(Mesh& mesh, cv::Mat& target, cv::Mat* depth);

/** The default vertex stage on one vertex (exposed for shaders that extend it). */
void DefaultVertexStage(const Mesh& mesh, const VertexInput& in, const VertexOutput& out);

}  // namespace mesh3d
