#include "face/CF_Face.h"

#include "face/FaceDetector.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

using engine::FacePhotoState;
using engine::FaceQuad;

namespace face {

CF_Face::CF_Face() { className = "FaceFilter"; }
CF_Face::~CF_Face() = default;

FaceQuad CF_Face::DefaultFaceRegion(int W, int H)
{
    const float cx = W / 2.0f, cy = 0.4f * H, d = std::min(W, H) / 4.0f;
    return FaceQuad{cx - d, cy - d, cx + d, cy - d, cx + d, cy + d, cx - d, cy + d};
}

void CF_Face::SetSource(std::span<const cv::Mat> images)
{
    if (images.empty() || images.front().empty()) return;
    cv::Mat copy;
    images.front().convertTo(copy, CV_8U);
    if (copy.channels() == 1) cv::cvtColor(copy, copy, cv::COLOR_GRAY2BGR);
    else if (copy.channels() == 4) cv::cvtColor(copy, copy, cv::COLOR_BGRA2BGR);
    if (copy.type() != CV_8UC3) return;
    engine_.SetPhoto(copy);
    engine_.SetSearchFrame({}, {});
    width_ = copy.cols;
    height_ = copy.rows;
}

void CF_Face::Init() { engine_.Init(); }

void CF_Face::Stop() { engine_.RequestStop(); }

void CF_Face::LoadPicture()
{
    // A name leading out of the template folder resolves to "" and loads nothing.
    const std::string picture = ResolveFileName(ParamText("image"));
    const std::string config = ResolveFileName(ParamText("config"));
    if (!picture.empty()) engine_.LoadFacePicture(picture, config);
}

void CF_Face::Process()
{
    FaceParams* p = Params();
    if (!p) return;
    FacePhotoState& st = p->state;
    if (p->kind == KindChangeFace) {
        LoadPicture();
        engine_.alignFace = st.alignFace != 0;
    }
    engine_.scale = p->scale;
    engine_.blendEdge = p->blendEdge;

    if (p->alignRequest) {
        if (!st.aligned) {
            engine_.AlignFeatures();
            p->searchRequest = 0;
            st.aligned = 1;
            st.dirty = 1;
            if (engine_.featuresLocated) {
                for (int i = 0; i < 3; ++i) {
                    st.regionValid[i] = 1;
                    st.regions[i] = engine_.GetRegion(i);
                }
            }
        }
        p->alignRequest = 0;
        return;
    }

    if (p->resetRequest) {
        engine_.faceRect = {};
        engine_.featuresLocated = false;
        FaceDetector::Instance().ResetFaceSearch();
        p->resetRequest = 0;
    }
    if (p->searchRequest) {
        p->searchRequest = 0;
        st.faceSearched = 0;
        st.aligned = 0;
        st.dirty = 1;
    }
    if (!st.faceSearched) {
        engine_.SearchFace();
        st.aligned = 0;
        FaceQuad face = engine_.GetRegion(FaceRegion);
        for (int i = 0; i < 3; ++i) st.regionValid[i] = 0;
        const bool found = !face.IsEmpty();
        if (!found) {
            face = DefaultFaceRegion(width_, height_);
            if (!p->quiet) platform::Post(notifyWindow_, platform::msg::NoFaceFound);
        }
        if (!(p->quiet && !found)) {
            st.regions[FaceRegion] = face;
            st.regionValid[FaceRegion] = 1;
            st.faceSearched = 1;
            st.dirty = 1;
        }
    }
}

cv::Mat CF_Face::GetResult()
{
    FaceParams* p = Params();
    if (!p) return {};
    const FacePhotoState& st = p->state;
    // Feature regions belong to a face: without valid ones (a new search, another photo, a
    // face chosen by hand) the engine must not keep using those of an earlier face.
    if (!st.regionValid[0] && !st.regionValid[1] && !st.regionValid[2]) engine_.featuresLocated = false;
    // The face first: feature regions are stored in photo pixels and map into the crop of
    // the face rectangle they belong to, which may have been forgotten with the last photo.
    if (st.regionValid[FaceRegion]) engine_.SetRegion(FaceRegion, st.regions[FaceRegion]);
    for (int i = 0; i < 3; ++i)
        if (st.regionValid[i]) engine_.SetRegion(i, st.regions[i]);
    if (p->kind == KindExpression) {
        engine_.SetExpressionSigns(st.expression);
        return p->animating ? engine_.AnimateExpression() : engine_.RenderExpression(stillAmount_);
    }
    if (p->kind == KindChangeFace) {
        std::copy(std::begin(st.blendRadius), std::end(st.blendRadius), engine_.blendRadius);
        engine_.enhancedColour = st.enhancedColour != 0;
        return engine_.RenderChangedFace();
    }
    return {};
}

}  // namespace face
