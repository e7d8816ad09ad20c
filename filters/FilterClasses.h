#pragma once
namespace filters {

/** Registers every filter of the filters module ("EmbossFilter", "OilPaintFilter", ...). */
void RegisterFilterClasses();

}  // namespace filters
