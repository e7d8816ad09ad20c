#include "frames/CT_Frame.h"

#include "engine/DefinitionNumbers.h"
#include "engine/PhotoDocument.h"
#include "frames/CF_Frame.h"

#include <tinyxml2.h>

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

// Frame pictures are a few thousand pixels across; a corner may lie off the picture, but not
// so far that the window's geometry leaves the rasteriser's range.
constexpr int kMaxCorner = 100000;

bool ReadWindow(const tinyxml2::XMLElement* parent, FrameWindow& w, std::string* error)
{
    static const char* const kNames[4] = {"point00", "point01", "point10", "point11"};
    for (int i = 0; i < 4; ++i) {
        const tinyxml2::XMLElement* p = parent ? parent->FirstChildElement(kNames[i]) : nullptr;
        int x = 0, y = 0;
        if (!ReadCheckedInt(p, "x", -kMaxCorner, kMaxCorner, x, error) ||
            !ReadCheckedInt(p, "y", -kMaxCorner, kMaxCorner, y, error))
            return false;
        w.corner[i] = {x, y};
    }
    return true;
}

}  // namespace

CT_Frame::CT_Frame() { className = "FrameTemplate"; }
CT_Frame::~CT_Frame() = default;

bool CT_Frame::Load()
{
    if (!CT_SimpleTempl::Load()) return false;
    if (!dynamic_cast<CF_Frame*>(filter_.get())) {
        // The corner dragging sizes itself by the frame picture: only the frame filter has one.
        loadError_ = std::string("template class \"FrameTemplate\" cannot drive filter class \"") + filter_->className +
                     "\": it needs \"FrameFilter\"";
        filter_.reset();
        return false;
    }
    const tinyxml2::XMLElement* param = definition->FirstChildElement("param");
    frame_ = FrameParams{};
    if (!ReadWindow(param, frame_.main, &loadError_)) return false;
    for (int i = 0; param; ++i) {
        char name[100];
        std::snprintf(name, sizeof name, "extra%d", i);
        const tinyxml2::XMLElement* e = param->FirstChildElement(name);
        if (!e) break;
        if (!ReadWindow(e, frame_.extra.emplace_back(), &loadError_)) return false;
    }
    int gray = 0;
    double alpha = 0, edge = 0;
    if (!ReadCheckedInt(param, "gray", INT_MIN, INT_MAX, gray, &loadError_) ||
        !ReadCheckedNumber(param, "alpha", 0, 1, alpha, &loadError_) ||
        !ReadCheckedNumber(param, "edge", 0, 1, edge, &loadError_))
        return false;
    frame_.gray = gray != 0 ? 1 : 0;
    // A definition that leaves the opacity out means an opaque photo.
    frame_.alpha = alpha == 0 ? 1.f : static_cast<float>(alpha);
    frame_.edge = static_cast<float>(edge);
    filter_->SetParams(&frame_);
    return true;
}

void CT_Frame::ApplyParams()
{
    if (!filter_) return;
    if (buttonDown && document) {
        cv::Size size;
        filter_->GetOutputSize(size);
        const ViewRect view = document->View();
        const int W = size.width, H = size.height, A = view.Width(), D = view.Height();
        if (W > 0 && H > 0 && A > 0 && D > 0) {
            // The preview shows the frame picture centred, fitted, and never magnified more
            // than twice: the same mapping converts between view and picture pixels here.
            const double g = std::min({double(A) / W, double(D) / H, kMaxViewScale});
            if (!prevButton_) {
                frame_.activeCorner = -1;
                for (int i = 0; i < 4; ++i) {
                    const cv::Point& c = frame_.main.corner[i];
                    const long vx = A / 2 + std::lround((c.x - W / 2) * g);
                    const long vy = D / 2 + std::lround(g * (c.y - H / 2));
                    if (pointerX >= vx - kCornerGrip && pointerX < vx + kCornerGrip && pointerY >= vy - kCornerGrip &&
                        pointerY < vy + kCornerGrip) {
                        frame_.activeCorner = i;
                        break;
                    }
                }
            } else if (frame_.activeCorner >= 0) {
                cv::Point& c = frame_.main.corner[frame_.activeCorner];
                c.x = W / 2 + static_cast<int>(std::lround((pointerX - A / 2) / g));
                c.y = H / 2 + static_cast<int>(std::lround((pointerY - D / 2) / g));
            }
        }
    } else if (!buttonDown) {
        frame_.activeCorner = -1;
    }
    prevButton_ = buttonDown != 0;
    filter_->SetParams(&frame_);
}

void CT_Frame::ParamCommand(int command, platform::WindowId view, int index, void* data)
{
    CT_SimpleTempl::ParamCommand(command, view, index, data);
    if (filter_) filter_->SetParams(&frame_);
}
