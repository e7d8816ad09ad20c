// SPDX-License-Identifier: MIT
#include "settings/SessionSettings.h"

#include <algorithm>
#include <cstdlib>

namespace settings {

namespace {

bool KnownFormat(const std::string& f)
{
    static const char* const kFormats[] = {"jpg", "png", "bmp", "webp", "tif", "tiff", "gif"};
    return std::any_of(std::begin(kFormats), std::end(kFormats), [&](const char* k) { return f == k; });
}

}  // namespace

void CSessionSettings::Sanitise()
{
    const CSessionSettings d;
    if (windowWidth <= 0 || windowHeight <= 0 || windowWidth > kMaxWindowSide || windowHeight > kMaxWindowSide ||
        std::abs(static_cast<long long>(windowX)) > kMaxWindowSide ||
        std::abs(static_cast<long long>(windowY)) > kMaxWindowSide) {
        windowX = windowY = windowWidth = windowHeight = 0;
    }
    if (!KnownFormat(exportFormat)) exportFormat = d.exportFormat;
    if (jpegQuality < 1 || jpegQuality > 100) jpegQuality = d.jpegQuality;
    // A GIF side below 16 pixels shows nothing of a face; beyond 4096 nobody plays it.
    if (gifMaxWidth < 16 || gifMaxWidth > 4096) gifMaxWidth = d.gifMaxWidth;
    if (gifMaxHeight < 16 || gifMaxHeight > 4096) gifMaxHeight = d.gifMaxHeight;
    if (gifDelay < 0 || gifDelay > 6000) gifDelay = d.gifDelay;
    // The export dialog offers long sides of 16 to 5000 pixels.
    if (exportLongSide != 0 && (exportLongSide < 16 || exportLongSide > 5000)) exportLongSide = d.exportLongSide;
    std::vector<std::string> recent;
    for (const std::string& p : recentPhotos)
        if (!p.empty() && p.front() == '/' && std::find(recent.begin(), recent.end(), p) == recent.end() &&
            recent.size() < kMaxRecentPhotos)
            recent.push_back(p);
    recentPhotos = std::move(recent);
}

bool CSessionSettings::ExchangeRecentPhotos(CSettingsStorage& storage, bool save)
{
    std::size_t count = recentPhotos.size();
    auto list = save ? storage.BeginWriteList("recentPhotos", count) : storage.BeginReadList("recentPhotos", count);
    if (!list) {
        if (!save) recentPhotos.clear();
        return save ? false : true;  // none stored reads as an empty list
    }
    // More than the menu shows is a damaged count: read no further than it could hold.
    if (!save) recentPhotos.assign(std::min(count, kMaxRecentPhotos), std::string());
    bool ok = true;
    for (std::size_t i = 0; i < recentPhotos.size(); ++i) {
        if (!list->Exchange(CSettingsStorage::ItemName(i), recentPhotos[i], save)) {
            if (!save) recentPhotos[i].clear();  // dropped by Sanitise
            ok = false;
        }
    }
    ok = (save ? storage.EndWriteList(std::move(list)) : storage.EndReadList(std::move(list))) && ok;
    return save ? ok : true;
}

bool CSessionSettings::Exchange(bool continueOnFailure, CSettingsStorage& storage, bool save, bool useDefaults)
{
    const CSessionSettings d;
    if (useDefaults) {
        *this = d;
        return true;
    }
    SettingsExchange x(continueOnFailure, storage, save);
    x.Field("windowX", windowX, d.windowX);
    x.Field("windowY", windowY, d.windowY);
    x.Field("windowWidth", windowWidth, d.windowWidth);
    x.Field("windowHeight", windowHeight, d.windowHeight);
    x.Field("windowMaximised", windowMaximised, d.windowMaximised);
    x.Field("openFolder", openFolder, d.openFolder);
    x.Field("exportFolder", exportFolder, d.exportFolder);
    x.Field("exportFormat", exportFormat, d.exportFormat);
    x.Field("jpegQuality", jpegQuality, d.jpegQuality);
    x.Field("gifMaxWidth", gifMaxWidth, d.gifMaxWidth);
    x.Field("gifMaxHeight", gifMaxHeight, d.gifMaxHeight);
    x.Field("gifDelay", gifDelay, d.gifDelay);
    x.Field("controlPanel", controlPanel, d.controlPanel);
    x.Field("category", category, d.category);
    x.Field("exportLongSide", exportLongSide, d.exportLongSide);
    x.Field("exportKeepOpen", exportKeepOpen, d.exportKeepOpen);
    const bool listOk = ExchangeRecentPhotos(storage, save);
    if (!save) Sanitise();
    return x.Result() && listOk;
}

}  // namespace settings
