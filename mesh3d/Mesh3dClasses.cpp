#include "mesh3d/Mesh3dClasses.h"

#include "engine/Registry.h"
#include "mesh3d/CF_MultiCyldr.h"
#include "mesh3d/CF_Teapot.h"
#include "mesh3d/CT_3DMesh.h"

#include <new>

using engine::CImageDataObject;
using engine::RegisterCreator;

namespace mesh3d {

void RegisterMesh3dClasses()
{
    RegisterCreator("TeapotFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Teapot; });
    RegisterCreator("CylinderFilterMS", []() -> CImageDataObject* { return new (std::nothrow) CF_MultiCyldr; });
    RegisterCreator("3DMeshTemplate", []() -> CImageDataObject* { return new (std::nothrow) CT_3DMesh; });
}

}  // namespace mesh3d
