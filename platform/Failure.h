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

/**
 * The same for a fixed reason. No string is made in the caller's frame: the picture decoders
 * call this between setjmp and longjmp, where a local with a destructor might be clobbered.
 */
inline bool Fail(std::string* error, const char* why)
{
    if (error) *error = why;
    return false;
}

}  // namespace platform
