#include "shell/PhotoEditPreviewWnd.h"

#include "controls/QtDrawContext.h"
#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/EffectTemplate.h"
#include "engine/PhotoDocument.h"
#include "face/CT_Face.h"
#include "frames/CT_Frame.h"
#include "mesh3d/CT_3DMesh.h"
#include "shell/ImageConvert.h"
#include "shell/TemplateTimers.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::ComputeVisibleRegion;
using engine::FitRect;
using engine::kNoMagnificationLimit;
using engine::PhotoRecord;
using engine::PreparePhoto;
using engine::ViewPreview;
using engine::ViewRect;
using engine::VisibleRegion;
using frames::CT_Frame;

namespace shell {
namespace {

// Every preview window; result-ready, busy and double clicks seen by one are repeated to
// the others. The flag stops a repeated event from being repeated again.
std::vector<CPhotoEditPreviewWnd*>& Previews()
{
    static std::vector<CPhotoEditPreviewWnd*> list;
    return list;
}
bool g_repeating = false;

constexpr double kPi = 3.14159265358979323846;

}  // namespace

CPhotoEditPreviewWnd::CPhotoEditPreviewWnd(CPhotoDocument& document, QWidget* parent)
    : QWidget(parent), controls::NotifyTarget(this), doc_(document)
{
    setObjectName("preview");
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    // The view renders anew for its zoom, so it may magnify as far as the zoom steps go.
    zoom_.maxMagnification = kNoMagnificationLimit;
    Previews().push_back(this);
}

CPhotoEditPreviewWnd::~CPhotoEditPreviewWnd() { std::erase(Previews(), this); }

ViewRect CPhotoEditPreviewWnd::DeviceRect() const
{
    const qreal r = devicePixelRatioF();
    return {0, 0, static_cast<int>(std::lround(width() * r)), static_cast<int>(std::lround(height() * r))};
}

QPointF CPhotoEditPreviewWnd::ToDevice(const QPointF& p) const { return p * devicePixelRatioF(); }

void CPhotoEditPreviewWnd::RegisterWithDocument() { doc_.SetView(DeviceRect(), WindowId()); }

void CPhotoEditPreviewWnd::Repeat(int code, std::intptr_t a, std::intptr_t b)
{
    if (g_repeating) return;
    g_repeating = true;
    for (CPhotoEditPreviewWnd* other : Previews())
        if (other != this) other->OnNotify(code, a, b);
    g_repeating = false;
}

std::intptr_t CPhotoEditPreviewWnd::OnNotify(int code, std::intptr_t a, std::intptr_t b)
{
    switch (code) {
    case platform::msg::ResultReady:
        ForgetResult();
        StopBusy();
        message_ = Message::None;
        update();
        emit ResultShown();
        if (!g_repeating && main_) platform::Post(main_, platform::msg::MainResultReady, a, b);
        Repeat(code, a, b);
        return 1;
    case platform::msg::SharpResultReady: TakeSharp(static_cast<int>(a)); return 1;
    case platform::msg::Busy:
        ForgetResult();
        message_ = Message::None;
        StartBusy();
        if (!g_repeating && main_) platform::Send(main_, platform::msg::MainResultReady, 0, 0);
        Repeat(code, a, b);
        return 1;
    case platform::msg::OnlineTemplateMessage:
        StopBusy();
        message_ = a == 1 ? Message::OnlineTemplate : a == 2 ? Message::DownloadFailed : Message::None;
        update();
        return 1;
    case platform::msg::LanguageChanged: update(); return 1;
    case platform::msg::NoFaceFound:
        // The face filter reports to the document's window, which is this one; the main window
        // is the one to tell the user.
        if (main_) platform::Post(main_, code, a, b);
        return 1;
    default: return 0;
    }
}

void CPhotoEditPreviewWnd::StartBusy()
{
    if (!busy_) busySince_.start();
    busy_ = true;
    platform::SetTimer(WindowId(), kSpinnerTimer, 10);
    update();
}

void CPhotoEditPreviewWnd::HoldBusy(bool hold)
{
    holdBusy_ = hold;
    if (hold) OnNotify(platform::msg::Busy, 0, 0);
    else if (!doc_.IsRendering()) StopBusy();
}

void CPhotoEditPreviewWnd::StopBusy()
{
    if (!busy_ || holdBusy_) return;
    busy_ = false;
    platform::KillTimer(WindowId(), kSpinnerTimer);
    update();
}

void CPhotoEditPreviewWnd::OnTimer(int id)
{
    if (id == kSpinnerTimer) {
        spinnerAngle_ += 0.01f * 6;  // 0.01 rad per 10 ms looked sluggish on a modern screen
        // A background rendering that ended while nobody told us (stopped, not wanted).
        if (!doc_.IsRendering() && !holdBusy_ && busySince_.elapsed() > 400) StopBusy();
        update();
    } else if (id == kSharpTimer) {
        RequestSharp();
    } else if (id != kResizeTimer) {
        // A template's own timer. Not while the document works on a worker for the window.
        if (!holdBusy_) DispatchTemplateTimer(WindowId(), id);
    } else if (id == kResizeTimer) {
        if (busy_) return;  // a rendering is under way (maybe on a worker): try again later
        platform::KillTimer(WindowId(), kResizeTimer);
        RegisterWithDocument();
        if (doc_.CurrentTemplate() && !doc_.IsRendering() && !doc_.ShownResult().empty()) {
            doc_.Render();
            OnNotify(doc_.IsRendering() ? platform::msg::Busy : platform::msg::ResultReady, 0, 0);
        }
    }
}

void CPhotoEditPreviewWnd::resizeEvent(QResizeEvent*)
{
    doc_.SetView(DeviceRect(), WindowId());
    // Render for the new size once the user has stopped dragging the frame.
    platform::SetTimer(WindowId(), kResizeTimer, 200);
}

cv::Mat CPhotoEditPreviewWnd::ShownImage() const { return doc_.ShownResult(); }

cv::Mat CPhotoEditPreviewWnd::GeometryImage() const
{
    // Zoom, pan and overlays are reckoned in the pixels of the finest render of this picture,
    // so that nothing moves when a render for the view replaces it for a while (a slider
    // drag) or it comes back. A render of another shape starts afresh.
    const cv::Mat shown = ShownImage();
    if (sharpMat_.empty() || shown.empty()) return shown;
    const double across = double(sharpMat_.cols) * shown.rows / sharpMat_.rows;
    return std::abs(across - shown.cols) <= 1 ? sharpMat_ : shown;
}

void CPhotoEditPreviewWnd::ForgetResult()
{
    cached_ = QImage();
    sharpCurrent_ = false;
    sharpAwaited_ = 0;
    ArmSharp();
}

void CPhotoEditPreviewWnd::ArmSharp()
{
    if (zoom_.Zoomed()) platform::SetTimer(WindowId(), kSharpTimer, kSharpDelayMs);
    else platform::KillTimer(WindowId(), kSharpTimer);
}

void CPhotoEditPreviewWnd::RequestSharp()
{
    platform::KillTimer(WindowId(), kSharpTimer);
    const cv::Mat shown = ShownImage();
    if (!doc_.CurrentTemplate() || busy_ || showOriginal_ || overlayDrag_ || doc_.IsRendering() || shown.empty() ||
        !zoom_.Zoomed())
        return;
    const SharpRender want = SharpRenderFor(shown.size(), DeviceRect(), zoom_.zoom, FullWidth(), kMaxSharpPixels);
    if (!want.needed || (sharpCurrent_ && sharpHave_.Covers(want)) || (sharpAwaited_ && sharpAsked_.Covers(want))) return;
    sharpAsked_ = want;
    sharpAwaited_ = doc_.RenderSharp(want.fullSize ? nullptr : &want.box);
}

void CPhotoEditPreviewWnd::TakeSharp(int request)
{
    if (request == 0 || request != sharpAwaited_) return;  // a picture that has changed since
    sharpAwaited_ = 0;
    const cv::Mat result = doc_.SharpResult(request);
    if (result.empty()) return;
    sharpMat_ = result;
    sharp_ = ToQImage(result);
    sharpHave_ = sharpAsked_;
    sharpCurrent_ = true;
    update();
}

void CPhotoEditPreviewWnd::DropSharp()
{
    platform::KillTimer(WindowId(), kSharpTimer);
    sharpMat_.release();
    sharp_ = QImage();
    sharpCurrent_ = false;
    sharpAwaited_ = 0;
}

QImage CPhotoEditPreviewWnd::ShownQImage()
{
    const cv::Mat shown = ShownImage();
    if (shown.empty()) {
        cached_ = QImage();
        cachedMat_.release();
        return {};
    }
    // Re-renders may write into the same buffer, so equal data is no proof of an unchanged
    // picture: every result-ready notification and pointer rendering drops the cache.
    if (shown.data != cachedMat_.data || shown.size() != cachedMat_.size() || cached_.isNull()) {
        cached_ = ToQImage(shown);
        cachedMat_ = shown;
    }
    return cached_;
}

void CPhotoEditPreviewWnd::SetShowOriginal(bool on)
{
    showOriginal_ = on;
    if (on) {
        const std::vector<int> sel = doc_.SelectionIndices();
        PhotoRecord record = doc_.PhotoAt(sel.empty() ? doc_.CurrentIndex() : sel.front());
        const QString key = QString::fromStdString(record.path) + QString::number(record.rotation) +
                            QString::number(record.crop[0]) + QString::number(record.crop[2]);
        if (key != originalKey_ || original_.isNull()) {
            if (record.image.empty()) PreparePhoto(record);
            original_ = ToQImage(record.PreparedView());
            originalKey_ = key;
        }
    }
    update();
}

bool CPhotoEditPreviewWnd::TemplateTakesPointer() const
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    // While busy the template may be rendering on another thread: hands off.
    return t && !busy_ && !showOriginal_ && !doc_.IsRendering() && t->HasOverlay(ViewPreview) && !GeometryImage().empty();
}

