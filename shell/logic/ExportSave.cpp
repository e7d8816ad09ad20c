#include "shell/logic/ExportSave.h"

#include "engine/EffectTemplate.h"
#include "engine/ImageIO.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <mutex>

namespace shell {
namespace {

std::mutex g_saveLock;

bool Fail(std::string* error, const std::string& why)
{
    if (error) *error = why;
    return false;
}

bool PrepareTarget(const std::string& path, std::string* error)
{
    if (!CheckSavePath(path, error)) return false;
    const std::string folder = platform::ParentFolder(path);
    if (!folder.empty() && !platform::MakeFolders(folder)) return Fail(error, "the folder " + folder + " cannot be created");
    return true;
}

}  // namespace

cv::Mat ScaleForExport(const cv::Mat& result, ExportSize size, bool keepAspect)
{
    if (result.empty() || size.width < 1 || size.height < 1) return {};
    if (keepAspect) size = FitToAspect(size.width, size.height, result.cols, result.rows);
    size.width = std::max(1, size.width);
    size.height = std::max(1, size.height);
    if (size.width == result.cols && size.height == result.rows) return result.clone();
    cv::Mat out;
    // Shrinking averages the pixels it drops; bilinear alone would alias fine detail.
    const bool shrink = size.width < result.cols && size.height < result.rows;
    cv::resize(result, out, cv::Size(size.width, size.height), 0, 0, shrink ? cv::INTER_AREA : cv::INTER_LINEAR);
    return out;
}

SaveOutcome SaveImageFile(std::string& path, const cv::Mat& image, const OverwriteQuestion& ask, std::string* error)
{
    if (image.empty()) {
        Fail(error, "there is no image to save");
        return SaveOutcome::Failed;
    }
    if (!PrepareTarget(path, error)) return SaveOutcome::Failed;
    const std::string target = ImageSavePath(path);
    if (platform::FileExists(target) && !(ask && ask(target))) return SaveOutcome::Declined;
    std::lock_guard lock(g_saveLock);
    if (!SaveImage(target, image, error)) return SaveOutcome::Failed;
    path = target;
    return SaveOutcome::Saved;
}

SaveOutcome SaveGifFile(std::string& path, CEffectTemplate& templ, int width, int height, const OverwriteQuestion& ask,
                        std::string* error)
{
    if (!PrepareTarget(path, error)) return SaveOutcome::Failed;
    const std::string target = GifSavePath(path);
    if (platform::FileExists(target) && !(ask && ask(target))) return SaveOutcome::Declined;
    std::lock_guard lock(g_saveLock);
    const std::string temp = platform::UserFolder() + "tmp.gif";
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    if (!templ.ExportAnimation(temp, width, height) || !platform::FileExists(temp)) {
        Fail(error, "the animation could not be written");
        return SaveOutcome::Failed;
    }
    std::string bytes;
    if (!platform::ReadFile(temp, bytes, std::size_t(1) << 31, error)) return SaveOutcome::Failed;
    if (!platform::WriteFileAtomically(target, bytes, error)) return SaveOutcome::Failed;
    path = target;
    return SaveOutcome::Saved;
}

}  // namespace shell
