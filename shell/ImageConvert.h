#pragma once
/**
 * @file ImageConvert.h
 * @brief Engine images (cv::Mat, BGR) as Qt images.
 */
#include <QHash>
#include <QImage>
#include <QPixmap>

#include <functional>
#include <opencv2/core.hpp>

namespace shell {

/** A deep copy of an 8-bit BGR, grey or BGRA image; a null QImage for anything else. */
QImage ToQImage(const cv::Mat& image);

/**
 * @brief Qt pixmaps made from engine images, remembered per image. An entry keeps a reference
 * to its image: the key is the pixel address, and holding the image stops that memory from
 * being reused by a different picture while the entry lives.
 */
class PixmapCache {
public:
    explicit PixmapCache(int capacity) : capacity_(capacity) {}
    /** The pixmap of image, made with make (ToQImage by default) the first time. */
    QPixmap Get(const cv::Mat& image, const std::function<QImage(const cv::Mat&)>& make = {});
    void Clear() { entries_.clear(); }
    int Size() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        cv::Mat image;
        QPixmap pixmap;
    };
    QHash<const void*, Entry> entries_;
    int capacity_;
};

}  // namespace shell
