#include "shell/ShellStartup.h"

namespace shell {

CGrimazeDlg::Hooks DesktopHooks()
{
    CGrimazeDlg::Hooks hooks;
    return hooks;
}

void StartAutomaticVersionCheck(CGrimazeDlg&) {}

}  // namespace shell
