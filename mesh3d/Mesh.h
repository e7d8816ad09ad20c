#pragma once
/**
 * @file Mesh.h
 * @brief Triangle meshes for the software renderer: geometry, pose, camera and shaders, and
 * the binary mesh file format.
 *
 * Vertex layout. A vertex is a run of floats: position (x, y, z) when format bit 0x1 is set,
 * colour (r, g, b in 0..1) for 0x2, normal (x, y, z) for 0x4, texture coordinate (u, v in
 * 0..1) for 0x8, and flags >> 16 extra values for 0x10, in that order.
 *
 * Rendering transforms every vertex once into the processed-vertex cache: screen position
 * (x / z / f, y / z / f, 1 / z) for bit 0x1, light colour (3) for 0x2, texture coordinate (2)
 * for 0x4 and the extra values for 0x8 (the count in bits 16 and up). See RenderMesh.h.
 *
 * Mesh file (little-endian): int32 format flags, int32 index type (1: 16-bit unsigned,
 * 2: 32-bit), int32 vertex count, the vertices, int32 triangle count, three indices per
 * triangle of the index type.
 *
 * Threads: a Mesh is plain data. One render at a time may use a given Mesh (rendering writes
 * its cache); different meshes render on different threads independently.
 */
#include <opencv2/core.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mesh3d {

/** Vertex format bits, as stored in mesh files. */
namespace mesh_format {
inline constexpr std::uint32_t Position = 0x1;
inline constexpr std::uint32_t Colour = 0x2;
inline constexpr std::uint32_t Normal = 0x4;
inline constexpr std::uint32_t TexCoord = 0x8;
inline constexpr std::uint32_t Extra = 0x10;
/** Bits 16 and up count the extra values. */
inline constexpr int ExtraShift = 16;
/** More extra values than this per vertex are refused (they would only cost memory). */
inline constexpr int MaxExtra = 16;

/** Floats per vertex of a file format. */
int FileStride(std::uint32_t flags);
/** The processed format a file format yields: 0x1 from 0x1, 0x2 from 0x2 or 0x4, 0x4 from 0x8, 0x8 (and the count) from 0x10. */
std::uint32_t ProcessedFromFile(std::uint32_t flags);
/** Extra values per vertex (0 unless the extra bit is set). */
int FileExtraCount(std::uint32_t flags);
}  // namespace mesh_format

/** Processed (per-vertex output) format bits. */
namespace processed_format {
inline constexpr std::uint32_t Screen = 0x1;
inline constexpr std::uint32_t Light = 0x2;
inline constexpr std::uint32_t TexCoord = 0x4;
inline constexpr std::uint32_t Extra = 0x8;

/** Floats per processed vertex: 3 + 3 for light + 2 for texture + the extras. */
int Stride(std::uint32_t flags);
int ExtraCount(std::uint32_t flags);
}  // namespace processed_format

/** Which screen winding RenderMesh drops. */
enum CullMode : int { CullNone = 0, CullCounterClockwise = 1, CullClockwise = 2 };

struct Mesh;

/** What a vertex shader reads; a pointer is null when the file has no such component. */
struct VertexInput {
    const float* position = nullptr;
    const float* colour = nullptr;
    const float* normal = nullptr;
    const float* texCoord = nullptr;
    const float* extra = nullptr;
    int extraCount = 0;
};

/** Where a vertex shader writes; a pointer is null when the processed format lacks it. */
struct VertexOutput {
    float* screen = nullptr;  ///< x / z / f, y / z / f, 1 / z
    float* light = nullptr;
    float* texCoord = nullptr;
    float* extra = nullptr;
    int extraCount = 0;
};

/**
 * @brief Replaces the default vertex stage. Gets the mesh (pose, camera factor) and the
 * mesh's shaderData. Must not write anything but out: with Mesh::parallel set it may run on
 * several threads at once.
 */
using VertexShader = void (*)(const Mesh& mesh, const VertexInput& in, const VertexOutput& out, const void* data);

