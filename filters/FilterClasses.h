#pragma once
/** Registers every filter of the filters module ("EmbossFilter", "OilPaintFilter", ...). */
void RegisterFilterClasses();
