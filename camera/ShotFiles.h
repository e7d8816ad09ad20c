// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file ShotFiles.h
 * @brief Where the photo booth keeps its shots: $XDG_PICTURES_DIR/Grimaze/, one JPEG per shot
 * named by the local time it was taken.
 */
#include <opencv2/core.hpp>

#include <ctime>
#include <functional>
#include <string>

namespace camera {

/** The folder shots go to: the user's pictures folder plus "Grimaze". */
std::string ShotFolder();

/**
 * @brief "Grimaze-YYYYMMDD-HHMMSS.jpg" for the local time; when taken already names a file
 * (a burst within one second), "-2", "-3", ... is added before the extension until it does not.
 */
std::string ShotFileName(std::time_t when, const std::function<bool(const std::string&)>& taken);

/**
 * @brief Saves a shot as JPEG in folder (made when missing) under a free name, atomically
 * (a temporary file renamed into place). Returns the full path, or "" with a reason.
 */
std::string SaveShot(const cv::Mat& frame, const std::string& folder, std::time_t when, std::string* error);

}  // namespace camera
