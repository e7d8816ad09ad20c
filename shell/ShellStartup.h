#pragma once
/**
 * @file ShellStartup.h
 * @brief What the desktop program plugs into its main window: the template page (gallery),
 * the update check and the download page.
 */
#include "shell/GrimazeDlg.h"

namespace shell {

/** The main window's hooks as the installed program uses them. */
CGrimazeDlg::Hooks DesktopHooks(engine::CPhotoDocument& document);

/** Starts the automatic version check when the settings ask for it and the network is up. */
void StartAutomaticVersionCheck(CGrimazeDlg& window);

}  // namespace shell
