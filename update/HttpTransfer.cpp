#include "update/HttpTransfer.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace update {
namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::FILE* file = nullptr;
    std::uint64_t bytes = 0;
    std::uint64_t maxBytes = 0;
    bool tooLarge = false;
    bool writeFailed = false;
    const std::atomic<bool>* cancel = nullptr;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user)
{
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->bytes + n > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;  // anything short of n makes libcurl abort the transfer
    }
    const size_t written = std::fwrite(data, 1, n, sink->file);
    if (written != n) sink->writeFailed = true;
    sink->bytes += written;
    return written;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* sink = static_cast<const Sink*>(user);
    return (sink->cancel && sink->cancel->load()) ? 1 : 0;
}

std::string FormatSeconds(long seconds)
{
    if (seconds >= 120 && seconds % 60 == 0) return std::to_string(seconds / 60) + " min";
    return std::to_string(seconds) + " s";
}

}  // namespace

std::string FormatByteSize(std::uint64_t bytes)
{
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) return std::to_string(bytes) + " bytes";
    double value = static_cast<double>(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    // Whole numbers as they are, others with one decimal: "1.5 MiB".
    char text[32];
    if (value == static_cast<double>(static_cast<std::uint64_t>(value)))
        std::snprintf(text, sizeof text, "%llu %s", static_cast<unsigned long long>(value), kUnits[unit]);
    else
        std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

TransferResult HttpDownload(const std::string& url, const std::string& path, const TransferLimits& limits,
                            const std::atomic<bool>* cancel)
{
    GlobalInit();
    TransferResult result;
    Sink sink;
    sink.maxBytes = limits.maxBytes;
    sink.cancel = cancel;
    sink.file = std::fopen(path.c_str(), "wb");
    if (!sink.file) {
        result.outcome = kTransferFileError;
        result.error = "cannot create " + path + ": " + std::strerror(errno);
        return result;
    }
    CURL* curl = curl_easy_init();
    if (!curl) {
        std::fclose(sink.file);
        result.outcome = kTransferHandleError;
        result.error = "cannot start a transfer";
        return result;
    }
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    // A library address could name any scheme libcurl knows (file://, scp://, ...): only the
    // web is meant.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Signals cannot be used from worker threads; without this, name look-up time-outs would.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    // "Slower than one byte per second for stallSeconds" is libcurl's way of saying "no bytes".
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds);
    // A server that sends a byte now and then passes the stall test for ever; the deadline does not.
    if (limits.deadlineSeconds > 0) curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.deadlineSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    // The server may not serve a cached copy: we ask because something may have changed.
    struct curl_slist* headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);

    const CURLcode rc = curl_easy_perform(curl);
    long code = 0;
    if (rc == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    double seconds = 0;
    curl_easy_getinfo(curl, CURLINFO_TOTAL_TIME, &seconds);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    if (std::fclose(sink.file) != 0) sink.writeFailed = true;
    result.bytes = sink.bytes;

    if (sink.writeFailed) {
        result.outcome = kTransferFileError;
        result.error = "cannot write " + path;
    } else if (rc != CURLE_OK) {
        result.outcome = kTransferFailed;
        if (sink.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
            result.error = "the download is larger than " + FormatByteSize(limits.maxBytes);
        else if (rc == CURLE_OPERATION_TIMEDOUT && limits.deadlineSeconds > 0 && seconds >= limits.deadlineSeconds - 0.5)
            result.error = "the download did not finish within " + FormatSeconds(limits.deadlineSeconds);
        else if (rc == CURLE_OPERATION_TIMEDOUT && errorBuffer[0] == '\0')
            result.error = "the server stopped sending";
        else if (rc == CURLE_ABORTED_BY_CALLBACK)
            result.error = "cancelled";
        else
            result.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
    } else {
        result.outcome = static_cast<int>(code);
        if (code != 200) result.error = "HTTP " + std::to_string(code);
    }
    return result;
}

bool IsLoopbackUrl(const std::string& url)
{
    // scheme://[user@]host[:port]/...
    size_t p = url.find("://");
    p = (p == std::string::npos) ? 0 : p + 3;
    size_t end = url.find_first_of("/?#", p);
    std::string authority = url.substr(p, end == std::string::npos ? std::string::npos : end - p);
    if (const size_t at = authority.rfind('@'); at != std::string::npos) authority = authority.substr(at + 1);
    std::string host;
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        host = authority.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        host = authority.substr(0, authority.find(':'));
    }
    for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (host == "localhost" || host == "::1") return true;
    in_addr a {};
    if (inet_pton(AF_INET, host.c_str(), &a) == 1) return (ntohl(a.s_addr) >> 24) == 127;
    return false;
}

}  // namespace update
