// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file SingleFilterTemplate.h
 * @brief The base of templates that drive exactly one filter (the simple template and the
 * face templates): the photos, the output size and every rendering step go to that filter,
 * and a template without one renders nothing. Threads as for CEffectTemplate.
 */
#include "engine/EffectTemplate.h"

namespace engine {

class CSingleFilterTemplate : public CEffectTemplate {
public:
    void SetSource(std::span<const cv::Mat> images) override;
    void Start() override;
    void Process() override;
    void Stop() override;
    cv::Mat GetResult() override;
    void SetOutputSize(const cv::Size* size) override;
    int ExportAnimation(const std::string& path, int maxWidth, int maxHeight) override;
};

}  // namespace engine
