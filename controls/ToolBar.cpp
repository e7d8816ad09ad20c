#include "controls/ToolBar.h"

#include "controls/Skin.h"
#include "controls/Theme.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QToolTip>

namespace controls {
namespace {

constexpr int kIcon = 22;
constexpr int kPad = 10;
constexpr int kGap = 6;

QFont ToolFont()
{
    QFont f(theme::UiFontFamily());
    f.setPixelSize(12);
    f.setWeight(QFont::Medium);
    return f;
}

}  // namespace

CFlexToolBar::CFlexToolBar(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void CFlexToolBar::SetTarget(platform::WindowId window, int code)
{
    target_ = window;
    code_ = code;
}

void CFlexToolBar::SetItems(std::vector<ToolItem> items)
{
    items_ = std::move(items);
    hover_ = pressed_ = -1;
    Layout();
    update();
}

void CFlexToolBar::Layout()
{
    rects_.assign(items_.size(), QRect());
    const QFontMetrics fm(ToolFont());
    const int h = std::min(height() - 6, 36);
    const int top = (height() - h) / 2;
    auto widthOf = [&](const ToolItem& it) {
        if (it.command < 0) return it.separatorWidth;
        const bool label = !it.text.isEmpty() && !iconsOnly_;
        return kPad + kIcon + (label ? kGap + fm.horizontalAdvance(it.text) : 0) + kPad;
    };
    // Long labels (some languages) that do not fit leave the icons alone, named by tooltips.
    iconsOnly_ = false;
    int total = 0;
    for (const ToolItem& it : items_) total += widthOf(it) + 2;
    iconsOnly_ = total > width();
    int x = 0;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].alignRight) continue;
        const int w = widthOf(items_[i]);
        rects_[i] = QRect(x, top, w, h);
        x += w + 2;
    }
    int right = width();
    for (size_t i = items_.size(); i-- > 0;) {
        if (!items_[i].alignRight) continue;
        const int w = widthOf(items_[i]);
        right -= w;
        rects_[i] = QRect(right, top, w, h);
        right -= 2;
    }
}

void CFlexToolBar::resizeEvent(QResizeEvent*) { Layout(); }

QRect CFlexToolBar::ButtonRect(int command) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].command == command) return rects_[i];
    return {};
}

int CFlexToolBar::ItemAt(const QPoint& p) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].command >= 0 && rects_[i].contains(p)) return static_cast<int>(i);
    return -1;
}

void CFlexToolBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(ToolFont());
    for (size_t i = 0; i < items_.size(); ++i) {
        const ToolItem& it = items_[i];
        const QRect r = rects_[i];
        if (it.command < 0) {
            p.setPen(QColor(255, 255, 255, 40));
            const int cx = r.center().x();
            p.drawLine(cx, r.top() + 8, cx, r.bottom() - 8);
            continue;
        }
        const bool hot = it.enabled && static_cast<int>(i) == hover_;
        const bool down = it.enabled && static_cast<int>(i) == pressed_ && hot;
        if (down || it.checked) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, down ? 60 : 36));
            p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
        } else if (hot) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 26));
            p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
        }
        p.setOpacity(it.enabled ? 1.0 : 0.35);
        const QPixmap icon = Skin::Image(it.icon);
        const QRect iconRect(r.left() + kPad, r.center().y() - kIcon / 2 + 1, kIcon, kIcon);
        p.drawPixmap(iconRect, icon);
        if (!it.text.isEmpty() && !iconsOnly_) {
            p.setPen(theme::kChromeText);
            p.drawText(QRect(iconRect.right() + 1 + kGap, r.top(), r.right() - iconRect.right() - kGap, r.height()),
                       Qt::AlignVCenter | Qt::AlignLeft, it.text);
        }
        p.setOpacity(1.0);
    }
}

