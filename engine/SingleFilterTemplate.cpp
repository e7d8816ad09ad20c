// SPDX-License-Identifier: MIT
#include "engine/SingleFilterTemplate.h"

namespace engine {

void CSingleFilterTemplate::SetSource(std::span<const cv::Mat> images)
{
    if (filter_) filter_->SetSource(images);
}

void CSingleFilterTemplate::Start()
{
    if (filter_) filter_->Start();
}

void CSingleFilterTemplate::Process()
{
    if (filter_) filter_->Process();
}

void CSingleFilterTemplate::Stop()
{
    if (filter_) filter_->Stop();
}

cv::Mat CSingleFilterTemplate::GetResult() { return filter_ ? filter_->GetResult() : cv::Mat(); }

void CSingleFilterTemplate::SetOutputSize(const cv::Size* size)
{
    if (filter_) filter_->SetOutputSize(size);
}

int CSingleFilterTemplate::ExportAnimation(const std::string& path, int maxWidth, int maxHeight)
{
    return filter_ ? filter_->ExportAnimation(path, maxWidth, maxHeight) : 0;
}

}  // namespace engine
