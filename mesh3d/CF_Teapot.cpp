#include "mesh3d/CF_Teapot.h"

#include "mesh3d/FilterMesh.h"
#include "mesh3d/RenderMesh.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace mesh3d {

namespace {
const cv::Size kDefaultSize(800, 600);
}

CF_Teapot::CF_Teapot() { className = "TeapotFilter"; }
CF_Teapot::~CF_Teapot() = default;

void CF_Teapot::SetSource(std::span<const cv::Mat> images)
{
    cv::Mat in;
    if (!images.empty() && !images.front().empty()) {
        const cv::Mat& first = images.front();
        if (first.type() == CV_8UC3) in = first;
        else if (first.depth() == CV_8U && (first.channels() == 1 || first.channels() == 4))
            cv::cvtColor(first, in, first.channels() == 1 ? cv::COLOR_GRAY2BGR : cv::COLOR_BGRA2BGR);
    }
    // The same photo again (every turn-timer tick): keep the copy and what was made from it.
    if (!in.empty() && SameImage(in, source_)) return;
    source_ = in.empty() ? cv::Mat() : in.clone();
    prepared_ = false;
}

void CF_Teapot::Init()
{
    output_ = cv::Mat::zeros(kDefaultSize, CV_8UC3);
    depth_ = cv::Mat::zeros(kDefaultSize, CV_32FC1);
    meshError_.clear();
    if (!LoadFilterMesh(*this, mesh_, &meshError_, &meshUnusable_) && meshError_.empty()) meshError_ = "the mesh did not load";
}

void CF_Teapot::SetOutputSize(const cv::Size* size)
{
    cv::Size want = kDefaultSize;
    if (size && !source_.empty()) {
        const double scale = std::min({1.0, double(size->height) / source_.rows, double(size->width) / source_.cols});
        want = {static_cast<int>(std::lround(source_.cols * scale)), static_cast<int>(std::lround(source_.rows * scale))};
    } else if (size) {
        want = *size;
    } else if (!source_.empty()) {
        want = source_.size();
    }
    want = {std::max(want.width, 1), std::max(want.height, 1)};
    if (output_.size() != want || output_.type() != CV_8UC3) {
        output_ = cv::Mat::zeros(want, CV_8UC3);
        depth_ = cv::Mat::zeros(want, CV_32FC1);
        prepared_ = false;
    } else {
        output_.setTo(cv::Scalar::all(0));
    }
}

void CF_Teapot::Prepare()
{
    if (prepared_) return;
    background_.release();
    if (!source_.empty()) cv::resize(source_, background_, output_.size(), 0, 0, cv::INTER_LINEAR);
    texture_ = TextureForOutput(source_, output_.size());
    prepared_ = true;
}

void CF_Teapot::Process()
{
    if (output_.empty()) Init();
    if (depth_.size() != output_.size()) depth_ = cv::Mat::zeros(output_.size(), CV_32FC1);
    Prepare();
    // The photo is the background.
    if (background_.empty()) output_.setTo(cv::Scalar::all(0));
    else background_.copyTo(output_);
    depth_.setTo(cv::Scalar::all(0));

    const MeshParams* params = Params();
    PoseMesh(mesh_, params);
    const std::uint32_t flags = params ? params->flags : 0;
    const bool reflect = flags & mesh_flags::Reflect;
    mesh_.pixelShader = nullptr;
    mesh_.vertexShader = nullptr;
    mesh_.shaderData = nullptr;
    if (!source_.empty()) {
        mesh_.texture = texture_.empty() ? source_ : texture_;
        if (reflect) {
            mesh_.processedFormat = processed_format::Screen | processed_format::Light | processed_format::TexCoord;
            mesh_.FreeCache();
            reflection_.specularOn = flags & mesh_flags::Specular;
            reflection_.specular = params ? params->specular : 0;
            mesh_.vertexShader = ReflectionVertexShader;
            mesh_.shaderData = &reflection_;
        }
    } else {
        mesh_.texture.release();
        if (reflect) mesh_.processedFormat = processed_format::Screen | processed_format::Light;
    }
    // Rotated normals of a scaled model are no longer unit length; the headlight needs them so.
    mesh_.normalizeNormals = flags & mesh_flags::NormalizeNormals;
    RenderMeshSmooth(mesh_, output_, supersample_, smooth_);
}

}  // namespace mesh3d
