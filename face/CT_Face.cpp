#include "face/CT_Face.h"

#include "engine/AnimationCommands.h"
#include "engine/DefinitionNumbers.h"
#include "engine/OptionPanel.h"
#include "engine/PhotoDocument.h"
#include "engine/Registry.h"
#include "face/FacePaneLink.h"
#include "face/RegionShape.h"

#include <opencv2/imgproc.hpp>
#include <tinyxml2.h>

#include <cmath>
#include <cstring>
#include <numbers>

using engine::CEffectTemplate;
using engine::COptionPanel;
using engine::CSingleFilterTemplate;
using engine::FacePhotoState;
using engine::FaceQuad;
using engine::PhotoRecord;
using engine::ReadCheckedNumber;
using engine::ToolButton;
using engine::ViewMagnificationLimit;
using engine::ViewMapping;
using engine::ViewOriginal;
using engine::ViewRect;
namespace anim_cmd = engine::anim_cmd;

namespace face {

namespace {

// One expression timer per process, and the template that started it.
std::mutex g_timerMutex;
CT_Face* g_timerTemplate = nullptr;
platform::WindowId g_timerWindow = 0;

constexpr platform::Color kFeatureColour{255, 0, 0};
constexpr platform::Color kFaceColour{255, 255, 0};
constexpr platform::Color kHandleColour{0, 255, 0};
constexpr platform::Color kBlack{0, 0, 0};
constexpr int kHandleReach = 3;  // view pixels around an axis end that grab it

platform::Point Px(cv::Point2f p)
{
    return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

// The double-headed arrow closest to an axis's direction on screen.
platform::CursorShape AxisCursor(cv::Point2f centre, cv::Point2f end)
{
    double deg = std::atan2(end.y - centre.y, end.x - centre.x) * 180 / std::numbers::pi;
    if (deg < 0) deg += 180;
    if (deg < 22.5 || deg >= 157.5) return platform::CursorShape::SizeWE;
    if (deg < 67.5) return platform::CursorShape::SizeNWSE;
    if (deg < 112.5) return platform::CursorShape::SizeNS;
    return platform::CursorShape::SizeNESW;
}

bool InsideQuad(const FaceQuad& q, cv::Point2f p)
{
    const std::vector<cv::Point2f> poly = {{q.x0, q.y0}, {q.x1, q.y1}, {q.x2, q.y2}, {q.x3, q.y3}};
    return cv::pointPolygonTest(poly, p, false) >= 0;
}

}  // namespace

// The original-image view shows the source photo scaled: regions and faces are kept in the
// photo's pixels, the pointer and the drawing are in view pixels.
struct CT_Face::PhotoView {
    const ViewMapping& map;
    cv::Size size;

