// SPDX-License-Identifier: MIT
#include "camera/CameraSettings.h"

#include "settings/GrimazeSettings.h"
#include "settings/SettingsStorageIni.h"

#include <cstdint>
#include <cstdlib>
#include <variant>

using settings::CSettingsStorageIni;
using settings::SettingsFilePath;
using settings::StoredSetting;
using settings::StoredValue;
using settings::kSettingsSection;

namespace camera {
namespace {

bool Store(const char* name, const StoredValue& value)
{
    CSettingsStorageIni storage(SettingsFilePath(), kSettingsSection);
    if (!storage.OpenForWriting()) return false;
    const bool written = storage.WriteValue(name, value);
    return storage.CloseAfterWriting() && written;
}

}  // namespace

std::string CameraSourceSetting()
{
    if (const char* env = std::getenv(kCameraEnvironment); env && *env) return env;
    return StoredSetting<std::string>(kCameraSourceSetting, {});
}

int CountdownSeconds()
{
    // A dword cannot be negative, and a hand-edited 7 is not a choice the window offers.
    const auto stored = StoredSetting<std::uint32_t>(kCountdownSetting, 3);
    return stored <= 10 && IsCountdownChoice(static_cast<int>(stored)) ? static_cast<int>(stored) : 3;
}

bool SetCountdownSeconds(int seconds)
{
    if (!IsCountdownChoice(seconds)) return false;
    return Store(kCountdownSetting, StoredValue(static_cast<std::uint32_t>(seconds)));
}

bool MirrorPreview() { return StoredSetting<std::uint32_t>(kMirrorSetting, 1) != 0; }

bool SetMirrorPreview(bool on) { return Store(kMirrorSetting, StoredValue(static_cast<std::uint32_t>(on ? 1 : 0))); }

}  // namespace camera
