#pragma once
/**
 * @file Registry.h
 * @brief Creating filters, templates and panes from the names data files use.
 *
 * Registration is explicit: each module has one Register...Classes() function that the
 * programs call once at start (static self-registration from static libraries would be
 * dropped by the linker). The map is written only before other threads start, so lookups
 * take no lock.
 */
#include "engine/ImageDataObject.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {

using Creator = CImageDataObject* (*)();

/** Sets the creator for a name, replacing an earlier one. Names compare case-sensitively. */
void RegisterCreator(const std::string& name, Creator creator);

/** A new object of the registered class, or null for an unknown name. The caller owns it. */
std::unique_ptr<CImageDataObject> CreateByName(const std::string& name);

/** Every registered name, sorted. */
std::vector<std::string> RegisteredNames();

/** Registers "SimpleFilter" and "SimpleTemplate". */
void RegisterEngineClasses();

}  // namespace engine
