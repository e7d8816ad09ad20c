#pragma once
/**
 * @file RegionShape.h
 * @brief The ellipses the user edits for the face and feature regions, and their bounding
 * quads. Image coordinates throughout (pixels of the full photo).
 */
#include "face/FaceTypes.h"

#include <opencv2/core.hpp>

#include <vector>

namespace face {

/** The ellipse inscribed in a region quad (its sides' midpoints define centre, width and slant). */
RegionShape ShapeFromQuad(const engine::FaceQuad& quad);

/** The quad with vertical left and right sides that bounds an ellipse. */
engine::FaceQuad QuadFromShape(const RegionShape& shape);

/** The ellipse as a closed polygon of n points. */
std::vector<cv::Point2f> ShapePolygon(const RegionShape& shape, int n = 100);

/** Key points of an ellipse: the handles the user drags. */
enum ShapeHandle : int { HandlePlusA = 0, HandlePlusB = 1, HandleMinusA = 2, HandleMinusB = 3, HandleInside = 4 };
cv::Point2f ShapeHandlePoint(const RegionShape& shape, int handle);
cv::Point2f ShapeCentre(const RegionShape& shape);

/** Whether an image point lies inside (or on) the ellipse. */
bool InsideShape(const RegionShape& shape, cv::Point2f p);

}  // namespace face
