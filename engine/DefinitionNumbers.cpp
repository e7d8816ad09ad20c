// SPDX-License-Identifier: MIT
#include "engine/DefinitionNumbers.h"

#include <tinyxml2.h>

#include <cmath>
#include <optional>
#include <sstream>

namespace engine {

namespace {

std::string Describe(const tinyxml2::XMLElement* element, const char* name, double min, double max)
{
    std::ostringstream s;
    s << "<" << element->Name() << "> " << name << "=\"" << element->Attribute(name) << "\" is out of range (" << min
      << " to " << max << ")";
    return s.str();
}

/**
 * False (with the reason) when the attribute is a number outside min..max. Without the attribute,
 * or with something there that is not a number, v stays empty: the caller keeps its default.
 */
bool ReadInRange(const tinyxml2::XMLElement* element, const char* name, double min, double max,
                 std::optional<double>& v, std::string* error)
{
    double d = 0;
    if (!element || element->QueryDoubleAttribute(name, &d) != tinyxml2::XML_SUCCESS) return true;
    if (!std::isfinite(d) || d < min || d > max) {
        if (error) *error = Describe(element, name, min, max);
        return false;
    }
    v = d;
    return true;
}

}  // namespace

bool ReadCheckedNumber(const tinyxml2::XMLElement* element, const char* name, double min, double max, double& value,
                       std::string* error)
{
    std::optional<double> v;
    if (!ReadInRange(element, name, min, max, v, error)) return false;
    if (v) value = *v;
    return true;
}

bool ReadCheckedInt(const tinyxml2::XMLElement* element, const char* name, int min, int max, int& value,
                    std::string* error)
{
    // The range is checked on the number as a double first: 1e30 is refused rather than
    // taken as a malformed integer, and the integer parse never sees a value it cannot hold.
    std::optional<double> v;
    if (!ReadInRange(element, name, min, max, v, error)) return false;
    // Integer parsing as the XML library does it (it reads "2.5" as 2).
    if (v) element->QueryIntAttribute(name, &value);
    return true;
}

}  // namespace engine
