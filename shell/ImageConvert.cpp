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

}  // namespace shell
