#include "update/VendorSite.h"

#include "settings/GrimazeSettings.h"
#include "settings/SettingsStorageIni.h"

#include <cstdlib>
#include <mutex>
#include <variant>

namespace update {
namespace {

std::mutex g_mutex;
std::string g_configured;

std::string WithSlash(std::string s)
{
    if (!s.empty() && s.back() != '/') s += '/';
    return s;
}

/** "siteUrl" in the settings file: not offered in any window, set by hand or by an installer. */
std::string StoredSiteUrl()
{
    CSettingsStorageIni storage(SettingsFilePath(), kSettingsSection);
    if (!storage.OpenForReading()) return {};
    StoredValue value;
    std::string url;
    if (storage.ReadValue(kSiteUrlSetting, value))
        if (const auto* text = std::get_if<std::string>(&value)) url = *text;
    storage.CloseAfterReading();
    return url;
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
    std::string configured;
    {
        std::lock_guard lock(g_mutex);
        configured = g_configured;
    }
    if (configured.empty()) configured = StoredSiteUrl();
    return WithSlash(configured.empty() ? std::string(kDefaultSiteUrl) : configured);
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
