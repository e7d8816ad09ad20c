#pragma once
/**
 * @file OriginImgShowWnd.h
 * @brief COriginImgShowWnd: the current photo as it is, zoomable, turned in quarter turns,
 * with the clip box that shows and edits the photo's crop. Templates that take pointer input
 * on the original image (a manual face region) get it first.
 * Interface thread only.
 */
#include "controls/QtNotify.h"
#include "engine/PhotoRecord.h"
#include "shell/logic/ClipBox.h"
#include "shell/logic/ViewZoom.h"

#include <QImage>
#include <QWidget>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace shell {

class COriginImgShowWnd : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    COriginImgShowWnd(engine::CPhotoDocument& document, QWidget* parent = nullptr);

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

    bool ClipBoxShown() const { return clipShown_; }
    const ViewZoom& Zoom() const { return zoom_; }
    /** The photo index shown (-1 none). */
    int ShownIndex() const { return index_; }
    /** The rectangle the photo is drawn in (tests aim at the clip box with it). */
    engine::ViewRect PhotoRect() const;
    engine::ViewRect ClientRect() const { return {0, 0, width(), height()}; }

signals:
    /** The photo's rotation or crop changed: the strip and the template must follow. */
    void PhotoChanged(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    void Load();
    void Rotate(int quarterTurns);
    void StoreCrop();
    bool TemplateTakesPointer() const;
    bool TemplateMouse(const QPointF& p, bool isMove, bool down);

    engine::CPhotoDocument& doc_;
    int index_ = -1;
    QString key_;
    engine::PhotoRecord record_;   // the shown photo, prepared (full image, uncropped)
    QImage display_;       // the prepared image, at most 2048 pixels on a side for drawing
    ViewZoom zoom_;
    bool clipShown_ = true;
    ClipBoxEditor clip_;
    float crop_[4] = {0, 0, 1, 1};
    bool panning_ = false;
    bool templateDrag_ = false;
    QPointF last_;
};

}  // namespace shell
