#pragma once

#include "analysis/particles/ParticleOptions.h"
#include "image/Dib.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// One object found in a picture. Lengths and areas are in the scale's unit;
// positions are picture pixels (x right, y down, pixel centres at +0.5).
struct CParticle {
    int id = 0; // 1, 2, ... in reading order of the objects' first pixels
    double area = 0;
    double perimeter = 0;
    double circularity = 0; // 4π·area/perimeter²
    double feret = 0;       // largest caliper width
    double minFeret = 0;    // smallest caliper width
    double feretAngle = 0;  // degrees 0..180 of the largest caliper, counter-clockwise from x
    double centroidX = 0;
    double centroidY = 0;
    int boxX = 0; // bounding box of the object's pixels
    int boxY = 0;
    int boxWidth = 0;
    int boxHeight = 0;
    bool touchesEdge = false;                       // touches the picture's or the region's border
    std::vector<std::pair<double, double>> outline; // closed: the last point joins the first

    friend bool operator==(const CParticle&, const CParticle&) = default;
};

struct CParticleResult {
    int threshold = 0; // the grey level used
    std::vector<CParticle> particles;
    double areaFraction = 0; // object area over the analysed area, 0..1
    std::string unit;        // "" = pixels
    bool cancelled = false;
};

// Finds, separates and measures the objects of a picture (any depth; grey as
// the edge searches compute it). `progress` is called now and then with
// 0..100; when it returns false the analysis stops and returns an empty
// result with `cancelled` set. Safe on any thread.
CParticleResult AnalyseParticles(const CDib& picture, const CParticleOptions& options,
                                 const CParticleScale& scale,
                                 const std::function<bool(int percent)>& progress = {});

// The grey level the options' method chooses for the picture (or its region,
// after flattening).
int ParticleThreshold(const CDib& picture, const CParticleOptions& options);

// The object pixels as the options threshold them, before size, edge and
// split rules: width × height bytes, top row first, 1 = object, 0 = not
// (and 0 outside the region). Fast enough to follow a slider on a 5 MP picture.
void ThresholdMask(const CDib& picture, const CParticleOptions& options,
                   std::vector<std::uint8_t>& mask);
