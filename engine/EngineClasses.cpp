#include "engine/Registry.h"
#include "engine/SimpleFilter.h"
#include "engine/SimpleTemplate.h"

#include <new>

namespace engine {

void RegisterEngineClasses()
{
    RegisterCreator("SimpleFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_SimpleFilter; });
    RegisterCreator("SimpleTemplate", []() -> CImageDataObject* { return new (std::nothrow) CT_SimpleTempl; });
}

}  // namespace engine
