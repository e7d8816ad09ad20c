#pragma once
/**
 * @file LibraryPaths.h
 * @brief How paths written in config.cfg and template.cfg become file-system paths.
 *
 * Library files are written with backslashes and a few leading markers:
 * - config.cfg "directory": a leading "." is the program folder; then the first "$(Documents)"
 *   and the first "$(AppData)" are replaced by the user's documents and data folders.
 * - config.cfg "init_file": only the leading "." rule.
 * - template.cfg "filepath" and "thumb": a leading "." is the library folder without its
 *   trailing separator; a leading "$(Program)" is the program folder, which lets a per-user
 *   library point at the templates that ship with the program.
 * Results use "/" as separator. Expansion never inserts a separator that the value lacks: a
 * "directory" without a trailing backslash runs together with "template.cfg".
 */
#include <string>
#include <string_view>

namespace library {

/** Expands a config.cfg "directory" value (the three rules above). */
std::string ExpandLibraryDirectory(std::string_view value);

/** Expands a config.cfg "init_file" value (leading "." only). */
std::string ExpandProgramRelative(std::string_view value);

/** Expands a template.cfg "filepath" or "thumb" value against its library folder. */
std::string ExpandItemPath(std::string_view value, std::string_view libraryFolder);

/** The library folder without its trailing separator. */
std::string WithoutTrailingSeparator(std::string_view folder);

/**
 * @brief Turns a path relative to the library folder ("sub/x.tmpl") into the form stored in
 * template.cfg (".\sub\x.tmpl").
 */
std::string StoredRelativePath(std::string_view relative);

}  // namespace library
