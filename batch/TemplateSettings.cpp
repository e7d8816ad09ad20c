// SPDX-License-Identifier: MIT
#include "batch/TemplateSettings.h"

#include "engine/SimpleTemplate.h"
#include "face/CF_Face.h"
#include "face/CT_Face.h"
#include "frames/CT_Frame.h"

#include <tinyxml2.h>

#include <cstring>
#include <type_traits>

using engine::CEffectTemplate;
using engine::CT_SimpleTempl;
using engine::FacePhotoState;
using engine::SimpleParams;
namespace param_cmd = engine::param_cmd;
using face::CT_Face;
using face::FaceParams;
using frames::CT_Frame;
using frames::FrameWindow;

namespace batch {

namespace {

// The first byte says which kind of template the rest belongs to.
enum Kind : char { KindSimple = 's', KindFrame = 'f', KindFace = 'c' };

template <typename T>
void Put(std::string& out, const T& v)
{
    static_assert(std::is_trivially_copyable_v<T>);
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

template <typename T>
bool Get(const std::string& in, size_t& at, T& v)
{
    if (at + sizeof v > in.size()) return false;
    std::memcpy(&v, in.data() + at, sizeof v);
    at += sizeof v;
    return true;
}

/** The face state without the flags that only record what the engine has done so far. */
FacePhotoState UserFaceState(FacePhotoState s)
{
    s.faceSearched = s.aligned = s.dirty = 0;
    return s;
}

}  // namespace

std::string CaptureSettings(CEffectTemplate& templ)
{
    std::string out;
    if (auto* face = dynamic_cast<CT_Face*>(&templ)) {
        out += KindFace;
        Put(out, UserFaceState(face->Params().state));
        Put(out, face->FaceFilter() ? face->FaceFilter()->StillAmount() : 0.0f);
    } else if (auto* frame = dynamic_cast<CT_Frame*>(&templ)) {
        out += KindFrame;
        Put(out, frame->Params());
        Put(out, frame->Frame().main);
    } else if (auto* simple = dynamic_cast<CT_SimpleTempl*>(&templ)) {
        out += KindSimple;
        Put(out, simple->Params());
    }
    return out;
}

bool RestoreSettings(CEffectTemplate& templ, const std::string& settings)
{
    if (settings.empty()) return false;
    size_t at = 1;
    const char kind = settings[0];
    if (auto* face = dynamic_cast<CT_Face*>(&templ)) {
        FacePhotoState state;
        float amount = 0;
        if (kind != KindFace || !Get(settings, at, state) || !Get(settings, at, amount)) return false;
        FaceParams& p = face->Params();
        const FacePhotoState before = p.state;
        p.state = state;
        // The face was found and its features located already: keep that, render afresh.
        p.state.faceSearched = before.faceSearched;
        p.state.aligned = before.aligned && before.alignFace == state.alignFace;
        p.state.dirty = 1;
        if (state.alignFace && !p.state.aligned) p.alignRequest = 1;
        if (face->FaceFilter()) face->FaceFilter()->SetStillAmount(amount);
        face->ApplyParams();
        return true;
    }
    if (auto* frame = dynamic_cast<CT_Frame*>(&templ)) {
        SimpleParams params;
        FrameWindow main;
        if (kind != KindFrame || !Get(settings, at, params) || !Get(settings, at, main)) return false;
        frame->Params() = params;
        frame->Frame().main = main;
        frame->ApplyParams();
        return true;
    }
    if (auto* simple = dynamic_cast<CT_SimpleTempl*>(&templ)) {
        SimpleParams params;
        if (kind != KindSimple || !Get(settings, at, params)) return false;
        simple->Params() = params;
        simple->ApplyParams();
        return true;
    }
    return false;
}

void SettingsToJob(CEffectTemplate& templ, RenderJob& job)
{
    if (auto* face = dynamic_cast<CT_Face*>(&templ)) {
        const FacePhotoState& s = face->Params().state;
        job.align = s.alignFace != 0;
        if (face->IsExpression()) {
            // The job names expressions by the signs of their components.
            struct Named {
                const char* name;
                int c[3];
            };
            static constexpr Named kNamed[] = {{"happy", {1, 0, 1}}, {"angry", {1, -1, -1}}, {"sad", {-1, 1, -1}}};
            auto sign = [](std::int32_t v) { return (v > 0) - (v < 0); };
            for (const Named& e : kNamed)
                if (sign(s.expression[0]) == e.c[0] && sign(s.expression[1]) == e.c[1] && sign(s.expression[2]) == e.c[2])
                    job.expression = e.name;
            if (face->FaceFilter()) job.amount = face->FaceFilter()->StillAmount();
        }
        return;
    }
    auto* simple = dynamic_cast<CT_SimpleTempl*>(&templ);
    if (!simple) return;
    const SimpleParams& p = simple->Params();
    for (int i = 0; i < 3; ++i)
        if (simple->Variable(i).min != 0 || simple->Variable(i).max != 0) job.vars[i] = p.var[i];
    unsigned char hasRegion = 0;
    simple->ParamCommand(param_cmd::HasRegion, 0, 0, &hasRegion);
    if (hasRegion) job.region = cv::Rect2f(p.x, p.y, p.w, p.h);
    if (auto* frame = dynamic_cast<CT_Frame*>(&templ))
        for (int i = 0; i < 4; ++i) job.corners.emplace_back(i, frame->Frame().main.corner[static_cast<size_t>(i)]);
}

RenderJob JobForTemplate(CEffectTemplate& templ)
{
    RenderJob job;
    job.templateFile = templ.folder;
    if (templ.definition) {
        tinyxml2::XMLPrinter printer;
        templ.definition->GetDocument()->Print(&printer);
        job.definitionXml = printer.CStr();
    }
    SettingsToJob(templ, job);
    return job;
}

}  // namespace batch
