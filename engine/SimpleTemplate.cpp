#include "engine/SimpleTemplate.h"

#include "engine/DefinitionNumbers.h"
#include "platform/Text.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

namespace {

constexpr platform::Color kRegionColour{241, 84, 230};
// Handles are 20-pixel squares around the region's corners and edges; the region never
// gets narrower than 40 view pixels while dragged.
constexpr int kGrip = 10;
constexpr int kMinSide = 40;

bool Inside(int x, int y, int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; }

int HitHandle(int x, int y, int L, int T, int R, int B)
{
    const int rects[9][4] = {
        {L + kGrip, T + kGrip, R - kGrip, B - kGrip},  // 1 inside
        {R - kGrip, T + kGrip, R + kGrip, B - kGrip},  // 2 right edge
        {R - kGrip, T - kGrip, R + kGrip, T + kGrip},  // 3 top-right
        {L + kGrip, T - kGrip, R - kGrip, T + kGrip},  // 4 top edge
        {L - kGrip, T - kGrip, L + kGrip, T + kGrip},  // 5 top-left
        {L - kGrip, T + kGrip, L + kGrip, B - kGrip},  // 6 left edge
        {L - kGrip, B - kGrip, L + kGrip, B + kGrip},  // 7 bottom-left
        {L + kGrip, B - kGrip, R - kGrip, B + kGrip},  // 8 bottom edge
        {R - kGrip, B - kGrip, R + kGrip, B + kGrip},  // 9 bottom-right
    };
    for (int i = 0; i < 9; ++i)
        if (Inside(x, y, rects[i][0], rects[i][1], rects[i][2], rects[i][3])) return i + 1;
    return 0;
}

platform::CursorShape CursorFor(int handle)
{
    switch (handle) {
    case 1: return platform::CursorShape::SizeAll;
    case 3:
    case 7: return platform::CursorShape::SizeNESW;
    case 5:
    case 9: return platform::CursorShape::SizeNWSE;
    case 4:
    case 8: return platform::CursorShape::SizeNS;
    case 2:
    case 6: return platform::CursorShape::SizeWE;
    default: return platform::CursorShape::Arrow;
    }
}

// Variables are in filter units: no filter works with values beyond a million, and a slider
// position (a value divided by its resolution) must fit an int, hence the finest resolution.
constexpr double kMaxVariable = 1e6;
constexpr double kFinestResolution = 1e-3;

}  // namespace

CT_SimpleTempl::CT_SimpleTempl() { className = "SimpleTemplate"; }
CT_SimpleTempl::~CT_SimpleTempl() = default;

bool CT_SimpleTempl::Load()
{
    if (!definition) {
        loadError_ = "the template has no definition";
        return false;
    }
    // Numbers first: a definition that cannot work is refused before its filter loads anything.
    const tinyxml2::XMLElement* vars = definition->FirstChildElement("variables");
    const char* names[3] = {"var1", "var2", "var3"};
    VariableSpec specs[3];
    for (int i = 0; i < 3; ++i) {
        const tinyxml2::XMLElement* v = vars ? vars->FirstChildElement(names[i]) : nullptr;
        double min = 0, max = 0, def = 0, resolution = 0;
        if (!ReadCheckedNumber(v, "min", -kMaxVariable, kMaxVariable, min, &loadError_) ||
            !ReadCheckedNumber(v, "max", -kMaxVariable, kMaxVariable, max, &loadError_) ||
            !ReadCheckedNumber(v, "default", -kMaxVariable, kMaxVariable, def, &loadError_) ||
            !ReadCheckedNumber(v, "resolution", -kMaxVariable, kMaxVariable, resolution, &loadError_))
            return false;
        if (resolution != 0 && std::fabs(resolution) < kFinestResolution) {
            loadError_ = std::string("<") + names[i] + "> resolution=\"" + v->Attribute("resolution") +
                         "\" is finer than 0.001";
            return false;
        }
        specs[i] = {static_cast<float>(min), static_cast<float>(max), static_cast<float>(def),
                    resolution == 0 ? 1.f : static_cast<float>(resolution)};
    }
    const tinyxml2::XMLElement* roi = definition->FirstChildElement("roi");
    double r[4] = {0, 0, 0, 0};
    const char* keys[4] = {"defaultx", "defaulty", "defaultw", "defaulth"};
    for (int i = 0; i < 4; ++i)
        if (!ReadCheckedNumber(roi, keys[i], 0, 1, r[i], &loadError_)) return false;

    if (!CreateFilterFromDefinition()) return false;
    for (int i = 0; i < 3; ++i) {
        vars_[i] = specs[i];
        params_.var[i] = specs[i].def;
    }
    if (roi) {
        hasRegion_ = true;
        if (r[0] != 0 || r[1] != 0 || r[2] != 0 || r[3] != 0) {
            params_.x = static_cast<float>(r[0]);
            params_.y = static_cast<float>(r[1]);
            params_.w = static_cast<float>(r[2]);
            params_.h = static_cast<float>(r[3]);
        }
    }
    defaults_ = params_;
    filter_->SetParams(&params_);
    return true;
}

void CT_SimpleTempl::ResetToDefaults()
{
    params_ = defaults_;
    ApplyParams();
}

bool CT_SimpleTempl::AtDefaults() const
{
    return std::memcmp(&params_, &defaults_, sizeof params_) == 0;
}

void CT_SimpleTempl::ApplyParams()
{
    if (filter_) filter_->SetParams(&params_);
}

bool CT_SimpleTempl::HasOverlay(int view) { return hasRegion_ && view == ViewPreview; }

