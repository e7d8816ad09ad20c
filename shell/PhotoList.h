#pragma once
/**
 * @file PhotoList.h
 * @brief CPhotoList: the photo strip. Input photos (the document's photo list) or the result
 * history, as a vertical strip of thumbnails: selection (Control adds), dragging to reorder,
 * context menus, the scroll thumb, and image files dropped from the desktop.
 *
 * Thumbnails come from the document's photo thread, which repaints the strip after each;
 * painting never decodes a photo. Interface thread only.
 */
#include "controls/QtNotify.h"
#include "shell/ImageConvert.h"
#include "shell/logic/PhotoStripLogic.h"

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <functional>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine
class QPainter;
class QPainterPath;

namespace shell {

class CPhotoList : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    enum Mode { Inputs = 0, Results = 1 };

    CPhotoList(engine::CPhotoDocument& document, QWidget* parent = nullptr);
    ~CPhotoList() override;

    void SetWindows(platform::WindowId main, platform::WindowId originalView);
    /** Selects photos for the strip (maybe on a worker); without one the strip selects itself. */
    void SetPhotoSelector(std::function<void(std::vector<int>, bool, std::function<void(bool)>)> selector)
    {
        selector_ = std::move(selector);
    }
    void SetMode(Mode mode);
    Mode CurrentMode() const { return mode_; }

    /** Reads the photo count again (after photos were added elsewhere) and repaints. */
    void Refresh();
    /** Makes the strip's selection follow the document's (after adding photos). */
    void RefreshSelection();
    /** Marks the history entry the document shows (after undo or redo) as the current result. */
    void FollowHistory();
    /** Restarts the document's thumbnail maker for this strip. */
    void StartThumbnails();

    /** The input photos' strip state (selection, scrolling). */
    PhotoStripLogic& Logic() { return logic_; }
    /** The strip state of the shown mode. */
    PhotoStripLogic& Strip() { return mode_ == Inputs ? logic_ : results_; }
    const PhotoStripLogic& Strip() const { return mode_ == Inputs ? logic_ : results_; }
    int ResultCurrent() const { return resultCurrent_; }
    /** The cell of an index in widget coordinates (tests, drag and drop). */
    QRect CellRect(int index) const;

    // Context-menu commands (also used by tests).
    void DeleteCurrent();
    void DeleteSelection();
    void DeleteAll();
    void AddResultToInputs();
    void DeleteResult();

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

signals:
    /** Image files were dropped on the strip. */
    void FilesDropped(const QStringList& files);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void leaveEvent(QEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dragMoveEvent(QDragMoveEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    // paintEvent's parts, drawn in this order.
    void PaintCell(QPainter& p, int i, const QRect& cell);
    /** Draws photo i (or a placeholder) fitted into box; returns the rounded outline it used. */
    QPainterPath PaintThumbnail(QPainter& p, int i, const QRect& box);
    void PaintEmptyHint(QPainter& p);
    /** The insertion mark and the photo being dragged, under the pointer. */
    void PaintDraggedPhoto(QPainter& p);

    int Count() const;
    QRect ThumbRect() const;
    QPixmap Thumbnail(int position);
    void ClickInput(int index, bool control);
    void ClickResult(int position);
    void AfterListChange();
    void NotifyChanged(bool reselect);
    /** Selects (or adds) a photo, then runs then with the outcome. */
    void Select(int index, bool append, std::function<void(bool ok)> then);
    /** A photo that could not be opened: when its file has gone, offers to remove it. */
    void AskToRemoveMissing(int index);

    engine::CPhotoDocument& doc_;
    PhotoStripLogic logic_;    // input photos
    PhotoStripLogic results_;  // result history (geometry only)
    Mode mode_ = Inputs;
    int resultCurrent_ = -1;
    platform::WindowId main_ = 0;
    platform::WindowId originalView_ = 0;

    enum class Drag { None, Thumb, Photo };
    Drag drag_ = Drag::None;
    int pressed_ = -1;
    QPoint pressPos_;
    QPoint dragPos_;
    int hover_ = -1;

    PixmapCache thumbCache_{512};   // input photos' thumbnails
    PixmapCache resultCache_{128};  // result history entries, made small
    std::function<void(std::vector<int>, bool, std::function<void(bool)>)> selector_;
};

}  // namespace shell
