#include "library/TemplateDownload.h"

#include "library/LibraryPaths.h"
#include "library/TemplateLibrary.h"

#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "update/VendorSite.h"

#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using engine::CPhotoDocument;
using engine::LoadDefinitionFile;
using engine::OpenTemplate;

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

namespace {

/**
 * Unpacks the archive into a staging folder of the library folder, checks what it holds and
 * moves the template's folder into place in one rename. A template's archive holds one folder:
 * the template's own. It may be new, or the folder of this template's earlier download (which
 * it replaces whole), never another template's or anything else already there. The definition
 * (the last ".tmpl" entry) must load before anything moves, so a failure leaves the library
 * folder as it was.
 */
bool InstallArchive(const std::string& archive, const DownloadRequest& request, const ExtractLimits& limits,
                    std::string* definition, std::string* why)
{
    RemoveAbandonedExtractions(request.libraryFolder);
    const std::unique_ptr<ExtractionFolder> staging = ExtractionFolder::Create(request.libraryFolder, why);
    if (!staging) return false;

    std::set<std::string> tops;
    std::string topFile;
    const bool extracted = ExtractArchive(
        archive, staging->Path(),
        [&](const std::string& path) {
            if (path.empty()) return;
            const size_t slash = path.find('/');
            tops.insert(path.substr(0, slash));
            if (slash == std::string::npos) topFile = path;
            if (path.size() >= 5 && path.compare(path.size() - 5, 5, ".tmpl") == 0) *definition = path;
        },
        why, limits);
    if (!extracted) return false;
    if (definition->empty()) return platform::Fail(why, "the archive holds no template definition (.tmpl)");
    if (tops.size() > 1) {
        std::string names;
        for (const std::string& t : tops) names += (names.empty() ? "\"" : ", \"") + t + "\"";
        return platform::Fail(why, "the archive writes into more than one folder (" + names +
                               "); a template's archive holds its own folder only");
    }
    const std::string top = *tops.begin();
    if (top == topFile)
        return platform::Fail(why, "the archive holds the file \"" + top +
                               "\" outside a folder; a template's archive holds its own folder only");
    const std::string target = platform::JoinPath(request.libraryFolder, top);
    struct stat st {};
    const bool exists = lstat(target.c_str(), &st) == 0;
    if (exists && top != request.ownFolder)
        return platform::Fail(why, "the archive would write into the folder \"" + top +
                               "\", which is already in the library and not this template's");
    if (exists && !S_ISDIR(st.st_mode))
        return platform::Fail(why, target + " is in the way (a file where the template's folder goes)");
    std::string definitionError;
    if (!LoadDefinitionFile(platform::JoinPath(staging->Path(), *definition), &definitionError))
        return platform::Fail(why, "the template definition " + *definition + " in the archive cannot be read" +
                               (definitionError.empty() ? std::string() : " (" + definitionError + ")"));
    // Created once here, so that a template the program would refuse at its first use (a filter
    // that does not fit its template class, a file it names that is unusable) never enters the
    // library: the user learns it now, and nothing is recorded that only fails later.
    {
        CPhotoDocument document;
        std::string templateError;
        if (!OpenTemplate(platform::JoinPath(staging->Path(), *definition), &document, &templateError)) {
            const std::string inStaging = staging->Path() + "/";
            for (size_t at; (at = templateError.find(inStaging)) != std::string::npos;)
                templateError.erase(at, inStaging.size());
            return platform::Fail(why, "the template in the archive cannot be used (" + templateError + ")");
        }
    }

    const std::string unpacked = platform::JoinPath(staging->Path(), top);
    if (!exists) {
        if (std::rename(unpacked.c_str(), target.c_str()) != 0)
            return platform::Fail(why, "cannot move " + top + " into " + request.libraryFolder + ": " + std::strerror(errno));
        return true;
    }
    // The earlier download goes aside into the staging folder (removed with it) and comes back
    // if the new one cannot take its place.
    const std::string older = platform::JoinPath(staging->Path(), ".older");
    if (std::rename(target.c_str(), older.c_str()) != 0)
        return platform::Fail(why, "cannot replace " + target + ": " + std::strerror(errno));
    if (std::rename(unpacked.c_str(), target.c_str()) != 0) {
        const int err = errno;
        std::rename(older.c_str(), target.c_str());
        return platform::Fail(why, "cannot replace " + target + ": " + std::strerror(err));
    }
    return true;
}

}  // namespace

std::string OwnFolder(const TemplateItem& item)
{
    if (!item.online || item.filepath.empty()) return {};
    const std::string folder = WithoutTrailingSeparator(item.libraryFolder) + "/";
    if (item.filepath.compare(0, folder.size(), folder) != 0) return {};
    const std::string inside = item.filepath.substr(folder.size());
    const size_t slash = inside.find('/');
    return slash == std::string::npos ? std::string() : inside.substr(0, slash);
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
    // each fills its own temporary file, and the finished archive replaces the older one. The
    // file is locked while this process lives, so a kill leaves it for the next start to remove;
    // any other end removes it here.
    platform::TemporaryFile partial(result.archivePath);
    if (!partial.Ok()) {
        result.outcome = update::kTransferFileError;
        result.error = partial.Error();
        return result;
    }
    const update::TransferResult transfer = update::HttpDownload(request.url, partial.Path(), transferLimits, cancel);
    result.outcome = transfer.outcome;
    if (!transfer.Ok()) {
        result.error = transfer.error;
        return result;
    }
    std::string definition;
    if (!InstallArchive(partial.Path(), request, extractLimits, &definition, &result.error)) return result;
    // Keeping the archive is a courtesy; the template is usable without it.
    partial.Commit();
    result.storedFilepath = StoredRelativePath(definition);
    result.success = true;
    return result;
}

CTemplateDownloader::CTemplateDownloader() : downloadFolder_(DefaultDownloadFolder())
{
    transferLimits_.deadlineSeconds = update::DownloadTimeLimitSeconds();
}

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
    DownloadRequest request{item.url, item.name, item.libraryFolder, OwnFolder(item)};
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
        {
            std::lock_guard l(mutex_);
            j->posted = true;
        }
        finished_.notify_all();
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
            if (!job->posted) return false;
        return true;
    });
}

}  // namespace library
