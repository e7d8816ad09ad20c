// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file FloatToInt.h
 * @brief Floats from the kernels' arithmetic turned into pixel positions and levels. A float
 * beyond the int range reaching a plain cast is undefined behaviour, and hostile variables or
 * photo sizes can make one.
 */
#include <algorithm>

namespace filters {

/** trunc(v) limited to lo..hi; NaN gives lo. */
inline int TruncInto(float v, int lo, int hi)
{
    if (!(v >= static_cast<float>(lo))) return lo;
    if (v >= static_cast<float>(hi)) return hi;
    return std::clamp(static_cast<int>(v), lo, hi);
}

}  // namespace filters
