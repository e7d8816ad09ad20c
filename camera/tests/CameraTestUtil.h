// SPDX-License-Identifier: MIT
#pragma once
// What the camera tests share: the bundled templates, opened as the live view opens them.
#include "engine/EffectTemplate.h"
#include "engine/RefPtr.h"

#include <string>

namespace camtest {

/** The bundled template of that folder name with every class registered; empty (and a failed
 *  expectation naming the reason) when it does not open. */
engine::RefPtr<engine::CEffectTemplate> OpenBundled(const std::string& name);

}  // namespace camtest
