// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file Failure.h
 * @brief How a function says why it failed, everywhere in the program: an optional
 * `std::string* error` out-parameter that may be null and is set only on failure, while the
 * function returns false (or an empty result).
 */
#include <string>

namespace platform {

/** Puts why into error when the caller asked for it; returns false, for `return Fail(error, ...)`. */
inline bool Fail(std::string* error, std::string why)
{
    if (error) *error = std::move(why);
    return false;
}

}  // namespace platform
