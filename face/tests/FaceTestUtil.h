#pragma once
// Helpers the face tests share: the sample photos and pictures made from them.
#include "platform/testing/TestEnv.h"

#include <opencv2/core.hpp>

#include <string>

namespace facetest {

/** The astronaut sample photo (512 x 512). */
cv::Mat Astronaut();
/** A photo without faces (the coffee cup, or the cat). */
cv::Mat Coffee();
cv::Mat Cat();
/** Three astronauts of different sizes side by side on a grey background (1200 x 520). */
cv::Mat Collage();
/** Registers every class once. */
void RegisterOnce();

}  // namespace facetest
