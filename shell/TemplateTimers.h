#pragma once
/**
 * @file TemplateTimers.h
 * @brief Timers that templates set on the preview window (the expression animation, timer
 * 100; the turning 3D model, timer 43) are handed to the template classes that own them.
 */
#include "platform/Notify.h"

namespace shell {

/** True when a template class took the tick. Interface thread only. */
bool DispatchTemplateTimer(platform::WindowId window, int id);

}  // namespace shell
