#pragma once
/**
 * @file ExportRules.h
 * @brief The export dialog's rules without the dialog: output size (caps, keeping the
 * aspect ratio), file extensions per export type, and the checks a save path must pass.
 */
#include "engine/PictureTypes.h"

#include <string>
#include <vector>

namespace shell {

enum class ExportType { Image = 0, Gif = 1 };

inline constexpr int kImageSizeLimit = 5000;
inline constexpr int kGifSizeLimit = 300;
inline constexpr int kDefaultWidth = 400;
inline constexpr int kDefaultHeight = 300;

inline constexpr int kDefaultQuality = 92;

/** The still-image formats the export dialog offers: the picture types the engine writes, in their order. */
std::vector<const engine::PictureType*> StillFormats();
/** Whether the format is lossy and so takes a quality (JPEG, WebP). */
bool TakesQuality(const engine::PictureType& type);
/** The short name the dialog lists ("JPEG", "PNG", "WebP"). */
std::string FormatDisplayName(const engine::PictureType& type);
/**
 * @brief The path with the format's extension: kept when the extension already names the
 * format ("b.JPEG" stays for JPEG), else replaced ("b.gif" becomes "b.jpg"), or added.
 */
std::string PathForFormat(const std::string& path, const engine::PictureType& type);

struct ExportSize {
    int width = 0, height = 0;
    friend bool operator==(const ExportSize&, const ExportSize&) = default;
};

/** What the export dialog was last set to; the window keeps it between exports (and runs). */
struct ExportChoices {
    std::string format = "jpg";     ///< a writable picture type's name (engine/PictureTypes.h)
    int quality = kDefaultQuality;  ///< JPEG and WebP, 1..100
    int longSide = 0;               ///< a still's longer side in pixels; 0 writes the result's own size
    int gifWidth = 0, gifHeight = 0;  ///< the animation's largest size; 0 lets the dialog choose
    int gifDelayCs = 0;             ///< hundredths of a second with each frame; 0 writes no delay
    bool keepOpen = false;          ///< the dialog stays open after a save
    friend bool operator==(const ExportChoices&, const ExportChoices&) = default;
};

/** The largest size of the image's proportions inside the request (single precision, rounded). */
ExportSize FitToAspect(int requestWidth, int requestHeight, int imageWidth, int imageHeight);

/** A w x h picture with its longer side made longSide (0 keeps it); never below 1 x 1. */
ExportSize LongSideSize(int width, int height, int longSide);

/** Reads a number the way the size boxes do: leading blanks and digits; anything else reads 0. */
int ParseSizeText(const std::string& text);

/**
 * @brief The path after switching the export type: its extension becomes one the type writes
 * (a still keeps a picture format it names, else becomes JPEG).
 */
std::string PathForType(const std::string& path, ExportType type);

/** Size rules of the dialog; the image size is 0 x 0 when there is no result. */
class ExportSizeRules {
public:
    void SetType(ExportType type) { limit_ = type == ExportType::Gif ? kGifSizeLimit : kImageSizeLimit; }
    int Limit() const { return limit_; }
    void SetKeepAspect(bool on) { keepAspect_ = on; }
    bool KeepAspect() const { return keepAspect_; }
    void SetImageSize(int width, int height)
    {
        imageW_ = width;
        imageH_ = height;
    }
    bool HasImage() const { return imageW_ > 0 && imageH_ > 0; }

    /** After a type change: no negatives, both capped, then fitted when keeping the aspect. */
    ExportSize TypeChanged(ExportSize s) const;
    ExportSize WidthEdited(ExportSize s) const;
    ExportSize HeightEdited(ExportSize s) const;
    /** After the keep-aspect box changed (SetKeepAspect first). */
    ExportSize KeepAspectSwitched(ExportSize s) const;

private:
    int limit_ = kImageSizeLimit;
    bool keepAspect_ = true;
    int imageW_ = 0, imageH_ = 0;
};

/** The file a GIF save writes: the extension becomes exactly "gif". */
std::string GifSavePath(const std::string& path);

/**
 * @brief Whether a save may go to this path: it names a file inside a folder (an absolute
 * path, not ending in a separator). Reasons are sentences for the user.
 */
bool CheckSavePath(const std::string& path, std::string* error = nullptr);

}  // namespace shell
