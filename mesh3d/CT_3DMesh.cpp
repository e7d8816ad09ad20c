#include "mesh3d/CT_3DMesh.h"

#include "engine/DefinitionNumbers.h"
#include "engine/PhotoDocument.h"
#include "frames/GifWriter.h"
#include "mesh3d/Matrix3.h"
#include "mesh3d/OptionPanel3D.h"
#include "platform/Text.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <utility>

using engine::COptionPanel;
using engine::CPhotoDocument;
using engine::CT_SimpleTempl;
using engine::ReadCheckedNumber;
using engine::ViewPreview;
using engine::ViewRect;
using frames::WriteGifAnimation;

namespace mesh3d {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr double kDefaultDistance = -3;
constexpr double kDefaultFieldOfView = 90;  // degrees
constexpr double kDefaultTurnSpeed = 0.05;  // radians per tick
// A drag of 100 preview pixels turns the model by one radian.
constexpr float kPixelsPerRadian = 100;
constexpr int kMaxGifFrames = 1000;

// Timer 43 belongs to one template at a time. Only the interface thread touches it; the
// mutex keeps that honest if a test or a tool drives templates from elsewhere.
std::mutex gTurningMutex;
CT_3DMesh* gTurning = nullptr;

/** A number from the definition's "param" child: missing, malformed or not finite reads 0. */
double Key(const tinyxml2::XMLElement* param, const char* name)
{
    double v = 0;
    if (param) param->QueryDoubleAttribute(name, &v);
    return std::isfinite(v) ? v : 0.0;
}

int IntKey(const tinyxml2::XMLElement* param, const char* name)
{
    int v = 0;
    if (param) param->QueryIntAttribute(name, &v);
    return v;
}

double NonZeroOr(double v, double fallback) { return v == 0 ? fallback : v; }

// The largest magnitude each number may have. Beyond these a model is nowhere to be seen,
// and the values would only reach the renderer as inf or NaN.
constexpr std::pair<const char*, double> kKeyLimits[] = {
    {"hangle", 1e3}, {"vangle", 1e3}, {"xscale", 1e3}, {"yscale", 1e3},   {"zscale", 1e3},        {"x", 1e4},
    {"y", 1e4},      {"z", 1e4},      {"proj", 1e3},   {"specular", 1e3}, {"rotation_speed", 1e3},
};

/** The turn by angle about the model's vertical axis after it was tilted by tilt. */
cv::Matx33f TurnAboutTiltedAxis(float tilt, float angle)
{
    const cv::Matx33f rx = mat3::RotationX(tilt);
    return rx.t() * mat3::RotationY(angle) * rx;
}

}  // namespace

CT_3DMesh::CT_3DMesh() { className = "3DMeshTemplate"; }

CT_3DMesh::~CT_3DMesh()
{
    StopTimer();
    // Derived templates destroy their filter first: it holds a pointer to mesh_.
    filter_.reset();
}

CT_3DMesh* CT_3DMesh::TurningTemplate()
{
    std::lock_guard lock(gTurningMutex);
    return gTurning;
}

