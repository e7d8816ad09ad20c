#include "filters/FilterClasses.h"

void RegisterFilterClasses()
{
}
