#include "shell/OptionPaneOrgImgDefault.h"

#include "controls/Theme.h"
#include "controls/UiText.h"

#include <QCheckBox>
#include <QPainter>
#include <QPushButton>

namespace shell {
namespace {

constexpr int kButtonIds[4] = {COptionPaneOrgImgDefault::kZoomInId, COptionPaneOrgImgDefault::kZoomOutId,
                               COptionPaneOrgImgDefault::kRotateLeftId, COptionPaneOrgImgDefault::kRotateRightId};
constexpr int kCommands[4] = {2, 3, 4, 5};

}  // namespace

COptionPaneOrgImgDefault::COptionPaneOrgImgDefault()
{
    className = "OperPaneOrgImg";
    setObjectName("OperPaneOrgImg");
    clipBox_ = new QCheckBox(this);
    clipBox_->setProperty("gzControlId", kClipBoxId);
    connect(clipBox_, &QCheckBox::clicked, this, [this] {
        const Qt::CheckState s = clipBox_->checkState();
        if (s != Qt::PartiallyChecked) Send(1, s == Qt::Checked ? 1 : 0);
    });
    for (int i = 0; i < 4; ++i) {
        buttons_[i] = AddButton(kButtonIds[i]);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { Send(kCommands[i]); });
    }
}

void COptionPaneOrgImgDefault::OnInitDialog()
{
    clipBox_->setChecked(true);
    LayOut();
}

void COptionPaneOrgImgDefault::SetTarget(platform::WindowId window, int code)
{
    target_ = window;
    code_ = code;
}

QPushButton* COptionPaneOrgImgDefault::Button(int control) const
{
    for (int i = 0; i < 4; ++i)
        if (kButtonIds[i] == control) return buttons_[i];
    return nullptr;
}

void COptionPaneOrgImgDefault::Send(int command, int flag)
{
    if (target_) platform::Send(target_, code_, command, flag);
}

void COptionPaneOrgImgDefault::Retranslate()
{
    COptionPaneBase::Retranslate();
    clipBox_->setText(ControlText(kClipBoxId, controls::Phrase("Show Clip Box")));
    const char* fallback[4] = {"Zoom In", "Zoom Out", "Rotate Left", "Rotate Right"};
    const int strings[4] = {128, 129, 163, 164};
    for (int i = 0; i < 4; ++i) {
        QString text = controls::Text().DialogText(GetDialogId(), kButtonIds[i]);
        if (text.isEmpty()) text = controls::Str(strings[i]);
        if (text.isEmpty()) text = controls::Phrase(fallback[i]);
        buttons_[i]->setText(text);
    }
    LayOut();
}

void COptionPaneOrgImgDefault::resizeEvent(QResizeEvent*) { LayOut(); }

void COptionPaneOrgImgDefault::LayOut()
{
    // One row when everything fits; else the switch above the buttons; else the buttons two
    // by two. Buttons keep the width their label needs (a cut label helps nobody).
    const int margin = 18, gap = 6;
    const int clipW = clipBox_->sizeHint().width() + 8;
    int wanted = 3 * gap;
    for (QPushButton* b : buttons_) wanted += b->sizeHint().width();
    const int room = width() - 2 * margin;
    auto row = [&](int x, int y, int h, std::initializer_list<int> which, const int* widths) {
        for (int i : which) {
            const int w = widths ? widths[i % 2] : buttons_[i]->sizeHint().width();
            buttons_[i]->setGeometry(x, y, w, h);
            x += w + gap;
        }
    };
    if (clipW + 16 + wanted <= room) {
        const int h = 30, top = (height() - h) / 2;
        clipBox_->setGeometry(margin, top, clipW, h);
        row(margin + clipW + 16, top, h, {0, 1, 2, 3}, nullptr);
    } else if (wanted <= room) {
        const int h = 28, top = std::max(2, (height() - 2 * h - gap) / 2);
        clipBox_->setGeometry(margin, top, clipW, h);
        row(margin, top + h + gap, h, {0, 1, 2, 3}, nullptr);
    } else {
        const int h = std::min(28, (height() - 4 - 2 * 4) / 3), top = std::max(2, (height() - 3 * h - 2 * 4) / 2);
        const int widths[2] = {std::max(buttons_[0]->sizeHint().width(), buttons_[2]->sizeHint().width()),
                               std::max(buttons_[1]->sizeHint().width(), buttons_[3]->sizeHint().width())};
        clipBox_->setGeometry(margin, top, clipW, h);
        row(margin, top + h + 4, h, {0, 1}, widths);
        row(margin, top + 2 * (h + 4), h, {2, 3}, widths);
    }
}

void COptionPaneOrgImgDefault::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(controls::theme::kBorder);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace shell