bool CT_3DMesh::Load()
{
    const tinyxml2::XMLElement* param = definition ? definition->FirstChildElement("param") : nullptr;
    for (const auto& [key, limit] : kKeyLimits) {
        double v = 0;
        if (!ReadCheckedNumber(param, key, -limit, limit, v, &loadError_)) return false;
    }
    if (!CreateFilterFromDefinition()) return false;

    const float h = static_cast<float>(Key(param, "hangle"));
    tilt_ = static_cast<float>(Key(param, "vangle"));
    const cv::Matx33f scale = mat3::Scale(static_cast<float>(NonZeroOr(Key(param, "xscale"), 1)),
                                          static_cast<float>(NonZeroOr(Key(param, "yscale"), 1)),
                                          static_cast<float>(NonZeroOr(Key(param, "zscale"), 1)));
    defaultOrientation_ = scale * mat3::RotationY(h) * mat3::RotationX(tilt_);
    defaultPosition_ = {static_cast<float>(Key(param, "x")), static_cast<float>(Key(param, "y")),
                        static_cast<float>(NonZeroOr(Key(param, "z"), kDefaultDistance))};
    // A field of view of 180 degrees or more has no perspective; keep it a real lens.
    const double degrees = std::clamp(NonZeroOr(Key(param, "proj"), kDefaultFieldOfView), 1.0, 179.0);
    mesh_.fieldOfView = static_cast<float>(degrees * std::numbers::pi / 180);
    mesh_.specular = static_cast<float>(Key(param, "specular"));
    if (mesh_.specular != 0) mesh_.flags |= mesh_flags::Specular;
    mesh_.rotationSpeed = static_cast<float>(NonZeroOr(Key(param, "rotation_speed"), kDefaultTurnSpeed));
    const char* cull = param ? param->Attribute("cull") : nullptr;
    mesh_.cull = cull && platform::EqualsNoCase(cull, "ccw") ? 1 : cull && platform::EqualsNoCase(cull, "cw") ? 2 : 0;

    turn_ = cv::Matx33f::eye();
    turnStep_ = TurnAboutTiltedAxis(tilt_, mesh_.rotationSpeed);
    SetRotation(defaultOrientation_);
    for (int i = 0; i < 3; ++i) mesh_.position[i] = defaultPosition_[i];
    HandParams();
    return true;
}

void CT_3DMesh::SetRotation(const cv::Matx33f& r)
{
    for (int i = 0; i < 9; ++i) mesh_.rotation[i] = r.val[i];
}

void CT_3DMesh::HandParams()
{
    if (filter_) filter_->SetParams(&mesh_);
}

void CT_3DMesh::ApplyParams()
{
    const tinyxml2::XMLElement* param = definition ? definition->FirstChildElement("param") : nullptr;
    mesh_.moveable = IntKey(param, "moveable") == 1 ? 1 : 0;
    if (IntKey(param, "reflect") == 1) mesh_.flags |= mesh_flags::Reflect;
    if (IntKey(param, "normalizenormals") == 1) mesh_.flags |= mesh_flags::NormalizeNormals;

    // Only a pointer event turns the model, and only from the second event of a drag on: the
    // previous pointer of a fresh press is wherever the pointer was last seen, and renderings
    // for other reasons while the button is held must not repeat the last movement.
    if (buttonDown && pointerMoved) {
        if (dragging_) {
            Drag(pointerX - prevPointerX, pointerY - prevPointerY);
        }
        dragging_ = true;
    } else if (!buttonDown) {
        dragging_ = false;
    }
    HandParams();
}

void CT_3DMesh::Drag(int dx, int dy)
{
    turn_ = mat3::Orthonormalise(turn_ * mat3::RotationY(dx / kPixelsPerRadian) * mat3::RotationX(dy / kPixelsPerRadian));
    SetRotation(defaultOrientation_ * turn_);
}

void CT_3DMesh::Turn(float h, float v)
{
    turn_ = mat3::Orthonormalise(turn_ * TurnAboutTiltedAxis(tilt_, h) * mat3::RotationX(v));
    SetRotation(defaultOrientation_ * turn_);
}

void CT_3DMesh::StepTurn()
{
    if (buttonDown) return;
    turn_ = mat3::Orthonormalise(turn_ * turnStep_);
    SetRotation(defaultOrientation_ * turn_);
    HandParams();
}

bool CT_3DMesh::OnTurnTimer(platform::WindowId, int id)
{
    if (id != mesh_cmd::TurnTimer) return false;
    CT_3DMesh* t = TurningTemplate();
    if (!t) return false;
    t->StepTurn();
    // A template that is no longer current keeps its pose but must not re-render another one.
    if (CPhotoDocument* doc = t->document; doc && doc->CurrentTemplate() == t) {
        doc->Render();
        platform::Send(doc->NotifyWindow(), platform::msg::ResultReady, 0, 0);
    }
    return true;
}

bool CT_3DMesh::OnMouse(int view, const cv::Mat& image, const ViewRect&, float*, float&, bool, bool buttonDown, int,
                        int, int)
{
    if (view != ViewPreview || image.empty() || !buttonDown) return false;
    // The user takes the model in hand: an automatic turn would fight the drag.
    if (timerWindow_) {
        StopTimer();
        CheckPanes(false);
    }
    return true;
}

