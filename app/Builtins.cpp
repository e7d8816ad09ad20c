// SPDX-License-Identifier: MIT
#include "app/Builtins.h"

#include "engine/Registry.h"
#include "face/FaceClasses.h"
#include "filters/FilterClasses.h"
#include "frames/FrameClasses.h"
#include "mesh3d/Mesh3dClasses.h"

#include <mutex>

using engine::RegisterEngineClasses;
using face::RegisterFaceClasses;
using filters::RegisterFilterClasses;
using frames::RegisterFrameClasses;
using mesh3d::RegisterMesh3dClasses;

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
