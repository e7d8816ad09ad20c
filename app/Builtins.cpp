// SPDX-License-Identifier: MIT
#include "app/Builtins.h"

#include "engine/Registry.h"
#include "face/FaceClasses.h"
#include "filters/FilterClasses.h"
#include "frames/FrameClasses.h"
#include "mesh3d/Mesh3dClasses.h"

#include <mutex>

namespace app {

void RegisterBuiltinClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterEngineClasses();
        RegisterFilterClasses();
        RegisterFrameClasses();
        RegisterMesh3dClasses();
        RegisterFaceClasses();
    });
}

}  // namespace app
