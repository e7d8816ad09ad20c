// SPDX-License-Identifier: MIT
#include "engine/DefinitionNumbers.h"

#include <tinyxml2.h>

#include <cmath>
#include <sstream>

namespace {

std::string Describe(const tinyxml2::XMLElement* element, const char* name, double min, double max)
{
    std::ostringstream s;
    s << "<" << element->Name() << "> " << name << "=\"" << element->Attribute(name) << "\" is out of range (" << min
      << " to " << max << ")";
    return s.str();
}

}  // namespace

bool ReadCheckedNumber(const tinyxml2::XMLElement* element, const char* name, double min, double max, double& value,
                       std::string* error)
{
    double v = 0;
    if (!element || element->QueryDoubleAttribute(name, &v) != tinyxml2::XML_SUCCESS) return true;
    if (!std::isfinite(v) || v < min || v > max) {
        if (error) *error = Describe(element, name, min, max);
        return false;
    }
    value = v;
    return true;
}

bool ReadCheckedInt(const tinyxml2::XMLElement* element, const char* name, int min, int max, int& value,
                    std::string* error)
{
    // The range is checked on the number as a double first: 1e30 is refused rather than
    // taken as a malformed integer, and the integer parse never sees a value it cannot hold.
    double v = 0;
    if (!element || element->QueryDoubleAttribute(name, &v) != tinyxml2::XML_SUCCESS) return true;
    if (!std::isfinite(v) || v < min || v > max) {
        if (error) *error = Describe(element, name, min, max);
        return false;
    }
    // Integer parsing as the XML library does it (it reads "2.5" as 2).
    element->QueryIntAttribute(name, &value);
    return true;
}
