#include "frames/FrameClasses.h"

#include "engine/Registry.h"
#include "frames/CF_Frame.h"
#include "frames/CT_Frame.h"

#include <new>

void RegisterFrameClasses()
{
    RegisterCreator("FrameFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Frame; });
    RegisterCreator("FrameTemplate", []() -> CImageDataObject* { return new (std::nothrow) CT_Frame; });
}
