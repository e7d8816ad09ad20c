#pragma once
/**
 * @file ExportRules.h
 * @brief The export dialog's rules without the dialog: output size (caps, keeping the
 * aspect ratio), file extensions per export type, and the checks a save path must pass.
 */
#include <string>

namespace shell {

enum class ExportType { Image = 0, Gif = 1 };

inline constexpr int kImageSizeLimit = 5000;
inline constexpr int kGifSizeLimit = 300;
inline constexpr int kDefaultWidth = 400;
inline constexpr int kDefaultHeight = 300;

struct ExportSize {
    int width = 0, height = 0;
    friend bool operator==(const ExportSize&, const ExportSize&) = default;
};

/** The largest size of the image's proportions inside the request (single precision, rounded). */
ExportSize FitToAspect(int requestWidth, int requestHeight, int imageWidth, int imageHeight);

/** Reads a number the way the size boxes do: leading blanks and digits; anything else reads 0. */
int ParseSizeText(const std::string& text);

/** The path after switching the export type: its extension becomes one the type writes. */
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

/**
 * @brief The file an image save writes: ".jpg" is appended unless the name already ends in
 * exactly ".bmp", ".jpg" or ".png" (so "photo.JPG" becomes "photo.JPG.jpg").
 */
std::string ImageSavePath(const std::string& path);
/** The file a GIF save writes: the extension becomes exactly "gif". */
std::string GifSavePath(const std::string& path);

/**
 * @brief Whether a save may go to this path: it names a file inside a folder (an absolute
 * path, not ending in a separator). Reasons are sentences for the user.
 */
bool CheckSavePath(const std::string& path, std::string* error = nullptr);

}  // namespace shell
