#include "mesh3d/tests/MeshTestUtil.h"

#include "platform/Files.h"
#include "platform/Folders.h"

using namespace mesh3d;

namespace meshtest {

Mesh MakeMesh(const std::vector<V>& vertices, const std::vector<int>& indices)
{
    Mesh m;
    m.fileFormat = mesh_format::Position | mesh_format::Colour | mesh_format::TexCoord;
    m.processedFormat = mesh_format::ProcessedFromFile(m.fileFormat);
    for (const V& v : vertices) m.vertices.insert(m.vertices.end(), {v.x, v.y, v.z, v.r, v.g, v.b, v.u, v.v});
    m.indices.assign(indices.begin(), indices.end());
    m.vertexCount = static_cast<int>(vertices.size());
    m.triangleCount = static_cast<int>(indices.size() / 3);
    return m;
}

std::vector<int> QuadIndices(int first) { return {first, first + 1, first + 2, first, first + 2, first + 3}; }

V AtPixel(float px, float py, float z, int width, int height)
{
    const float s = height / 2.0f;
    const float sx = (px - width / 2.0f) / s, sy = (height / 2.0f - py) / s;
    return V{sx * z, sy * z, z};
}

std::string WriteTemplateFolder(const std::string& root, const std::string& name, const std::string& definition,
                                const Mesh* mesh, const std::string& meshName)
{
    const std::string folder = root + "/" + name;
    platform::MakeFolders(folder);
    platform::WriteFileAtomically(folder + "/" + name + ".tmpl", definition);
    if (mesh) WriteMeshFile(folder + "/" + meshName, *mesh);
    return folder;
}

}  // namespace meshtest
