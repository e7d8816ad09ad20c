// SPDX-License-Identifier: MIT
#include "engine/TemplatePaths.h"

#include "platform/Folders.h"

#include <filesystem>
#include <mutex>

namespace engine {

namespace fs = std::filesystem;

namespace {

std::mutex g_sharedMutex;
std::string g_sharedOverride;

/** Absolute, lexically normal, symbolic links resolved as far as the path exists. */
fs::path Canonical(const fs::path& p, std::error_code& ec)
{
    const fs::path abs = fs::absolute(p, ec);
    if (ec) return {};
    return fs::weakly_canonical(abs, ec).lexically_normal();
}

/** True when p lies strictly below root (both canonical). */
bool Below(const fs::path& p, const fs::path& root)
{
    auto r = root.begin(), q = p.begin();
    for (; r != root.end(); ++r, ++q) {
        // A trailing separator leaves an empty last component on the root.
        if (r->empty()) break;
        if (q == p.end() || *q != *r) return false;
    }
    for (; q != p.end(); ++q)
        if (!q->empty()) return true;
    return false;
}

fs::path BaseFolder(const std::string& folder)
{
    std::string base = folder.empty() ? platform::ProgramFolder() : platform::NormalizePath(folder);
    return base.empty() ? fs::path(".") : fs::path(base);
}

}  // namespace

std::string SharedTemplateFolder()
{
    {
        std::lock_guard lock(g_sharedMutex);
        if (!g_sharedOverride.empty()) return g_sharedOverride;
    }
    return platform::JoinPath(platform::ProgramFolder(), "media");
}

void SetSharedTemplateFolder(const std::string& folder)
{
    std::lock_guard lock(g_sharedMutex);
    g_sharedOverride = folder;
}

std::string TemplateFileRoot(const std::string& folder)
{
    std::error_code ec;
    const fs::path own = Canonical(BaseFolder(folder), ec);
    if (ec) return {};
    const fs::path shared = Canonical(SharedTemplateFolder(), ec);
    if (!ec && (own == shared || Below(own, shared))) return shared.string();
    // Without a template folder the base is the program folder itself, which holds the
    // shared media folder: shipped data, but nothing else there is a template's to read.
    if (folder.empty() && !ec) return shared.string();
    return own.string();
}

std::string ResolveTemplateFile(const std::string& folder, const std::string& rawName, std::string* error)
{
    const std::string name = platform::NormalizePath(rawName);
    if (name.empty()) return {};
    auto refuse = [&](const std::string& why) {
        if (error) *error = why;
        return std::string();
    };
    const std::string root = TemplateFileRoot(folder);
    if (root.empty()) return refuse("the template folder " + folder + " cannot be found");
    const fs::path given(name);
    std::error_code ec;
    const fs::path resolved = Canonical(given.is_absolute() ? given : BaseFolder(folder) / given, ec);
    if (ec) return refuse("the file \"" + rawName + "\" cannot be found (" + ec.message() + ")");
    if (!Below(resolved, fs::path(root)))
        return refuse("the file \"" + rawName + "\" lies outside the template's folder " + root);
    return resolved.string();
}

}  // namespace engine
