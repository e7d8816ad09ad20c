#include "mesh3d/CF_MultiCyldr.h"

#include "mesh3d/FilterMesh.h"
#include "mesh3d/RenderMesh.h"

using filters::CF_MultiSrc;

namespace mesh3d {

CF_MultiCyldr::CF_MultiCyldr() { className = "CylinderFilterMS"; }
CF_MultiCyldr::~CF_MultiCyldr() = default;

void CF_MultiCyldr::SetSource(std::span<const cv::Mat> images)
{
    // The same photos again (every turn-timer tick): keep the copies and the strips made from them.
    bool same = images.size() == inputs_.size();
    for (std::size_t i = 0; same && i < images.size(); ++i)
        same = images[i].type() == CV_8UC3 && SameImage(images[i], inputs_[i]);
    if (same && !images.empty()) return;
    CF_MultiSrc::SetSource(images);
    stripsReady_ = false;
}

void CF_MultiCyldr::Init()
{
    CF_MultiSrc::Init();
    depth_ = cv::Mat::zeros(output_.size(), CV_32FC1);
    meshError_.clear();
    if (!LoadFilterMesh(*this, mesh_, &meshError_, &meshUnusable_) && meshError_.empty()) meshError_ = "the mesh did not load";
}

void CF_MultiCyldr::SetOutputSize(const cv::Size* size)
{
    const cv::Size before = output_.size();
    CF_MultiSrc::SetOutputSize(size);
    depth_ = cv::Mat::zeros(output_.size(), CV_32FC1);
    if (output_.size() != before) stripsReady_ = false;
}

const std::vector<cv::Mat>& CF_MultiCyldr::Strips()
{
    if (!stripsReady_) {
        strips_.clear();
        for (const cv::Mat& photo : inputs_) {
            cv::Mat small = TextureForOutput(photo, output_.size());
            strips_.push_back(small.empty() ? photo : small);
        }
        stripsReady_ = true;
    }
    return strips_;
}

void CF_MultiCyldr::Process()
{
    if (output_.empty()) Init();
    if (depth_.size() != output_.size()) depth_ = cv::Mat::zeros(output_.size(), CV_32FC1);
    output_.setTo(cv::Scalar::all(0));
    depth_.setTo(cv::Scalar::all(0));

    const MeshParams* params = Params();
    PoseMesh(mesh_, params);
    mesh_.normalizeNormals = params && (params->flags & mesh_flags::NormalizeNormals);
    mesh_.vertexShader = nullptr;
    mesh_.texture.release();
    stripData_.photos = &Strips();
    mesh_.pixelShader = StripPixelShader;
    mesh_.shaderData = &stripData_;
    RenderMeshSmooth(mesh_, output_, supersample_, smooth_);
}

}  // namespace mesh3d
