#include "cli/RenderJob.h"

#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "frames/CT_Frame.h"

#include <cmath>
#include <sstream>

namespace {
std::string Number(double v)
{
    std::ostringstream s;
    s << v;
    return s.str();
}
}  // namespace

cv::Mat RunRenderJob(const RenderJob& job, std::string& error)
{
    CPhotoDocument doc;
    for (const std::string& path : job.photos) {
        PhotoRecord r;
        r.path = path;
        doc.InsertPhoto(-1, r);
    }
    for (int i = 0; i < doc.PhotoCount(); ++i) {
        std::string why;
        const bool ok = i == 0 ? doc.SelectPhoto(0, &why) : doc.AddToSelection(i, &why);
        if (!ok) {
            error = "cannot read photo " + job.photos[i] + ": " + why;
            return {};
        }
    }

    RefPtr<CEffectTemplate> templ = OpenTemplate(job.templateFile, &doc, &error);
    if (!templ) return {};

    auto* simple = dynamic_cast<CT_SimpleTempl*>(templ.get());
    for (int i = 0; i < 3; ++i) {
        if (!job.vars[i]) continue;
        if (!simple) {
            error = "this template has no variables to set";
            return {};
        }
        const auto& spec = simple->Variable(i);
        const double v = *job.vars[i];
        const double lo = std::min(spec.min, spec.max), hi = std::max(spec.min, spec.max);
        if (v < lo || v > hi) {
            error = "--var" + std::to_string(i + 1) + " " + Number(v) + " is outside the template's range " +
                    Number(lo) + " to " + Number(hi);
            return {};
        }
        simple->Params().var[i] = static_cast<float>(v);
    }
    if (job.region) {
        if (!simple) {
            error = "this template has no region";
            return {};
        }
        const cv::Rect2f& r = *job.region;
        if (r.x < 0 || r.y < 0 || r.width <= 0 || r.height <= 0 || r.x + r.width > 1.0001f ||
            r.y + r.height > 1.0001f) {
            error = "--roi must lie within the photo: X,Y >= 0, W,H > 0, X+W <= 1, Y+H <= 1";
            return {};
        }
        SimpleParams& p = simple->Params();
        p.x = r.x;
        p.y = r.y;
        p.w = r.width;
        p.h = r.height;
    }

    if (!job.corners.empty()) {
        auto* frame = dynamic_cast<CT_Frame*>(templ.get());
        if (!frame) {
            error = "this template has no window corners to move (only frame templates do)";
            return {};
        }
        for (const auto& [index, point] : job.corners) {
            if (index < 0 || index > 3) {
                error = "--corner index " + std::to_string(index) + " must be 0, 1, 2 or 3";
                return {};
            }
            frame->Frame().main.corner[index] = point;
        }
        frame->ApplyParams();
    }

    doc.SetCurrentTemplate(templ.get());
    if (job.viewSize) {
        doc.SetView({0, 0, job.viewSize->width, job.viewSize->height}, 0);
        doc.Render();
    } else {
        doc.RenderFull();
    }
    doc.WaitForRendering();
    cv::Mat result = doc.ShownResult().clone();
    if (result.empty()) error = "the template produced no picture";
    return result;
}