void CFlexToolBar::mouseMoveEvent(QMouseEvent* e)
{
    const int hit = ItemAt(e->position().toPoint());
    const int hover = hit >= 0 && items_[hit].enabled ? hit : -1;
    if (hover != hover_) {
        hover_ = hover;
        update();
    }
    setCursor(hover >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CFlexToolBar::leaveEvent(QEvent*)
{
    hover_ = -1;
    update();
}

void CFlexToolBar::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const int hit = ItemAt(e->position().toPoint());
    pressed_ = hit >= 0 && items_[hit].enabled ? hit : -1;
    hover_ = pressed_;
    update();
}

void CFlexToolBar::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    const int hit = ItemAt(e->position().toPoint());
    const int pressed = pressed_;
    pressed_ = -1;
    update();
    if (hit < 0 || hit != pressed || !items_[hit].enabled) return;
    const ToolItem item = items_[hit];  // the handler may rebuild the bar
    emit Pressed(item.command);
    if (item.onPress) item.onPress();
    else if (target_) platform::Post(target_, code_, item.command, 0);
}

bool CFlexToolBar::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const int hit = ItemAt(help->pos());
        const QString tip = hit < 0 ? QString()
                            : iconsOnly_ && !items_[hit].text.isEmpty() && items_[hit].text != items_[hit].tooltip
                                ? items_[hit].text + " - " + items_[hit].tooltip
                                : items_[hit].tooltip;
        if (!tip.isEmpty()) QToolTip::showText(help->globalPos(), tip, this, rects_[hit]);
        else QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

// --- Tab bar ---------------------------------------------------------------------------

namespace {

QFont TabFont(bool compact = false)
{
    QFont f(theme::UiFontFamily());
    f.setPixelSize(compact ? 11 : 12);
    f.setWeight(QFont::DemiBold);
    return f;
}

// A stacked tab's label with its break points: words may also break after a hyphen
// ("2D-Vorlagen"), so a zero-width space goes there.
QString StackedText(const QString& label)
{
    QString text = label;
    text.replace("-", QString("-") + QChar(0x200B));
    return text;
}

// A long single word (some languages have them) gets a smaller font rather than being cut:
// down to 9 pixels, then it is elided.
QFont StackedFont(const QString& text, int width)
{
    QFont f = TabFont(true);
    f.setWeight(QFont::Medium);
    const QRegularExpression breaks("[ \\x{200B}]");
    for (int px = f.pixelSize(); px >= 9; --px) {
        f.setPixelSize(px);
        const QFontMetrics m(f);
        int widest = 0;
        for (const QString& word : text.split(breaks, Qt::SkipEmptyParts)) widest = std::max(widest, m.horizontalAdvance(word));
        if (widest <= width) break;
    }
    return f;
}

QRect StackedBox(const QRect& tab) { return tab.adjusted(2, 25, -2, -4); }

/** Each word (and each part of a word between break hints) elided to fit width on its own. */
QString ElideWords(const QString& text, const QFontMetrics& m, int width)
{
    QStringList words = text.split(' ', Qt::SkipEmptyParts);
    for (QString& w : words) {
        QStringList parts = w.split(QChar(0x200B));
        for (QString& part : parts) part = m.elidedText(part, Qt::ElideRight, width);
        w = parts.join(QChar(0x200B));
    }
    return words.join(' ');
}

}  // namespace

int CTabBar::CutLabels() const
{
    int cut = 0;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        const QRect tab = TabRect(i);
        if (stacked_) {
            const QRect box = StackedBox(tab);
            const QString text = StackedText(items_[i].text);
            const QFontMetrics m(StackedFont(text, box.width()));
            bool fits = true;
            for (const QString& word : text.split(QRegularExpression("[ \\x{200B}]"), Qt::SkipEmptyParts))
                fits &= m.horizontalAdvance(word) <= box.width();
            // The wrapped lines must fit the box's height too (the last line is not clipped
            // by the painter, but runs into the tab's edge).
            fits &= m.boundingRect(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text).height() <=
                    box.height() + 4;
            cut += fits ? 0 : 1;
        } else {
            const QFontMetrics m(LabelFont());
            cut += m.horizontalAdvance(items_[i].text) > LabelRoom(i) || m.height() > tab.height() ? 1 : 0;
        }
    }
    return cut;
}

CTabBar::CTabBar(QWidget* parent) : QWidget(parent) { setMouseTracking(true); }