bool CPhotoEditPreviewWnd::OverlayMouse(const QPointF& logical, bool buttonDown, bool* handled)
{
    *handled = false;
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!TemplateTakesPointer()) return false;
    const QPointF d = ToDevice(logical);
    const cv::Mat shown = GeometryImage();
    controls::QtNotificationSink::Instance().SetCursorWidget(this);
    ScaleGrips(t);
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float zoom = zoom_.zoom;
    const bool active = t->OnMouse(ViewPreview, shown, DeviceRect(), pan, zoom, true, buttonDown, 0,
                                   static_cast<int>(d.x()), static_cast<int>(d.y()));
    zoom_.pan[0] = pan[0];
    zoom_.pan[1] = pan[1];
    zoom_.zoom = zoom;
    *handled = true;
    return active;
}

void CPhotoEditPreviewWnd::ScaleGrips(CEffectTemplate* t) const
{
    // Handles are grabbed by logical pixels: on a high-density screen the engine's view
    // pixels are smaller, so the reach grows with the pixel ratio.
    if (auto* frame = dynamic_cast<CT_Frame*>(t))
        frame->SetGripRadius(static_cast<int>(std::lround(CT_Frame::kCornerGrip * devicePixelRatioF())));
}

void CPhotoEditPreviewWnd::leaveEvent(QEvent*)
{
    // Handles shown on hover go when the pointer leaves.
    if (overlayDrag_ || !TemplateTakesPointer()) return;
    CEffectTemplate* t = doc_.CurrentTemplate();
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float zoom = zoom_.zoom;
    t->OnMouse(ViewPreview, GeometryImage(), DeviceRect(), pan, zoom, true, false, 0, -100000, -100000);
    update();
}

