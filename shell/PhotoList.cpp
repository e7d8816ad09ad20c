#include "shell/PhotoList.h"

#include "controls/Theme.h"
#include "controls/UiText.h"
#include "engine/PhotoDocument.h"
#include "engine/ViewGeometry.h"
#include "platform/Folders.h"
#include "shell/ImageConvert.h"
#include "shell/Messages.h"
#include "shell/PictureFiles.h"
#include "shell/ShellIds.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

using engine::CPhotoDocument;
using engine::PhotoRecord;
using engine::ResizeToFit;

namespace shell {
namespace {

constexpr int kThumbBox = 78;  // the picture inside a 90-pixel cell, leaving room for the frame
constexpr int kDragStart = 5;

}  // namespace

CPhotoList::CPhotoList(CPhotoDocument& document, QWidget* parent)
    : QWidget(parent), controls::NotifyTarget(this), doc_(document)
{
    setObjectName("photoList");
    setMouseTracking(true);
    setAcceptDrops(true);
    logic_.SetCount(doc_.PhotoCount());
    logic_.SetCurrent(doc_.PhotoCount() ? doc_.CurrentIndex() : -1);
}

CPhotoList::~CPhotoList() = default;

void CPhotoList::SetWindows(platform::WindowId main, platform::WindowId originalView)
{
    main_ = main;
    originalView_ = originalView;
}

int CPhotoList::Count() const { return mode_ == Inputs ? doc_.PhotoCount() : doc_.HistorySize(); }

void CPhotoList::SetMode(Mode mode)
{
    if (mode == mode_) return;
    mode_ = mode;
    Strip().SetCount(Count());
    Strip().SetVisibleLength(height());
    if (mode_ == Results && resultCurrent_ < 0 && doc_.HistorySize() > 0) resultCurrent_ = 0;
    if (mode_ == Results && resultCurrent_ >= 0) doc_.SetHistoryInput(doc_.HistorySize() - 1 - resultCurrent_);
    doc_.SetHistoryMode(mode_ == Results);
    update();
    // Looking at the results changes nothing by itself; back on the photos the template
    // follows them again.
    NotifyChanged(mode_ == Inputs);
}

void CPhotoList::Refresh()
{
    resultCache_.Clear();
    logic_.SetCount(doc_.PhotoCount());
    if (logic_.Current() < 0 && logic_.Count() > 0) logic_.SetCurrent(doc_.CurrentIndex());
    results_.SetCount(doc_.HistorySize());
    resultCurrent_ = std::min(resultCurrent_, doc_.HistorySize() - 1);
    update();
}

void CPhotoList::RefreshSelection()
{
    logic_.SetCount(doc_.PhotoCount());
    const std::vector<int> sel = doc_.SelectionIndices();
    logic_.Clear();
    logic_.SetCount(doc_.PhotoCount());
    for (size_t i = 0; i < sel.size(); ++i) {
        if (i == 0) logic_.Click(sel[i]);
        else logic_.ControlClick(sel[i]);
    }
    logic_.SetCurrent(doc_.PhotoCount() ? doc_.CurrentIndex() : -1);
    update();
}

void CPhotoList::FollowHistory()
{
    const int n = doc_.HistorySize();
    const int pos = doc_.HistoryPosition();
    results_.SetCount(n);
    resultCurrent_ = pos >= 0 && pos < n ? n - 1 - pos : -1;
    update();
}

void CPhotoList::StartThumbnails() { doc_.StartPhotoThread(WindowId()); }

std::intptr_t CPhotoList::OnNotify(int, std::intptr_t, std::intptr_t) { return 0; }

QRect CPhotoList::ThumbRect() const
{
    if (!Strip().ThumbShown()) return {};
    return QRect(width() - 12, Strip().ThumbStart(), 7, std::max(12, Strip().ThumbLength()));
}

QRect CPhotoList::CellRect(int index) const
{
    const int w = std::min(width() - 14, PhotoStripLogic::kPitch);
    return QRect((width() - 12 - w) / 2 + 2, Strip().CellStart(index), w, PhotoStripLogic::kPitch);
}

void CPhotoList::resizeEvent(QResizeEvent*)
{
    logic_.SetVisibleLength(height());
    results_.SetVisibleLength(height());
    update();
}

QPixmap CPhotoList::Thumbnail(int position)
{
    if (mode_ == Inputs) return thumbCache_.Get(doc_.PhotoAt(position).thumbnail);
    const int n = doc_.HistorySize();
    return resultCache_.Get(doc_.HistoryAt(n - 1 - position), [](const cv::Mat& entry) {
        return ToQImage(ResizeToFit(entry, CPhotoDocument::kPhotoThumbSize, CPhotoDocument::kPhotoThumbSize));
    });
}

void CPhotoList::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), controls::theme::kPanel);
    const int n = Strip().Count();
    const int first = std::max(0, Strip().IndexAt(0));
    for (int i = first; i < n; ++i) {
        const QRect cell = CellRect(i);
        if (cell.top() > height()) break;
        if (drag_ == Drag::Photo && i == pressed_) continue;  // drawn under the pointer instead
        PaintCell(p, i, cell);
    }
    if (n == 0) PaintEmptyHint(p);
    if (drag_ == Drag::Photo && pressed_ >= 0) PaintDraggedPhoto(p);
    if (Strip().ThumbShown()) {
        p.setPen(Qt::NoPen);
        p.setBrush(controls::theme::kThumb);
        p.drawRoundedRect(ThumbRect(), 5, 5);
    }
}

