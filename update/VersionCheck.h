#pragma once
/**
 * @file VersionCheck.h
 * @brief Asking the vendor's web site whether a newer version exists.
 *
 * A worker fetches "version_free.ini" from the site into "version.ini" in the per-user
 * folder, reads section "Gerneral" (so spelled), keys "version" and "build", compares the
 * version with ours and reports to the registered receiver:
 * - NewerVersion 3259 (a = remote version, b = remote build),
 * - UpToDate 3264 (a = remote version, b = remote build),
 * - VersionCheckError 3269 (a = a ticket for the error text; the receiver takes the text with
 *   TakeVersionError, which gives it up, so the text crosses threads owned by one side at a time).
 * A report is posted only when a receiver is registered at that moment; a receiver that goes
 * away unregisters itself and later reports are dropped.
 *
 * Threads: SetVersionReceiver, ClearVersionReceiver and StartVersionCheck on the interface
 * thread; the worker on its own thread. Workers are tracked: StopVersionChecks (also run at
 * process exit) cancels their transfers and joins them, so none outlives the program's data.
 */
#include "platform/Notify.h"
#include "update/HttpTransfer.h"

#include <string>

namespace update {

/** Our own version, from the build. */
struct OwnVersion {
    int major = 0;
    int minor = 0;
    int third = 0;
};

/** Parses "major.minor.third" (missing parts are 0). */
OwnVersion ParseVersion(const std::string& text);
/** The version this program was built as (the CMake project version). */
OwnVersion ProgramVersion();
/** The number the site's "version" is compared with: third + minor * 10 + major * 100. */
int OwnVersionNumber(const OwnVersion& v);
/** A site version number as shown to the user: version / 100 "." two digits of version % 100. */
std::string VersionText(int version);

/** The local copy: "<data home>/Kestrovo/Grimaze/version.ini". */
std::string LocalVersionFile();
/** The address of the site's version file. */
std::string RemoteVersionUrl();
/** The site's download page, opened in the browser when the user wants the new version. */
std::string DownloadPageUrl();

/**
 * @brief Fetches url into localPath (folders created, the old file replaced only by a complete
 * new one). On failure, error says why: message 151 for an HTTP status other than 200, the
 * transfer's own description otherwise.
 */
bool DownloadToFile(const std::string& localPath, const std::string& url, std::string* error,
                    const TransferLimits& limits = {});

struct SiteVersion {
    int version = 0;
    int build = 0;
};
/** Reads "version" and "build" of section "Gerneral"; 0 for what is missing or unreadable. */
SiteVersion ReadVersionFile(const std::string& path);

void SetVersionReceiver(platform::WindowId window);
/** Unregisters window when it is the receiver. */
void ClearVersionReceiver(platform::WindowId window);
platform::WindowId VersionReceiver();

/** The error text of a 3269 report (once); empty for an unknown or already taken ticket. */
std::string TakeVersionError(std::intptr_t ticket);

/** The check itself, on the calling thread: download, compare, report. */
void CheckVersionWorker(const OwnVersion& own, const TransferLimits& limits = {});

/** Runs CheckVersionWorker on a thread of its own and returns at once. */
void StartVersionCheck(const OwnVersion& own);
/** Cancels running checks and joins their threads. */
void StopVersionChecks();

/** True when a network interface other than loopback is up and running. */
bool HasInternetConnection();

/**
 * @brief The automatic check at start-up: when the update-check setting is on and the system
 * is online (or the site is on this machine), registers window as receiver and starts the
 * check. Returns whether it started.
 */
bool StartAutomaticCheck(platform::WindowId window, bool updateCheckSetting);

/** What the version dialog shows for a report (messages 149, 150, or the error text). */
std::string VersionReportText(int code, std::intptr_t a, std::intptr_t b);

}  // namespace update
