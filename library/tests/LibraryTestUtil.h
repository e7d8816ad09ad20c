#pragma once
// Helpers for the library tests: small files, definitions, library folders and ZIP archives.
#include <string>
#include <utility>
#include <vector>

namespace libtest {

/** Writes text to path, creating its folders. */
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

/** A minimal working definition (SimpleTemplate with SimpleFilter) named name. */
std::string DefinitionXml(const std::string& name);

/** Writes a ZIP archive with the given (name, content) entries; names are stored verbatim. */
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries);

/** Every regular file under folder, relative to it, sorted. */
std::vector<std::string> FilesUnder(const std::string& folder);

}  // namespace libtest
