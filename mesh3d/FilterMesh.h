#pragma once
/**
 * @file FilterMesh.h
 * @brief What the 3D filters share: finding and loading their model, and fitting photos to
 * the output before they are used as textures.
 */
#include "engine/ImageFilter.h"
#include "mesh3d/Mesh.h"

#include <string>

namespace mesh3d {

/** The model file a 3D filter's "mesh" setting names; "" (with a reason) outside the template folder. */
std::string MeshFilePath(const engine::CImageFilter& filter, std::string* error = nullptr);

/**
 * @brief Loads the model named by the filter's "mesh" setting; false with a reason when it
 * cannot. unusable tells a file that is there but refused from one that is missing.
 */
bool LoadFilterMesh(const engine::CImageFilter& filter, Mesh& mesh, std::string* error, bool* unusable = nullptr);

/**
 * @brief A copy of photo small enough for an output of the given size (longest side at most
 * the output's), area-averaged; empty when the photo is small enough already.
 */
cv::Mat TextureForOutput(const cv::Mat& photo, cv::Size output);

/**
 * @brief True when both hold the same pixels (size, type and bytes). The document hands the
 * filters their photos again for every rendering, turn-timer ticks included; comparing costs
 * far less than copying and scaling them anew.
 */
bool SameImage(const cv::Mat& a, const cv::Mat& b);

}  // namespace mesh3d
