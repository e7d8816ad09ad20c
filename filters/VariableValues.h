#pragma once
/**
 * @file VariableValues.h
 * @brief Reading the simple template's variables as the filters' own units.
 *
 * The filters do not limit their variables (the template's "min" and "max" do that), but a
 * float beyond the int range must not reach a plain cast: that is undefined behaviour.
 */
#include "engine/SimpleTemplate.h"

#include <climits>
#include <cmath>

namespace filters {

/** Variable i (0..2) truncated toward zero, saturated to the int range; NaN reads 0. */
inline int VarInt(const engine::SimpleParams* p, int i, int def)
{
    if (!p) return def;
    const float v = p->var[i];
    if (std::isnan(v)) return 0;
    if (v >= 2147483648.0f) return INT_MAX;
    if (v < -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}

/** Variable i (0..2) as a float, or def when there is no parameter block. */
inline float VarFloat(const engine::SimpleParams* p, int i, float def) { return p ? p->var[i] : def; }

}  // namespace filters
