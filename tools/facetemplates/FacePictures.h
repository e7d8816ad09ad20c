#pragma once
// Procedural pictures for the change-face templates. Each drawing function paints a picture
// and tells where the face goes: the rectangle a face detector would put around the painted
// face, which becomes the template's face configuration.
#include <opencv2/core.hpp>

struct FacePicture {
    cv::Mat image;    ///< BGR
    cv::Rect2f face;  ///< where the user's face box goes, in picture pixels
    float roll = 0;   ///< head tilt, radians, clockwise on the picture
};

FacePicture DrawKnight();
FacePicture DrawSuperhero();
FacePicture DrawPortrait();
