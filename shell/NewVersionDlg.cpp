#include "shell/NewVersionDlg.h"

#include "controls/Skin.h"
#include "controls/UiText.h"
#include "i18n/LanguageManager.h"
#include "i18n/UiIds.h"
#include "shell/Translation.h"
#include "update/VersionCheck.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace shell {

namespace str = i18n::ui::str;

CNewVersionDlg::CNewVersionDlg(bool checkNow, QWidget* parent) : QDialog(parent), controls::NotifyTarget(this)
{
    setObjectName("newVersionDialog");
    auto* icon = new QLabel(this);
    QPixmap logo = controls::Skin::Image(controls::img::AppIcon);
    logo = logo.scaled(QSize(48, 48) * logo.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    logo.setDevicePixelRatio(controls::Skin::PixelRatio());
    icon->setPixmap(logo);
    text_ = new QLabel(this);
    text_->setProperty(kControlIdProperty, i18n::ui::ctl::NewVersionText);
    text_->setWordWrap(true);
    text_->setMinimumWidth(360);
    link_ = new QLabel(this);
    link_->setProperty(kControlIdProperty, i18n::ui::ctl::NewVersionLink);
    link_->setCursor(Qt::PointingHandCursor);
    link_->setStyleSheet("color: #d44d0a; text-decoration: underline;");
    link_->hide();
    link_->installEventFilter(this);
    auto* cancel = new QPushButton(this);
    cancel->setProperty(kControlIdProperty, i18n::ui::ctl::Cancel);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* body = new QVBoxLayout;
    body->addWidget(text_);
    body->addWidget(link_);
    body->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(body, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(20, 20, 20, 16);
    all->addLayout(top);
    all->addLayout(buttons);

    update::SetVersionReceiver(WindowId());
    if (checkNow) {
        text_->setText(QString::fromStdString(i18n::Languages().FormatString(str::CheckingVersion, {"Grimaze"})).trimmed());
        update::StartVersionCheck(update::ProgramVersion());
    }
    TranslateWidget(this, i18n::ui::dlg::NewVersion);
    link_->setText(controls::Text().DialogText(i18n::ui::dlg::NewVersion, i18n::ui::ctl::NewVersionLink));
    setWindowTitle(controls::Str(str::CheckVersionTitle));
    connect(link_, &QLabel::linkActivated, this, [] {});
}

CNewVersionDlg::~CNewVersionDlg() { update::ClearVersionReceiver(WindowId()); }

std::intptr_t CNewVersionDlg::OnNotify(int code, std::intptr_t a, std::intptr_t b)
{
    if (code != platform::msg::NewerVersion && code != platform::msg::UpToDate &&
        code != platform::msg::VersionCheckError)
        return 0;
    text_->setText(QString::fromStdString(update::VersionReportText(code, a, b)).trimmed());
    if (code == platform::msg::NewerVersion) {
        link_->setText(QString("<a href=\"%1\">%2</a>")
                           .arg(QString::fromStdString(update::DownloadPageUrl()).toHtmlEscaped(),
                                controls::Text().DialogText(i18n::ui::dlg::NewVersion, i18n::ui::ctl::NewVersionLink)));
        link_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        link_->setOpenExternalLinks(true);
        link_->show();
    }
    adjustSize();
    return 1;
}

QString CNewVersionDlg::Text() const { return text_->text(); }
bool CNewVersionDlg::LinkShown() const { return link_->isVisible(); }

}  // namespace shell