void CPhotoEditPreviewWnd::UpdateCursor(bool overActive)
{
    if (overActive) return;  // the template has set its own shape
    setCursor(zoom_.Zoomed() ? (panning_ ? Qt::ClosedHandCursor : Qt::OpenHandCursor) : Qt::ArrowCursor);
}

int CPhotoEditPreviewWnd::FullWidth() const
{
    if (const cv::Size prepared = doc_.SelectedPhotoSize(); prepared.width > 0) return prepared.width;
    const std::vector<int> selected = doc_.SelectionIndices();
    if (!selected.empty()) {
        const PhotoRecord r = doc_.PhotoAt(selected.front());
        if (r.crop_px.width > 0) return r.crop_px.width;
        if (!r.image.empty()) return r.image.cols;
    }
    return ShownImage().cols;
}

double CPhotoEditPreviewWnd::FitPercent() const
{
    const cv::Mat basis = GeometryImage();
    const ViewRect fitted = FitRect(basis.cols, basis.rows, DeviceRect());
    if (basis.empty() || fitted.Empty()) return 100;
    return 100.0 * fitted.Width() / FullWidth();
}

double CPhotoEditPreviewWnd::ZoomPercent() const
{
    const cv::Mat basis = GeometryImage();
    if (basis.empty()) return 100;
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float zoom = zoom_.zoom;
    const VisibleRegion region = ComputeVisibleRegion(basis.cols, basis.rows, pan, zoom, DeviceRect(), zoom_.maxMagnification);
    const ViewRect displayed = ShownRect(region, DeviceRect());
    if (displayed.Empty() || region.pixels.width <= 0) return 100;
    return 100.0 * displayed.Width() / (region.pixels.width * double(FullWidth()) / basis.cols);
}

