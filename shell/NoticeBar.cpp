// SPDX-License-Identifier: MIT
#include "shell/NoticeBar.h"

#include "controls/Theme.h"
#include "controls/UiText.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace shell {
namespace {

std::function<void(const QString&)>& OpenHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}

}  // namespace

void CNoticeBar::SetOpenFolderHook(std::function<void(const QString&)> hook) { OpenHook() = std::move(hook); }

CNoticeBar::CNoticeBar(QWidget* parent) : QFrame(parent)
{
    setObjectName("noticeBar");
    setStyleSheet(QString("#noticeBar { background: %1; border-radius: 6px; } #noticeBar QLabel { color: white; }"
                          " #noticeBar QPushButton { color: white; background: transparent; border: 1px solid %2;"
                          " border-radius: 4px; padding: 3px 10px; }")
                      .arg(controls::theme::kChrome.name(), controls::theme::kAccent.name()));
    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    open_ = new QPushButton(this);
    open_->setObjectName("noticeOpenFolder");
    close_ = new QPushButton(QString::fromUtf8("×"), this);
    close_->setObjectName("noticeClose");
    close_->setFlat(true);
    close_->setStyleSheet("border: none; padding: 0 4px; font-size: 15px;");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 6, 8, 6);
    row->setSpacing(10);
    row->addWidget(label_, 1);
    row->addWidget(open_);
    row->addWidget(close_);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &QWidget::hide);
    connect(close_, &QPushButton::clicked, this, &QWidget::hide);
    connect(open_, &QPushButton::clicked, this, [this] {
        if (OpenHook()) OpenHook()(folder_);
        else QDesktopServices::openUrl(QUrl::fromLocalFile(folder_));
    });
    Retranslate();
    hide();
}

void CNoticeBar::Retranslate()
{
    open_->setText(controls::Phrase("Open folder"));
    // A passing notice was said in the language before: it goes rather than stay in it. A
    // problem stays until it is closed.
    if (timer_->isActive()) {
        timer_->stop();
        hide();
    }
    if (isVisible()) Place();
}

void CNoticeBar::ShowProblem(const QString& text)
{
    Show(text);
    timer_->stop();
}

void CNoticeBar::Show(const QString& text, const QString& folder)
{
    folder_ = folder;
    label_->setText(text);
    // A long text (a folder's path and why it failed) wraps rather than running off the window.
    label_->setWordWrap(text.contains('\n') || label_->fontMetrics().horizontalAdvance(text) > 600);
    open_->setVisible(!folder.isEmpty());
    Place();
    show();
    raise();
    timer_->start(kShownMs);
}

void CNoticeBar::Place()
{
    QWidget* p = parentWidget();
    if (!p) return;
    adjustSize();
    // A wrapped label asks for a narrow width; give a long text the room to read in few lines.
    const int wanted = label_->wordWrap() ? 760 : sizeHint().width();
    const int w = std::min(std::max(wanted, 320), std::min(p->width() - 24, 760));
    const int h = hasHeightForWidth() ? std::max(heightForWidth(w), sizeHint().height()) : sizeHint().height();
    setGeometry((p->width() - w) / 2, p->height() - h - 14, w, h);
}

}  // namespace shell
