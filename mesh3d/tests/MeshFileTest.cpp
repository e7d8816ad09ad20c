// Mesh files: the format, and files that are short, oversized, out of range or hostile.
#include "app/Builtins.h"
#include "engine/TemplateFile.h"
#include "mesh3d/Mesh.h"
#include "mesh3d/RenderMesh.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Rand15.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace engine;
using namespace mesh3d;

namespace {

template <class T>
void Put(std::string& s, T v)
{
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
}

/** A file by hand: format, index type, vertices, triangle count, indices (as index type). */
std::string FileBytes(std::int32_t flags, std::int32_t indexType, const std::vector<float>& vertices,
                      std::int32_t vertexCount, std::int32_t triangleCount, const std::vector<std::int64_t>& indices)
{
    std::string s;
    Put(s, flags);
    Put(s, indexType);
    Put(s, vertexCount);
    for (float f : vertices) Put(s, f);
    Put(s, triangleCount);
    for (std::int64_t i : indices) {
        if (indexType == 1) Put(s, static_cast<std::uint16_t>(i));
        else Put(s, static_cast<std::int32_t>(i));
    }
    return s;
}

// Four vertices of position | texture coordinate (stride 5), two triangles.
const std::vector<float> kQuad = {0, 0, 2, 0, 1, 1, 0, 2, 1, 1, 1, 1, 2, 1, 0, 0, 1, 2, 0, 0};
const std::vector<std::int64_t> kQuadIndices = {0, 1, 2, 0, 2, 3};

std::string QuadFile(std::int32_t indexType = 1)
{
    return FileBytes(mesh_format::Position | mesh_format::TexCoord, indexType, kQuad, 4, 2, kQuadIndices);
}

/** A mesh whose contents a refused load must leave alone. */
Mesh Previous()
{
    Mesh m;
    m.fileFormat = mesh_format::Position;
    m.processedFormat = processed_format::Screen;
    m.vertices = {1, 2, 3};
    m.vertexCount = 1;
    m.indices = {0, 0, 0};
    m.triangleCount = 1;
    return m;
}

void ExpectUnchanged(const Mesh& m)
{
    const Mesh p = Previous();
    EXPECT_EQ(m.fileFormat, p.fileFormat);
    EXPECT_EQ(m.processedFormat, p.processedFormat);
    EXPECT_EQ(m.vertices, p.vertices);
    EXPECT_EQ(m.indices, p.indices);
    EXPECT_EQ(m.vertexCount, 1);
    EXPECT_EQ(m.triangleCount, 1);
}

}  // namespace

TEST(MeshFormat, StridesAndProcessedFormats)
{
    using namespace mesh_format;
    EXPECT_EQ(FileStride(Position | Normal | TexCoord), 8);
    EXPECT_EQ(ProcessedFromFile(Position | Normal | TexCoord), 0x1u | 0x2u | 0x4u);
    EXPECT_EQ(ProcessedFromFile(Position | Colour), 0x1u | 0x2u);
    EXPECT_EQ(FileStride(Position | Colour | Normal | TexCoord | Extra | (4u << 16)), 15);
    EXPECT_EQ(ProcessedFromFile(Position | Extra | (4u << 16)), 0x1u | 0x8u | (4u << 16));
    EXPECT_EQ(processed_format::Stride(0x1 | 0x2 | 0x4 | 0x8 | (4u << 16)), 12);
    // Count bits without the extra bit add nothing.
    EXPECT_EQ(FileStride(Position | (4u << 16)), 3);
    const Mesh fresh;
    EXPECT_EQ(fresh.fileFormat, 9u);
    EXPECT_EQ(fresh.processedFormat, 5u);
    EXPECT_FLOAT_EQ(fresh.cameraFactor, 1.0f);
}