    cv::Point2f ToView(cv::Point2f p) const { return map.ToView(p.x / size.width, p.y / size.height); }
    cv::Point2f ToPhoto(float vx, float vy) const
    {
        const cv::Point2f f = map.ToFraction(vx, vy);
        return cv::Point2f(f.x * size.width, f.y * size.height);
    }
};

CT_Face::CT_Face() { className = "FaceTemplate"; }

CT_Face::~CT_Face()
{
    std::lock_guard lock(g_timerMutex);
    if (g_timerTemplate == this) {
        platform::KillTimer(g_timerWindow, kExpressionTimerId);
        g_timerTemplate = nullptr;
        g_timerWindow = 0;
    }
}

bool CT_Face::Load()
{
    if (!definition) {
        loadError_ = "the template has no definition";
        return false;
    }
    // Zero means the default: the face at its own size, a fifth of it soft. A hundredfold zoom
    // is already far beyond any picture's use; the soft edge is a share of the face.
    double scale = 0, edge = 0;
    const tinyxml2::XMLElement* param = definition->FirstChildElement("param");
    if (!ReadCheckedNumber(param, "scale", 0, 100, scale, &loadError_) ||
        !ReadCheckedNumber(param, "blend_edge", 0, 1, edge, &loadError_))
        return false;
    if (!filter_ && !CreateFilterFromDefinition("FaceFilter")) return false;
    // The template talks to its filter beyond the parameter block (notifications, the
    // engine), so only the face filter itself will do.
    if (!dynamic_cast<CF_Face*>(filter_.get())) {
        loadError_ = std::string("template class \"FaceTemplate\" cannot drive filter class \"") + filter_->className +
                     "\": it needs \"FaceFilter\"";
        filter_.reset();
        return false;
    }
    const char* type = definition->Attribute("type");
    params_.kind = type && std::strcmp(type, "expression") == 0 ? KindExpression : KindChangeFace;
    params_.scale = scale != 0 ? static_cast<float>(scale) : 1.0f;
    params_.blendEdge = edge != 0 ? static_cast<float>(edge) : 0.2f;
    filter_->SetParams(&params_);
    return true;
}

void CT_Face::ApplyParams()
{
    if (!filter_) return;
    filter_->SetDefinition(definition ? definition->FirstChildElement("filter") : nullptr);
    FaceFilter()->SetNotifyWindow(document ? document->NotifyWindow() : 0);
    filter_->SetParams(&params_);
}

void CT_Face::SetPhotos(std::span<const PhotoRecord> records)
{
    CEffectTemplate::SetPhotos(records);
    if (records.empty()) return;
    // A cropped photo is searched as a part of its whole prepared photo (turned, not cut): the
    // same face is found as without the crop, in the crop's pixels.
    if (CF_Face* f = FaceFilter(); f && !records.front().image.empty())
        f->SetSearchFrame(records.front().image, records.front().crop_px.tl());
    // The document's selection holds copies made when the photo was selected; the face state
    // saved since then lives in the photo list itself.
    if (document) {
        const std::vector<int> selected = document->SelectionIndices();
        if (!selected.empty() && selected.front() >= 0 && selected.front() < document->PhotoCount()) {
            params_.state = document->PhotoAt(selected.front()).face;
            return;
        }
    }
    params_.state = records.front().face;
}

void CT_Face::Process()
{
    CSingleFilterTemplate::Process();
    for (int i = 0; i < 4; ++i) shapes_[i] = ShapeFromQuad(params_.state.regions[i]);
    deferred_ = false;
    timerEnabled_ = true;
    params_.alignRequest = 0;
    params_.searchRequest = 0;
    params_.resetRequest = 0;
    if (CF_Face* f = FaceFilter()) {
        const FaceEngine& e = f->Engine();
        std::vector<FaceQuad> faces;
        if (!e.workingPhoto.empty() && !e.fullPhoto.empty()) {
            const float sx = float(e.fullPhoto.cols) / e.workingPhoto.cols;
            const float sy = float(e.fullPhoto.rows) / e.workingPhoto.rows;
            for (const FaceRect& r : e.detectedFaces) {
                const float x0 = r.x * sx, y0 = r.y * sy, x1 = (r.x + r.width) * sx, y1 = (r.y + r.height) * sy;
                faces.push_back(FaceQuad{x0, y0, x1, y0, x1, y1, x0, y1});
            }
        }
        std::lock_guard lock(facesMutex_);
        faces_ = std::move(faces);
    }
    SaveFaceState();
}

void CT_Face::SaveFaceState()
{
    if (!params_.state.dirty || params_.quiet || !document) return;
    const std::vector<int> selected = document->SelectionIndices();
    if (selected.empty()) return;
    FacePhotoState saved = params_.state;
    saved.dirty = 0;
    if (document->SetPhotoFaceState(selected.front(), saved)) params_.state.dirty = 0;
}

void CT_Face::NotifyPanes(int control, const char* text, bool searchStarted)
{
    SweepPanes();
    for (COptionPanel* pane : panes_) {
        auto* link = dynamic_cast<CFacePaneLink*>(pane);
        if (!link) continue;
        if (searchStarted) link->OnFaceSearchStarted();
        else link->SetButtonText(control, text);
    }
}

void CT_Face::ParamCommand(int command, platform::WindowId view, int index, void* data)
{
    using namespace face_cmd;
    FacePhotoState& st = params_.state;
    const bool validIndex = index >= 0 && index < 3;
    switch (command) {
    case anim_cmd::AnimationSize: AnswerAnimationSize(static_cast<int*>(data)); break;
    case anim_cmd::FrameDelay:
        if (FaceFilter()) FaceFilter()->SetFrameDelay(std::max(0, index));
        break;
    case AlignFace: SetPhotoOption(st.alignFace, index != 0); break;
    case EnhancedColour: SetPhotoOption(st.enhancedColour, index != 0); break;
    case ResetSearch:
        params_.alignRequest = 0;
        params_.resetRequest = index != 0;
        break;
    case SetSearch:
        params_.alignRequest = 0;
        params_.searchRequest = index != 0;
        break;
    case Button: PressPaneButton(index, view); break;
    case StartAnimation: StartExpressionTimer(view); break;
    case StopAnimation: StopExpressionTimer(view); break;
    case StopAlign:
        params_.alignRequest = 0;
        ParamCommand(StopAnimation, view, 0, nullptr);
        break;
    case SearchFace: RequestFaceSearch(view); break;
    case ToolbarSearchFace:
        ParamCommand(SearchFace, view, 0, nullptr);
        NotifyPanes(0, nullptr, true);
        break;
    case SetBlendRadius:
        if (validIndex && data) st.blendRadius[index] = *static_cast<const float*>(data);
        st.dirty = 1;
        break;
    case GetBlendRadius:
        if (validIndex && data) *static_cast<float*>(data) = st.blendRadius[index];
        break;
    case SetExpression:
        if (data) std::memcpy(st.expression, data, sizeof st.expression);
        st.dirty = 1;
        break;
    default: break;
    }
    if (filter_) filter_->SetParams(&params_);
    SaveFaceState();
}

void CT_Face::AnswerAnimationSize(int* size)
{
    if (!size) return;
    const cv::Size s = IsExpression() && FaceFilter() ? FaceFilter()->AnimationSize(size[0], size[1]) : cv::Size();
    size[0] = s.width;
    size[1] = s.height;
}

void CT_Face::SetPhotoOption(std::uint8_t& option, bool on)
{
    option = on;
    params_.state.dirty = 1;
}

// The nested commands go through ParamCommand on purpose: each hands the parameters to the
// filter and saves the face state when it is done, as it does when a pane sends it.
void CT_Face::PressPaneButton(int button, platform::WindowId view)
{
    using namespace face_cmd;
    if (button == ButtonSearchFace) {
        RequestFaceSearch(view);
    } else if (button == ButtonFaceBlend) {
        params_.alignRequest = 1;
        deferred_ = true;
        ParamCommand(StopAnimation, view, 0, nullptr);
    } else if (button == ButtonAnimate) {
        params_.alignRequest = 1;
        deferred_ = true;
        timerEnabled_ = false;
        ParamCommand(StartAnimation, view, 0, nullptr);
    }
}

void CT_Face::RequestFaceSearch(platform::WindowId view)
{
    params_.searchRequest = 1;
    params_.alignRequest = 0;
    ParamCommand(face_cmd::StopAnimation, view, 0, nullptr);
}

void CT_Face::StartExpressionTimer(platform::WindowId view)
{
    params_.animating = 1;
    {
        std::lock_guard lock(g_timerMutex);
        if (g_timerTemplate && g_timerWindow != view) platform::KillTimer(g_timerWindow, kExpressionTimerId);
        g_timerTemplate = this;
        g_timerWindow = view;
    }
    platform::SetTimer(view, kExpressionTimerId, kExpressionTimerMs);
    if (IsExpression()) NotifyPanes(face_cmd::ButtonAnimate, "Stop Animate", false);
}

void CT_Face::StopExpressionTimer(platform::WindowId view)
{
    // The timer runs on the window it was started on, which need not be the one asking.
    platform::WindowId window = view;
    {
        std::lock_guard lock(g_timerMutex);
        if (g_timerTemplate) window = g_timerWindow;
        if (g_timerTemplate == this) {
            g_timerTemplate = nullptr;
            g_timerWindow = 0;
        }
    }
    platform::KillTimer(window, kExpressionTimerId);
    params_.animating = 0;
    if (IsExpression()) NotifyPanes(face_cmd::ButtonAnimate, "Animate", false);
}

void CT_Face::OnTimer(int timerId)
{
    if (timerId != kExpressionTimerId) return;
    CT_Face* t = nullptr;
    {
        std::lock_guard lock(g_timerMutex);
        t = g_timerTemplate;
    }
    if (!t || !t->timerEnabled_ || !t->document) return;
    t->params_.alignRequest = 0;
    t->document->Rerender();
    platform::Send(t->document->NotifyWindow(), platform::msg::ResultReady);
}

COptionPanel* CT_Face::CreatePane(int which)
{
    if (which != 1) return nullptr;
    return CreateOwnedPane(IsExpression() ? "OptionPane_Expression" : "OptionPane_ChangeFace");
}

void CT_Face::GetToolButtons(std::vector<ToolButton>& list)
{
    list.clear();
    list.push_back(ToolButton{face_cmd::ToolbarSearchFace, "Search Face", "Press to find another face, if possible", "230"});
}

void CT_Face::SetQuiet(int quiet)
{
    // A gallery thumbnail renders the template on a small copy of the photo: whatever it
    // finds there must not become this photo's face state.
    if (quiet && !quietActive_) {
        quietSaved_ = params_;
        quietActive_ = true;
        params_.quiet = 1;
    } else if (!quiet && quietActive_) {
        params_ = quietSaved_;
        params_.quiet = 0;
        quietActive_ = false;
    }
    if (filter_) filter_->SetParams(&params_);
}

std::vector<FaceQuad> CT_Face::DetectedFaces() const
{
    std::lock_guard lock(facesMutex_);
    return faces_;
}

bool CT_Face::ChooseFace(int index)
{
    const std::vector<FaceQuad> faces = DetectedFaces();
    if (index < 0 || index >= static_cast<int>(faces.size())) return false;
    FacePhotoState& st = params_.state;
    st.regions[FaceRegion] = faces[index];
    st.regionValid[FaceRegion] = 1;
    for (int i = 0; i < 3; ++i) st.regionValid[i] = 0;
    st.aligned = 0;
    st.faceSearched = 1;
    st.dirty = 1;
    shapes_[FaceRegion] = ShapeFromQuad(faces[index]);
    if (filter_) filter_->SetParams(&params_);
    SaveFaceState();
    return true;
}

cv::Size CT_Face::PhotoSize(const cv::Mat& image) const
{
    const CF_Face* f = FaceFilter();
    if (f && f->SourceWidth() > 0 && f->SourceHeight() > 0) return {f->SourceWidth(), f->SourceHeight()};
    return image.size();
}

void CT_Face::DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const ViewRect& rect,
                          float panX, float panY, float zoom)
{
    if (view != ViewOriginal || image.empty()) return;
    const ViewMapping map(image.cols, image.rows, rect, panX, panY, zoom, ViewMagnificationLimit(view));
    if (!map.Valid()) return;
    const PhotoView photo{map, PhotoSize(image)};
    auto toView = [&](cv::Point2f p) { return photo.ToView(p); };

    // Other faces found on the photo, so the user sees which ones a click can pick.
    const std::vector<FaceQuad> faces = DetectedFaces();
    if (faces.size() > 1) {
        dc.SetPen(kFaceColour, 1, platform::PenStyle::Dot);
        dc.SetBrush({}, true);
        for (const FaceQuad& q : faces) {
            const cv::Point2f a = toView({q.x0, q.y0}), b = toView({q.x2, q.y2});
            dc.Rectangle(Px(a).x, Px(a).y, Px(b).x, Px(b).y);
        }
    }
    for (int r = 0; r < 4; ++r) {
        if (!params_.state.regionValid[r]) continue;
        const RegionShape& s = shapes_[r];
        std::vector<platform::Point> pts;
        for (const cv::Point2f& p : ShapePolygon(s, 100)) pts.push_back(Px(toView(p)));
        dc.SetPen(r == FaceRegion ? kFaceColour : kFeatureColour, 1, platform::PenStyle::Solid);
        dc.SetBrush({}, true);
        dc.Polygon(pts);
        dc.SetPen(kBlack, 1, platform::PenStyle::Solid);
        dc.SetBrush(kHandleColour, false);
        const cv::Point2f keys[4] = {ShapeCentre(s), ShapeHandlePoint(s, HandlePlusA), ShapeHandlePoint(s, HandlePlusB),
                                     ShapeHandlePoint(s, HandleMinusA)};
        for (const cv::Point2f& k : keys) {
            const platform::Point p = Px(toView(k));
            dc.Ellipse(p.x - 3, p.y - 3, p.x + 3, p.y + 3);
        }
    }
}

void CT_Face::SetRegionFromShape(int region)
{
    params_.state.regions[region] = QuadFromShape(shapes_[region]);
    if (region == FaceRegion) params_.state.aligned = 0;
    if (filter_) filter_->SetParams(&params_);
}

bool CT_Face::OnMouse(int view, const cv::Mat& image, const ViewRect& rect, float pan[2], float& zoom, bool,
                      bool buttonDown, int, int x, int y)
{
    if (view != ViewOriginal || image.empty()) return false;
    const ViewMapping map(image.cols, image.rows, rect, pan[0], pan[1], zoom, ViewMagnificationLimit(view));
    if (!map.Valid()) return false;
    const PhotoView photo{map, PhotoSize(image)};
    const cv::Point2f here = photo.ToPhoto(float(x), float(y));
    const RegionHit hit = HitRegion(photo, x, y, here);
    if (!buttonDown) ShowRegionCursor(photo, hit);

    bool faceChosen = false;
    if (buttonDown && !prevButton_) faceChosen = PressAt(hit, here, x, y);
    else if (buttonDown && moving_ && selRegion_ >= 0) DragTo(photo, here, x, y);
    if (!buttonDown && prevButton_ && selRegion_ >= 0) EndDrag();
    if (!buttonDown) moving_ = false;
    prevButton_ = buttonDown;
    return hit.region >= 0 || moving_ || faceChosen;
}

CT_Face::RegionHit CT_Face::HitRegion(const PhotoView& photo, int x, int y, cv::Point2f here) const
{
    // An axis end wins over the inside of its region; the first region in order wins over the
    // ones after it.
    for (int r = 0; r < 4; ++r) {
        if (!params_.state.regionValid[r]) continue;
        const RegionShape& s = shapes_[r];
        for (int h = HandlePlusA; h <= HandleMinusB; ++h) {
            const cv::Point2f p = photo.ToView(ShapeHandlePoint(s, h));
            if (std::abs(x - p.x) <= kHandleReach && std::abs(y - p.y) <= kHandleReach) return {r, h};
        }
        if (InsideShape(s, here)) return {r, HandleInside};
    }
    return {};
}

void CT_Face::ShowRegionCursor(const PhotoView& photo, RegionHit hit) const
{
    if (hit.handle == HandleInside) platform::SetCursor(platform::CursorShape::SizeAll);
    else if (hit.handle >= 0)
        platform::SetCursor(AxisCursor(photo.ToView(ShapeCentre(shapes_[hit.region])),
                                       photo.ToView(ShapeHandlePoint(shapes_[hit.region], hit.handle))));
    else platform::SetCursor(platform::CursorShape::Arrow);
}

bool CT_Face::PressAt(RegionHit hit, cv::Point2f here, int x, int y)
{
    bool faceChosen = false;
    if (hit.region >= 0) {
        selRegion_ = hit.region;
        selHandle_ = hit.handle;
        moving_ = true;
    } else {
        // A click on another face the search found makes that face the one used.
        const std::vector<FaceQuad> faces = DetectedFaces();
        for (int i = 0; i < static_cast<int>(faces.size()); ++i) {
            if (InsideQuad(faces[i], here)) {
                faceChosen = ChooseFace(i);
                break;
            }
        }
    }
    lastX_ = x;
    lastY_ = y;
    return faceChosen;
}

void CT_Face::DragTo(const PhotoView& photo, cv::Point2f here, int x, int y)
{
    RegionShape& s = shapes_[selRegion_];
    if (selHandle_ == HandleInside) {
        const cv::Point2f before = photo.ToPhoto(float(lastX_), float(lastY_));
        s.cx += here.x - before.x;
        s.cy += here.y - before.y;
    } else {
        const float d = std::max(1.0f, static_cast<float>(cv::norm(here - ShapeCentre(s))));
        if (selHandle_ == HandlePlusA || selHandle_ == HandleMinusA) s.a = d;
        else s.b = d;
    }
    SetRegionFromShape(selRegion_);
    lastX_ = x;
    lastY_ = y;
}

void CT_Face::EndDrag()
{
    selRegion_ = -1;
    selHandle_ = -1;
    moving_ = false;
    params_.state.dirty = 1;
    SaveFaceState();
}

}  // namespace face
