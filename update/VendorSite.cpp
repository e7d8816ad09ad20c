#include "update/VendorSite.h"

#include "settings/GrimazeSettings.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <variant>

using settings::StoredSetting;

namespace update {
namespace {

std::mutex g_mutex;
std::string g_configured;

std::string WithSlash(std::string s)
{
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

std::string StoredSiteUrl() { return StoredSetting<std::string>(kSiteUrlSetting, {}); }

}  // namespace

void SetConfiguredSiteUrl(const std::string& url)
{
    std::lock_guard lock(g_mutex);
    g_configured = url;
}

std::string SiteUrl()
{
    if (const char* env = std::getenv("GRIMAZE_SITE_URL"); env && *env) return WithSlash(env);
    std::string configured;
    {
        std::lock_guard lock(g_mutex);
        configured = g_configured;
    }
    if (configured.empty()) configured = StoredSiteUrl();
    return WithSlash(configured.empty() ? std::string(kDefaultSiteUrl) : configured);
}

long DownloadTimeLimitSeconds()
{
    const std::uint32_t seconds = StoredSetting<std::uint32_t>(kDownloadTimeLimitSetting, 0);
    // More than a day is no limit anyone means.
    if (seconds == 0) return kDefaultDownloadTimeLimitSeconds;
    return static_cast<long>(std::min<std::uint32_t>(seconds, 24 * 3600));
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
