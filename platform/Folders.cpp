#include "platform/Folders.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef GRIMAZE_DATA_DIR
#define GRIMAZE_DATA_DIR "/usr/local/share/grimaze"
#endif

namespace platform {
namespace {

std::string Env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string StripSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// Reads one XDG_<KEY>_DIR="..." line of user-dirs.dirs; "$HOME" is the only expansion the
// format allows.
std::string UserDir(const char* key, const char* fallback)
{
    const std::string home = HomeFolder();
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = std::string("XDG_") + key + "_DIR=";
    while (in && std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0) continue;
        std::string v = line.substr(prefix.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
        if (v.empty() || v[0] != '/') break;
        return StripSlash(v);
    }
    return fallback ? home + "/" + fallback : std::string();
}

std::mutex g_programMutex;
std::string g_programOverride;

}  // namespace

std::string HomeFolder()
{
    std::string h = Env("HOME");
    if (h.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) h = pw->pw_dir;
    }
    return h.empty() ? std::string("/tmp") : StripSlash(h);
}

std::string DataHome()
{
    const std::string v = Env("XDG_DATA_HOME");
    return (!v.empty() && v[0] == '/') ? StripSlash(v) : HomeFolder() + "/.local/share";
}

std::string ConfigHome()
{
    const std::string v = Env("XDG_CONFIG_HOME");
    return (!v.empty() && v[0] == '/') ? StripSlash(v) : HomeFolder() + "/.config";
}

std::string DocumentsFolder() { return UserDir("DOCUMENTS", "Documents"); }
std::string PicturesFolder() { return UserDir("PICTURES", "Pictures"); }
std::string PublicPicturesFolder() { return UserDir("PUBLICSHARE", nullptr); }

std::string ExistingUserFolder()
{
    const std::string folder = DataHome() + "/Kestrovo/Grimaze";
    return IsFolder(folder) ? folder + "/" : std::string();
}

std::string UserFolder()
{
    const std::string folder = DataHome() + "/Kestrovo/Grimaze";
    MakeFolders(folder);
    return folder + "/";
}

std::string ExecutableFolder()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    return ParentFolder(std::string_view(buf, static_cast<size_t>(n)));
}

std::string ProgramFolder()
{
    {
        std::lock_guard lock(g_programMutex);
        if (!g_programOverride.empty()) return g_programOverride;
    }
    if (std::string v = Env("GRIMAZE_HOME"); !v.empty()) return StripSlash(v);
    const std::string exe = ExecutableFolder();
    if (IsFolder(exe + "/media")) return exe;
    if (IsFolder(GRIMAZE_DATA_DIR "/media")) return GRIMAZE_DATA_DIR;
    // Installed under a different prefix than configured: <prefix>/bin/../share/grimaze.
    if (std::string rel = ParentFolder(exe) + "/share/grimaze"; IsFolder(rel + "/media")) return rel;
    return exe;
}

void SetProgramFolder(const std::string& folder)
{
    std::lock_guard lock(g_programMutex);
    g_programOverride = folder.empty() ? folder : StripSlash(folder);
}

std::string NormalizePath(std::string_view path)
{
    std::string s(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

std::string JoinPath(std::string_view a, std::string_view b)
{
    if (a.empty()) return std::string(b);
    if (b.empty()) return std::string(a);
    std::string s(a);
    while (!s.empty() && s.back() == '/') s.pop_back();
    size_t i = 0;
    while (i < b.size() && b[i] == '/') ++i;
    return s + "/" + std::string(b.substr(i));
}

std::string ParentFolder(std::string_view path)
{
    const size_t p = path.find_last_of('/');
    if (p == std::string_view::npos) return {};
    if (p == 0) return "/";
    return std::string(path.substr(0, p));
}

std::string FileName(std::string_view path)
{
    const size_t p = path.find_last_of('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

bool MakeFolders(const std::string& path)
{
    if (path.empty()) return false;
    std::string partial;
    size_t i = 0;
    if (path[0] == '/') {
        partial = "/";
        i = 1;
    }
    while (i <= path.size()) {
        const size_t next = path.find('/', i);
        const std::string part = path.substr(i, next == std::string::npos ? std::string::npos : next - i);
        if (!part.empty()) {
            partial += part;
            if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
            if (!IsFolder(partial)) return false;
            partial += "/";
        }
        if (next == std::string::npos) break;
        i = next + 1;
    }
    return IsFolder(path);
}

bool FileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace platform
