#include "shell/ImageConvert.h"

namespace shell {

QImage ToQImage(const cv::Mat& m)
{
    if (m.empty() || m.depth() != CV_8U) return {};
    switch (m.channels()) {
    case 3: return QImage(m.data, m.cols, m.rows, static_cast<qsizetype>(m.step), QImage::Format_BGR888).copy();
    case 1: return QImage(m.data, m.cols, m.rows, static_cast<qsizetype>(m.step), QImage::Format_Grayscale8).copy();
    case 4: return QImage(m.data, m.cols, m.rows, static_cast<qsizetype>(m.step), QImage::Format_ARGB32).copy();
    default: return {};
    }
}

QPixmap PixmapCache::Get(const cv::Mat& image, const std::function<QImage(const cv::Mat&)>& make)
{
    if (image.empty()) return {};
    auto it = entries_.find(image.data);
    if (it != entries_.end() && it->image.data == image.data && it->image.size() == image.size()) return it->pixmap;
    if (static_cast<int>(entries_.size()) >= capacity_) entries_.clear();
    QPixmap pm = QPixmap::fromImage(make ? make(image) : ToQImage(image));
    entries_.insert(image.data, Entry{image, pm});
    return pm;
}

}  // namespace shell
