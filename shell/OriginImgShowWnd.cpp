#include "shell/OriginImgShowWnd.h"

#include "controls/QtDrawContext.h"
#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "engine/PhotoDocument.h"
#include "shell/ImageConvert.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <opencv2/imgproc.hpp>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::ComputeVisibleRegion;
using engine::FacePhotoState;
using engine::FitRect;
using engine::PhotoRecord;
using engine::PreparePhoto;
using engine::RotateCrop;
using engine::ViewMapping;
using engine::ViewOriginal;
using engine::ViewRect;
using engine::VisibleRegion;

namespace shell {
namespace {

constexpr int kMaxDisplaySide = 2048;

}  // namespace

COriginImgShowWnd::COriginImgShowWnd(CPhotoDocument& document, QWidget* parent)
    : QWidget(parent), controls::NotifyTarget(this), doc_(document)
{
    setObjectName("originalView");
    setMouseTracking(true);
}

std::intptr_t COriginImgShowWnd::OnNotify(int code, std::intptr_t a, std::intptr_t b)
{
    if (code == platform::msg::ResultReady) {
        Load();
        update();
        return 1;
    }
    if (code != platform::msg::OriginalViewCommand) return 0;
    const QSize s = display_.size();
    switch (a) {
    case 1: clipShown_ = b != 0; break;
    case 2: zoom_.ZoomCentre(s.width(), s.height(), ClientRect(), 1); break;
    case 3: zoom_.ZoomCentre(s.width(), s.height(), ClientRect(), -1); break;
    case 4: Rotate(1); break;
    case 5: Rotate(-1); break;
    default: return 0;
    }
    update();
    return 1;
}

void COriginImgShowWnd::Load()
{
    const int count = doc_.PhotoCount();
    index_ = count > 0 ? std::clamp(doc_.CurrentIndex(), 0, count - 1) : -1;
    if (index_ < 0) {
        record_ = PhotoRecord();
        display_ = QImage();
        key_.clear();
        return;
    }
    PhotoRecord r = doc_.PhotoAt(index_);
    const QString key = QString("%1|%2|%3").arg(QString::fromStdString(r.path)).arg(r.rotation).arg(
        reinterpret_cast<quintptr>(r.path.empty() ? r.image.data : nullptr));
    std::copy(r.crop, r.crop + 4, crop_);
    if (r.cropRotation != r.rotation) RotateCrop(crop_, r.rotation - r.cropRotation);
    if (key == key_ && !display_.isNull()) return;
    key_ = key;
    zoom_.Reset();
    if (r.image.empty()) PreparePhoto(r);
    record_ = r;
    cv::Mat full = r.image;
    if (full.empty()) {
        display_ = QImage();
        return;
    }
    if (std::max(full.cols, full.rows) > kMaxDisplaySide) {
        const double s = double(kMaxDisplaySide) / std::max(full.cols, full.rows);
        cv::Mat small;
        cv::resize(full, small, cv::Size(), s, s, cv::INTER_AREA);
        full = small;
    }
    display_ = ToQImage(full);
}

ViewRect COriginImgShowWnd::PhotoRect() const
{
    if (display_.isNull()) return {};
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float z = zoom_.zoom;
    const VisibleRegion region = ComputeVisibleRegion(display_.width(), display_.height(), pan, z, ClientRect());
    return FitRect(region.pixels.width, region.pixels.height, ClientRect());
}

void COriginImgShowWnd::Rotate(int quarterTurns)
{
    if (index_ < 0) return;
    PhotoRecord r = doc_.PhotoAt(index_);
    float crop[4];
    std::copy(r.crop, r.crop + 4, crop);
    const int rotation = r.rotation + quarterTurns;
    RotateCrop(crop, rotation - r.cropRotation);
    doc_.SetPhotoSettings(index_, rotation, crop);
    doc_.SetPhotoFaceState(index_, FacePhotoState{});
    key_.clear();
    Load();
    emit PhotoChanged(index_);
}

void COriginImgShowWnd::StoreCrop()
{
    if (index_ < 0) return;
    const PhotoRecord r = doc_.PhotoAt(index_);
    doc_.SetPhotoSettings(index_, r.rotation, crop_);
    emit PhotoChanged(index_);
}

bool COriginImgShowWnd::TemplateTakesPointer() const
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    return t && !doc_.IsRendering() && t->HasOverlay(ViewOriginal) && !record_.image.empty();
}

bool COriginImgShowWnd::TemplateMouse(const QPointF& p, bool isMove, bool down)
{
    if (!TemplateTakesPointer()) return false;
    controls::QtNotificationSink::Instance().SetCursorWidget(this);
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float zoom = zoom_.zoom;
    const bool taken = doc_.CurrentTemplate()->OnMouse(ViewOriginal, record_.image, ClientRect(), pan, zoom, isMove, down,
                                                       0, static_cast<int>(p.x()), static_cast<int>(p.y()));
    zoom_.pan[0] = pan[0];
    zoom_.pan[1] = pan[1];
    zoom_.zoom = zoom;
    if (taken) update();
    return taken;
}

void COriginImgShowWnd::wheelEvent(QWheelEvent* e)
{
    const int notches = e->angleDelta().y() / 120;
    if (!notches || display_.isNull()) return;
    zoom_.ZoomAbout(display_.width(), display_.height(), ClientRect(), notches, static_cast<float>(e->position().x()),
                    static_cast<float>(e->position().y()));
    update();
}

