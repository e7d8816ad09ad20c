#include "frames/FrameClasses.h"

#include "engine/Registry.h"
#include "frames/CF_Frame.h"
#include "frames/CT_Frame.h"

#include <new>

using engine::CImageDataObject;
using engine::RegisterCreator;

namespace frames {

void RegisterFrameClasses()
{
    RegisterCreator("FrameFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Frame; });
    RegisterCreator("FrameTemplate", []() -> CImageDataObject* { return new (std::nothrow) CT_Frame; });
}

}  // namespace frames
