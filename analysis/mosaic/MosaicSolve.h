#pragma once

#include <opencv2/core.hpp>
#include <vector>

// One measured offset between two pictures: b's top-left in a's frame.
struct CMosaicLink {
    int a = 0, b = 0;
    cv::Point2d shift;
    double weight = 1; // the registration's score
};

struct CSolvedPositions {
    std::vector<cv::Point2d> positions; // top-left of each picture; (0, 0) for unplaced ones
    std::vector<bool> placed;
    std::vector<CMosaicLink> kept; // the links the solution rests on
};

// Positions for `count` pictures that agree best with all links together
// (weighted least squares). Links that disagree far more than the rest are
// dropped one at a time, worst first, and the rest solved again. Only the
// largest group of linked pictures is placed, the first of it at (0, 0).
CSolvedPositions SolvePositions(int count, std::vector<CMosaicLink> links);