TEST(MeshFile, SixteenBitIndicesAreWidenedOnLoad)
{
    testenv::TempDir dir;
    const std::string bytes = QuadFile(1);
    // Header 12 + 20 floats + count 4 + 6 indices of 2 bytes: three triangles would read 18.
    EXPECT_EQ(bytes.size(), 12u + 80 + 4 + 12);
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "quad.mesh", bytes));
    Mesh m;
    std::string error;
    ASSERT_TRUE(LoadMeshFile(m, dir / "quad.mesh", &error)) << error;
    EXPECT_EQ(m.vertexCount, 4);
    EXPECT_EQ(m.triangleCount, 2);
    EXPECT_EQ(m.fileFormat, mesh_format::Position | mesh_format::TexCoord);
    EXPECT_EQ(m.processedFormat, processed_format::Screen | processed_format::TexCoord);
    EXPECT_EQ(m.vertices, kQuad);
    EXPECT_EQ(m.indices, (std::vector<std::int32_t>{0, 1, 2, 0, 2, 3}));

    // Three triangles of 16-bit indices read exactly 18 bytes.
    const std::string three = FileBytes(mesh_format::Position | mesh_format::TexCoord, 1, kQuad, 4, 3,
                                        {0, 1, 2, 0, 2, 3, 3, 2, 1});
    EXPECT_EQ(three.size() - (12 + 80 + 4), 18u);
    ASSERT_TRUE(DecodeMeshFile(three, m));
    EXPECT_EQ(m.indices.back(), 1);
    EXPECT_FALSE(DecodeMeshFile(three.substr(0, three.size() - 1), m));

    // A 16-bit index may name vertex 65535.
    Mesh big;
    big.fileFormat = mesh_format::Position;
    big.vertexCount = 65536;
    big.vertices.assign(65536 * 3, 0.5f);
    big.indices = {0, 65535, 1};
    big.triangleCount = 1;
    Mesh back;
    ASSERT_TRUE(DecodeMeshFile(EncodeMeshFile(big, true), back));
    EXPECT_EQ(back.indices[1], 65535);
}

TEST(MeshFile, ThirtyTwoBitIndicesAndWritingRoundTrip)
{
    testenv::TempDir dir;
    Mesh m;
    ASSERT_TRUE(DecodeMeshFile(QuadFile(2), m));
    ASSERT_TRUE(WriteMeshFile(dir / "again.mesh", m, false));
    std::string written;
    ASSERT_TRUE(platform::ReadFile(dir / "again.mesh", written, 1 << 20));
    EXPECT_EQ(written, QuadFile(2));
    ASSERT_TRUE(WriteMeshFile(dir / "short.mesh", m, true));
    ASSERT_TRUE(platform::ReadFile(dir / "short.mesh", written, 1 << 20));
    EXPECT_EQ(written, QuadFile(1));
}

TEST(MeshFile, EveryTruncationIsRefusedAndKeepsTheMesh)
{
    for (std::int32_t type : {1, 2}) {
        const std::string bytes = QuadFile(type);
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            Mesh m = Previous();
            std::string error;
            EXPECT_FALSE(DecodeMeshFile(bytes.substr(0, n), m, &error)) << n;
            EXPECT_FALSE(error.empty());
            ExpectUnchanged(m);
        }
    }
}

TEST(MeshFile, CountsBeyondTheFileAreRefusedBeforeAllocating)
{
    const std::int32_t f = mesh_format::Position | mesh_format::TexCoord;
    // Were these allocated, they would take gigabytes; the test would die or crawl.
    for (std::int32_t vertices : {std::numeric_limits<std::int32_t>::max(), 1 << 28, 5}) {
        Mesh m = Previous();
        std::string error;
        EXPECT_FALSE(DecodeMeshFile(FileBytes(f, 2, kQuad, vertices, 2, kQuadIndices), m, &error)) << vertices;
        EXPECT_NE(error.find("shorter"), std::string::npos) << error;
        ExpectUnchanged(m);
    }
    for (std::int32_t triangles : {std::numeric_limits<std::int32_t>::max(), 1 << 29, 3}) {
        Mesh m = Previous();
        EXPECT_FALSE(DecodeMeshFile(FileBytes(f, 2, kQuad, 4, triangles, kQuadIndices), m)) << triangles;
        ExpectUnchanged(m);
    }
    Mesh m = Previous();
    EXPECT_FALSE(DecodeMeshFile(FileBytes(f, 2, kQuad, -4, 2, kQuadIndices), m));
    EXPECT_FALSE(DecodeMeshFile(FileBytes(f, 2, kQuad, 4, -2, kQuadIndices), m));
    ExpectUnchanged(m);
}

