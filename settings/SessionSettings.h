// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file SessionSettings.h
 * @brief What the desktop program remembers from one run to the next: where its window was,
 * the folders last used for opening and exporting, the export choices, whether the control
 * panel was shown and which gallery category was open. Kept in the settings file's
 * "Software\Kestrovo\Grimaze\Session" section; a missing or damaged value falls back to its
 * default, and Sanitise() brings values a hand-edited file put out of range back into it.
 *
 * Threads: the user-interface thread only.
 */
#include "settings/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace settings {

class CSessionSettings : public CSettings {
public:
    static constexpr std::int32_t kDefaultJpegQuality = 92;
    static constexpr std::int32_t kDefaultGifSide = 200;
    /** Window sides beyond this are no window a screen can show: they read as "none stored". */
    static constexpr std::int32_t kMaxWindowSide = 32768;
    /** The File menu lists this many recent photos. */
    static constexpr std::size_t kMaxRecentPhotos = 10;

    // The normal (not maximised) window geometry in logical pixels; width 0 means none stored.
    std::int32_t windowX = 0, windowY = 0, windowWidth = 0, windowHeight = 0;
    bool windowMaximised = false;
    std::string openFolder;    ///< the add-images dialog starts here (empty: the pictures folder)
    std::string exportFolder;  ///< the export dialog starts here (empty: documents/Grimaze)
    std::string exportFormat = "jpg";  ///< extension without the dot
    std::int32_t jpegQuality = kDefaultJpegQuality;  ///< 1..100
    std::int32_t gifMaxWidth = kDefaultGifSide, gifMaxHeight = kDefaultGifSide;
    std::int32_t gifDelay = 0;  ///< hundredths of a second between GIF frames; 0 writes none
    std::int32_t exportLongSide = 0;  ///< a still's longer side in pixels; 0 keeps the result's size
    bool exportKeepOpen = false;      ///< the export dialog stays open after a save
    std::vector<std::string> recentPhotos;  ///< newest first, each once, at most kMaxRecentPhotos
    bool controlPanel = true;   ///< the adjustment pane area is shown
    std::string category;       ///< the gallery category last shown (its name)

    bool HasWindowGeometry() const { return windowWidth > 0 && windowHeight > 0; }
    /** Replaces values no run of the program would have stored by their defaults. */
    void Sanitise();

    bool Exchange(bool continueOnFailure, CSettingsStorage& storage, bool save, bool useDefaults) override;

private:
    /** The recent photos as a list; a missing or damaged list reads as none. */
    bool ExchangeRecentPhotos(CSettingsStorage& storage, bool save);
};

}  // namespace settings
