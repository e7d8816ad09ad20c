#pragma once
/**
 * @file TemplateLookup.h
 * @brief Turning what a user typed after --template into a template definition file.
 */
#include <string>
#include <vector>

namespace cli {

/** Every template definition (".tmpl") under the program's templates folder, sorted. */
std::vector<std::string> ShippedTemplateFiles();

/** The display name in a definition file ("" when unreadable). */
std::string TemplateDisplayName(const std::string& definitionFile);

/**
 * @brief A definition file for a file, a folder holding one, or a template name: the library
 * first (as the gallery names templates, downloaded ones included), then the display names of
 * the definitions under the program's templates folder (compared
 * without regard to letter case). Empty with a reason when none matches.
 */
std::string ResolveTemplate(const std::string& what, std::string* error);

}  // namespace cli
