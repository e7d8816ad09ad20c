#pragma once
/**
 * @file CF_Teapot.h
 * @brief "TeapotFilter": a model over the photo, with the photo as its texture or, with the
 * reflect flag, mirrored in its chrome surface.
 *
 * Settings: "mesh" on the filter's "param" child, the model file relative to the template
 * folder. Parameters: the MeshParams block of the 3D mesh template (the fixed pose without it).
 * The result has the photo's proportions, fitted into the output size (never enlarged); the
 * photo fills it as the background.
 *
 * Threads: as every filter (ImageFilter.h). Process renders with several threads; the
 * result does not depend on how many.
 */
#include "engine/ImageFilter.h"
#include "mesh3d/Mesh.h"
#include "mesh3d/MeshParams.h"
#include "mesh3d/SmoothRender.h"
#include "mesh3d/MeshShaders.h"

namespace mesh3d {

class CF_Teapot : public engine::CImageFilter {
public:
    CF_Teapot();
    ~CF_Teapot() override;

    void SetSource(std::span<const cv::Mat> images) override;
    /** The 800 x 600 canvas and depth buffer; loads the model. */
    void Init() override;
    engine::ParamBlock ParamsNeeded() const override { return engine::ParamBlock::Mesh; }
    std::vector<const char*> FileSettings() const override { return {"mesh"}; }
    void Process() override;
    cv::Mat GetResult() override { return output_; }
    /** As the simple filter: the source fitted into size, never enlarged; then a new depth buffer. */
    void SetOutputSize(const cv::Size* size) override;
    void GetOutputSize(cv::Size& size) override { size = output_.size(); }

    const Mesh& GetMesh() const { return mesh_; }
    /** Samples per pixel side (1: hard edges, as the renderer draws them). */
    void SetSupersampling(int factor) { supersample_ = factor; }
    /** Why the model did not load ("" when it did). */
    const std::string& MeshError() const { return meshError_; }
    /** A model file that is there but refused makes the template fail; a missing one does not. */
    std::string InitError() const override { return meshUnusable_ ? meshError_ : std::string(); }

private:
    const MeshParams* Params() const { return ParamsAs<MeshParams>(); }
    /** Makes the background and the texture for the present source and output size. */
    void Prepare();

    cv::Mat output_;
    cv::Mat source_;
    cv::Mat depth_;
    cv::Mat background_;  ///< the source at the output size
    cv::Mat texture_;     ///< the source scaled down for the output, or empty to use the source
    bool prepared_ = false;
    Mesh mesh_;
    std::string meshError_;
    bool meshUnusable_ = false;
    ReflectionData reflection_;
    int supersample_ = kSmoothFactor;
    SmoothRenderBuffers smooth_;
};

}  // namespace mesh3d