TEST(MeshFile, BadIndicesTypesAndFormatsAreRefused)
{
    const std::int32_t f = mesh_format::Position | mesh_format::TexCoord;
    struct Case {
        const char* what;
        std::string bytes;
    };
    const Case cases[] = {
        {"index past the vertices", FileBytes(f, 2, kQuad, 4, 2, {0, 1, 2, 0, 2, 4})},
        {"16-bit index past the vertices", FileBytes(f, 1, kQuad, 4, 2, {0, 1, 2, 0, 2, 65535})},
        {"negative index", FileBytes(f, 2, kQuad, 4, 2, {0, 1, 2, 0, -1, 3})},
        {"index type 0", FileBytes(f, 0, kQuad, 4, 2, kQuadIndices)},
        {"index type 3", FileBytes(f, 3, kQuad, 4, 2, kQuadIndices)},
        {"unknown format bit", FileBytes(f | 0x20, 2, kQuad, 4, 2, kQuadIndices)},
        {"no position", FileBytes(mesh_format::Colour | mesh_format::Normal | mesh_format::TexCoord | 0, 2,
                                  std::vector<float>(32, 0.5f), 4, 2, kQuadIndices)},
        {"too many extras", FileBytes(mesh_format::Position | mesh_format::Extra | (17u << 16), 2,
                                      std::vector<float>(80, 0.5f), 4, 2, kQuadIndices)},
        {"not a number", FileBytes(f, 2, {0, 0, 2, 0, 1, 1, std::nanf(""), 2, 1, 1, 1, 1, 2, 1, 0, 0, 1, 2, 0, 0}, 4, 2,
                                   kQuadIndices)},
        {"infinity", FileBytes(f, 2, {0, 0, 2, 0, 1, 1, 0, 2, 1, 1, 1, 1, 2, 1, 0, 0, 1, 2, 0, HUGE_VALF}, 4, 2,
                               kQuadIndices)},
    };
    for (const Case& c : cases) {
        Mesh m = Previous();
        std::string error;
        EXPECT_FALSE(DecodeMeshFile(c.bytes, m, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        ExpectUnchanged(m);
    }
    // Sixteen extras are fine; trailing bytes are ignored.
    Mesh m;
    EXPECT_TRUE(DecodeMeshFile(FileBytes(mesh_format::Position | mesh_format::Extra | (16u << 16), 2,
                                         std::vector<float>(76, 0.5f), 4, 2, kQuadIndices),
                               m));
    EXPECT_EQ(m.processedFormat, processed_format::Screen | processed_format::Extra | (16u << 16));
    EXPECT_TRUE(DecodeMeshFile(QuadFile() + "trailing", m));
}

TEST(MeshFile, MissingFilesAndFoldersKeepTheMesh)
{
    testenv::TempDir dir;
    Mesh m = Previous();
    std::string error;
    EXPECT_FALSE(LoadMeshFile(m, dir / "none.mesh", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(LoadMeshFile(m, dir.path(), &error));
    EXPECT_FALSE(LoadMeshFile(m, "", &error));
    ExpectUnchanged(m);
}

TEST(MeshFile, RandomlyDamagedFilesNeverCrashLoadingOrRendering)
{
    // Flip, truncate and splice bytes of a real mesh: whatever loads must be a mesh the
    // renderer can draw, and nothing may crash.
    Mesh quad;
    ASSERT_TRUE(DecodeMeshFile(QuadFile(1), quad));
    const std::string good = QuadFile(1);
    platform::Rand15 rng(12345);
    int loaded = 0;
    cv::Mat target(24, 32, CV_8UC3), depth(24, 32, CV_32FC1);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good;
        const int edits = 1 + rng.Next() % 4;
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = static_cast<std::size_t>(rng.Next()) % bytes.size();
            switch (rng.Next() % 3) {
            case 0: bytes[at] = static_cast<char>(rng.Next() & 0xFF); break;
            case 1: bytes.resize(at); break;
            default: bytes.insert(at, 1 + rng.Next() % 8, static_cast<char>(rng.Next() & 0xFF)); break;
            }
            if (bytes.empty()) bytes = good;
        }
        Mesh m;
        if (!DecodeMeshFile(bytes, m)) continue;
        ++loaded;
        ASSERT_TRUE(m.IsConsistent());
        target.setTo(cv::Scalar::all(0));
        depth.setTo(cv::Scalar::all(0));
        RenderMesh(m, target, &depth);
    }
    EXPECT_GT(loaded, 100);
}

namespace {

std::string FindingFile(const std::string& name)
{
    std::string bytes;
    EXPECT_TRUE(platform::ReadFile(std::string(GRIMAZE_SOURCE_DIR) + "/mesh3d/tests/data/" + name, bytes, 1 << 20));
    return bytes;
}

/** The vertices and triangles of a mesh file as they stand, without the loader's checks. */
Mesh UncheckedMesh(const std::string& bytes)
{
    std::int32_t header[3];
    std::memcpy(header, bytes.data(), sizeof header);
    Mesh m;
    m.fileFormat = static_cast<std::uint32_t>(header[0]);
    m.processedFormat = mesh_format::ProcessedFromFile(m.fileFormat);
    m.vertexCount = header[2];
    m.vertices.resize(static_cast<std::size_t>(m.vertexCount) * m.FileStride());
    std::size_t at = sizeof header;
    std::memcpy(m.vertices.data(), bytes.data() + at, m.vertices.size() * 4);
    at += m.vertices.size() * 4;
    std::memcpy(&m.triangleCount, bytes.data() + at, 4);
    at += 4;
    for (int i = 0; i < 3 * m.triangleCount; ++i, at += 2) {
        std::uint16_t index = 0;
        std::memcpy(&index, bytes.data() + at, 2);
        m.indices.push_back(index);
    }
    return m;
}

}  // namespace

TEST(MeshFile, NumbersFarOutOfRangeAreRefusedNamingTheVertex)
{
    // The reviewers' meshes: texture coordinates of 3e36 behind a position of 2e21, and
    // positions of 3e37.
    const std::pair<const char*, const char*> findings[] = {
        {"ub_sampleimage_texcoord.mesh", "vertex 0 has a position of 2.36"},
        {"ub_rendermesh_emit_rows.mesh", "vertex 0 has a position of 3.11"},
    };
    for (const auto& [file, reason] : findings) {
        Mesh m = Previous();
        std::string error;
        EXPECT_FALSE(DecodeMeshFile(FindingFile(file), m, &error)) << file;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        ExpectUnchanged(m);
    }
    const std::int32_t f = mesh_format::Position | mesh_format::TexCoord;
    std::vector<float> v = kQuad;
    v[3] = 1001;  // u of vertex 0
    Mesh m;
    std::string error;
    EXPECT_FALSE(DecodeMeshFile(FileBytes(f, 2, v, 4, 2, kQuadIndices), m, &error));
    EXPECT_NE(error.find("vertex 0 has a texture coordinate of 1001"), std::string::npos) << error;
    v[3] = 1000;
    v[5] = -1e6f;  // x of vertex 1: the largest position allowed
    EXPECT_TRUE(DecodeMeshFile(FileBytes(f, 2, v, 4, 2, kQuadIndices), m));
    v[5] = -1.01e6f;
    EXPECT_FALSE(DecodeMeshFile(FileBytes(f, 2, v, 4, 2, kQuadIndices), m));
}

TEST(RenderMesh, HostileNumbersThatBypassTheLoaderStillDrawNothingUndefined)
{
    // Meshes made in code skip the file checks, so the renderer must cope by itself: the
    // reviewers' numbers, with an 8-bit and a float texture, with and without a depth buffer.
    // Run under the sanitizers, any float-to-int overflow fails the test.
    // The fuzzer's mesh whose rows turned NaN after clipping is drawn from close up, as it was.
    for (const char* file : {"ub_sampleimage_texcoord.mesh", "ub_rendermesh_emit_rows.mesh", "nan_rows_after_clipping.mesh"}) {
        Mesh m = UncheckedMesh(FindingFile(file));
        ASSERT_TRUE(m.IsConsistent()) << file;
        for (int textureType : {CV_8UC3, CV_32FC3}) {
            cv::Mat texture(8, 8, textureType, cv::Scalar(10, 200, 90));
            m.texture = texture;
            for (const cv::Vec3f& at : {cv::Vec3f(0, 0, 0), cv::Vec3f(0, 0, -3), cv::Vec3f(0, 0, 1e-30f),
                                        cv::Vec3f(0, 0, 3.2f), cv::Vec3f(0.1f, -0.2f, 0.4f)}) {
                m.translation = at;
                cv::Mat target(48, 64, CV_8UC3, cv::Scalar::all(7)), depth(48, 64, CV_32FC1, cv::Scalar::all(0));
                const long long drawn = RenderMesh(m, target, &depth);
                EXPECT_GE(drawn, 0);
                EXPECT_LE(drawn, 64 * 48);
                RenderMesh(m, target, nullptr);
            }
        }
    }
}

TEST(MeshFile, ATemplateWhoseModelIsRefusedFailsToLoadSayingWhy)
{
    // A missing model leaves the photo alone (MeshFiltersTest); one that is there but refused
    // is the template's fault, and the template is refused with the loader's reason.
    app::RegisterBuiltinClasses();
    testenv::TempDir dir;
    for (const char* filter : {"TeapotFilter", "CylinderFilterMS"}) {
        const std::string folder = dir / filter;
        platform::MakeFolders(folder);
        ASSERT_TRUE(platform::WriteFileAtomically(folder + "/bad.mesh", FindingFile("ub_sampleimage_texcoord.mesh")));
        ASSERT_TRUE(platform::WriteFileAtomically(
            folder + "/t.tmpl", std::string("<effect><template name=\"t\"/><filter name=\"3DMeshTemplate\"><filter name=\"") +
                                    filter + "\"><param mesh=\".\\bad.mesh\"/></filter></filter></effect>"));
        std::string error;
        EXPECT_FALSE(OpenTemplate(folder, nullptr, &error)) << filter;
        EXPECT_NE(error.find("vertex 0 has a position of"), std::string::npos) << error;
        EXPECT_NE(error.find(filter), std::string::npos) << error;
    }
}
