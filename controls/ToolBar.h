#pragma once
/**
 * @file ToolBar.h
 * @brief CFlexToolBar: the main tool bar of icon-and-label buttons with separators. Clicks
 * post the button's command (3225 with the index) to the target window, or run the button's
 * own handler (a template's extra buttons).
 */
#include "platform/Notify.h"

#include <QWidget>

#include <functional>
#include <vector>

class QFontMetrics;
class QPainter;

namespace controls {

struct ToolItem {
    int command = -1;        ///< posted with the click; -1 for a separator
    int icon = 0;            ///< skin picture number
    QString text;
    QString tooltip;
    bool enabled = true;
    bool checked = false;    ///< drawn pressed in (toggle buttons)
    bool alignRight = false; ///< laid out from the right edge
    int separatorWidth = 0;  ///< for separators
    std::function<void()> onPress;  ///< runs instead of posting when set
};

class CFlexToolBar : public QWidget {
    Q_OBJECT
public:
    explicit CFlexToolBar(QWidget* parent = nullptr);

    void SetTarget(platform::WindowId window, int code);
    void SetItems(std::vector<ToolItem> items);
    const std::vector<ToolItem>& Items() const { return items_; }
    /** The rectangle of the first button with this command (tests and menus placed under it). */
    QRect ButtonRect(int command) const;
    /** Index of the item at a point, or -1. */
    int ItemAt(const QPoint& p) const;
    /** True when the labels did not fit and only the icons are shown. */
    bool IconsOnly() const { return iconsOnly_; }

signals:
    /** A button with this command was pressed (before the command is posted). */
    void Pressed(int command);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool event(QEvent*) override;

private:
    void Layout();

    std::vector<ToolItem> items_;
    std::vector<QRect> rects_;
    platform::WindowId target_ = 0;
    int code_ = 0;
    int hover_ = -1;
    int pressed_ = -1;
    bool iconsOnly_ = false;  // the labels do not fit: icons with tooltips
};

/** A row of tabs (the mode tabs, the category bar): one is current; clicks post the command. */
struct TabItem {
    int command = 0;
    QString text;
    QString tooltip;
    int icon = 0;  ///< skin picture number, 0 for none
};

class CTabBar : public QWidget {
    Q_OBJECT
public:
    explicit CTabBar(QWidget* parent = nullptr);

    void SetTarget(platform::WindowId window, int code);
    void SetItems(std::vector<TabItem> items);
    const std::vector<TabItem>& Items() const { return items_; }
    void SetCurrent(int index);
    int Current() const { return current_; }
    /** Space between neighbouring tabs; separators are drawn in it when it is 3 or more. */
    void SetSpacing(int spacing) { spacing_ = spacing; Layout(); update(); }
    void SetBackground(const QColor& colour) { background_ = colour; update(); }
    /** Whether tabs that do not fit wrap onto a new row (else they share one row, squeezed). */
    void SetWrap(bool wrap) { wrap_ = wrap; Layout(); update(); }
    /** Icons above their labels, every tab as wide as the others, labels on up to two lines. */
    void SetStacked(bool stacked) { stacked_ = stacked; Layout(); update(); }
    /** A smaller font and less padding, for narrow bars. */
    void SetCompact(bool compact) { compact_ = compact; Layout(); update(); }
    static constexpr int kStackedHeight = 60;
    QRect TabRect(int index) const;
    QSize sizeHint() const override;
    /** Tabs that do not fit on one row wrap onto more rows: the height that needs. */
    int HeightFor(int width) const;
    /** The font of the one-row labels: smaller (down to 9 pixels) when squeezed tabs need it. */
    QFont LabelFont() const;
    /** How many labels do not fit their tab whole (they are cut or run over its edge). */
    int CutLabels() const;
    static constexpr int kRowHeight = 30;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool event(QEvent*) override;

private:
    void Layout();
    /** The tabs of each row for a width. */
    std::vector<std::vector<int>> Rows(int width) const;
    int NaturalWidth(int index) const;
    /** The width a tab's label may take. */
    int LabelRoom(int index) const;
    void PaintStackedTab(QPainter& p, int i);
    void PaintInlineTab(QPainter& p, int i, const QFontMetrics& fm);

    std::vector<TabItem> items_;
    std::vector<QRect> rects_;
    platform::WindowId target_ = 0;
    int code_ = 0;
    int current_ = -1;
    int hover_ = -1;
    int spacing_ = 3;
    QColor background_;
    bool wrap_ = true;
    bool stacked_ = false;
    bool compact_ = false;
};

}  // namespace controls
