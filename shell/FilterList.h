#pragma once
/**
 * @file FilterList.h
 * @brief CFilterList: the template gallery's window. It paints what the gallery model plans
 * (cells with thumbnails and labels, sub-group headers, the scroll thumb) and hands pointer
 * and wheel input to the model, which answers with notifications and repaints. Thumbnails
 * arrive from the model's worker thread; painting only reads the model's copies.
 * Interface thread only.
 */
#include "controls/QtNotify.h"
#include "shell/ImageConvert.h"

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include <functional>

#include <opencv2/core.hpp>

namespace library {
class CGalleryModel;
}

namespace shell {

class CFilterList : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    explicit CFilterList(QWidget* parent = nullptr);

    /** The model to paint and drive (set once the library is loaded). */
    void SetModel(library::CGalleryModel* model);
    /** Where notifications addressed to the gallery window (downloads) are handled. */
    void SetForward(std::function<bool(int, std::intptr_t, std::intptr_t)> forward) { forward_ = std::move(forward); }

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

    /** Where a cell's thumbnail (of the given size) and its label go. */
    struct CellLayout {
        QRect thumbnail, label;
    };
    static CellLayout LayOutCell(const QRect& cell, const QSize& thumbnail);
    /** The font of the cells' labels. */
    static QFont LabelFont();

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void wheelEvent(QWheelEvent*) override;
    void leaveEvent(QEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;

private:

    library::CGalleryModel* model_ = nullptr;
    std::function<bool(int, std::intptr_t, std::intptr_t)> forward_;
    PixmapCache thumbs_{400};
};

}  // namespace shell
