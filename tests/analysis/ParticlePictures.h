#pragma once

#include "tests/image/ImageTestSupport.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

// Grey test pictures of objects on a background, anti-aliased: each pixel's
// level mixes the two by the share of its area inside an object (sampled on
// a grid of samples × samples points).
inline CDib ObjectPicture(int width, int height,
                          const std::function<bool(double x, double y)>& inside,
                          int background = 220, int object = 40, int samples = 8) {
    return MakePicture(width, height, [&](int x, int y) {
        int covered = 0;
        for (int j = 0; j < samples; ++j) {
            for (int i = 0; i < samples; ++i) {
                covered += inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples) ? 1 : 0;
            }
        }
        const double share = static_cast<double>(covered) / (samples * samples);
        const int level = static_cast<int>(std::lround(background + share * (object - background)));
        return Rgb{level, level, level};
    });
}

struct Disc {
    double x;
    double y;
    double r;
};

inline std::function<bool(double, double)> InDiscs(std::vector<Disc> discs) {
    return [discs = std::move(discs)](double x, double y) {
        return std::any_of(discs.begin(), discs.end(), [&](const Disc& d) {
            return (x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) <= d.r * d.r;
        });
    };
}

// Axis-aligned rectangles with whole-pixel edges, as [x0, x1) × [y0, y1).
struct Box {
    int x0;
    int y0;
    int x1;
    int y1;
    bool Holds(double x, double y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};
