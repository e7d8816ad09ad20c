#include "mesh3d/Mesh.h"

#include "platform/Failure.h"
#include "platform/Files.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <sstream>

namespace mesh3d {

namespace mesh_format {

int FileExtraCount(std::uint32_t flags) { return (flags & Extra) ? static_cast<int>(flags >> ExtraShift) : 0; }

int FileStride(std::uint32_t flags)
{
    return ((flags & Position) ? 3 : 0) + ((flags & Colour) ? 3 : 0) + ((flags & Normal) ? 3 : 0) +
           ((flags & TexCoord) ? 2 : 0) + FileExtraCount(flags);
}

std::uint32_t ProcessedFromFile(std::uint32_t flags)
{
    std::uint32_t out = 0;
    if (flags & Position) out |= processed_format::Screen;
    if (flags & (Colour | Normal)) out |= processed_format::Light;
    if (flags & TexCoord) out |= processed_format::TexCoord;
    if (flags & Extra) out |= processed_format::Extra | (flags & ~0xFFFFu);
    return out;
}

}  // namespace mesh_format

namespace processed_format {

int ExtraCount(std::uint32_t flags) { return (flags & Extra) ? static_cast<int>(flags >> mesh_format::ExtraShift) : 0; }

int Stride(std::uint32_t flags)
{
    return 3 + ((flags & Light) ? 3 : 0) + ((flags & TexCoord) ? 2 : 0) + ExtraCount(flags);
}

}  // namespace processed_format

bool Mesh::IsConsistent() const
{
    if (triangleCount < 0 || vertexCount < 0) return false;
    const std::size_t stride = static_cast<std::size_t>(FileStride());
    if (vertices.size() < static_cast<std::size_t>(vertexCount) * stride) return false;
    if (indices.size() < static_cast<std::size_t>(triangleCount) * 3) return false;
    for (std::size_t i = 0, n = static_cast<std::size_t>(triangleCount) * 3; i < n; ++i)
        if (indices[i] < 0 || indices[i] >= vertexCount) return false;
    return true;
}

namespace {

constexpr std::uint32_t kKnownBits = 0x1F;
constexpr int kShortIndices = 1;
constexpr int kLongIndices = 2;

using platform::Fail;

/** Reads little-endian values from a byte string without ever reading past its end. */
class Reader {
public:
    explicit Reader(const std::string& bytes) : p_(bytes.data()), left_(bytes.size()) {}
    std::size_t Left() const { return left_; }
    bool Int32(std::int32_t& v) { return Raw(&v, 4); }
    bool Raw(void* out, std::size_t n)
    {
        if (left_ < n) return false;
        if (n == 0) return true;  // an empty vector's data() may be null
        std::memcpy(out, p_, n);
        p_ += n;
        left_ -= n;
        return true;
    }

private:
    const char* p_;
    std::size_t left_;
};

static_assert(std::endian::native == std::endian::little, "mesh files are little-endian; add byte swapping");

// The largest magnitude each vertex component may have. Models are a few units across,
// colours and texture coordinates run from 0 to 1; far beyond that a number can only be
// garbage, and on its way to pixel positions and texel indices it would overflow.
constexpr float kMaxPosition = 1e6f;
constexpr float kMaxColour = 1e3f;
constexpr float kMaxNormal = 1e6f;
constexpr float kMaxTexCoord = 1e3f;
constexpr float kMaxExtra = 1e6f;

bool CheckVertexValues(const std::vector<float>& vertices, std::uint32_t flags, std::string* error)
{
    struct Component {
        std::uint32_t bit;
        int count;
        float limit;
        const char* what;
    };
    const Component parts[] = {
        {mesh_format::Position, 3, kMaxPosition, "position"},
        {mesh_format::Colour, 3, kMaxColour, "colour"},
        {mesh_format::Normal, 3, kMaxNormal, "normal"},
        {mesh_format::TexCoord, 2, kMaxTexCoord, "texture coordinate"},
        {mesh_format::Extra, mesh_format::FileExtraCount(flags), kMaxExtra, "extra value"},
    };
    const std::size_t stride = static_cast<std::size_t>(mesh_format::FileStride(flags));
    for (std::size_t base = 0, vertex = 0; base + stride <= vertices.size() && stride > 0; base += stride, ++vertex) {
        std::size_t at = base;
        for (const Component& c : parts) {
            if (!(flags & c.bit)) continue;
            for (int i = 0; i < c.count; ++i, ++at) {
                const float v = vertices[at];
                // Written so that NaN fails too.
                if (!(std::fabs(v) <= c.limit)) {
                    if (error) {
                        std::ostringstream s;
                        s << "vertex " << vertex << " has a " << c.what << " of " << v << " (allowed: -" << c.limit
                          << " to " << c.limit << ")";
                        *error = s.str();
                    }
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace

bool DecodeMeshFile(const std::string& bytes, Mesh& mesh, std::string* error)
{
    Reader in(bytes);
    std::int32_t rawFlags = 0, indexType = 0, vertexCount = 0, triangleCount = 0;
    if (!in.Int32(rawFlags) || !in.Int32(indexType) || !in.Int32(vertexCount))
        return Fail(error, "the file ends inside its header");
    std::uint32_t flags = static_cast<std::uint32_t>(rawFlags);
    if ((flags & 0xFFFFu) & ~kKnownBits) return Fail(error, "unknown vertex format bits");
    // Count bits without the extra bit mean nothing; drop them so no later stage trusts them.
    if (!(flags & mesh_format::Extra)) flags &= 0xFFFFu;
    if (!(flags & mesh_format::Position)) return Fail(error, "the vertices have no position");
    if (mesh_format::FileExtraCount(flags) > mesh_format::MaxExtra)
        return Fail(error, "too many extra values per vertex");
    if (indexType != kShortIndices && indexType != kLongIndices)
        return Fail(error, "unknown index type " + std::to_string(indexType));
    if (vertexCount < 0) return Fail(error, "negative vertex count");

    // Every count is checked against the bytes actually left before anything is allocated.
    const std::size_t stride = static_cast<std::size_t>(mesh_format::FileStride(flags));
    const std::size_t vertexBytes = static_cast<std::size_t>(vertexCount) * stride * 4;
    if (vertexBytes > in.Left()) return Fail(error, "the file is shorter than its vertex count says");
    std::vector<float> vertices(static_cast<std::size_t>(vertexCount) * stride);
    in.Raw(vertices.data(), vertexBytes);
    if (std::string why; !CheckVertexValues(vertices, flags, &why)) return Fail(error, why);

    if (!in.Int32(triangleCount)) return Fail(error, "the file ends before its triangle count");
    if (triangleCount < 0) return Fail(error, "negative triangle count");
    const std::size_t indexSize = indexType == kShortIndices ? 2 : 4;
    const std::size_t indexCount = static_cast<std::size_t>(triangleCount) * 3;
    if (indexCount * indexSize > in.Left()) return Fail(error, "the file is shorter than its triangle count says");
    std::vector<std::int32_t> indices(indexCount);
    if (indexType == kShortIndices) {
        std::vector<std::uint16_t> narrow(indexCount);
        in.Raw(narrow.data(), indexCount * 2);
        for (std::size_t i = 0; i < indexCount; ++i) indices[i] = narrow[i];
    } else {
        in.Raw(indices.data(), indexCount * 4);
    }
    for (std::int32_t i : indices)
        if (i < 0 || i >= vertexCount) return Fail(error, "a triangle names vertex " + std::to_string(i) + " of " +
                                                              std::to_string(vertexCount));

    mesh.fileFormat = flags;
    mesh.processedFormat = mesh_format::ProcessedFromFile(flags);
    mesh.vertexCount = vertexCount;
    mesh.triangleCount = triangleCount;
    mesh.vertices = std::move(vertices);
    mesh.indices = std::move(indices);
    mesh.FreeCache();
    return true;
}

bool LoadMeshFile(Mesh& mesh, const std::string& path, std::string* error)
{
    std::string bytes;
    if (!platform::ReadFile(path, bytes, kMaxMeshFileBytes, error)) return false;
    std::string why;
    if (!DecodeMeshFile(bytes, mesh, &why)) return Fail(error, path + ": " + why);
    return true;
}

std::string EncodeMeshFile(const Mesh& mesh, bool shortIndices)
{
    std::string out;
    auto put = [&out](const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); };
    const bool narrow = shortIndices && mesh.vertexCount <= 65536;
    const std::int32_t flags = static_cast<std::int32_t>(mesh.fileFormat);
    const std::int32_t indexType = narrow ? kShortIndices : kLongIndices;
    const std::int32_t vertexCount = mesh.vertexCount, triangleCount = mesh.triangleCount;
    const std::size_t floats = static_cast<std::size_t>(mesh.vertexCount) * mesh.FileStride();
    const std::size_t indexCount = static_cast<std::size_t>(mesh.triangleCount) * 3;
    CV_Assert(mesh.vertices.size() >= floats && mesh.indices.size() >= indexCount);
    put(&flags, 4);
    put(&indexType, 4);
    put(&vertexCount, 4);
    put(mesh.vertices.data(), floats * 4);
    put(&triangleCount, 4);
    for (std::size_t i = 0; i < indexCount; ++i) {
        if (narrow) {
            const std::uint16_t v = static_cast<std::uint16_t>(mesh.indices[i]);
            put(&v, 2);
        } else {
            put(&mesh.indices[i], 4);
        }
    }
    return out;
}

bool WriteMeshFile(const std::string& path, const Mesh& mesh, bool shortIndices, std::string* error)
{
    if (!mesh.IsConsistent()) return Fail(error, "the mesh's arrays do not match its counts");
    return platform::WriteFileAtomically(path, EncodeMeshFile(mesh, shortIndices), error);
}

}  // namespace mesh3d
