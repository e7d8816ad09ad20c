#include "shell/FilterList.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/UiText.h"
#include "library/GalleryModel.h"
#include "shell/ImageConvert.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace shell {
namespace {

QRect ToRect(const library::GalleryRect& r) { return QRect(r.x, r.y, r.width, r.height); }

}  // namespace

CFilterList::CFilterList(QWidget* parent) : QWidget(parent), controls::NotifyTarget(this)
{
    setObjectName("gallery");
    setMouseTracking(true);
}

void CFilterList::SetModel(library::CGalleryModel* model)
{
    model_ = model;
    if (model_) model_->SetClientSize(width(), height());
    update();
}

std::intptr_t CFilterList::OnNotify(int code, std::intptr_t a, std::intptr_t b)
{
    if (forward_ && forward_(code, a, b)) {
        update();
        return 1;
    }
    return 0;
}

void CFilterList::resizeEvent(QResizeEvent*)
{
    if (model_) model_->SetClientSize(width(), height());
}

CFilterList::CellLayout CFilterList::LayOutCell(const QRect& cell, const QSize& thumbnail)
{
    // The label gets the room of a whole line below the picture: accents above capitals (the
    // dots of an "Ö") must not run into the picture's edge.
    constexpr int kTop = 3, kGap = 1, kSide = 4;
    CellLayout out;
    const int pictureBottom = cell.top() + kTop + library::gallery::kThumbHeight;
    if (thumbnail.isValid())
        out.thumbnail = QRect(cell.left() + (cell.width() - thumbnail.width()) / 2, pictureBottom - thumbnail.height(),
                              thumbnail.width(), thumbnail.height());
    out.label = QRect(cell.left() + kSide, pictureBottom + kGap, cell.width() - 2 * kSide,
                      cell.bottom() - pictureBottom - kGap);
    return out;
}

QFont CFilterList::LabelFont()
{
    QFont f(controls::theme::UiFontFamily());
    f.setPixelSize(12);
    return f;
}

void CFilterList::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), controls::theme::kPanel);
    if (!model_) return;
    const library::PaintPlan plan = model_->BuildPaintPlan();

    QFont headerFont(controls::theme::UiFontFamily());
    headerFont.setPixelSize(13);
    headerFont.setWeight(QFont::DemiBold);
    const QPixmap header = controls::Skin::Image(controls::img::GroupHeader);
    for (const library::PaintPlan::Header& h : plan.headers) {
        const QRect r = ToRect(h.rect);
        if (r.bottom() < 0 || r.top() > height()) continue;
        p.drawPixmap(r, header);
        p.setFont(headerFont);
        p.setPen(QColor(212, 77, 10));
        p.drawText(r.adjusted(8 + 6, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, QString::fromStdString(h.label));
    }

    const QFont labelFont = LabelFont();
    p.setFont(labelFont);
    const QFontMetrics fm(labelFont);
    const QPixmap normal = controls::Skin::Image(controls::img::CellNormal);
    const QPixmap selected = controls::Skin::Image(controls::img::CellSelected);
    const QPixmap hovered = controls::Skin::Image(controls::img::CellHover);
    for (const library::PaintPlan::Cell& c : plan.cells) {
        const QRect r = ToRect(c.rect);
        if (r.bottom() < 0 || r.top() > height()) continue;
        using Look = library::PaintPlan::Look;
        p.drawPixmap(r, c.look == Look::Selected ? selected : c.look == Look::Hovered ? hovered : normal);
        const QPixmap thumb = thumbs_.Get(c.thumbnail);
        const CellLayout cell = LayOutCell(r, thumb.isNull() ? QSize() : thumb.size());
        if (!thumb.isNull()) {
            const QRect t = cell.thumbnail;
            p.drawPixmap(t, thumb);
            p.setPen(QColor(0, 0, 0, 25));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(t).adjusted(-0.5, -0.5, 0.5, 0.5));
        }
        p.setPen(c.look == Look::Selected ? controls::theme::kAccentDark : Qt::black);
        const QString label = fm.elidedText(QString::fromStdString(c.label), Qt::ElideRight, cell.label.width());
        p.drawText(cell.label, Qt::AlignHCenter | Qt::AlignVCenter, label);
    }

    if (plan.cells.empty() && plan.headers.empty()) {
        QFont hint(controls::theme::UiFontFamily());
        hint.setPixelSize(13);
        p.setFont(hint);
        p.setPen(controls::theme::kTextDim);
        p.drawText(rect().adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap,
                   controls::Phrase("No templates in this category yet."));
    }

    if (plan.scrollThumb) {
        p.setPen(Qt::NoPen);
        p.setBrush(controls::theme::kThumb);
        p.drawRoundedRect(ToRect(*plan.scrollThumb), 5, 5);
    }
}

void CFilterList::mousePressEvent(QMouseEvent* e)
{
    if (!model_ || e->button() != Qt::LeftButton) return;
    model_->LeftButtonDown(static_cast<int>(e->position().x()), static_cast<int>(e->position().y()));
    update();
}

void CFilterList::mouseMoveEvent(QMouseEvent* e)
{
    if (!model_) return;
    model_->PointerMove(static_cast<int>(e->position().x()), static_cast<int>(e->position().y()));
    setCursor(model_->HoveredEntry() >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    update();
}

void CFilterList::mouseReleaseEvent(QMouseEvent* e)
{
    if (!model_ || e->button() != Qt::LeftButton) return;
    model_->LeftButtonUp();
}

void CFilterList::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!model_ || e->button() != Qt::LeftButton) return;
    model_->DoubleClick(static_cast<int>(e->position().x()), static_cast<int>(e->position().y()));
    update();
}

void CFilterList::wheelEvent(QWheelEvent* e)
{
    const int notches = e->angleDelta().y() / 120;
    if (!model_ || !notches) return;
    model_->Wheel(notches);
    update();
}

void CFilterList::leaveEvent(QEvent*)
{
    if (!model_) return;
    model_->PointerMove(-1000, -1000);
    update();
}

void CFilterList::contextMenuEvent(QContextMenuEvent* e)
{
    if (!model_) return;
    const auto state = model_->ContextMenuAt(e->pos().x(), e->pos().y());
    if (!state) return;
    QMenu menu(this);
    QAction* hide = menu.addAction(controls::Phrase("Hide"), this, [this] { model_->ContextHide(); update(); });
    hide->setCheckable(true);
    hide->setChecked(state->hideChecked);
    QAction* all = menu.addAction(controls::Phrase("Show All"), this, [this] { model_->ContextShowAll(); update(); });
    all->setCheckable(true);
    all->setChecked(state->showAllChecked);
    menu.exec(e->globalPos());
}

}  // namespace shell
