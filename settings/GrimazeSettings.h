#pragma once
/**
 * @file GrimazeSettings.h
 * @brief The program's own preferences and their life: loaded once before anything else
 * starts, saved once after the main window has closed.
 *
 * The values live in "$XDG_CONFIG_HOME/Kestrovo/Grimaze.ini", section
 * "Software\Kestrovo\Grimaze". A missing file or value leaves the default; a value of the wrong
 * kind is replaced by its default. The desktop program and grimaze-cli open a SettingsSession
 * first thing in main(), so the settings are loaded before the language is chosen and saved
 * after every window is gone.
 *
 * Threads: the user-interface thread reads and changes the settings; workers are given copies.
 */
#include "settings/SessionSettings.h"
#include "settings/Settings.h"

#include <functional>
#include <optional>
#include <string>

namespace settings {

class CGrimazeSettings : public CSettings {
public:
    static constexpr const char* kDefaultLanguage = "auto";

    // Stored values.
    std::string language = kDefaultLanguage;  ///< "auto" or the chosen language file's name
    bool languageAuto = true;                 ///< the language follows the system language
    CSessionSettings session;                 ///< the desktop program's window and choices

    // Not stored: every run starts with these.
    bool updateCheck = true;   ///< check for a newer version when the main window opens
    bool showHidden = false;   ///< the gallery shows templates the user has hidden

    /**
     * @brief Moves the stored values. To add one: a member with its default above, then one
     * x.Field(...) line here and one assignment in SetDefaults().
     */
    bool Exchange(bool continueOnFailure, CSettingsStorage& storage, bool save, bool useDefaults) override;

private:
    void SetDefaults();
};

/** The process-wide settings object. */
CGrimazeSettings& GrimazeSettings();

/** "$XDG_CONFIG_HOME/Kestrovo/Grimaze.ini" (read from the environment on each call). */
std::string SettingsFilePath();
/** The section that holds the program's values. */
inline constexpr const char* kSettingsSection = "Software\\Kestrovo\\Grimaze";
/** One value of the settings file as stored, or nothing when the file or the value is missing. */
std::optional<StoredValue> ReadStoredValue(const char* name);
/** A value of the settings file that no window offers (set by hand or by an installer): the fallback when missing or of another type. */
template <class T>
T StoredSetting(const char* name, T fallback)
{
    const std::optional<StoredValue> value = ReadStoredValue(name);
    const T* v = value ? std::get_if<T>(&*value) : nullptr;
    return v ? *v : fallback;
}
/** What a failed save tells the user. */
inline constexpr const char* kSaveSettingsError = "Save project settings error!";

/**
 * @brief Receives the messages of the settings subsystem for the user: the desktop program shows
 * them in a message box; without a handler they go to stderr. Called on the thread that loads or
 * saves.
 */
void SetSettingsMessageHandler(std::function<void(const std::string&)> handler);

/**
 * @brief Sets the defaults, then reads the file. With saveLater, checks that the file can be
 * written back at exit and, when it cannot (a read-only or unreadable folder, a file that exists
 * but cannot be read), says once that settings will not be saved; SaveGrimazeSettings then stays
 * quiet. Returns whether stored values were read.
 */
bool LoadGrimazeSettings(bool saveLater = true);

/** Writes the settings; on failure reports kSaveSettingsError and, on a second line, why. */
bool SaveGrimazeSettings();

/** Loads the settings when created and saves them when destroyed: make it main()'s first object. */
class SettingsSession {
public:
    explicit SettingsSession(bool saveAtExit = true);
    ~SettingsSession();
    SettingsSession(const SettingsSession&) = delete;
    SettingsSession& operator=(const SettingsSession&) = delete;

private:
    bool saveAtExit_;
};

}  // namespace settings
