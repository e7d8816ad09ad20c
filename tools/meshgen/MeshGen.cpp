// grimaze-meshgen: writes the meshes of the shipped 3D templates.
//
//   grimaze-meshgen <templates folder>     (normally media/Templates of the source tree)
//
// Each mesh goes into its template's folder, which must exist. Run it again after changing
// a shape and commit the meshes it writes.
#include "tools/meshgen/MeshShapes.h"

#include "platform/Folders.h"

#include <cstdio>
#include <string>

using mesh3d::Mesh;
using mesh3d::WriteMeshFile;

namespace {

struct Output {
    const char* file;  // relative to the templates folder
    Mesh (*make)();
};

// The teapot is 3.15 data units high; 0.6 makes it about as wide as the sphere and the cube.
Mesh Teapot() { return meshgen::MakeTeapot(10, 0.6f); }
Mesh Globe() { return meshgen::MakeSphere(1.25f, 32, 32); }
Mesh Cube() { return meshgen::MakeCube(0.9f); }
Mesh Cylinder() { return meshgen::MakeCylinder(1.0f, 2.0f, 120, 4); }

const Output kOutputs[] = {
    {"Teapot/teapot.mesh", Teapot},
    {"ChromeTeapot/teapot.mesh", Teapot},
    {"Globe/globe.mesh", Globe},
    {"PhotoCube/cube.mesh", Cube},
    {"PhotoCylinder/cylinder.mesh", Cylinder},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: grimaze-meshgen <templates folder>\n");
        return 2;
    }
    const std::string root = argv[1];
    for (const Output& o : kOutputs) {
        const std::string path = platform::JoinPath(root, o.file);
        if (!platform::IsFolder(platform::ParentFolder(path))) {
            std::fprintf(stderr, "grimaze-meshgen: no folder %s\n", platform::ParentFolder(path).c_str());
            return 1;
        }
        const Mesh mesh = o.make();
        std::string error;
        if (!WriteMeshFile(path, mesh, true, &error)) {
            std::fprintf(stderr, "grimaze-meshgen: %s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        std::printf("%s: %d vertices, %d triangles\n", path.c_str(), mesh.vertexCount, mesh.triangleCount);
    }
    return 0;
}
