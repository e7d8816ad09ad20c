#pragma once
/**
 * @file OptionValues.h
 * @brief The option values several commands take (render, gif, batch), read one way by all.
 *
 * Each reader leaves its target alone when the option is absent and returns 0; a value it
 * cannot take is reported for `command` ("bad value for --X: ...") and the exit code 2 returned.
 */
#include "cli/Args.h"

#include <opencv2/core.hpp>

#include <optional>

namespace cli {

/** --quality: 1 to 100. */
int ReadQuality(const Args& args, const char* command, int& quality);
/** --var1, --var2 and --var3: numbers in the template's own units. */
int ReadVariables(const Args& args, const char* command, std::optional<double> (&vars)[3]);
/** --size WxH: the view to render for. */
int ReadViewSize(const Args& args, const char* command, std::optional<cv::Size>& size);
/** --seed: 0 to 2^32 - 1; fixes the seed of every random effect from here on. */
int ReadSeed(const Args& args, const char* command);
/** --turn H,V: radians about the vertical and the horizontal axis. */
int ReadTurn(const Args& args, const char* command, std::optional<cv::Vec2f>& turn);
/** --face N: 1 to 1000, 1 for the first face found. */
int ReadFaceNumber(const Args& args, const char* command, std::optional<int>& face);

}  // namespace cli
