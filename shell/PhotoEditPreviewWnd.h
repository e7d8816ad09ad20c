#pragma once
/**
 * @file PhotoEditPreviewWnd.h
 * @brief CPhotoEditPreviewWnd: the preview of the current template's result, fitted and
 * zoomable about the pointer, pannable, with the busy spinner, the online-template messages
 * and the template's overlay (its region, its handles) taking pointer input.
 *
 * The view works in device pixels towards the engine (the result is rendered for the
 * window's size in device pixels, so it is sharp on high-density screens); Qt's logical
 * coordinates are converted at the edges. Interface thread only.
 */
#include "controls/QtNotify.h"
#include "engine/ViewGeometry.h"
#include "shell/logic/ViewZoom.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

class QPainter;

#include <functional>

namespace engine {
class CPhotoDocument;
}  // namespace engine
namespace engine {
class CEffectTemplate;
}  // namespace engine

namespace shell {

class CPhotoEditPreviewWnd : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    enum class Message { None, OnlineTemplate, DownloadFailed };
    static constexpr int kSpinnerTimer = 1;
    static constexpr int kResizeTimer = 2;
    /** Renders for the zoom once the view has been still this long (no zoom, no new result). */
    static constexpr int kSharpTimer = 3;
    static constexpr int kSharpDelayMs = 250;
    /** The largest render for a zoom, in pixels (a 4096 x 4096 photo at full size). */
    static constexpr double kMaxSharpPixels = 4096.0 * 4096.0;
    /** Rendering shorter than this shows no spinner. */
    static constexpr int kBlinkMs = 120;

    CPhotoEditPreviewWnd(engine::CPhotoDocument& document, QWidget* parent = nullptr);
    ~CPhotoEditPreviewWnd() override;

    /** Where result-ready is forwarded (1924) and where double clicks go (3272). */
    void SetMainWindow(platform::WindowId main) { main_ = main; }
    void SetOwner(platform::WindowId owner, int activationCode = platform::msg::ActivateCurrentEntry)
    {
        owner_ = owner;
        activationCode_ = activationCode;
    }
    /** Where the online-template message gets the template's name from. */
    void SetTemplateNameSource(std::function<QString()> source) { nameSource_ = std::move(source); }

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;
    void OnTimer(int id) override;

    /** To the next fixed zoom level in or out (the tool bar's zoom buttons), about the centre. */
    void ZoomStep(int steps);
    /** The whole result in the view (Ctrl+0). */
    void ZoomToFit();
    /** One photo pixel per screen pixel (Ctrl+1). */
    void ZoomToActualSize();
    /** Shows the result at a percentage of the photo's own pixels (fit when that is smaller). */
    void ZoomToPercent(double percent);
    /** The zoom as a percentage of the photo's own pixels, as the view shows it. */
    double ZoomPercent() const;
    /** The percentage at which the whole result fits the view. */
    double FitPercent() const;
    /** Shows the photo instead of the result while on (the before/after comparison). */
    void SetShowOriginal(bool on);
    bool ShowingOriginal() const { return showOriginal_; }

    bool Busy() const { return busy_; }
    /** Keeps the spinner (and the template's hands off) while the window renders on a worker. */
    void HoldBusy(bool hold);
    Message CurrentMessage() const { return message_; }
    const ViewZoom& Zoom() const { return zoom_; }
    /** The engine's view rectangle: the client area in device pixels. */
    engine::ViewRect DeviceRect() const;
    /** True while the view shows a render made for its zoom (rather than the one for the view, enlarged). */
    bool ShowingSharp() const { return sharpCurrent_ && zoom_.Zoomed(); }
    /** Tells the document the view's size and that this window hears about results. */
    void RegisterWithDocument();

signals:
    void ResultShown();
    /** The zoom level changed (the window shows it). */
    void ZoomChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    bool event(QEvent*) override;

private:
    void Repeat(int code, std::intptr_t a, std::intptr_t b);
    void StartBusy();
    void StopBusy();
    cv::Mat ShownImage() const;
    cv::Mat GeometryImage() const;
    int FullWidth() const;
    void ForgetResult();
    void ArmSharp();
    void RequestSharp();
    void TakeSharp(int request);
    void DropSharp();
    void LimitZoom();
    void ZoomChangedHere();
    QImage ShownQImage();
    bool TemplateTakesPointer() const;
    bool OverlayMouse(const QPointF& logical, bool buttonDown, bool* handled);
    QPointF ToDevice(const QPointF& logical) const;
    bool CompareButtonHit(const QPointF& p) const;
    QRectF CompareButtonRect() const;
    void UpdateCursor(bool overActive);
    void ScaleGrips(engine::CEffectTemplate* t) const;
    // The steps of painting, back to front.
    void PaintMessage(QPainter& p);
    void PaintPicture(QPainter& p, const QImage& image);
    void DrawRegion(QPainter& p, const QImage& picture, const QRectF& source, const QRectF& target);
    void PaintZoomBadge(QPainter& p);
    void PaintCompareButton(QPainter& p);
    void PaintSpinner(QPainter& p);

    engine::CPhotoDocument& doc_;
    platform::WindowId main_ = 0;
    platform::WindowId owner_ = 0;
    int activationCode_ = platform::msg::ActivateCurrentEntry;

    ViewZoom zoom_;
    bool busy_ = false;
    bool holdBusy_ = false;
    QElapsedTimer busySince_;
    float spinnerAngle_ = 0;
    Message message_ = Message::None;
    std::function<QString()> nameSource_;

    // The last shown result as a Qt image, converted once per result. The result is held so
    // that its memory cannot turn into another picture at the same address.
    cv::Mat cachedMat_;
    QImage cached_;
    // The photo for the before/after comparison.
    bool showOriginal_ = false;
    bool compareHeld_ = false;
    QImage original_;
    QString originalKey_;

    // The render for the zoom: the last one arrived (its size is the geometry's while it
    // shows the same picture), whether it still shows the current result, what it and the
    // one under way were asked for, and the request awaited (0: none).
    cv::Mat sharpMat_;
    QImage sharp_;
    bool sharpCurrent_ = false;
    SharpRender sharpHave_;
    SharpRender sharpAsked_;
    int sharpAwaited_ = 0;

    bool panning_ = false;
    bool overlayDrag_ = false;
    bool buttonDown_ = false;
    QPointF lastPos_;
};

}  // namespace shell
