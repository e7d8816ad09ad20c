#include "batch/BatchRun.h"

#include "engine/ImageFilter.h"

#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/PictureTypes.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/Failure.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

using engine::CEffectTemplate;
using engine::CImageFilter;
using engine::CPhotoDocument;
using engine::CT_SimpleTempl;
using engine::IsReadablePictureName;
using engine::OpenTemplate;
using engine::RefPtr;
using engine::SaveImage;

namespace batch {

bool IsBatchPictureName(const std::string& name) { return IsReadablePictureName(name); }

std::vector<std::string> ExpandBatchPhotos(const std::vector<std::string>& namesAndFolders)
{
    std::vector<std::string> photos;
    for (const std::string& a : namesAndFolders) {
        if (!platform::IsFolder(a)) {
            photos.push_back(a);
            continue;
        }
        std::vector<std::string> inFolder;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(a, ec))
            if (e.is_regular_file(ec) && IsBatchPictureName(e.path().filename().string()))
                inFolder.push_back(e.path().string());
        std::sort(inFolder.begin(), inFolder.end());
        photos.insert(photos.end(), inFolder.begin(), inFolder.end());
    }
    return photos;
}

namespace {

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

}  // namespace

bool CheckBatchNamePattern(std::string_view pattern, std::string* error)
{
    if (pattern.empty()) return platform::Fail(error, "the name pattern is empty");
    if (pattern.find('/') != std::string_view::npos) return platform::Fail(error, "the name pattern may not hold a slash");
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 == pattern.size()) return platform::Fail(error, "the name pattern ends in a lone %");
        const char c = pattern[++i];
        if (c != 'b' && c != 't' && c != 'n' && c != 'e' && c != '%')
            return platform::Fail(error, std::string("the name pattern holds %") + c + "; only %b, %t, %n, %e and %% are known");
    }
    return true;
}

namespace {

std::string WithoutSlashes(std::string s)
{
    std::replace(s.begin(), s.end(), '/', '_');
    return s;
}

std::string ExpandName(std::string_view pattern, const std::string& stem, const std::string& templateName, size_t number,
                       const std::string& extension)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (pattern[++i]) {
        case 'b': out += stem; break;
        case 't': out += WithoutSlashes(templateName); break;
        case 'n': out += std::to_string(number); break;
        case 'e': out += extension; break;
        default: out += pattern[i];
        }
    }
    return out;
}

}  // namespace

std::vector<BatchItem> PlanBatchOutputs(const std::vector<std::string>& photos, const std::string& folder,
                                        const std::string& extension)
{
    return PlanBatchOutputs(photos, folder, extension, "%b.%e", {});
}

std::vector<BatchItem> PlanBatchOutputs(const std::vector<std::string>& photos, const std::string& folder,
                                        const std::string& extension, std::string_view pattern,
                                        const std::string& templateName)
{
    std::vector<BatchItem> plan;
    std::map<std::string, std::string> taken;  // output name (lower case) -> photo
    for (const std::string& photo : photos) {
        BatchItem p{photo, {}, {}};
        const std::string stem = std::filesystem::path(photo).stem().string();
        const std::string name = ExpandName(pattern, stem, templateName, plan.size() + 1, extension);
        if (stem.empty() || stem == "." || stem == "..") {
            p.error = "not a photo file name";
        } else if (name.empty() || name == "." || name == "..") {
            p.error = "the name pattern gives it no file name";
        } else {
            p.out = platform::JoinPath(folder, name);
            const auto [it, fresh] = taken.emplace(platform::ToLowerAscii(p.out), photo);
            if (!fresh) p.error = "its result would have the same name as that of " + it->second;
            else if (SameFile(p.out, photo)) p.error = "its result would replace the photo itself";
        }
        plan.push_back(p);
    }
    return plan;
}

cv::Size SavedSize(cv::Size result, const SaveOptions& options)
{
    const int longer = std::max(result.width, result.height);
    if (options.longSide <= 0 || longer <= 0 || longer == options.longSide) return result;
    const double scale = static_cast<double>(options.longSide) / longer;
    return {std::max(1, static_cast<int>(std::lround(result.width * scale))),
            std::max(1, static_cast<int>(std::lround(result.height * scale)))};
}

bool SaveResult(const std::string& path, const cv::Mat& result, const SaveOptions& options, std::string* error)
{
    const cv::Size size = SavedSize(result.size(), options);
    if (size == result.size() || result.empty()) return SaveImage(path, result, error, options.quality);
    cv::Mat scaled;
    // Area averaging keeps a shrunk picture free of moire; enlarging wants a smooth filter.
    const bool shrinking = size.width < result.cols;
    cv::resize(result, scaled, size, 0, 0, shrinking ? cv::INTER_AREA : cv::INTER_LINEAR);
    return SaveImage(path, scaled, error, options.quality);
}

BatchOutcome RunBatch(const std::vector<BatchItem>& plan, const RenderJob& job, const SaveOptions& save, int jobs,
                      BatchListener& listener, const std::atomic<bool>* cancel)
{
    BatchOutcome outcome;
    std::mutex m;  // guards outcome and serialises the listener
    std::atomic<size_t> next{0};
    auto work = [&] {
        // Each worker polls a stop flag of its own: the window stopping its own rendering
        // must not cut a photo of the batch short (a cancel starts no more photos instead).
        std::atomic<bool> ownStop{false};
        const CImageFilter::StopScope scope(ownStop);
        for (size_t i = next++; i < plan.size(); i = next++) {
            const BatchItem& p = plan[i];
            if (cancel && cancel->load()) {
                std::lock_guard lock(m);
                ++outcome.cancelled;
                continue;
            }
            std::string why;
            if (p.error.empty()) {
                {
                    std::lock_guard lock(m);
                    listener.Started(p);
                }
                RenderJob one = job;
                one.photos = {p.photo};
                const cv::Mat result = RunRenderJob(one, &why);
                if (result.empty()) {
                    // The reason already starts with the photo's name; say it once.
                    const std::string again = "cannot read photo " + p.photo + ": ";
                    if (why.rfind(again, 0) == 0) why = "cannot read it: " + why.substr(again.size());
                } else if (!SaveResult(p.out, result, save, &why)) {
                    why = "cannot write " + p.out + ": " + why;
                }
            } else {
                why = p.error;
            }
            std::lock_guard lock(m);
            if (why.empty()) {
                ++outcome.written;
                listener.Written(p);
            } else {
                ++outcome.failed;
                listener.Failed(p, why);
            }
        }
    };
    const size_t workers = std::min<size_t>(static_cast<size_t>(std::max(1, jobs)), plan.size());
    std::vector<std::thread> threads;
    for (size_t i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    return outcome;
}

bool CheckBatchTemplate(const RenderJob& job, std::string* error)
{
    CPhotoDocument doc;
    RefPtr<CEffectTemplate> t = OpenTemplate(job.templateFile, &doc, error);
    if (!t) return false;
    auto* simple = dynamic_cast<CT_SimpleTempl*>(t.get());
    for (int i = 0; i < 3; ++i) {
        if (!job.vars[i]) continue;
        if (!simple)
            return platform::Fail(error, "this template has no variables to set");
        const auto& spec = simple->Variable(i);
        const double lo = std::min(spec.min, spec.max), hi = std::max(spec.min, spec.max);
        const double v = *job.vars[i];
        if (v < lo || v > hi) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "--var%d %g is outside the template's range %g to %g", i + 1, v, lo, hi);
            return platform::Fail(error, buf);
        }
    }
    return true;
}

}  // namespace batch