void CT_3DMesh::CheckPanes(bool checked)
{
    for (COptionPanel* pane : panes_)
        if (auto* pane3d = dynamic_cast<COptionPanel3D*>(pane); pane3d && pane3d->alive)
            pane3d->SetRotateModelChecked(checked);
}

void CT_3DMesh::StopTimer()
{
    std::unique_lock lock(gTurningMutex);
    if (gTurning != this) return;
    gTurning = nullptr;
    lock.unlock();
    platform::KillTimer(timerWindow_, mesh_cmd::TurnTimer);
    timerWindow_ = 0;
}

void CT_3DMesh::ParamCommand(int command, platform::WindowId view, int index, void* data)
{
    switch (command) {
    case mesh_cmd::Reset:
        turn_ = cv::Matx33f::eye();
        SetRotation(defaultOrientation_);
        for (int i = 0; i < 3; ++i) mesh_.position[i] = defaultPosition_[i];
        break;
    case mesh_cmd::StartTurning: {
        CT_3DMesh* previous = nullptr;
        {
            std::lock_guard lock(gTurningMutex);
            previous = gTurning;
        }
        // One turning template at a time: a second timer would turn this one twice as fast.
        if (previous && previous != this) previous->ParamCommand(mesh_cmd::StopTurning, 0, 0, nullptr);
        if (previous == this && timerWindow_ != view) platform::KillTimer(timerWindow_, mesh_cmd::TurnTimer);
        platform::SetTimer(view, mesh_cmd::TurnTimer, mesh_cmd::TurnInterval);
        {
            std::lock_guard lock(gTurningMutex);
            gTurning = this;
        }
        timerWindow_ = view;
        CheckPanes(true);
        break;
    }
    case mesh_cmd::StopTurning:
        StopTimer();
        if (view) platform::KillTimer(view, mesh_cmd::TurnTimer);
        CheckPanes(false);
        break;
    default:
        // The simple template answers the pane queries (variable names and ranges, region);
        // a 3D template has none, so callers' buffers get empty answers.
        CT_SimpleTempl::ParamCommand(command, view, index, data);
        break;
    }
    HandParams();
}

COptionPanel* CT_3DMesh::CreatePane(int which)
{
    COptionPanel* pane = which == 1 ? CreateOwnedPane("OptionPane_3D") : nullptr;
    if (auto* pane3d = dynamic_cast<COptionPanel3D*>(pane)) pane3d->SetRotateModelChecked(TurningTemplate() == this);
    return pane;
}

bool CT_3DMesh::ExportTurnTable(const std::string& path, int frames, int maxWidth, int maxHeight, std::string* error)
{
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (!filter_) return fail("the template has no filter");
    if (frames < 1 || frames > kMaxGifFrames) return fail("the frame count must be 1 to " + std::to_string(kMaxGifFrames));
    if (maxWidth < 1 || maxHeight < 1) return fail("the picture size must be positive");

    const cv::Matx33f start = turn_;
    auto renderFrame = [&](int i) {
        const float angle = 2 * kPi * static_cast<float>(i) / static_cast<float>(frames);
        turn_ = mat3::Orthonormalise(start * TurnAboutTiltedAxis(tilt_, angle));
        SetRotation(defaultOrientation_ * turn_);
        HandParams();
        filter_->Process();
        return filter_->GetResult();
    };
    const cv::Size limit(maxWidth, maxHeight);
    filter_->SetOutputSize(&limit);
    const cv::Mat first = renderFrame(0).clone();
    std::string why;
    const bool ok = !first.empty() &&
                    WriteGifAnimation(path, first.size(), frames, [&](int i) { return i == 0 ? first : renderFrame(i); }, &why) == 1;
    turn_ = start;
    SetRotation(defaultOrientation_ * turn_);
    HandParams();
    if (!ok) return fail(first.empty() ? "the template produced no picture" : why);
    return true;
}

}  // namespace mesh3d