void CPhotoEditPreviewWnd::ZoomChangedHere()
{
    if (!zoom_.Zoomed()) DropSharp();
    ArmSharp();
    UpdateCursor(false);
    update();
    emit ZoomChanged();
}

void CPhotoEditPreviewWnd::LimitZoom()
{
    // The zoom steps end at 800 % of the photo's own pixels; so do the wheel and Ctrl+1.
    zoom_.minZoom = ViewZoom::ZoomForPercent(ViewZoom::kLevels[9], FitPercent());
}

void CPhotoEditPreviewWnd::ZoomToPercent(double percent)
{
    const cv::Mat basis = GeometryImage();
    if (basis.empty()) return;
    LimitZoom();
    zoom_.SetAboutCentre(basis.cols, basis.rows, DeviceRect(), ViewZoom::ZoomForPercent(percent, FitPercent()));
    ZoomChangedHere();
}

void CPhotoEditPreviewWnd::ZoomToFit()
{
    zoom_.Reset();
    ZoomChangedHere();
}

void CPhotoEditPreviewWnd::ZoomToActualSize() { ZoomToPercent(100); }

void CPhotoEditPreviewWnd::ZoomStep(int steps)
{
    if (ShownImage().empty() || steps == 0) return;
    double percent = ZoomPercent();
    for (int i = 0; i < std::abs(steps); ++i) percent = ViewZoom::NextLevel(percent, FitPercent(), steps > 0 ? 1 : -1);
    ZoomToPercent(percent);
}

void CPhotoEditPreviewWnd::wheelEvent(QWheelEvent* e)
{
    const int notches = e->angleDelta().y() / 120;
    const cv::Mat shown = GeometryImage();
    if (notches == 0 || shown.empty()) return;
    bool handled = false;
    if (OverlayMouse(e->position(), false, &handled)) return;  // the pointer is over the overlay's handles
    const QPointF d = ToDevice(e->position());
    // The wheel, with or without Control, zooms about the pointer.
    LimitZoom();
    zoom_.ZoomAbout(shown.cols, shown.rows, DeviceRect(), notches, static_cast<float>(d.x()), static_cast<float>(d.y()));
    ZoomChangedHere();
}

QRectF CPhotoEditPreviewWnd::CompareButtonRect() const { return QRectF(12, height() - 46, 34, 34); }

bool CPhotoEditPreviewWnd::CompareButtonHit(const QPointF& p) const
{
    return doc_.CurrentTemplate() && !ShownImage().empty() && CompareButtonRect().contains(p);
}

bool CPhotoEditPreviewWnd::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        if (CompareButtonHit(help->pos()))
            QToolTip::showText(help->globalPos(), controls::Phrase("Hold to see the photo without the effect (\\ key)"), this,
                               CompareButtonRect().toRect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

void CPhotoEditPreviewWnd::enterEvent(QEnterEvent*) { controls::QtNotificationSink::Instance().SetCursorWidget(this); }

void CPhotoEditPreviewWnd::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    buttonDown_ = true;
    lastPos_ = e->position();
    if (CompareButtonHit(e->position())) {
        compareHeld_ = true;
        SetShowOriginal(true);
        return;
    }
    bool handled = false;
    if (OverlayMouse(e->position(), true, &handled)) {
        overlayDrag_ = true;
        const QPointF d = ToDevice(e->position());
        doc_.PointerDown(static_cast<int>(d.x()), static_cast<int>(d.y()));
        ForgetResult();
        update();
        return;
    }
    if (zoom_.Zoomed()) {
        panning_ = true;
        UpdateCursor(false);
    }
}

