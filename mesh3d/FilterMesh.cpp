#include "mesh3d/FilterMesh.h"

#include "platform/Failure.h"
#include "platform/Folders.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstring>

using engine::CImageFilter;

namespace mesh3d {

std::string MeshFilePath(const CImageFilter& filter, std::string* error)
{
    return filter.ResolveFileName(filter.ParamText("mesh"), error);
}

bool LoadFilterMesh(const CImageFilter& filter, Mesh& mesh, std::string* error, bool* unusable)
{
    if (unusable) *unusable = false;
    if (filter.ParamText("mesh").empty()) return platform::Fail(error, "the filter names no mesh file");
    const std::string path = MeshFilePath(filter, error);
    if (path.empty()) return false;
    if (LoadMeshFile(mesh, path, error)) return true;
    if (unusable) *unusable = platform::FileExists(path);
    return false;
}

bool SameImage(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type()) return false;
    if (a.empty()) return true;
    const std::size_t rowBytes = a.cols * a.elemSize();
    for (int y = 0; y < a.rows; ++y)
        if (std::memcmp(a.ptr(y), b.ptr(y), rowBytes) != 0) return false;
    return true;
}

cv::Mat TextureForOutput(const cv::Mat& photo, cv::Size output)
{
    if (photo.empty() || output.width <= 0 || output.height <= 0) return {};
    // A model rarely shows a photo wider than the picture. Texels beyond that only cost cache
    // misses, and bilinear sampling of a much larger photo shimmers as the model turns.
    const double limit = std::max(output.width, output.height);
    const double scale = limit / std::max(photo.cols, photo.rows);
    if (scale >= 0.75) return {};
    cv::Mat small;
    const cv::Size size(std::max(1, static_cast<int>(std::lround(photo.cols * scale))),
                        std::max(1, static_cast<int>(std::lround(photo.rows * scale))));
    cv::resize(photo, small, size, 0, 0, cv::INTER_AREA);
    return small;
}

}  // namespace mesh3d
