#include "settings/GrimazeSettings.h"

#include "settings/SettingsStorageIni.h"
#include "platform/Folders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace settings {

namespace {

std::mutex g_handlerMutex;
std::function<void(const std::string&)> g_handler;
// Set when the user was told at start that nothing will be saved: the exit says nothing more.
bool g_saveDisabled = false;

void Report(const std::string& message)
{
    std::function<void(const std::string&)> handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler)
        handler(message);
    else
        std::fprintf(stderr, "grimaze: %s\n", message.c_str());
}

// Why the settings file could not be written back, or empty when it can. Nothing is created:
// the nearest folder that exists must let us create the rest and replace the file.
std::string WhyNotWritable(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return path + " is not a file";
        if (access(path.c_str(), R_OK) != 0) return "cannot read " + path + ": " + std::strerror(errno);
    } else if (errno != ENOENT && errno != ENOTDIR) {
        return "cannot reach " + path + ": " + std::strerror(errno);
    }
    std::string folder = platform::ParentFolder(path);
    while (!folder.empty() && stat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return "cannot reach " + folder + ": " + std::strerror(errno);
        if (folder == "/") break;
        folder = platform::ParentFolder(folder);
    }
    if (folder.empty()) return "no folder for " + path;
    if (!S_ISDIR(st.st_mode)) return folder + " is not a folder";
    if (access(folder.c_str(), W_OK | X_OK) != 0) return folder + " is not writable";
    return {};
}

}  // namespace

bool CGrimazeSettings::Exchange(bool continueOnFailure, CSettingsStorage& storage, bool save, bool useDefaults)
{
    if (useDefaults) {
        SetDefaults();
        return true;
    }
    SettingsExchange x(continueOnFailure, storage, save);
    x.Field("language", language, std::string(kDefaultLanguage));
    x.Field("languageAuto", languageAuto, true);
    x.Field("Session", session, CSessionSettings());
    return x.Result();
}

void CGrimazeSettings::SetDefaults()
{
    language = kDefaultLanguage;
    languageAuto = true;
    session = CSessionSettings();
}

CGrimazeSettings& GrimazeSettings()
{
    static CGrimazeSettings settings;
    return settings;
}

std::string SettingsFilePath() { return platform::ConfigHome() + "/Kestrovo/Grimaze.ini"; }

std::optional<StoredValue> ReadStoredValue(const char* name)
{
    CSettingsStorageIni storage(SettingsFilePath(), kSettingsSection);
    if (!storage.OpenForReading()) return std::nullopt;
    StoredValue value;
    const bool found = storage.ReadValue(name, value);
    storage.CloseAfterReading();
    if (!found) return std::nullopt;
    return value;
}

void SetSettingsMessageHandler(std::function<void(const std::string&)> handler)
{
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}

bool LoadGrimazeSettings(bool saveLater)
{
    CGrimazeSettings& settings = GrimazeSettings();
    CSettingsStorageIni storage(SettingsFilePath(), kSettingsSection);
    settings.Exchange(true, storage, false, true);
    const bool loaded = settings.Load(storage);
    g_saveDisabled = false;
    if (saveLater) {
        if (const std::string why = WhyNotWritable(SettingsFilePath()); !why.empty()) {
            g_saveDisabled = true;
            Report("Settings will not be saved: " + why + ".");
        }
    }
    return loaded;
}

bool SaveGrimazeSettings()
{
    if (g_saveDisabled) return false;
    CSettingsStorageIni storage(SettingsFilePath(), kSettingsSection);
    if (GrimazeSettings().Save(storage)) return true;
    // The reason names the folder (read-only, full, in the way), so the user knows where to look.
    const std::string why = storage.LastError();
    Report(why.empty() ? std::string(kSaveSettingsError) : std::string(kSaveSettingsError) + "\n" + why + ".");
    return false;
}

SettingsSession::SettingsSession(bool saveAtExit) : saveAtExit_(saveAtExit) { LoadGrimazeSettings(saveAtExit); }

SettingsSession::~SettingsSession()
{
    if (saveAtExit_) SaveGrimazeSettings();
}

}  // namespace settings