void CPhotoEditPreviewWnd::mouseMoveEvent(QMouseEvent* e)
{
    const QPointF pos = e->position();
    if (compareHeld_) return;
    if (overlayDrag_) {
        bool handled = false;
        OverlayMouse(pos, true, &handled);
        const QPointF d = ToDevice(pos);
        doc_.PointerMove(static_cast<int>(d.x()), static_cast<int>(d.y()));
        update();
        return;
    }
    if (panning_) {
        const cv::Mat shown = GeometryImage();
        const qreal r = devicePixelRatioF();
        zoom_.Pan(shown.cols, shown.rows, DeviceRect(), static_cast<float>((pos.x() - lastPos_.x()) * r),
                  static_cast<float>((pos.y() - lastPos_.y()) * r));
        lastPos_ = pos;
        update();
        return;
    }
    bool handled = false;
    const bool active = OverlayMouse(pos, false, &handled);
    UpdateCursor(active);
    if (handled) update();  // the overlay may show hover handles
    if (CompareButtonHit(pos)) setCursor(Qt::PointingHandCursor);
}

void CPhotoEditPreviewWnd::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    buttonDown_ = false;
    if (compareHeld_) {
        compareHeld_ = false;
        SetShowOriginal(false);
        return;
    }
    if (overlayDrag_) {
        overlayDrag_ = false;
        bool handled = false;
        OverlayMouse(e->position(), false, &handled);
        const QPointF d = ToDevice(e->position());
        doc_.PointerUp(static_cast<int>(d.x()), static_cast<int>(d.y()));
        ForgetResult();
        CEffectTemplate* t = doc_.CurrentTemplate();
        if (t && t->IsDeferred()) {
            // Slow templates do not follow the pointer: render once the drag is over.
            doc_.Render();
            OnNotify(doc_.IsRendering() ? platform::msg::Busy : platform::msg::ResultReady, 0, 0);
        }
        update();
        return;
    }
    panning_ = false;
    UpdateCursor(false);
}

void CPhotoEditPreviewWnd::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || CompareButtonHit(e->position())) return;
    if (owner_) platform::Post(owner_, activationCode_, 0, 0);
    if (!g_repeating) {
        g_repeating = true;
        for (CPhotoEditPreviewWnd* other : Previews())
            if (other != this && other->owner_ && other->owner_ != owner_)
                platform::Post(other->owner_, other->activationCode_, 0, 0);
        g_repeating = false;
    }
}

void CPhotoEditPreviewWnd::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), QColor(0xe4, 0xe8, 0xee));
    if (message_ != Message::None) {
        PaintMessage(p);
        return;
    }
    const QImage image = showOriginal_ ? original_ : ShownQImage();
    if (!image.isNull()) {
        PaintPicture(p, image);
        if (!showOriginal_) PaintZoomBadge(p);
        if (doc_.CurrentTemplate()) PaintCompareButton(p);
    } else if (!busy_) {
        QFont f = font();
        f.setPixelSize(14);
        p.setFont(f);
        p.setPen(controls::theme::kTextDim);
        p.drawText(rect(), Qt::AlignCenter, controls::Phrase("Pick a template in the gallery to see it here."));
    }
    if (busy_ && busySince_.elapsed() >= kBlinkMs) PaintSpinner(p);
}

