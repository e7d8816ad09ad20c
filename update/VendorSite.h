#pragma once
/**
 * @file VendorSite.h
 * @brief Where the vendor's web site is: the version file, the download page and the
 * online templates all live under one address.
 *
 * The address is a setting with a built-in default: the value "siteUrl" in the settings file
 * (section "Software\Kestrovo\Grimaze"), or what SetConfiguredSiteUrl gave. The environment
 * variable GRIMAZE_SITE_URL overrides both, so that tests (and anyone mirroring the site) can
 * point the program at another server. Thread-safe.
 */
#include <string>

namespace update {

/** The built-in address. The ".example" domain never resolves until a real site is chosen. */
inline constexpr const char* kDefaultSiteUrl = "https://grimaze.kestrovo.example/";

/** The name of the setting. */
inline constexpr const char* kSiteUrlSetting = "siteUrl";

/** The setting that bounds a template download from start to end, in seconds (a dword). */
inline constexpr const char* kDownloadTimeLimitSetting = "downloadTimeLimit";
/** Ten minutes: a template archive of a few MB needs seconds; a server that trickles forever does not finish. */
inline constexpr long kDefaultDownloadTimeLimitSeconds = 600;

/**
 * @brief The stored "downloadTimeLimit" (set by hand, like "siteUrl"), else the default. A
 * value of 0 or a text value counts as missing.
 */
long DownloadTimeLimitSeconds();

/** An address that takes the place of the stored setting ("" to use the setting again). */
void SetConfiguredSiteUrl(const std::string& url);

/** GRIMAZE_SITE_URL, else the configured address, else the stored setting, else the default;
 *  always ends in "/". */
std::string SiteUrl();

/** SiteUrl() followed by a path on the site ("version_free.ini", "download.html"). */
std::string SiteFileUrl(const std::string& path);

/**
 * @brief Expands a leading "$(Site)" in an address read from a library file, so that the
 * shipped online templates follow the site setting. Other addresses are returned unchanged.
 */
std::string ExpandSiteMacro(const std::string& url);

}  // namespace update
