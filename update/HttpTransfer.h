#pragma once
/**
 * @file HttpTransfer.h
 * @brief Fetching one URL into one file with libcurl, with limits so that no transfer can
 * hang for ever or fill the disk.
 *
 * Threads: any thread; each call uses its own easy handle. libcurl's global set-up runs once
 * (on the first call) under a once-flag, so callers need not think about it.
 */
#include <atomic>
#include <cstdint>
#include <string>

namespace update {

/** Bounds of one transfer. Tests shrink the times to a second or two. */
struct TransferLimits {
    long connectTimeoutSeconds = 30;   ///< establishing the connection
    long stallSeconds = 60;            ///< abort when no byte arrives for this long
    /** The whole transfer, however it trickles; 0 for none. A setting for downloads (update::DownloadDeadlineSeconds). */
    long deadlineSeconds = 0;
    std::uint64_t maxBytes = 1ull << 30;  ///< abort when the body grows beyond this
};

/** Outcome codes besides the HTTP status (which is positive). */
enum TransferOutcome : int {
    kTransferNotFinished = -100,
    kTransferFileError = -1,     ///< the local file cannot be created or written
    kTransferHandleError = -2,   ///< no transfer handle
    kTransferFailed = -3,        ///< network error, time-out, stall, size limit or cancel
};

struct TransferResult {
    int outcome = kTransferNotFinished;  ///< HTTP status, or one of TransferOutcome
    std::string error;                   ///< a readable reason when not 200
    std::uint64_t bytes = 0;             ///< body bytes written
    bool Ok() const { return outcome == 200; }
};

/**
 * @brief GETs url and writes the body to path (created or truncated; its folder must exist).
 * Only http and https are allowed; redirects are not followed. When cancel becomes true the
 * transfer ends within about a second with kTransferFailed. The file is left as written,
 * whatever the outcome; callers that want all-or-nothing write to a temporary name.
 */
TransferResult HttpDownload(const std::string& url, const std::string& path, const TransferLimits& limits = {},
                            const std::atomic<bool>* cancel = nullptr);

/** A size as a user reads it: "800 bytes", "64 KiB", "1.5 MiB", "1 GiB". */
std::string FormatByteSize(std::uint64_t bytes);

/** True when url names a loopback host (127.0.0.0/8, ::1 or localhost). */
bool IsLoopbackUrl(const std::string& url);

}  // namespace update
