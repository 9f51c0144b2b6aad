#pragma once

#include <opencv2/core.hpp>
#include <vector>

// Outlines of objects and the measures taken from them.

using Outline = std::vector<cv::Point2d>;

// The closed iso-lines of a grid of values at `level`, around the grid points
// whose value is below it, linearly interpolated between grid points. Grid
// point (column, row) lies at origin + (column, row). Diagonal neighbours
// below the level are joined, as 8-connected pixels are. Objects are drawn
// counter-clockwise on screen, holes clockwise, so LoopArea is positive for
// objects and negative for holes. The grid's border must be at or above the
// level so that every loop closes.
std::vector<Outline> IsoLines(const cv::Mat& values, float level, cv::Point2d origin);

// Area (positive counter-clockwise on screen), length and centroid of a closed loop.
double LoopArea(const Outline& loop);
double LoopLength(const Outline& loop);
// Sum of x·area and y·area over the loop's triangles (divide by the area for
// the centroid); adds up over an object's loops, holes subtracting.
cv::Point2d LoopMoment(const Outline& loop);

// The outer boundary of the 8-connected object of `mask` (CV_8U, non-zero =
// object) that holds its first pixel in reading order, along pixel edges:
// the pixel corners where the boundary turns, in mask pixels (a pixel's
// top-left corner at its column and row).
std::vector<cv::Point> TracedOutline(const cv::Mat& mask);

// The length of a traced outline with each corner cut: every run of edges
// loses 2 − √2 per corner it turns, single steps of a staircase sharing one.
double TracedPerimeter(const std::vector<cv::Point>& outline);

struct CFeret {
    double max = 0;   // largest caliper width
    double min = 0;   // smallest caliper width
    double angle = 0; // degrees 0..180 of the largest, counter-clockwise on screen from x
};

// Caliper widths of a point set, over its convex hull (rotating calipers
// for the smallest).
CFeret FeretOf(const std::vector<cv::Point2d>& points);
// The same over a traced outline, its vertices in tracing order; of two
// equally long largest calipers, the angle is that of the one pixel-based
// tools report.
CFeret PixelFeretOf(const std::vector<cv::Point2d>& outline);
