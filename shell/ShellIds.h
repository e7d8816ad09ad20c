#pragma once
#include "i18n/UiIds.h"
/**
 * @file ShellIds.h
 * @brief Command numbers of the desktop program's menus and tool bars.
 */

namespace shell {

/** Commands of the tool bar and the window-button bars (posted as 3225 with the index). */
namespace tool {
inline constexpr int AddImage = 0;
inline constexpr int Export = 3;
inline constexpr int ZoomIn = 7;
inline constexpr int ZoomOut = 8;
inline constexpr int RotateLeft = 9;
inline constexpr int RotateRight = 10;
inline constexpr int ControlPanel = 11;
inline constexpr int Settings = 12;
inline constexpr int Minimize = 13;
inline constexpr int Maximize = 14;
inline constexpr int Restore = 15;
inline constexpr int Close = 16;
/** Not a command of its own elsewhere: the before/after button (held down). */
inline constexpr int Compare = 20;
/** The live camera: on and off, a photo after the countdown, a burst. */
inline constexpr int Camera = 30;
inline constexpr int TakePhoto = 31;
inline constexpr int Burst = 32;
/** Extra buttons of the current template start here. */
inline constexpr int TemplateButtonBase = 100;
}  // namespace tool

/** Notifications only the desktop program's own windows exchange. */
namespace shellmsg {
/** To the main window: the photo strip has shown a result of the history (the template is gone). */
inline constexpr int HistoryShown = -101;
}  // namespace shellmsg

/** Commands of the working window's tab bars (3225 to the working window). */
namespace worktab {
inline constexpr int OriginalMode = 6;
inline constexpr int TemplateMode = 7;
}  // namespace worktab

/** Menu commands: those of the language files (i18n/UiIds.h), and the gallery's own. */
namespace menu {
using namespace i18n::ui::cmd;
inline constexpr int Hide = 32789;
inline constexpr int ShowAll = 32790;
}  // namespace menu

}  // namespace shell
