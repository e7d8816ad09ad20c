#include "update/VersionCheck.h"

#include "update/VendorSite.h"

#include "i18n/IniFile.h"
#include "i18n/LanguageManager.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <ifaddrs.h>
#include <net/if.h>

#include <atomic>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace update {
namespace {

constexpr const char* kProductName = "Grimaze";
constexpr int kMessageCheckError = 148;
constexpr int kMessageNewVersion = 149;
constexpr int kMessageLatest = 150;
constexpr int kMessageHttpError = 151;
/** A version file is a few lines; anything bigger is not one. */
constexpr std::uint64_t kMaxVersionFileBytes = 64 * 1024;
/** Error texts nobody came for are dropped beyond this many. */
constexpr size_t kMaxUnclaimedErrors = 16;

// Constructed before the worker list so that, at exit, the workers are joined while these live.
std::mutex g_receiverMutex;
platform::WindowId g_receiver = 0;

std::mutex g_errorMutex;
std::deque<std::pair<std::intptr_t, std::string>> g_errors;
std::intptr_t g_nextTicket = 1;

std::intptr_t StoreError(std::string text)
{
    std::lock_guard lock(g_errorMutex);
    const std::intptr_t ticket = g_nextTicket++;
    g_errors.emplace_back(ticket, std::move(text));
    while (g_errors.size() > kMaxUnclaimedErrors) g_errors.pop_front();
    return ticket;
}

void Report(int code, std::intptr_t a, std::intptr_t b)
{
    platform::WindowId receiver = 0;
    {
        std::lock_guard lock(g_receiverMutex);
        receiver = g_receiver;
    }
    if (receiver) platform::Post(receiver, code, a, b);
}

class Workers {
public:
    ~Workers() { StopAll(); }
    void Start(const OwnVersion& own)
    {
        std::lock_guard lock(mutex_);
        // Finished threads are joined as new ones start; Stop joins the rest.
        std::erase_if(threads_, [](Entry& e) {
            if (!e.done->load()) return false;
            e.thread.join();
            return true;
        });
        cancel_.store(false);
        auto done = std::make_shared<std::atomic<bool>>(false);
        threads_.push_back({std::thread([this, own, done] {
                                TransferLimits limits;
                                CheckVersionWorker(own, limits, &cancel_);
                                done->store(true);
                            }),
                            done});
    }
    void StopAll()
    {
        std::vector<Entry> threads;
        {
            std::lock_guard lock(mutex_);
            cancel_.store(true);
            threads.swap(threads_);
        }
        for (Entry& e : threads)
            if (e.thread.joinable()) e.thread.join();
    }
    // The worker body with the cancel flag of this list.
    static void CheckVersionWorker(const OwnVersion& own, const TransferLimits& limits, const std::atomic<bool>* cancel);

private:
    struct Entry {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::mutex mutex_;
    std::vector<Entry> threads_;
    std::atomic<bool> cancel_{false};
};

/** Made on first use, after the language manager the workers use: so it goes first at exit. */
Workers& TheWorkers()
{
    i18n::Languages();
    static Workers workers;
    return workers;
}

bool DownloadToFileImpl(const std::string& localPath, const std::string& url, std::string* error,
                        const TransferLimits& limits, const std::atomic<bool>* cancel)
{
    if (!platform::MakeFolders(platform::ParentFolder(localPath)))
        return platform::Fail(error, "cannot create the folder of " + localPath);
    TransferLimits bounded = limits;
    bounded.maxBytes = std::min<std::uint64_t>(limits.maxBytes, kMaxVersionFileBytes);
    // The old copy is replaced only by a complete new one.
    const std::string partial = platform::TemporaryNameBeside(localPath);
    const TransferResult r = HttpDownload(url, partial, bounded, cancel);
    if (r.Ok() && platform::ReplaceFile(partial, localPath, error)) return true;
    unlink(partial.c_str());
    if (r.Ok()) return false;  // error says why the rename failed
    if (r.outcome > 0)
        return platform::Fail(error, i18n::Languages().FormatString(kMessageHttpError, {url, static_cast<long long>(r.outcome)}));
    return platform::Fail(error, r.error);
}

void Workers::CheckVersionWorker(const OwnVersion& own, const TransferLimits& limits, const std::atomic<bool>* cancel)
{
    const std::string local = LocalVersionFile();
    std::string error;
    if (DownloadToFileImpl(local, RemoteVersionUrl(), &error, limits, cancel)) {
        const SiteVersion site = ReadVersionFile(local);
        Report(OwnVersionNumber(own) < site.version ? platform::msg::NewerVersion : platform::msg::UpToDate,
               site.version, site.build);
        return;
    }
    // The message puts the reason on a line of its own before its last sentence.
    if (!error.empty() && error.back() != '\n') error += '\n';
    const std::string text = i18n::Languages().FormatString(kMessageCheckError, {kProductName, error});
    bool wanted = false;
    {
        std::lock_guard lock(g_receiverMutex);
        wanted = g_receiver != 0;
    }
    if (wanted) Report(platform::msg::VersionCheckError, StoreError(text), 0);
}

}  // namespace

OwnVersion ParseVersion(const std::string& text)
{
    OwnVersion v;
    std::sscanf(text.c_str(), "%d.%d.%d", &v.major, &v.minor, &v.third);
    return v;
}

OwnVersion ProgramVersion()
{
#ifdef GRIMAZE_VERSION
    return ParseVersion(GRIMAZE_VERSION);
#else
    return {};
#endif
}

int OwnVersionNumber(const OwnVersion& v) { return v.third + v.minor * 10 + v.major * 100; }

std::string VersionText(int version)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%02d", version / 100, version % 100);
    return buf;
}

