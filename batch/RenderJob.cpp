#include "batch/RenderJob.h"

#include "batch/FaceJob.h"
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "engine/XmlText.h"
#include "frames/CT_Frame.h"
#include "mesh3d/CT_3DMesh.h"
#include "platform/Failure.h"

#include <tinyxml2.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::CT_SimpleTempl;
using engine::CreateTemplate;
using engine::LoadPhotoForView;
using engine::OpenTemplate;
using engine::ParseXml;
using engine::PhotoRecord;
using engine::RefPtr;
using engine::SimpleParams;
using frames::CT_Frame;
using mesh3d::CT_3DMesh;

namespace batch {

namespace {
std::string Number(double v)
{
    std::ostringstream s;
    s << v;
    return s.str();
}
}  // namespace

bool SelectJobPhotos(CPhotoDocument& doc, const std::vector<std::string>& photos, std::string* error,
                     std::optional<cv::Size> viewSize)
{
    for (const std::string& path : photos) {
        PhotoRecord r;
        r.path = path;
        // A preview never shows more than the view: let the decoder skip the rest.
        if (viewSize) {
            std::string why;
            r.image = LoadPhotoForView(path, *viewSize, &why);
            if (r.image.empty()) return platform::Fail(error, "cannot read photo " + path + ": " + why);
        }
        doc.InsertPhoto(-1, r);
    }
    for (int i = 0; i < doc.PhotoCount(); ++i) {
        std::string why;
        const bool ok = i == 0 ? doc.SelectPhoto(0, &why) : doc.AddToSelection(i, &why);
        if (!ok) return platform::Fail(error, "cannot read photo " + photos[static_cast<size_t>(i)] + ": " + why);
    }
    return true;
}

namespace {

/** The job's template: read from its file, or parsed from the definition it carries. */
RefPtr<CEffectTemplate> OpenJobTemplate(const RenderJob& job, CPhotoDocument& doc, std::string* error)
{
    if (job.definitionXml.empty()) return OpenTemplate(job.templateFile, &doc, error);
    auto definition = std::make_shared<tinyxml2::XMLDocument>();
    if (std::string why; !ParseXml(*definition, job.definitionXml, &why)) {
        platform::Fail(error, "the template's definition cannot be read: " + why);
        return {};
    }
    std::string why;
    CEffectTemplate* t = CreateTemplate(definition, job.templateFile, &doc, &why);
    if (!t) {
        platform::Fail(error, why);
        return {};
    }
    return RefPtr<CEffectTemplate>::Adopt(t);
}

bool ApplyVariables(const RenderJob& job, CT_SimpleTempl* simple, std::string* error)
{
    for (int i = 0; i < 3; ++i) {
        if (!job.vars[i]) continue;
        if (!simple) {
            return platform::Fail(error, "this template has no variables to set");
        }
        const auto& spec = simple->Variable(i);
        // Compare in the template's own float precision: "0.06" on the command line must
        // match max="0.06" in the definition.
        // A value beyond the float range has no float to compare: converting it is undefined.
        const double given = *job.vars[i];
        const bool representable = std::abs(given) <= std::numeric_limits<float>::max();
        const float v = representable ? static_cast<float>(given) : (given < 0 ? -HUGE_VALF : HUGE_VALF);
        const float lo = std::min(spec.min, spec.max), hi = std::max(spec.min, spec.max);
        if (!representable || v < lo || v > hi) {
            return platform::Fail(error, "--var" + std::to_string(i + 1) + " " + Number(representable ? v : given) +
                                             " is outside the template's range " + Number(lo) + " to " + Number(hi));
        }
        simple->Params().var[i] = static_cast<float>(v);
    }
    return true;
}

bool ApplyRegion(const RenderJob& job, CT_SimpleTempl* simple, std::string* error)
{
    if (!job.region) return true;
    if (!simple) {
        return platform::Fail(error, "this template has no region");
    }
    const cv::Rect2f& r = *job.region;
    if (r.x < 0 || r.y < 0 || r.width <= 0 || r.height <= 0 || r.x + r.width > 1.0001f || r.y + r.height > 1.0001f) {
        return platform::Fail(error, "--roi must lie within the photo: X,Y >= 0, W,H > 0, X+W <= 1, Y+H <= 1");
    }
    SimpleParams& p = simple->Params();
    p.x = r.x;
    p.y = r.y;
    p.w = r.width;
    p.h = r.height;
    return true;
}

bool ApplyCorners(const RenderJob& job, CEffectTemplate* templ, std::string* error)
{
    if (job.corners.empty()) return true;
    auto* frame = dynamic_cast<CT_Frame*>(templ);
    if (!frame) {
        return platform::Fail(error, "this template has no window corners to move (only frame templates do)");
    }
    for (const auto& [index, point] : job.corners) {
        if (index < 0 || index > 3) {
            return platform::Fail(error, "--corner index " + std::to_string(index) + " must be 0, 1, 2 or 3");
        }
        frame->Frame().main.corner[index] = point;
    }
    frame->ApplyParams();
    return true;
}

bool ApplyTurn(const RenderJob& job, CEffectTemplate* templ, std::string* error)
{
    if (!job.turn) return true;
    auto* mesh = dynamic_cast<CT_3DMesh*>(templ);
    if (!mesh) {
        return platform::Fail(error, "--turn needs a 3D template");
    }
    mesh->Turn((*job.turn)[0], (*job.turn)[1]);
    return true;
}

cv::Mat Render(const RenderJob& job, CPhotoDocument& doc, CEffectTemplate* templ, CT_SimpleTempl* simple,
               std::string* error)
{
    doc.SetCurrentTemplate(templ);
    if (job.viewSize) {
        doc.SetView({0, 0, job.viewSize->width, job.viewSize->height}, 0);
        doc.Render();
    } else {
        // In the program an export follows a preview, whose Start took the seed; do the same
        // so that --seed (or the clock) governs full-size renderings too.
        if (simple) simple->Start();
        doc.RenderFull();
    }
    doc.WaitForRendering();
    cv::Mat result = doc.ShownResult().clone();
    if (result.empty()) platform::Fail(error, "the template produced no picture");
    return result;
}

}  // namespace

cv::Mat RunRenderJob(const RenderJob& job, std::string* error)
{
    CPhotoDocument doc;
    if (!SelectJobPhotos(doc, job.photos, error, job.viewSize)) return {};
    const RefPtr<CEffectTemplate> templ = OpenJobTemplate(job, doc, error);
    if (!templ) return {};
    if (!PrepareFaceJob(doc, templ.get(), job, error)) return {};
    auto* simple = dynamic_cast<CT_SimpleTempl*>(templ.get());
    if (!ApplyVariables(job, simple, error) || !ApplyRegion(job, simple, error) ||
        !ApplyCorners(job, templ.get(), error) || !ApplyTurn(job, templ.get(), error))
        return {};
    return Render(job, doc, templ.get(), simple, error);
}

}  // namespace batch
