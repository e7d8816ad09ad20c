// SPDX-License-Identifier: MIT
#pragma once

namespace app {

/**
 * Registers the classes of every effect module linked into a program: engine, filters and
 * the modules that follow. The desktop program registers its panes on top. Safe to call
 * more than once and from several threads; only the first call registers.
 */
void RegisterBuiltinClasses();

}  // namespace app
