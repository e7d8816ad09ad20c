// SPDX-License-Identifier: MIT
#include "camera/ShotFiles.h"

#include "engine/ImageIO.h"
#include "platform/Folders.h"

#include <cstdio>
#include <filesystem>

using engine::SaveImage;

namespace camera {

std::string ShotFolder() { return platform::PicturesFolder() + "/Grimaze"; }

std::string ShotFileName(std::time_t when, const std::function<bool(const std::string&)>& taken)
{
    std::tm local {};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "Grimaze-%Y%m%d-%H%M%S", &local);
    std::string name = std::string(stamp) + ".jpg";
    for (int n = 2; taken && taken(name); ++n) name = std::string(stamp) + "-" + std::to_string(n) + ".jpg";
    return name;
}

std::string SaveShot(const cv::Mat& frame, const std::string& folder, std::time_t when, std::string* error)
{
    if (frame.empty()) {
        if (error) *error = "there is no picture from the camera yet";
        return {};
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        if (error) *error = "cannot make the folder " + folder + ": " + ec.message();
        return {};
    }
    const std::string name =
        ShotFileName(when, [&](const std::string& n) { return std::filesystem::exists(folder + "/" + n, ec); });
    const std::string path = folder + "/" + name;
    if (!SaveImage(path, frame, error, 95)) return {};
    return path;
}

}  // namespace camera
