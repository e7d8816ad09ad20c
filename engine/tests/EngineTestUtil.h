#pragma once
// Helpers the engine tests share: template folders and photo files made on the fly.
#include "platform/testing/TestEnv.h"

#include <opencv2/core.hpp>

#include <string>

namespace enginetest {

/** Writes <dir>/<name>/<name>.tmpl with the given text; returns the folder. */
std::string WriteTemplate(const testenv::TempDir& dir, const std::string& name, const std::string& xml);

/** A definition of a SimpleTemplate around filterName, with optional extra children. */
std::string SimpleDefinition(const std::string& filterName, const std::string& extra = "", const std::string& delay = "");

/** A w x h BGR image with a gradient and distinct channels, written as a PNG file. */
std::string WritePhoto(const testenv::TempDir& dir, const std::string& name, int w, int h);
cv::Mat MakeGradient(int w, int h);
/** The gradient with a green box and a magenta disc: hard edges, so that a wrong row order,
 *  channel order or offset shows. */
cv::Mat MakeTestCard(int w, int h);

/** Registers the engine's classes once. */
void RegisterOnce();

}  // namespace enginetest