void COriginImgShowWnd::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || display_.isNull()) return;
    last_ = e->position();
    if (TemplateMouse(e->position(), false, true)) {
        templateDrag_ = true;
        return;
    }
    const ViewMapping m(display_.width(), display_.height(), ClientRect(), zoom_.pan[0], zoom_.pan[1], zoom_.zoom);
    if (clipShown_ && clip_.Begin(crop_, m, static_cast<float>(e->position().x()), static_cast<float>(e->position().y())))
        return;
    panning_ = true;
}

void COriginImgShowWnd::mouseMoveEvent(QMouseEvent* e)
{
    const QPointF pos = e->position();
    if (display_.isNull()) return;
    const ViewMapping m(display_.width(), display_.height(), ClientRect(), zoom_.pan[0], zoom_.pan[1], zoom_.zoom);
    if (templateDrag_) {
        TemplateMouse(pos, true, true);
        return;
    }
    if (clip_.Active()) {
        clip_.Drag(crop_, m, static_cast<float>(pos.x()), static_cast<float>(pos.y()));
        update();
        return;
    }
    if (panning_) {
        zoom_.Pan(display_.width(), display_.height(), ClientRect(), static_cast<float>(pos.x() - last_.x()),
                  static_cast<float>(pos.y() - last_.y()));
        last_ = pos;
        update();
        return;
    }
    if (TemplateMouse(pos, true, false)) return;
    // Pointer shapes over the clip box's grab zones.
    const int h = clipShown_ ? ClipBoxEditor::HandleAt(crop_, m, static_cast<float>(pos.x()), static_cast<float>(pos.y()))
                             : ClipNone;
    Qt::CursorShape shape = zoom_.Zoomed() ? Qt::OpenHandCursor : Qt::ArrowCursor;
    if (h == ClipMove) shape = Qt::SizeAllCursor;
    else if (h == (ClipLeft | ClipTop) || h == (ClipRight | ClipBottom)) shape = Qt::SizeFDiagCursor;
    else if (h == (ClipRight | ClipTop) || h == (ClipLeft | ClipBottom)) shape = Qt::SizeBDiagCursor;
    else if (h & (ClipLeft | ClipRight)) shape = Qt::SizeHorCursor;
    else if (h & (ClipTop | ClipBottom)) shape = Qt::SizeVerCursor;
    setCursor(shape);
}

void COriginImgShowWnd::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    if (templateDrag_) {
        templateDrag_ = false;
        TemplateMouse(e->position(), true, false);
        // The template's overlay changed (a face region placed by hand, another face chosen),
        // not the photo: render the template again as it is. Reselecting it would restart its
        // face search and throw the hand-placed region away.
        if (doc_.CurrentTemplate()) {
            doc_.Render();
            platform::Send(doc_.NotifyWindow(), doc_.IsRendering() ? platform::msg::Busy : platform::msg::ResultReady, 0,
                           0);
        }
        update();
        return;
    }
    if (clip_.Active()) {
        clip_.End();
        StoreCrop();
        return;
    }
    panning_ = false;
}

void COriginImgShowWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), QColor(0xe4, 0xe8, 0xee));
    if (index_ < 0 && display_.isNull()) Load();
    if (display_.isNull()) {
        QFont f = font();
        f.setPixelSize(15);
        p.setFont(f);
        p.setPen(controls::theme::kTextDim);
        p.drawText(rect(), Qt::AlignCenter, controls::Phrase("No Photo Selected"));
        return;
    }
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float z = zoom_.zoom;
    const VisibleRegion region = ComputeVisibleRegion(display_.width(), display_.height(), pan, z, ClientRect());
    const ViewRect shown = FitRect(region.pixels.width, region.pixels.height, ClientRect());
    const QRectF target(shown.left, shown.top, shown.Width(), shown.Height());
    p.drawImage(target, display_, QRectF(region.pixels.x, region.pixels.y, region.pixels.width, region.pixels.height));

    if (clipShown_) {
        const ViewMapping m(display_.width(), display_.height(), ClientRect(), zoom_.pan[0], zoom_.pan[1], zoom_.zoom);
        const cv::Point2f tl = m.ToView(crop_[0], crop_[1]);
        const cv::Point2f br = m.ToView(crop_[0] + crop_[2], crop_[1] + crop_[3]);
        const QRectF box(QPointF(tl.x, tl.y), QPointF(br.x, br.y));
        QPainterPath outside;
        outside.addRect(target);
        QPainterPath inside;
        inside.addRect(box);
        p.fillPath(outside.subtracted(inside), QColor(20, 24, 32, 110));
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(box);
        p.setPen(QPen(controls::theme::kAccent, 1.5, Qt::DashLine));
        p.drawRect(box);
        p.setPen(QPen(controls::theme::kAccent, 1));
        p.setBrush(Qt::white);
        for (const QPointF& c : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight(),
                                 QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()),
                                 QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y())})
            p.drawRect(QRectF(c.x() - 3.5, c.y() - 3.5, 7, 7));
    }
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (t && !doc_.IsRendering() && t->HasOverlay(ViewOriginal) && !record_.image.empty()) {
        controls::QtDrawContext dc(p);
        t->DrawOverlay(ViewOriginal, record_.image, dc, ClientRect(), zoom_.pan[0], zoom_.pan[1], zoom_.zoom);
    }
}

}  // namespace shell
