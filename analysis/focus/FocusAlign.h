#pragma once

#include "analysis/focus/FocusStack.h"

#include <opencv2/core.hpp>
#include <optional>
#include <string>
#include <vector>

// Places each slice of a focus series on the first: shift, rotation and the
// small scale change of focus breathing. Slices differ in blur, so each is
// matched to the slice before it (the nearest in focus) on smoothed, reduced
// pictures, coarse to fine, leaving out the borders, and the steps are
// composed.
class CFocusAligner {
public:
    // The first slice (grey, float): the frame every other one is put into.
    // Matching runs on a copy reduced to `matchWidth` pixels at most.
    void Start(const cv::Mat& grey, int matchWidth = 640);
    // Matches the next slice against this picture (in the first slice's
    // frame) instead of the last placed slice.
    void SetReference(const cv::Mat& grey);
    // The reduced size over the full size.
    double MatchFactor() const { return m_factor; }
    // The transform from the first slice's pixel coordinates to this slice's;
    // false with a note when the slice cannot be placed, and it is then
    // skipped as the reference for the next one.
    bool Place(const cv::Mat& grey, cv::Matx23d& toSlice, std::string& note);
    // Evens out the placements of a whole series (index = slice, nullopt =
    // not placed): focus breathing and stage drift follow the focus steadily,
    // so each placement is replaced by the steady course through all of them
    // unless it is clearly off it; placements within a small tolerance of the
    // identity become the identity.
    void Steady(std::vector<std::optional<cv::Matx23d>>& toSlices) const;

private:
    cv::Mat m_previous; // reduced, smoothed picture of the last placed slice
    cv::Matx23d m_previousToSlice = cv::Matx23d(1, 0, 0, 0, 1, 0);
    double m_factor = 1; // reduced size over full size
    cv::Size m_size;
};

// The identity, and how far apart two transforms put the pixels of a picture
// of this size at most.
cv::Matx23d IdentityTransform();
double Discrepancy(const cv::Matx23d& a, const cv::Matx23d& b, cv::Size size);
// Whether a placement is close enough to the identity to be taken as it
// (within about a pixel of the reduced picture).
bool NearIdentity(const cv::Matx23d& toSlice, cv::Size size, double matchFactor);

// How a slice lies on the first, about the picture's centre.
CSliceAlignment DescribeTransform(const cv::Matx23d& toSlice, cv::Size size);

// The slice resampled into the first slice's frame (as it is when the
// transform is the identity).
cv::Mat WarpToFirst(const cv::Mat& picture, const cv::Matx23d& toSlice);
