#include "update/VendorSite.h"

#include <cstdlib>
#include <mutex>

namespace update {
namespace {

std::mutex g_mutex;
std::string g_configured;

std::string WithSlash(std::string s)
{
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

}  // namespace

void SetConfiguredSiteUrl(const std::string& url)
{
    std::lock_guard lock(g_mutex);
    g_configured = url;
}

std::string SiteUrl()
{
    if (const char* env = std::getenv("GRIMAZE_SITE_URL"); env && *env) return WithSlash(env);
    std::lock_guard lock(g_mutex);
    return WithSlash(g_configured.empty() ? std::string(kDefaultSiteUrl) : g_configured);
}

std::string SiteFileUrl(const std::string& path)
{
    size_t i = 0;
    while (i < path.size() && path[i] == '/') ++i;
    return SiteUrl() + path.substr(i);
}

std::string ExpandSiteMacro(const std::string& url)
{
    static const std::string kMacro = "$(Site)";
    if (url.compare(0, kMacro.size(), kMacro) != 0) return url;
    return SiteFileUrl(url.substr(kMacro.size()));
}

}  // namespace update
