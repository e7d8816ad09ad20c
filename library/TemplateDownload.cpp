#include "library/TemplateDownload.h"

#include "library/LibraryPaths.h"
#include "library/TemplateLibrary.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <cstdio>
#include <unistd.h>

namespace library {

std::string SafeArchiveName(const std::string& templateName)
{
    std::string s(platform::CutUtf8(templateName, 200));
    for (char& c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7f) c = '_';
    }
    // "." and ".." would name folders, and a leading dot hides the file.
    if (!s.empty() && s[0] == '.') s[0] = '_';
    return s.empty() ? std::string("_") : s;
}

std::string DefaultDownloadFolder()
{
    return platform::DocumentsFolder() + "/Kestrovo/Grimaze/Download/";
}

DownloadResult RunTemplateDownload(const DownloadRequest& request, const std::string& downloadFolder,
                                   const update::TransferLimits& transferLimits, const ExtractLimits& extractLimits,
                                   const std::atomic<bool>* cancel)
{
    DownloadResult result;
    result.archivePath = platform::JoinPath(downloadFolder, SafeArchiveName(request.name));
    if (!platform::MakeFolders(platform::ParentFolder(result.archivePath))) {
        result.outcome = update::kTransferFileError;
        result.error = "cannot create the download folder " + downloadFolder;
        return result;
    }
    // Two downloads of templates with the same name must not write into one file at once:
    // each fills its own temporary file, and the finished archive replaces the older one.
    const std::string partial = platform::TemporaryNameBeside(result.archivePath);
    const update::TransferResult transfer = update::HttpDownload(request.url, partial, transferLimits, cancel);
    result.outcome = transfer.outcome;
    if (!transfer.Ok()) {
        result.error = transfer.error;
        unlink(partial.c_str());
        return result;
    }

    std::string definition;
    std::string why;
    const bool extracted = ExtractArchive(
        partial, request.libraryFolder,
        [&](const std::string& path) {
            if (path.size() >= 5 && path.compare(path.size() - 5, 5, ".tmpl") == 0) definition = path;
        },
        &why, extractLimits,
        [&](std::string* reason) {
            if (!definition.empty()) return true;
            *reason = "the archive holds no template definition (.tmpl)";
            return false;
        });
    if (!extracted) {
        result.error = why;
        unlink(partial.c_str());
        return result;
    }
    // Keeping the archive is a courtesy; the template is usable without it.
    if (!platform::ReplaceFile(partial, result.archivePath)) unlink(partial.c_str());
    result.storedFilepath = StoredRelativePath(definition);
    result.success = true;
    return result;
}

CTemplateDownloader::CTemplateDownloader() : downloadFolder_(DefaultDownloadFolder()) {}

CTemplateDownloader::~CTemplateDownloader()
{
    cancel_.store(true);
    std::map<int, std::unique_ptr<Job>> jobs;
    {
        std::lock_guard lock(mutex_);
        jobs.swap(jobs_);
    }
    for (auto& [id, job] : jobs)
        if (job->thread.joinable()) job->thread.join();
}

void CTemplateDownloader::SetDownloadFolder(const std::string& folder)
{
    std::lock_guard lock(mutex_);
    downloadFolder_ = folder;
}

std::string CTemplateDownloader::DownloadFolder() const
{
    std::lock_guard lock(mutex_);
    return downloadFolder_;
}

void CTemplateDownloader::SetTransferLimits(const update::TransferLimits& limits)
{
    std::lock_guard lock(mutex_);
    transferLimits_ = limits;
}

void CTemplateDownloader::SetExtractLimits(const ExtractLimits& limits)
{
    std::lock_guard lock(mutex_);
    extractLimits_ = limits;
}

int CTemplateDownloader::Start(const TemplateItem& item, platform::WindowId notifyWindow)
{
    DownloadRequest request{item.url, item.name, item.libraryFolder};
    std::lock_guard lock(mutex_);
    const int id = nextId_++;
    auto job = std::make_unique<Job>();
    Job* j = job.get();
    const std::string folder = downloadFolder_;
    const update::TransferLimits transferLimits = transferLimits_;
    const ExtractLimits extractLimits = extractLimits_;
    jobs_.emplace(id, std::move(job));
    j->thread = std::thread([=, this, request = std::move(request)] {
        DownloadResult r = RunTemplateDownload(request, folder, transferLimits, extractLimits, &cancel_);
        const bool ok = r.success;
        {
            std::lock_guard l(mutex_);
            j->result = std::move(r);
            j->done = true;
        }
        finished_.notify_all();
        platform::Post(notifyWindow, platform::msg::DownloadFinished, id, ok ? 1 : 0);
    });
    return id;
}

std::optional<DownloadResult> CTemplateDownloader::TakeResult(int id)
{
    std::unique_ptr<Job> job;
    {
        std::lock_guard lock(mutex_);
        const auto found = jobs_.find(id);
        if (found == jobs_.end() || !found->second->done) return std::nullopt;
        job = std::move(found->second);
        jobs_.erase(found);
    }
    // The worker has stored its result; at most its posting remains.
    if (job->thread.joinable()) job->thread.join();
    return std::move(job->result);
}

int CTemplateDownloader::Running() const
{
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [id, job] : jobs_) n += job->done ? 0 : 1;
    return n;
}

void CTemplateDownloader::WaitAll()
{
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] {
        for (const auto& [id, job] : jobs_)
            if (!job->done) return false;
        return true;
    });
}

}  // namespace library
