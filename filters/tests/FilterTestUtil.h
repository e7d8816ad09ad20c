#pragma once
// Helpers shared by the filter tests.
#include "engine/ImageFilter.h"
#include "engine/SimpleTemplate.h"
#include "platform/testing/Images.h"

#include <opencv2/core.hpp>

#include <memory>
#include <string>

namespace filtertest {

/**
 * Registers the classes the filters module provides (and the engine's base classes). Only
 * these: the golden and crash tests walk the registry and are about this module's filters.
 */
void RegisterFilterModule();

/** A filter created by its registered name, initialised as a template would (no definition). */
std::unique_ptr<engine::CImageFilter> MakeFilter(const std::string& name);

/**
 * Runs a filter once the way the photo document does: SetSource, SetOutputSize, SetParams,
 * Start, Process. Returns a clone of the result. size null means full size.
 */
cv::Mat Run(engine::CImageFilter& filter, const cv::Mat& source, const engine::SimpleParams* params, const cv::Size* size = nullptr);

}  // namespace filtertest
