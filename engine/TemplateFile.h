#pragma once
/**
 * @file TemplateFile.h
 * @brief Finding and reading template definition files (".tmpl", XML).
 */
#include "engine/EffectTemplate.h"
#include "engine/RefPtr.h"

#include <memory>
#include <string>

namespace engine {

/** Definition files larger than this are refused unread. */
inline constexpr std::size_t kMaxDefinitionBytes = 4u << 20;

/**
 * @brief The definition file for a path: the path itself when it is a file, or the first
 * ".tmpl" file (by name) in it when it is a folder. Empty when there is none.
 */
std::string FindDefinitionFile(const std::string& pathOrFolder);

/** Parses a definition file; null with a reason when it is missing, too large or malformed. */
std::shared_ptr<tinyxml2::XMLDocument> LoadDefinitionFile(const std::string& path, std::string* error = nullptr);

/** Finds, parses, creates and loads the template of a file or folder. */
RefPtr<CEffectTemplate> OpenTemplate(const std::string& pathOrFolder, CPhotoDocument* document,
                                     std::string* error = nullptr);

}  // namespace engine
