// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file DefinitionNumbers.h
 * @brief Reading numbers from template definitions with their sane ranges.
 *
 * Definitions come from anywhere (downloads, the user's own folders). A number such as
 * scale="1e30" or "nan" would travel into float-to-int conversions and the rasteriser, so
 * every number a template reads goes through here: a missing or malformed attribute keeps the
 * default in code, as definitions rely on; a value that is not finite or lies outside the
 * range the template can work with refuses the template, saying which attribute it was.
 */
#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace engine {

/**
 * @brief Reads attribute `name` of `element` into value when it is a number.
 * @return false, with a message naming the element, the attribute and the allowed range, when
 * the number is not finite or lies outside [min, max]; value is then unchanged.
 */
bool ReadCheckedNumber(const tinyxml2::XMLElement* element, const char* name, double min, double max, double& value,
                       std::string* error);

/** The same for integers. */
bool ReadCheckedInt(const tinyxml2::XMLElement* element, const char* name, int min, int max, int& value,
                    std::string* error);

}  // namespace engine