void CT_SimpleTempl::DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const ViewRect& rect,
                                 float panX, float panY, float zoom)
{
    if (image.empty() || !hasRegion_ || !showRegion_) return;
    const ViewMapping map(image.cols, image.rows, rect, panX, panY, zoom, ViewMagnificationLimit(view));
    if (!map.Valid()) return;
    const cv::Point2f a = map.ToView(params_.x, params_.y);
    const cv::Point2f b = map.ToView(params_.x + params_.w, params_.y + params_.h);
    dc.SetPen(kRegionColour, 1, platform::PenStyle::Dash);
    dc.SetBrush({}, true);
    dc.Rectangle(static_cast<int>(std::lround(a.x)), static_cast<int>(std::lround(a.y)),
                 static_cast<int>(std::lround(b.x)), static_cast<int>(std::lround(b.y)));
}

bool CT_SimpleTempl::OnMouse(int view, const cv::Mat& image, const ViewRect& rect, float pan[2], float& zoom,
                             bool isMove, bool buttonDown, int, int x, int y)
{
    if (view != ViewPreview || !hasRegion_ || !showRegion_ || image.empty() || !isMove) return false;
    const ViewMapping map(image.cols, image.rows, rect, pan[0], pan[1], zoom, ViewMagnificationLimit(view));
    if (!map.Valid()) return false;

    const cv::Point2f tl = map.ToView(params_.x, params_.y);
    const cv::Point2f br = map.ToView(params_.x + params_.w, params_.y + params_.h);
    const cv::Point2f imgTl = map.ToView(0, 0);
    const cv::Point2f imgBr = map.ToView(1, 1);
    float L = tl.x, T = tl.y, R = br.x, B = br.y;

    if (!buttonDown) {
        handle_ = HitHandle(x, y, static_cast<int>(std::lround(L)), static_cast<int>(std::lround(T)),
                            static_cast<int>(std::lround(R)), static_cast<int>(std::lround(B)));
    }
    platform::SetCursor(CursorFor(handle_));

    if (buttonDown && held_ && handle_ != 0) {
        if (handle_ == 1) {
            params_.x += (x - lastX_) / map.ScaleX();
            params_.y += (y - lastY_) / map.ScaleY();
            params_.x = std::clamp(params_.x, 0.f, std::max(0.f, 1 - params_.w));
            params_.y = std::clamp(params_.y, 0.f, std::max(0.f, 1 - params_.h));
        } else {
            // Each side follows the pointer but keeps 40 pixels from the opposite side and
            // stays on the photo. The opposite side is the one before this move.
            const float oldL = L, oldT = T, oldR = R, oldB = B;
            if (handle_ == 2 || handle_ == 3 || handle_ == 9) R = std::min(std::max(float(x), oldL + kMinSide), imgBr.x);
            if (handle_ == 5 || handle_ == 6 || handle_ == 7) L = std::max(std::min(float(x), oldR - kMinSide), imgTl.x);
            if (handle_ == 3 || handle_ == 4 || handle_ == 5) T = std::max(std::min(float(y), oldB - kMinSide), imgTl.y);
            if (handle_ == 7 || handle_ == 8 || handle_ == 9) B = std::min(std::max(float(y), oldT + kMinSide), imgBr.y);
            const cv::Point2f a = map.ToFraction(L, T);
            const cv::Point2f b = map.ToFraction(R, B);
            params_.x = a.x;
            params_.y = a.y;
            params_.w = b.x - a.x;
            params_.h = b.y - a.y;
        }
    }
    if (buttonDown) {
        lastX_ = x;
        lastY_ = y;
    }
    held_ = buttonDown;
    return handle_ != 0;
}

bool CT_SimpleTempl::IsDeferred()
{
    int delay = 0;
    if (definition) definition->QueryIntAttribute("delay", &delay);
    return delay == 1;
}

void CT_SimpleTempl::ParamCommand(int command, platform::WindowId, int index, void* data)
{
    const bool validIndex = index >= 0 && index < 3;
    switch (command) {
    case param_cmd::VariableName:
        if (data) {
            char* buffer = static_cast<char*>(data);
            buffer[0] = '\0';
            const tinyxml2::XMLElement* vars = definition ? definition->FirstChildElement("variables") : nullptr;
            const char* names[3] = {"var1", "var2", "var3"};
            const tinyxml2::XMLElement* v = (vars && validIndex) ? vars->FirstChildElement(names[index]) : nullptr;
            if (const char* label = v ? v->Attribute("name") : nullptr) {
                // Long labels are cut at a character boundary rather than overrunning.
                const std::string_view cut = platform::CutUtf8(label, param_cmd::NameBufferSize - 1);
                std::memcpy(buffer, cut.data(), cut.size());
                buffer[cut.size()] = '\0';
            }
        }
        break;
    case param_cmd::VariableRange:
        if (data && validIndex) {
            const VariableSpec& s = vars_[index];
            int* out = static_cast<int*>(data);
            out[0] = static_cast<int>(s.min / s.resolution);
            out[1] = static_cast<int>(s.max / s.resolution);
            out[2] = static_cast<int>(s.def / s.resolution);
        }
        break;
    case param_cmd::SetVariable:
        if (data && validIndex) params_.var[index] = static_cast<float>(*static_cast<const int*>(data)) * vars_[index].resolution;
        break;
    case param_cmd::HasRegion:
        if (data) *static_cast<unsigned char*>(data) = hasRegion_ ? 1 : 0;
        break;
    case param_cmd::ShowRegion: showRegion_ = index != 0; break;
    default: break;
    }
    if (filter_) filter_->SetParams(&params_);
}

COptionPanel* CT_SimpleTempl::CreatePane(int which)
{
    return which == 1 ? CreateOwnedPane("OptionPane_2D") : nullptr;
}

}  // namespace engine
