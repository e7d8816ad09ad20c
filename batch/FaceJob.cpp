#include "batch/FaceJob.h"

#include "engine/PhotoDocument.h"
#include "face/CT_Face.h"
#include "platform/Failure.h"

#include <cstdint>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using face::CT_Face;
namespace face_cmd = face::face_cmd;

namespace batch {

namespace {

// The expression pane's list: name and components.
struct NamedExpression {
    const char* name;
    std::int32_t components[3];
};
constexpr NamedExpression kExpressions[] = {{"happy", {1, 0, 1}}, {"angry", {1, -1, -1}}, {"sad", {-1, 1, -1}}};

void RenderNow(CPhotoDocument& doc)
{
    doc.Render();
    doc.WaitForRendering();
}

}  // namespace

bool PrepareFaceJob(CPhotoDocument& doc, CEffectTemplate* templ, const RenderJob& job, std::string* error)
{
    auto* face = dynamic_cast<CT_Face*>(templ);
    if (!face) {
        if (job.face || job.align || job.expression || job.amount)
            return platform::Fail(error, "--face, --align, --expression and --amount are for face templates");
        return true;
    }
    const bool expression = face->IsExpression();
    if ((job.expression || job.amount) && !expression)
        return platform::Fail(error, "--expression and --amount are for expression templates");
    if (job.amount && (*job.amount < 0 || *job.amount > 1))
        return platform::Fail(error, "--amount must lie between 0 and 1");
    const std::int32_t* components = nullptr;
    if (job.expression) {
        for (const NamedExpression& e : kExpressions)
            if (*job.expression == e.name) components = e.components;
        if (!components)
            return platform::Fail(error, "--expression must be happy, angry or sad");
    }

    // The first rendering finds the faces, as choosing the template in the program does.
    doc.SetCurrentTemplate(face);
    RenderNow(doc);
    if (job.face) {
        const int count = static_cast<int>(face->DetectedFaces().size());
        if (count == 0) return platform::Fail(error, "no face was found on the photo, so --face cannot choose one");
        if (*job.face < 1 || *job.face > count)
            return platform::Fail(error, "the photo has " + std::to_string(count) + (count == 1 ? " face" : " faces") +
                                             ": --face must be 1" + (count == 1 ? "" : " to " + std::to_string(count)));
        face->ChooseFace(*job.face - 1);
    }
    // Expressions always need the eyes and mouth; changed faces only when asked to align.
    if (job.align) face->ParamCommand(face_cmd::AlignFace, 0, 1, nullptr);
    if (job.align || expression) {
        face->ParamCommand(face_cmd::Button, 0, face_cmd::ButtonFaceBlend, nullptr);
        RenderNow(doc);
    }
    if (components) face->ParamCommand(face_cmd::SetExpression, 0, 0, const_cast<std::int32_t*>(components));
    if (job.amount && face->FaceFilter()) face->FaceFilter()->SetStillAmount(static_cast<float>(*job.amount));
    return true;
}

}  // namespace batch