void CPhotoEditPreviewWnd::PaintMessage(QPainter& p)
{
    const QString text = message_ == Message::OnlineTemplate
                             ? controls::Str(157).replace("%s", nameSource_ ? nameSource_() : QString())
                             : controls::Str(158);
    QFont f = font();
    f.setPixelSize(15);
    f.setWeight(QFont::DemiBold);
    p.setFont(f);
    const QRect box = rect().adjusted(40, 0, -40, 0);
    if (message_ == Message::OnlineTemplate) {
        const QPixmap badge = controls::Skin::Image(controls::img::DownloadBadge);
        p.drawPixmap(QRect(width() / 2 - 22, height() / 2 - 70, 44, 44), badge);
    }
    p.setPen(message_ == Message::DownloadFailed ? controls::theme::kDanger : controls::theme::kText);
    p.drawText(box, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void CPhotoEditPreviewWnd::PaintPicture(QPainter& p, const QImage& image)
{
    // The engine works in device pixels: draw in them.
    const qreal r = devicePixelRatioF();
    const ViewRect dev = DeviceRect();
    float pan[2] = {zoom_.pan[0], zoom_.pan[1]};
    float zoom = zoom_.zoom;
    const cv::Mat basis = GeometryImage();
    cv::Size size = basis.size();
    if (showOriginal_) {
        pan[0] = pan[1] = 0;
        zoom = 1;
        size = cv::Size(image.width(), image.height());
    }
    const VisibleRegion region = ComputeVisibleRegion(size.width, size.height, pan, zoom, dev, zoom_.maxMagnification);
    const ViewRect shown = ShownRect(region, dev);
    p.save();
    p.scale(1 / r, 1 / r);
    const QRectF target(shown.left, shown.top, shown.Width(), shown.Height());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawRect(target.adjusted(-1 * r, 0, 1 * r, 3 * r));
    // The render for the zoom once it is there; until then the one for the view, enlarged.
    const QImage& picture = !showOriginal_ && sharpCurrent_ ? sharp_ : image;
    const double sx = double(picture.width()) / size.width, sy = double(picture.height()) / size.height;
    const QRectF source(region.pixels.x * sx, region.pixels.y * sy, region.pixels.width * sx, region.pixels.height * sy);
    DrawRegion(p, picture, source, target);
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (t && !busy_ && !showOriginal_ && !doc_.IsRendering() && t->HasOverlay(ViewPreview)) {
        controls::QtDrawContext dc(p);
        ScaleGrips(t);
        t->DrawOverlay(ViewPreview, basis, dc, dev, pan[0], pan[1], zoom);
    }
    p.restore();
}

void CPhotoEditPreviewWnd::DrawRegion(QPainter& p, const QImage& picture, const QRectF& source, const QRectF& target)
{
    const double m = target.width() / source.width();
    const double n = std::round(m);
    if (n < 1 || std::abs(m - n) > 0.01 * n) {
        // Between the whole steps: smooth when shrinking or enlarging a little, blocks beyond.
        p.setRenderHint(QPainter::SmoothPixmapTransform, m < 2);
        p.drawImage(target, picture, source);
        return;
    }
    // A whole number of screen pixels per picture pixel (100 %, 200 %, ... of a full-size
    // render): every picture pixel becomes an exact n x n block, with nothing smoothed.
    const int x = std::clamp(static_cast<int>(std::lround(source.x())), 0, picture.width() - 1);
    const int y = std::clamp(static_cast<int>(std::lround(source.y())), 0, picture.height() - 1);
    const int w = std::min(picture.width() - x, static_cast<int>(std::ceil(target.width() / n)));
    const int h = std::min(picture.height() - y, static_cast<int>(std::ceil(target.height() / n)));
    p.save();
    p.setClipRect(target);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(target.x(), target.y(), w * n, h * n), picture, QRectF(x, y, w, h));
    p.restore();
}

void CPhotoEditPreviewWnd::PaintZoomBadge(QPainter& p)
{
    // How far in we are, in photo pixels, in the corner.
    const QString z = QString("%1 %").arg(std::lround(ZoomPercent()));
    QFont f = font();
    f.setPixelSize(11);
    p.setFont(f);
    const QRect badge(width() - 62, 10, 52, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x22, 0x2a, 0x36, 190));
    p.drawRoundedRect(badge, 10, 10);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, z);
}

void CPhotoEditPreviewWnd::PaintCompareButton(QPainter& p)
{
    // Press and hold to see the photo without the effect.
    const QRectF b = CompareButtonRect();
    p.setPen(Qt::NoPen);
    p.setBrush(showOriginal_ ? controls::theme::kAccent : QColor(0x22, 0x2a, 0x36, 190));
    p.drawEllipse(b);
    p.drawPixmap(b.adjusted(5, 5, -5, -5).toRect(), controls::Skin::Image(controls::img::IconCompare));
}

void CPhotoEditPreviewWnd::PaintSpinner(QPainter& p)
{
    p.fillRect(rect(), QColor(255, 255, 255, 170));
    const QPointF c = rect().center();
    for (int i = 0; i < 16; ++i) {
        const double a0 = spinnerAngle_ + i * 2 * kPi / 16;
        const double a1 = a0 + kPi / 16;
        QPolygonF quad;
        quad << QPointF(c.x() + 30 * std::cos(a0), c.y() + 30 * std::sin(a0))
             << QPointF(c.x() + 60 * std::cos(a0), c.y() + 60 * std::sin(a0))
             << QPointF(c.x() + 60 * std::cos(a1), c.y() + 60 * std::sin(a1))
             << QPointF(c.x() + 30 * std::cos(a1), c.y() + 30 * std::sin(a1));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(128, 128, 128, 40 + i * 13));
        p.drawPolygon(quad);
    }
}

}  // namespace shell
