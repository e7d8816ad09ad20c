#pragma once
/**
 * @file TemplateDownload.h
 * @brief Downloading online templates: one worker thread per template, the archive kept in
 * the download folder, its files unpacked into the template's library folder.
 *
 * Threads: Start, TakeResult and the destructor run on the interface thread. Each download
 * runs on a thread of its own and touches nothing but its own copy of the request and its
 * result slot; the library item and its XML element are changed by the gallery on the
 * interface thread when the completion report (DownloadFinished, 3271: a = download id,
 * b = success) arrives. The destructor cancels the transfers still running and joins every
 * worker, so no worker outlives the library it was started for.
 */
#include "library/ZipExtract.h"
#include "platform/Notify.h"
#include "update/HttpTransfer.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace library {

struct TemplateItem;

/** What one download needs, copied out of the library item when it starts. */
struct DownloadRequest {
    std::string url;
    std::string name;           ///< the template's name; the archive's file name is made from it
    std::string libraryFolder;  ///< where the archive is unpacked
    /** The folder (in libraryFolder) that holds the template's files from an earlier download; "" when none. */
    std::string ownFolder;
};

struct DownloadResult {
    bool success = false;
    int outcome = update::kTransferNotFinished;  ///< HTTP status or a TransferOutcome
    std::string error;                           ///< why it failed, in words
    std::string storedFilepath;  ///< ".\sub\name.tmpl" as template.cfg stores it
    std::string archivePath;     ///< the archive file in the download folder
};

/**
 * @brief A file name made from a template name that cannot leave the folder it is put in:
 * separators, drive colons and control characters become "_", a leading dot too, and an
 * empty name becomes "_".
 */
std::string SafeArchiveName(const std::string& templateName);

/** The folder in its library folder that holds a downloaded template's files ("" when none). */
std::string OwnFolder(const TemplateItem& item);

/** The documents folder followed by "Kestrovo/Grimaze/Download/". */
std::string DefaultDownloadFolder();

/**
 * @brief Runs one download from start to end on the calling thread (the worker body):
 * transfer into a temporary file in the download folder, unpack into the library folder,
 * find the definition file (the last entry ending in ".tmpl"), keep the archive. The archive
 * must hold one folder, new or request.ownFolder (which it replaces), with a definition that
 * loads; otherwise nothing in the library folder changes.
 */
DownloadResult RunTemplateDownload(const DownloadRequest& request, const std::string& downloadFolder,
                                   const update::TransferLimits& transferLimits, const ExtractLimits& extractLimits,
                                   const std::atomic<bool>* cancel = nullptr);

class CTemplateDownloader {
public:
    CTemplateDownloader();
    /** Cancels every running transfer and joins every worker. */
    ~CTemplateDownloader();
    CTemplateDownloader(const CTemplateDownloader&) = delete;
    CTemplateDownloader& operator=(const CTemplateDownloader&) = delete;

    /** The folder archives are kept in (created, with its parents, when a download starts). */
    void SetDownloadFolder(const std::string& folder);
    std::string DownloadFolder() const;
    void SetTransferLimits(const update::TransferLimits& limits);
    void SetExtractLimits(const ExtractLimits& limits);

    /**
     * @brief Starts a worker for the item and returns its download id (positive) at once.
     * When it ends, DownloadFinished is posted to notifyWindow with the id and the success flag.
     */
    int Start(const TemplateItem& item, platform::WindowId notifyWindow);

    /** The result of a finished download, once; nullopt while it runs or for unknown ids. */
    std::optional<DownloadResult> TakeResult(int id);

    /** Number of downloads still running. */
    int Running() const;
    /** Waits until no download runs and each has posted DownloadFinished (for the command-line tool and tests). */
    void WaitAll();

private:
    struct Job {
        std::thread thread;
        bool done = false;
        bool posted = false;  // DownloadFinished is on its way
        std::optional<DownloadResult> result;
    };
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::map<int, std::unique_ptr<Job>> jobs_;
    int nextId_ = 1;
    std::string downloadFolder_;
    update::TransferLimits transferLimits_;
    ExtractLimits extractLimits_;
    std::atomic<bool> cancel_{false};
};

}  // namespace library