std::string LocalVersionFile()
{
    return platform::DataHome() + "/Kestrovo/" + kProductName + "/version.ini";
}

std::string RemoteVersionUrl() { return SiteFileUrl("version_free.ini"); }
std::string DownloadPageUrl() { return SiteFileUrl("download.html"); }

bool DownloadToFile(const std::string& localPath, const std::string& url, std::string* error,
                    const TransferLimits& limits)
{
    return DownloadToFileImpl(localPath, url, error, limits, nullptr);
}

SiteVersion ReadVersionFile(const std::string& path)
{
    const i18n::IniFile ini = i18n::IniFile::Load(path);
    return {ini.GetInt("Gerneral", "version", 0), ini.GetInt("Gerneral", "build", 0)};
}

void SetVersionReceiver(platform::WindowId window)
{
    std::lock_guard lock(g_receiverMutex);
    g_receiver = window;
}

void ClearVersionReceiver(platform::WindowId window)
{
    std::lock_guard lock(g_receiverMutex);
    if (g_receiver == window) g_receiver = 0;
}

platform::WindowId VersionReceiver()
{
    std::lock_guard lock(g_receiverMutex);
    return g_receiver;
}

std::string TakeVersionError(std::intptr_t ticket)
{
    std::lock_guard lock(g_errorMutex);
    for (auto it = g_errors.begin(); it != g_errors.end(); ++it)
        if (it->first == ticket) {
            std::string text = std::move(it->second);
            g_errors.erase(it);
            return text;
        }
    return {};
}

void CheckVersionWorker(const OwnVersion& own, const TransferLimits& limits)
{
    Workers::CheckVersionWorker(own, limits, nullptr);
}

void StartVersionCheck(const OwnVersion& own) { TheWorkers().Start(own); }

void StopVersionChecks() { TheWorkers().StopAll(); }

bool HasInternetConnection()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool online = false;
    for (const ifaddrs* a = list; a && !online; a = a->ifa_next) {
        if (!a->ifa_addr || (a->ifa_flags & IFF_LOOPBACK)) continue;
        if (!(a->ifa_flags & IFF_UP) || !(a->ifa_flags & IFF_RUNNING)) continue;
        online = a->ifa_addr->sa_family == AF_INET || a->ifa_addr->sa_family == AF_INET6;
    }
    freeifaddrs(list);
    return online;
}

bool StartAutomaticCheck(platform::WindowId window, bool updateCheckSetting)
{
    if (!updateCheckSetting) return false;
    // A site on this machine (a test server, a local mirror) needs no network.
    if (!IsLoopbackUrl(SiteUrl()) && !HasInternetConnection()) return false;
    SetVersionReceiver(window);
    StartVersionCheck(ProgramVersion());
    return true;
}

std::string VersionReportText(int code, std::intptr_t a, std::intptr_t b)
{
    switch (code) {
    case platform::msg::NewerVersion:
        return i18n::Languages().FormatString(
            kMessageNewVersion, {static_cast<long long>(a / 100), static_cast<long long>(a % 100), static_cast<long long>(b)});
    case platform::msg::UpToDate: return i18n::Languages().LoadString(kMessageLatest);
    case platform::msg::VersionCheckError: return TakeVersionError(a);
    default: return {};
    }
}

}  // namespace update
