#include "filters/FilterClasses.h"

#include "filters/MultiSrcFilter.h"
#include "filters/PainterlyFilters.h"
#include "filters/TonalFilters.h"
#include "filters/WatercolourFilters.h"
#include "filters/WeatherFilters.h"

namespace filters {

void RegisterFilterClasses()
{
    RegisterTonalFilters();
    RegisterWeatherFilters();
    RegisterPainterlyFilterClasses();
    RegisterMultiSrcFilterClass();
    RegisterWatercolourFilterClasses();
}

}  // namespace filters
