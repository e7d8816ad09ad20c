#pragma once
/**
 * @file Folders.h
 * @brief Where Grimaze finds its data and keeps the user's files.
 *
 * Per-user data follows the XDG base directories: the per-user folder is
 * $XDG_DATA_HOME/Kestrovo/Grimaze/ (default ~/.local/share/...), settings live under
 * $XDG_CONFIG_HOME. Documents and pictures come from ~/.config/user-dirs.dirs.
 * Every function reads the environment on each call, so tests may point HOME and XDG_*
 * at a temporary folder before calling.
 */
#include <string>
#include <string_view>

namespace platform {

std::string HomeFolder();
std::string DataHome();    ///< $XDG_DATA_HOME or ~/.local/share
std::string ConfigHome();  ///< $XDG_CONFIG_HOME or ~/.config
std::string DocumentsFolder();
std::string PicturesFolder();
/** The shared pictures folder: XDG_PUBLICSHARE_DIR when set up, else empty. */
std::string PublicPicturesFolder();

/** The per-user folder "<data home>/Kestrovo/Grimaze/" with a trailing slash; created if missing. */
std::string UserFolder();
/** The same folder without creating it (empty when it does not exist), for those that only look. */
std::string ExistingUserFolder();

/** Folder of the running executable, with no trailing slash ("." if unknown). */
std::string ExecutableFolder();

/**
 * @brief The program folder that holds media/, lang/, Help/ and config.cfg.
 * $GRIMAZE_HOME when set; else the executable's folder when it holds media/ (the build
 * tree); else the installed data folder; else the executable's folder. No trailing slash.
 */
std::string ProgramFolder();
/** Overrides ProgramFolder() for this process (tests); an empty string removes the override. */
void SetProgramFolder(const std::string& folder);

/** Turns backslashes (as written in data files) into slashes. */
std::string NormalizePath(std::string_view path);
/** Joins two path pieces with exactly one slash between them. */
std::string JoinPath(std::string_view a, std::string_view b);
/** The folder part of a path without the trailing slash ("" for a bare name). */
std::string ParentFolder(std::string_view path);
/** The last component of a path. */
std::string FileName(std::string_view path);

/**
 * @brief Creates every missing folder along path. Returns true when the whole chain exists
 * afterwards; false at the first folder that cannot be created.
 */
bool MakeFolders(const std::string& path);

bool FileExists(const std::string& path);
bool IsFolder(const std::string& path);

}  // namespace platform
