#pragma once
/**
 * @file Files.h
 * @brief Whole-file reads with a size cap, and writes that never leave a half-written file.
 */
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

/**
 * @brief Reads a whole file into out. Fails (false, with a reason in error) when the file is
 * missing, unreadable, or larger than maxBytes.
 */
bool ReadFile(const std::string& path, std::string& out, std::size_t maxBytes, std::string* error = nullptr);

/**
 * @brief Writes data to a temporary file beside path, flushes it to disk and renames it over
 * path. Either the old or the new content survives a crash; never a mix.
 */
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr);

/** A fresh, unused temporary name in the folder of path (for writers that need a file name). */
std::string TemporaryNameBeside(const std::string& path);

/** Renames from over to, replacing it; false with a reason on failure. */
bool ReplaceFile(const std::string& from, const std::string& to, std::string* error = nullptr);

}  // namespace platform
