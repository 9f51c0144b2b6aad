#pragma once

#include "capture/CaptureBackend.h"
#include "capture/v4l2/V4l2Calls.h"

#include <vector>

// The formats, sizes and rates a capture node offers, as the driver lists
// them. Sizes a driver gives as a range (stepwise or continuous) become the
// common sizes inside the range plus its two ends; rates likewise.
std::vector<CaptureFormatDesc> EnumerateV4l2Formats(const CV4l2Calls& calls, int fd);

// The sizes of a stepwise range worth offering, smallest first.
std::vector<std::pair<int, int>> SizesInRange(int minWidth, int maxWidth, int stepWidth,
                                              int minHeight, int maxHeight, int stepHeight);
