#include "shell/OptionPaneOrgImg.h"

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
    clipBox_->setText(ControlText(kClipBoxId, ui::Phrase("Show Clip Box")));
    const char* fallback[4] = {"Zoom In", "Zoom Out", "Rotate Left", "Rotate Right"};
    const int strings[4] = {128, 129, 163, 164};
    for (int i = 0; i < 4; ++i) {
        QString text = ui::Text().DialogText(GetDialogId(), kButtonIds[i]);
        if (text.isEmpty()) text = ui::Str(strings[i]);
        if (text.isEmpty()) text = ui::Phrase(fallback[i]);
        buttons_[i]->setText(text);
    }
    LayOut();
}

void COptionPaneOrgImgDefault::resizeEvent(QResizeEvent*) { LayOut(); }

void COptionPaneOrgImgDefault::LayOut()
{
    const int h = 30;
    const int top = (height() - h) / 2;
    int x = 18;
    clipBox_->setGeometry(x, top, clipBox_->sizeHint().width() + 8, h);
    x += clipBox_->width() + 16;
    // The buttons share what is left, each at most as wide as it likes to be.
    const int gap = 6;
    const int room = std::max(0, width() - x - 12 - 3 * gap);
    int wanted = 0;
    for (QPushButton* b : buttons_) wanted += b->sizeHint().width();
    for (QPushButton* b : buttons_) {
        const int w = wanted > room ? b->sizeHint().width() * room / std::max(1, wanted) : b->sizeHint().width();
        b->setGeometry(x, top, w, h);
        x += w + gap;
    }
}

void COptionPaneOrgImgDefault::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(ui::theme::kBorder);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace shell
