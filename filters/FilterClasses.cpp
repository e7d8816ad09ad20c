#include "filters/FilterClasses.h"

#include "filters/TonalFilters.h"
#include "filters/WeatherFilters.h"

void RegisterFilterClasses()
{
    RegisterTonalFilters();
    RegisterWeatherFilters();
}