void CTabBar::SetTarget(platform::WindowId window, int code)
{
    target_ = window;
    code_ = code;
}

void CTabBar::SetItems(std::vector<TabItem> items)
{
    items_ = std::move(items);
    if (current_ >= static_cast<int>(items_.size())) current_ = -1;
    Layout();
    updateGeometry();
    update();
}

void CTabBar::SetCurrent(int index)
{
    if (index == current_) return;
    current_ = index;
    update();
}

QRect CTabBar::TabRect(int index) const
{
    return index >= 0 && index < static_cast<int>(rects_.size()) ? rects_[index] : QRect();
}

QSize CTabBar::sizeHint() const
{
    if (stacked_) return {static_cast<int>(items_.size()) * 60, kStackedHeight};
    int w = 8;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) w += NaturalWidth(i) + spacing_;
    return {w, kRowHeight};
}

int CTabBar::NaturalWidth(int index) const
{
    const QFontMetrics fm(TabFont(compact_));
    const TabItem& t = items_[index];
    return fm.horizontalAdvance(t.text) + (compact_ ? 12 : 24) + (t.icon ? 22 : 0);
}

std::vector<std::vector<int>> CTabBar::Rows(int width) const
{
    std::vector<std::vector<int>> rows(1);
    int used = 8;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        const int w = NaturalWidth(i) + spacing_;
        if (wrap_ && !rows.back().empty() && used + w > width) {
            rows.emplace_back();
            used = 8;
        }
        rows.back().push_back(i);
        used += w;
    }
    // Even rows look calmer than one full row over a lone tab: move tabs down while that
    // keeps the rows as many.
    while (rows.size() > 1 && rows[rows.size() - 2].size() > rows.back().size() + 1) {
        rows.back().insert(rows.back().begin(), rows[rows.size() - 2].back());
        rows[rows.size() - 2].pop_back();
    }
    return rows;
}

int CTabBar::HeightFor(int width) const
{
    return stacked_ ? kStackedHeight : static_cast<int>(Rows(width).size()) * kRowHeight;
}

void CTabBar::Layout()
{
    rects_.assign(items_.size(), QRect());
    if (items_.empty()) return;
    if (stacked_) {
        const int n = static_cast<int>(items_.size());
        const int w = (width() - 4 - spacing_ * (n - 1)) / n;
        for (int i = 0; i < n; ++i) rects_[i] = QRect(2 + i * (w + spacing_), 2, w, height() - 4);
        return;
    }
    const auto rows = Rows(width());
    int y = 0;
    for (const auto& row : rows) {
        int total = 0;
        for (int i : row) total += NaturalWidth(i);
        const int n = static_cast<int>(row.size());
        const int avail = width() - 8 - spacing_ * (n - 1);
        int x = 4;
        for (int k = 0; k < n; ++k) {
            const int i = row[k];
            const int w = total > 0 ? std::max(24, NaturalWidth(i) * avail / total) : avail / n;
            rects_[i] = QRect(x, y + 3, k == n - 1 ? width() - 4 - x : w, kRowHeight - 6);
            x += w + spacing_;
        }
        y += kRowHeight;
    }
}

void CTabBar::resizeEvent(QResizeEvent*) { Layout(); }

int CTabBar::LabelRoom(int index) const
{
    return TabRect(index).width() - (compact_ ? 4 : 12) - (items_[index].icon ? 22 : 0);
}

QFont CTabBar::LabelFont() const
{
    // Squeezed tabs (a language with longer words than the bar was made for) first get a
    // smaller font, one size for the whole bar and down to 9 pixels, and only then are cut.
    QFont f = TabFont(compact_);
    if (stacked_) return f;
    for (; f.pixelSize() > 9; f.setPixelSize(f.pixelSize() - 1)) {
        const QFontMetrics m(f);
        bool fits = true;
        for (int i = 0; i < static_cast<int>(items_.size()) && fits; ++i)
            fits = m.horizontalAdvance(items_[i].text) <= LabelRoom(i);
        if (fits) break;
    }
    return f;
}

void CTabBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), background_.isValid() ? background_ : theme::kWindow);
    p.setFont(TabFont(compact_));
    if (stacked_) {
        QFont small = TabFont(true);
        small.setWeight(QFont::Medium);
        p.setFont(small);
        for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
            PaintStackedTab(p, i);
            p.setFont(small);
        }
        return;
    }
    p.setFont(LabelFont());
    const QFontMetrics fm(p.font());
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) PaintInlineTab(p, i, fm);
}

void CTabBar::PaintStackedTab(QPainter& p, int i)
{
    const QRect r = rects_[i];
    const bool cur = i == current_;
    if (cur || i == hover_) {
        p.setPen(cur ? QPen(theme::kBorder, 1) : Qt::NoPen);
        p.setBrush(cur ? theme::kPanel : QColor(0, 0, 0, 14));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);
    }
    if (cur) {
        p.setPen(Qt::NoPen);
        p.setBrush(theme::kAccent);
        p.drawRoundedRect(QRectF(r.left() + 12, r.bottom() - 2.5, r.width() - 24, 2.5), 1.2, 1.2);
    }
    if (items_[i].icon) {
        p.setOpacity(cur ? 1.0 : 0.75);
        p.drawPixmap(QRect(r.center().x() - 9, r.top() + 6, 18, 18), Skin::Image(items_[i].icon));
        p.setOpacity(1.0);
    }
    p.setPen(cur ? theme::kText : theme::kTextDim);
    const QRect box = StackedBox(r);
    const QString text = StackedText(items_[i].text);
    const QFont f = StackedFont(text, box.width());
    p.setFont(f);
    p.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, ElideWords(text, QFontMetrics(f), box.width()));
}

void CTabBar::PaintInlineTab(QPainter& p, int i, const QFontMetrics& fm)
{
    const QRect r = rects_[i];
    const bool cur = i == current_;
    if (cur) {
        p.setPen(QPen(theme::kBorder, 1));
        p.setBrush(theme::kPanel);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        p.setPen(Qt::NoPen);
        p.setBrush(theme::kAccent);
        p.drawRoundedRect(QRectF(r.left() + 10, r.bottom() - 2.5, r.width() - 20, 2.5), 1.2, 1.2);
    } else if (i == hover_) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 14));
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    if (i > 0 && r.left() > 8 && spacing_ >= 3 && !cur && i - 1 != current_) {
        p.setPen(theme::kBorder);
        const int sx = r.left() - spacing_ / 2 - 1;
        p.drawLine(sx, r.top() + 7, sx, r.bottom() - 7);
    }
    const QString text = fm.elidedText(items_[i].text, Qt::ElideRight, LabelRoom(i));
    const int textW = fm.horizontalAdvance(text);
    const int contentW = textW + (items_[i].icon ? 22 : 0);
    int x = r.center().x() - contentW / 2;
    if (items_[i].icon) {
        p.drawPixmap(QRect(x, r.center().y() - 9, 18, 18), Skin::Image(items_[i].icon));
        x += 22;
    }
    p.setPen(cur ? theme::kText : theme::kTextDim);
    p.drawText(QRect(x, r.top(), textW + 2, r.height()), Qt::AlignVCenter | Qt::AlignLeft, text);
}

void CTabBar::mouseMoveEvent(QMouseEvent* e)
{
    int hit = -1;
    for (int i = 0; i < static_cast<int>(rects_.size()); ++i)
        if (rects_[i].contains(e->position().toPoint())) hit = i;
    if (hit != hover_) {
        hover_ = hit;
        update();
    }
}

void CTabBar::leaveEvent(QEvent*)
{
    hover_ = -1;
    update();
}

void CTabBar::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) return;
    for (int i = 0; i < static_cast<int>(rects_.size()); ++i)
        if (rects_[i].contains(e->position().toPoint())) {
            if (target_) platform::Post(target_, code_, items_[i].command, 0);
            return;
        }
}

bool CTabBar::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        for (int i = 0; i < static_cast<int>(rects_.size()); ++i)
            if (rects_[i].contains(help->pos()) && !items_[i].tooltip.isEmpty()) {
                QToolTip::showText(help->globalPos(), items_[i].tooltip, this, rects_[i]);
                return true;
            }
        QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

}  // namespace controls