/** What a pixel shader reads: the pixel and its perspective-correct attributes. */
struct PixelInput {
    int x = 0, y = 0;
    const float* light = nullptr;     ///< null without a light colour
    const float* texCoord = nullptr;  ///< null without a texture coordinate
    const float* extra = nullptr;     ///< null without extra values
    float depth = 0;                  ///< 1 / z of the surface at the pixel
};

/**
 * @brief Replaces the default colour computation: writes the pixel's colour (three floats
 * in the target's channel order, 0..1). Called only for pixels that pass the depth test.
 * With Mesh::parallel set it runs on several threads at once, so it must only read shared
 * state.
 */
using PixelShader = void (*)(const PixelInput& in, float colour[3], const void* data);

/** Geometry, pose, camera and shading of one model. */
struct Mesh {
    int triangleCount = 0;
    int vertexCount = 0;
    std::uint32_t fileFormat = mesh_format::Position | mesh_format::TexCoord;
    std::uint32_t processedFormat = processed_format::Screen | processed_format::TexCoord;
    /** vertexCount x FileStride(fileFormat) floats. */
    std::vector<float> vertices;
    /** Three per triangle, each in 0..vertexCount - 1. */
    std::vector<std::int32_t> indices;

    /** Target pixels the unit square maps to (centre, half height); unset for the whole target. */
    std::optional<cv::Rect> viewport;
    /** Applied to column vectors: camera point = rotation * position + translation. */
    cv::Matx33f rotation = cv::Matx33f::eye();
    cv::Vec3f translation{0, 0, 0};
    /** Renormalise rotated normals before the headlight term. */
    bool normalizeNormals = false;
    /** tan(field of view / 2): screen x = x / z / f. */
    float cameraFactor = 1.0f;
    CullMode cull = CullNone;

    VertexShader vertexShader = nullptr;
    PixelShader pixelShader = nullptr;
    /** Handed to both shaders; owned by whoever set the shaders. */
    const void* shaderData = nullptr;
    /** Multiplied into the light colour by the default pixel stage (any type SampleImage takes). */
    cv::Mat texture;
    /** Lets RenderMesh split the picture into bands rendered on several threads. */
    bool parallel = true;

    /** The processed vertices of the last render; resized by RenderMesh when the format changes. */
    std::vector<float> cache;

    int FileStride() const { return mesh_format::FileStride(fileFormat); }
    int ProcessedStride() const { return processed_format::Stride(processedFormat); }
    void FreeCache() { std::vector<float>().swap(cache); }
    /** True when the arrays match the counts and every index names a vertex. */
    bool IsConsistent() const;
};

/** Mesh files larger than this are refused unread. */
inline constexpr std::size_t kMaxMeshFileBytes = 256u << 20;

/**
 * @brief Reads a mesh file into mesh: replaces the vertices, indices and counts and sets the
 * processed format from the file's format; frees the cache.
 *
 * The file is checked whole before the mesh changes: a file that is missing, larger than
 * kMaxMeshFileBytes, shorter than its counts say, with an unknown index type or format bits,
 * more than MaxExtra extra values, numbers that are not finite or out of range (a position,
 * normal or extra value beyond 1e6 in magnitude, a colour or texture coordinate beyond 1e3)
 * or an index past the last vertex is refused (false, with a reason in error) and the mesh
 * keeps what it had.
 */
bool LoadMeshFile(Mesh& mesh, const std::string& path, std::string* error = nullptr);

/** The bytes of a mesh file for the mesh's vertices and indices (16-bit indices when they fit and shortIndices is set). */
std::string EncodeMeshFile(const Mesh& mesh, bool shortIndices = true);

/** Writes a mesh file atomically; false with a reason on failure. */
bool WriteMeshFile(const std::string& path, const Mesh& mesh, bool shortIndices = true, std::string* error = nullptr);

/** Parses the bytes of a mesh file, with the checks of LoadMeshFile. */
bool DecodeMeshFile(const std::string& bytes, Mesh& mesh, std::string* error = nullptr);

}  // namespace mesh3d
