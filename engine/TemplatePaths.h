// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file TemplatePaths.h
 * @brief Which files a template definition may name.
 *
 * A definition names pictures, meshes and face configurations. Downloaded templates and the
 * user's own are not ours, so a name may only reach files inside the template's own folder:
 * "..\..\x.jpg", an absolute path or a symbolic link pointing out of the folder is refused.
 * Templates that ship in the program's media folder may also share files across it (a
 * texture used by several templates), since everything there is ours.
 *
 * Resolution: backslashes become slashes; a name starting with "." or any other relative
 * name is taken relative to the template folder (the program folder when there is none);
 * the result is made absolute with symbolic links followed, and must lie below the allowed
 * root.
 *
 * Threads: any; the shared-folder override is meant to be set before other threads start.
 */
#include <string>

namespace engine {

/**
 * @brief The folder the files of a template in `folder` must lie in: the shared media folder
 * when the template lives inside it, else the template folder itself (both with symbolic
 * links resolved). An empty folder stands for the program folder, whose templates are
 * shipped ones.
 */
std::string TemplateFileRoot(const std::string& folder);

/**
 * @brief Resolves `name` for a template in `folder`.
 * @return the absolute path, or "" with a reason in error when the name is empty (no reason
 * then) or leads outside TemplateFileRoot(folder).
 */
std::string ResolveTemplateFile(const std::string& folder, const std::string& name, std::string* error = nullptr);

/** The media folder shipped templates share: the program folder's "media" unless overridden. */
std::string SharedTemplateFolder();
/** Overrides SharedTemplateFolder() (tests whose shipped data live elsewhere); "" removes it. */
void SetSharedTemplateFolder(const std::string& folder);

}  // namespace engine
