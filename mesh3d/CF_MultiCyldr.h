#pragma once
/**
 * @file CF_MultiCyldr.h
 * @brief "CylinderFilterMS": several photos side by side round a model (a tube), in input
 * order: with n photos, photo k covers the texture's u from k / n to (k + 1) / n.
 *
 * Settings: "mesh" on the filter's "param" child, the model file relative to the template
 * folder. Parameters: the MeshParams block of the 3D mesh template (the fixed pose without
 * it). The result is the output size (800 x 600 without one), black behind the model.
 *
 * Threads: as every filter (ImageFilter.h). Process renders with several threads; the
 * result does not depend on how many.
 */
#include "filters/MultiSrcFilter.h"
#include "mesh3d/Mesh.h"
#include "mesh3d/MeshParams.h"
#include "mesh3d/SmoothRender.h"
#include "mesh3d/MeshShaders.h"

namespace mesh3d {

class CF_MultiCyldr : public filters::CF_MultiSrc {
public:
    CF_MultiCyldr();
    ~CF_MultiCyldr() override;

    void SetSource(std::span<const cv::Mat> images) override;
    /** The canvas and depth buffer at 800 x 600; loads the model. */
    void Init() override;
    engine::ParamBlock ParamsNeeded() const override { return engine::ParamBlock::Mesh; }
    std::vector<const char*> FileSettings() const override { return {"mesh"}; }
    void Process() override;
    /** A new canvas of the size (800 x 600 without one) and a depth buffer to match. */
    void SetOutputSize(const cv::Size* size) override;

    const Mesh& GetMesh() const { return mesh_; }
    const std::string& MeshError() const { return meshError_; }
    /** A model file that is there but refused makes the template fail; a missing one does not. */
    std::string InitError() const override { return meshUnusable_ ? meshError_ : std::string(); }
    /** Samples per pixel side (1: hard edges, as the renderer draws them). */
    void SetSupersampling(int factor) { supersample_ = factor; }

private:
    const MeshParams* Params() const { return ParamsAs<MeshParams>(); }
    /** The inputs at the resolution the output can show, made when first needed. */
    const std::vector<cv::Mat>& Strips();

    cv::Mat depth_;
    std::vector<cv::Mat> strips_;
    bool stripsReady_ = false;
    Mesh mesh_;
    std::string meshError_;
    bool meshUnusable_ = false;
    StripData stripData_;
    int supersample_ = kSmoothFactor;
    SmoothRenderBuffers smooth_;
};

}  // namespace mesh3d