void CPhotoList::PaintCell(QPainter& p, int i, const QRect& cell)
{
    const std::vector<int>& selected = logic_.Selected();
    const QRect box(cell.center().x() - kThumbBox / 2, cell.center().y() - kThumbBox / 2, kThumbBox, kThumbBox);
    const bool isCurrent = mode_ == Inputs ? i == logic_.Current() : i == resultCurrent_;
    const auto selPos = std::find(selected.begin(), selected.end(), i);
    const bool isSelected = mode_ == Inputs ? selPos != selected.end() : isCurrent;
    if (i == hover_ && !isSelected) {
        p.setPen(Qt::NoPen);
        p.setBrush(controls::theme::kHover);
        p.drawRoundedRect(QRectF(box).adjusted(-4, -4, 4, 4), 8, 8);
    }
    const QPainterPath clip = PaintThumbnail(p, i, box);
    if (isSelected) {
        p.setPen(QPen(controls::theme::kAccent, isCurrent ? 3 : 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(clip.boundingRect().adjusted(-3, -3, 3, 3).isEmpty() ? clip : [&] {
            QPainterPath frame;
            frame.addRoundedRect(clip.boundingRect().adjusted(-3, -3, 3, 3), 7, 7);
            return frame;
        }());
    }
    if (mode_ == Inputs && selected.size() > 1 && selPos != selected.end()) {
        // The order of a multiple selection matters to templates that take several photos.
        const QRectF badge(box.left() - 2, box.top() - 2, 18, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(controls::theme::kAccent);
        p.drawEllipse(badge);
        QFont f = font();
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(badge, Qt::AlignCenter, QString::number(selPos - selected.begin() + 1));
    }
}

QPainterPath CPhotoList::PaintThumbnail(QPainter& p, int i, const QRect& box)
{
    const QPixmap pm = Thumbnail(i);
    QPainterPath clip;
    if (!pm.isNull()) {
        const QSize fitted = pm.size().scaled(box.size(), Qt::KeepAspectRatio);
        const QRect pic(box.center().x() - fitted.width() / 2 + 1, box.center().y() - fitted.height() / 2 + 1,
                        fitted.width(), fitted.height());
        clip.addRoundedRect(QRectF(pic), 5, 5);
        p.save();
        p.setClipPath(clip);
        p.drawPixmap(pic, pm);
        p.restore();
    } else {
        clip.addRoundedRect(QRectF(box), 5, 5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe8, 0xec, 0xf1));
        p.drawPath(clip);
        p.setPen(QPen(controls::theme::kTextDim, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(box.center().x() - 12, box.center().y() - 9, 24, 18), 3, 3);
    }
    return clip;
}

void CPhotoList::PaintEmptyHint(QPainter& p)
{
    QFont f = font();
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(controls::theme::kTextDim);
    p.drawText(rect().adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextWordWrap,
               mode_ == Inputs ? controls::Phrase("Drop photos here") : controls::Phrase("Exported results appear here"));
}

void CPhotoList::PaintDraggedPhoto(QPainter& p)
{
    // The insertion mark, then the photo under the pointer.
    const int markY = logic_.CellStart(logic_.GapAt(dragPos_.y()));
    p.setPen(QPen(controls::theme::kAccent, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(8, markY, width() - 20, markY);
    const QPixmap pm = Thumbnail(pressed_);
    if (!pm.isNull()) {
        const QSize fitted = pm.size().scaled(QSize(kThumbBox, kThumbBox), Qt::KeepAspectRatio);
        p.setOpacity(0.8);
        p.drawPixmap(QRect(dragPos_.x() - fitted.width() / 2, dragPos_.y() - fitted.height() / 2, fitted.width(),
                           fitted.height()),
                     pm);
        p.setOpacity(1);
    }
}

void CPhotoList::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    pressPos_ = e->position().toPoint();
    dragPos_ = pressPos_;
    if (ThumbRect().contains(pressPos_)) {
        drag_ = Drag::Thumb;
        return;
    }
    pressed_ = Strip().IndexAt(pressPos_.y());
}

void CPhotoList::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (e->buttons() & Qt::LeftButton) {
        if (drag_ == Drag::Thumb) {
            Strip().DragThumb(pos.y() - dragPos_.y());
            dragPos_ = pos;
            update();
            return;
        }
        if (drag_ == Drag::None && pressed_ >= 0 && mode_ == Inputs &&
            ((pos - pressPos_).manhattanLength() > kDragStart || std::abs(pos.x() - pressPos_.x()) > kDragStart ||
             std::abs(pos.y() - pressPos_.y()) > kDragStart))
            drag_ = Drag::Photo;
        if (drag_ == Drag::Photo) {
            dragPos_ = pos;
            // Scroll when dragging past either end.
            if (pos.y() < 10) logic_.SetOffset(logic_.Offset() - 10);
            else if (pos.y() > height() - 10) logic_.SetOffset(logic_.Offset() + 10);
            update();
        }
        return;
    }
    const int hover = Strip().IndexAt(pos.y());
    if (hover != hover_) {
        hover_ = hover;
        update();
    }
}

void CPhotoList::leaveEvent(QEvent*)
{
    hover_ = -1;
    update();
}

void CPhotoList::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    const Drag drag = std::exchange(drag_, Drag::None);
    const int pressed = std::exchange(pressed_, -1);
    if (drag == Drag::Thumb) return;
    if (drag == Drag::Photo) {
        const int gap = logic_.GapAt(pos.y());
        const int drop = gap >= 0 ? PhotoStripLogic::MoveTarget(pressed, gap) : -1;
        if (pressed >= 0 && drop >= 0 && drop != pressed && doc_.MovePhoto(pressed, drop)) logic_.Move(pressed, drop);
        StartThumbnails();
        update();
        return;
    }
    const int hit = Strip().IndexAt(pos.y());
    if (hit < 0 || hit != pressed) return;
    if (mode_ == Inputs) ClickInput(hit, e->modifiers() & Qt::ControlModifier);
    else ClickResult(hit);
}

void CPhotoList::Select(int index, bool append, std::function<void(bool)> then)
{
    if (selector_) {
        selector_({index}, append, std::move(then));
        return;
    }
    then(append ? doc_.AddToSelection(index) : doc_.SelectPhoto(index));
}

void CPhotoList::AskToRemoveMissing(int index)
{
    const PhotoRecord r = doc_.PhotoAt(index);
    if (r.path.empty() || platform::FileExists(r.path)) return;
    const QString text = controls::Str(153).replace("%s", QString::fromStdString(r.path));
    if (ShowMessage(window(), text, "Grimaze", MessageKind::Question, QMessageBox::Yes | QMessageBox::No) ==
        QMessageBox::Yes) {
        doc_.RemovePhoto(index);
        logic_.Removed(index);
        AfterListChange();
    }
}

void CPhotoList::ClickInput(int index, bool control)
{
    if (main_) platform::Post(main_, platform::msg::HideWizard, 0, 0);
    if (logic_.IsSelected(index)) {
        // Already selected: a plain click makes it current; the selection stays.
        if (!control) {
            logic_.SetCurrent(index);
            doc_.SetCurrentIndex(index);
        }
        update();
        NotifyChanged(false);
        return;
    }
    Select(index, control, [this, index, control](bool ok) {
        if (ok && control) {
            logic_.ControlClick(index);
        } else if (ok) {
            logic_.Click(index);
            doc_.SetCurrentIndex(index);
        } else {
            AskToRemoveMissing(index);
        }
        update();
        NotifyChanged(ok);
    });
}

void CPhotoList::ClickResult(int position)
{
    const int n = doc_.HistorySize();
    if (position < 0 || position >= n) return;
    resultCurrent_ = position;
    doc_.SetHistoryInput(n - 1 - position);
    // The result itself is shown; the template applies to it only when the user picks one.
    doc_.ShowHistoryEntry(n - 1 - position);
    update();
    if (main_) platform::Post(main_, shellmsg::HistoryShown, 0, 0);
    NotifyChanged(false);
}

void CPhotoList::NotifyChanged(bool reselect)
{
    if (reselect && main_) platform::Post(main_, platform::msg::ReselectTemplate, 6, 0);
    if (originalView_) platform::Post(originalView_, platform::msg::ResultReady, 0, 0);
}

void CPhotoList::wheelEvent(QWheelEvent* e)
{
    const int notches = e->angleDelta().y() / 120;
    if (notches == 0) return;
    Strip().Wheel(notches);
    update();
}

void CPhotoList::contextMenuEvent(QContextMenuEvent* e)
{
    const int hit = Strip().IndexAt(e->pos().y());
    QMenu popup(this);
    auto text = [](int command, const char* fallback) {
        const QString t = controls::Text().MenuText(command);
        return t.isEmpty() ? controls::Phrase(fallback) : t;
    };
    if (mode_ == Inputs) {
        if (hit >= 0) {
            logic_.SetCurrent(hit);
            doc_.SetCurrentIndex(hit);
            update();
        }
        QAction* del = popup.addAction(text(menu::DeletePhoto, "Delete"), this, [this] { DeleteCurrent(); });
        QAction* delSel = popup.addAction(text(menu::DeleteSelection, "Delete Selection"), this, [this] { DeleteSelection(); });
        QAction* delAll = popup.addAction(text(menu::DeleteAll, "Delete All"), this, [this] { DeleteAll(); });
        del->setEnabled(hit >= 0);
        delSel->setEnabled(!logic_.Selected().empty());
        delAll->setEnabled(logic_.Count() > 0);
    } else {
        if (hit >= 0) {
            resultCurrent_ = hit;
            update();
        }
        QAction* add = popup.addAction(text(menu::AddToInputList, "Add to Input List"), this, [this] { AddResultToInputs(); });
        QAction* del = popup.addAction(text(menu::DeleteResult, "Delete"), this, [this] { DeleteResult(); });
        add->setEnabled(resultCurrent_ >= 0);
        del->setEnabled(resultCurrent_ >= 0);
    }
    popup.exec(e->globalPos());
}

void CPhotoList::AfterListChange()
{
    logic_.SetCount(doc_.PhotoCount());
    // A strip whose selection emptied keeps feeding the template from the current photo.
    if (doc_.SelectionIndices().empty() && doc_.PhotoCount() > 0) {
        const int cur = std::clamp(logic_.Current(), 0, doc_.PhotoCount() - 1);
        doc_.SelectPhoto(cur);
        logic_.Clear();
        logic_.SetCount(doc_.PhotoCount());
        logic_.Click(cur);
        doc_.SetCurrentIndex(cur);
    }
    StartThumbnails();
    update();
}

void CPhotoList::DeleteCurrent()
{
    const int cur = logic_.Current();
    if (mode_ != Inputs || cur < 0 || !doc_.RemovePhoto(cur)) return;
    logic_.Removed(cur);
    AfterListChange();
    NotifyChanged(true);
}

void CPhotoList::DeleteSelection()
{
    if (mode_ != Inputs) return;
    for (int index : logic_.DeletionOrder()) {
        doc_.RemovePhoto(index);
        logic_.Removed(index);
    }
    AfterListChange();
    NotifyChanged(true);
}

void CPhotoList::DeleteAll()
{
    if (mode_ != Inputs) return;
    doc_.RemoveAllPhotos();
    logic_.Clear();
    update();
    NotifyChanged(true);
}

void CPhotoList::AddResultToInputs()
{
    const int n = doc_.HistorySize();
    if (resultCurrent_ < 0 || resultCurrent_ >= n) return;
    PhotoRecord r;
    r.image = doc_.HistoryAt(n - 1 - resultCurrent_).clone();
    r.crop_px = cv::Rect(0, 0, r.image.cols, r.image.rows);
    doc_.InsertPhoto(0, std::move(r));
    // The input strip keeps pointing at the same photos, now one further down.
    logic_.SetCount(doc_.PhotoCount());
    logic_.Move(logic_.Count() - 1, 0);
    StartThumbnails();
    update();
}

void CPhotoList::DeleteResult()
{
    const int n = doc_.HistorySize();
    if (resultCurrent_ < 0 || resultCurrent_ >= n) return;
    doc_.RemoveHistoryEntry(n - 1 - resultCurrent_);
    resultCache_.Clear();
    resultCurrent_ = std::min(resultCurrent_, doc_.HistorySize() - 1);
    if (resultCurrent_ >= 0) doc_.SetHistoryInput(doc_.HistorySize() - 1 - resultCurrent_);
    results_.SetCount(doc_.HistorySize());
    update();
    NotifyChanged(true);
}

void CPhotoList::dragEnterEvent(QDragEnterEvent* e)
{
    if (!PictureFilesOf(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void CPhotoList::dragMoveEvent(QDragMoveEvent* e)
{
    if (!PictureFilesOf(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void CPhotoList::dropEvent(QDropEvent* e)
{
    const QStringList files = PictureFilesOf(e->mimeData());
    if (files.isEmpty()) return;
    e->acceptProposedAction();
    emit FilesDropped(files);
}

}  // namespace shell
