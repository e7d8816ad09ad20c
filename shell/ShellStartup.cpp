#include "shell/ShellStartup.h"

#include "engine/PhotoDocument.h"
#include "settings/GrimazeSettings.h"
#include "shell/NewVersionDlg.h"
#include "shell/ProcessProp.h"
#include "update/VersionCheck.h"

#include <QDesktopServices>
#include <QUrl>

using engine::CPhotoDocument;
using settings::GrimazeSettings;

namespace shell {

CGrimazeDlg::Hooks DesktopHooks(CPhotoDocument& document)
{
    CGrimazeDlg::Hooks hooks;
    hooks.pageFactory = [&document](QWidget* parent) -> CTemplatePageBase* { return new CProcessProp(document, parent); };
    hooks.checkForUpdate = [](QWidget* parent) {
        CNewVersionDlg dialog(true, parent);
        dialog.exec();
    };
    hooks.openDownloadPage = [] { QDesktopServices::openUrl(QUrl(QString::fromStdString(update::DownloadPageUrl()))); };
    return hooks;
}

void StartAutomaticVersionCheck(CGrimazeDlg& window)
{
    update::StartAutomaticCheck(window.WindowId(), GrimazeSettings().updateCheck);
}

}  // namespace shell
