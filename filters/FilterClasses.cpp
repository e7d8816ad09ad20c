#include "filters/FilterClasses.h"

#include "filters/MultiSrcFilter.h"
#include "filters/PainterlyFilters.h"
#include "filters/WatercolourFilters.h"

void RegisterFilterClasses()
{
    RegisterPainterlyFilterClasses();
    RegisterMultiSrcFilterClass();
    RegisterWatercolourFilterClasses();
}
