#include "shell/logic/ExportSave.h"

#include "engine/AnimationCommands.h"
#include "engine/EffectTemplate.h"
#include "engine/ImageIO.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <mutex>

using engine::CEffectTemplate;
using engine::PictureType;
using engine::SaveImage;
namespace anim_cmd = engine::anim_cmd;

namespace shell {
namespace {

std::mutex g_saveLock;

using platform::Fail;

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

cv::Mat ScaleToLongSide(const cv::Mat& result, int longSide)
{
    if (result.empty() || longSide < 1) return result;
    return ScaleForExport(result, LongSideSize(result.cols, result.rows, longSide), false);
}

SaveOutcome SaveImageFile(std::string& path, const cv::Mat& image, const PictureType& format, int quality,
                          const OverwriteQuestion& ask, std::string* error)
{
    if (image.empty()) {
        Fail(error, "there is no image to save");
        return SaveOutcome::Failed;
    }
    if (!PrepareTarget(path, error)) return SaveOutcome::Failed;
    const std::string target = PathForFormat(path, format);
    if (platform::FileExists(target) && !(ask && ask(target))) return SaveOutcome::Declined;
    std::lock_guard lock(g_saveLock);
    if (!SaveImage(target, image, error, std::clamp(quality, 1, 100))) return SaveOutcome::Failed;
    path = target;
    return SaveOutcome::Saved;
}

cv::Size AnimationSizeWithin(CEffectTemplate& templ, int width, int height)
{
    int size[2] = {width, height};
    templ.ParamCommand(anim_cmd::AnimationSize, 0, 0, size);
    // A template that does not answer leaves the request as it was: it cannot tell.
    if (size[0] == width && size[1] == height && !templ.IsExpression()) return {};
    return {std::max(0, size[0]), std::max(0, size[1])};
}

SaveOutcome SaveGifFile(std::string& path, CEffectTemplate& templ, int width, int height, const OverwriteQuestion& ask,
                        std::string* error, int frameDelayCs)
{
    if (!PrepareTarget(path, error)) return SaveOutcome::Failed;
    const std::string target = GifSavePath(path);
    if (platform::FileExists(target) && !(ask && ask(target))) return SaveOutcome::Declined;
    std::lock_guard lock(g_saveLock);
    const std::string temp = platform::UserFolder() + "tmp.gif";
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    templ.ParamCommand(anim_cmd::FrameDelay, 0, std::max(0, frameDelayCs), nullptr);
    const int written = templ.ExportAnimation(temp, width, height);
    templ.ParamCommand(anim_cmd::FrameDelay, 0, 0, nullptr);
    if (!written || !platform::FileExists(temp)) {
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
