// SPDX-License-Identifier: MIT
#include "camera/FrameReader.h"

#include <algorithm>
#include <cctype>

namespace camera {

SourceName ParseSourceName(const std::string& source)
{
    if (source.empty()) return {SourceKind::Device, "/dev/video0"};
    if (std::all_of(source.begin(), source.end(), [](unsigned char c) { return std::isdigit(c); }) && source.size() < 4)
        return {SourceKind::Device, "/dev/video" + source};
    if (source.find('!') != std::string::npos || source.find("appsink") != std::string::npos)
        return {SourceKind::Pipeline, source};
    if (source.rfind("/dev/", 0) == 0) return {SourceKind::Device, source};
    return {SourceKind::File, source};
}

}  // namespace camera
