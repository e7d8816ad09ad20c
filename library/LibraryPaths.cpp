#include "library/LibraryPaths.h"

#include "platform/Folders.h"

namespace library {
namespace {

void ReplaceFirst(std::string& s, std::string_view what, const std::string& with)
{
    const size_t p = s.find(what);
    if (p != std::string::npos) s.replace(p, what.size(), with);
}

}  // namespace

std::string ExpandLibraryDirectory(std::string_view value)
{
    std::string s(value);
    if (!s.empty() && s[0] == '.') s = platform::ProgramFolder() + s.substr(1);
    // Only the first occurrence of each: a second "$(Documents)" is most likely a typo, and
    // expanding it would build a path no one meant either.
    if (s.find("$(Documents)") != std::string::npos) ReplaceFirst(s, "$(Documents)", platform::DocumentsFolder());
    if (s.find("$(AppData)") != std::string::npos) ReplaceFirst(s, "$(AppData)", platform::DataHome());
    return platform::NormalizePath(s);
}

std::string ExpandProgramRelative(std::string_view value)
{
    std::string s(value);
    if (!s.empty() && s[0] == '.') s = platform::ProgramFolder() + s.substr(1);
    return platform::NormalizePath(s);
}

std::string ExpandItemPath(std::string_view value, std::string_view libraryFolder)
{
    static constexpr std::string_view kProgram = "$(Program)";
    std::string s(value);
    if (s.compare(0, kProgram.size(), kProgram) == 0)
        s = platform::ProgramFolder() + s.substr(kProgram.size());
    else if (!s.empty() && s[0] == '.')
        s = WithoutTrailingSeparator(libraryFolder) + s.substr(1);
    return platform::NormalizePath(s);
}

std::string WithoutTrailingSeparator(std::string_view folder)
{
    std::string s(folder);
    if (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
    return s;
}

std::string StoredRelativePath(std::string_view relative)
{
    std::string s(relative);
    for (char& c : s)
        if (c == '/') c = '\\';
    if (s.compare(0, 2, ".\\") != 0) s = ".\\" + s;
    return s;
}

}  // namespace library
