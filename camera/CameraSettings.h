// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file CameraSettings.h
 * @brief The camera's settings in the settings file (section "Software\Kestrovo\Grimaze"):
 * which source to open, the countdown before a shot and the mirrored preview.
 */
#include <string>

namespace camera {

inline constexpr const char* kCameraSourceSetting = "cameraSource";
inline constexpr const char* kCountdownSetting = "cameraCountdown";
inline constexpr const char* kMirrorSetting = "cameraMirror";
/** The environment variable that names the source for one run, ahead of the setting. */
inline constexpr const char* kCameraEnvironment = "GRIMAZE_CAMERA";

/** GRIMAZE_CAMERA when set and not empty, else the stored "cameraSource", else "" (the first camera). */
std::string CameraSourceSetting();

/** The countdown before a shot in seconds: 0, 3, 5 or 10 (stored "cameraCountdown"; 3 otherwise). */
int CountdownSeconds();
/** Stores the countdown; a value other than 0, 3, 5 or 10 is refused (false). */
bool SetCountdownSeconds(int seconds);

/** Whether the live preview shows a mirror image (stored "cameraMirror"; on by default, as a front camera is expected to look). */
bool MirrorPreview();
bool SetMirrorPreview(bool on);

/** True for the countdowns offered: 0, 3, 5 and 10 seconds. */
constexpr bool IsCountdownChoice(int seconds) { return seconds == 0 || seconds == 3 || seconds == 5 || seconds == 10; }

}  // namespace camera
