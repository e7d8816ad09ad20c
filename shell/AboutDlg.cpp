#include "shell/AboutDlg.h"

#include "controls/Skin.h"
#include "controls/Theme.h"
#include "i18n/UiIds.h"
#include "shell/Translation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("aboutDialog");
    auto* icon = new QLabel(this);
    QPixmap logo = controls::Skin::Image(controls::img::AppIcon);
    logo = logo.scaled(QSize(72, 72) * logo.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    logo.setDevicePixelRatio(controls::Skin::PixelRatio());
    icon->setPixmap(logo);
    auto* product = new QLabel(this);
    product->setProperty(kControlIdProperty, i18n::ui::ctl::AboutProduct);
    product->setStyleSheet("font-size: 15px; font-weight: 600;");
    product->setWordWrap(true);
    auto* version = new QLabel(QString("Version %1").arg(GRIMAZE_VERSION), this);
    version->setStyleSheet(QString("color: %1;").arg(controls::theme::kTextDim.name()));
    auto* copyright = new QLabel(this);
    copyright->setProperty(kControlIdProperty, i18n::ui::ctl::AboutCopyright);
    copyright->setWordWrap(true);
    auto* ok = new QPushButton(this);
    ok->setProperty(kControlIdProperty, i18n::ui::ctl::Ok);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(product);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(copyright);
    text->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(20, 20, 20, 16);
    all->addLayout(top);
    all->addSpacing(12);
    all->addLayout(buttons);
    setMinimumWidth(420);
    TranslateWidget(this, i18n::ui::dlg::About);
}

}  // namespace shell
