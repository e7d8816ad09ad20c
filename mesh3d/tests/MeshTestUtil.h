#pragma once
// Meshes and checks shared by the 3D tests.
#include "mesh3d/Mesh.h"
#include "platform/testing/Images.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace meshtest {

/** One vertex as the tests write them: position, optional colour, optional texture coordinate. */
struct V {
    float x, y, z;
    float r = 1, g = 1, b = 1;
    float u = 0, v = 0;
};

/** A mesh of position | colour | texture coordinate vertices (format 0xB). */
mesh3d::Mesh MakeMesh(const std::vector<V>& vertices, const std::vector<int>& indices);

/** Two triangles (a, b, c) and (a, c, d). */
std::vector<int> QuadIndices(int first = 0);

/** The vertex of pixel corner (px, py) of a W x H target at depth z (f = 1, default viewport). */
V AtPixel(float px, float py, float z, int width, int height);

/** Writes a template folder holding definition (the .tmpl text) and the mesh as file meshName. */
std::string WriteTemplateFolder(const std::string& root, const std::string& name, const std::string& definition,
                                const mesh3d::Mesh* mesh = nullptr, const std::string& meshName = "model.mesh");

}  // namespace meshtest
