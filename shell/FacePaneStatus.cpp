// SPDX-License-Identifier: MIT
#include "shell/FacePaneStatus.h"

#include "controls/UiText.h"
#include "face/CT_Face.h"

#include <cmath>

using engine::CEffectTemplate;
using engine::FacePhotoState;
using engine::FaceQuad;
using face::CT_Face;
using face::FaceRegion;

namespace shell {
namespace {

cv::Point2f Centre(const FaceQuad& q) { return {(q.x0 + q.x1 + q.x2 + q.x3) / 4, (q.y0 + q.y1 + q.y2 + q.y3) / 4}; }

}  // namespace

int FaceIndexOf(const FaceQuad& region, const std::vector<FaceQuad>& faces)
{
    if (region.IsEmpty()) return -1;
    const cv::Point2f c = Centre(region);
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < static_cast<int>(faces.size()); ++i) {
        const cv::Point2f f = Centre(faces[i]);
        const double d = std::hypot(f.x - c.x, f.y - c.y);
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

QString FaceCountText(CEffectTemplate* templ)
{
    auto* face = dynamic_cast<CT_Face*>(templ);
    if (!face || !face->Params().state.faceSearched) return {};
    const std::vector<FaceQuad> faces = face->DetectedFaces();
    const FacePhotoState& st = face->Params().state;
    if (faces.empty()) return st.regionValid[FaceRegion] ? QString() : controls::Phrase("No face found");
    const int index = FaceIndexOf(st.regions[FaceRegion], faces);
    if (index < 0) return {};
    return controls::Phrase("Face %1 of %2").arg(index + 1).arg(faces.size());
}

}  // namespace shell
