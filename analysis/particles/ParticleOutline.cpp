#include "analysis/particles/ParticleOutline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

// Edges of the grid: the horizontal edge right of grid point (x, y) and the
// vertical edge below it.
struct CGridEdges {
    int width;
    int Horizontal(int x, int y) const { return 2 * (y * width + x); }
    int Vertical(int x, int y) const { return 2 * (y * width + x) + 1; }
};

} // namespace

std::vector<Outline> IsoLines(const cv::Mat& values, float level, cv::Point2d origin) {
    const int width = values.cols;
    const int height = values.rows;
    const CGridEdges edges{width};
    std::vector<int> next(2 * static_cast<std::size_t>(width) * height, -1);
    const auto value = [&](int x, int y) {
        return values.at<float>(y, x);
    };
    const auto inside = [&](int x, int y) {
        return value(x, y) < level;
    };
    for (int y = 0; y + 1 < height; ++y) {
        for (int x = 0; x + 1 < width; ++x) {
            // Corners and edges in clockwise order on screen: top-left, top
            // right, bottom right, bottom left; the top, right, bottom and
            // left edge each start at the corner of the same index.
            const std::array<bool, 4> in = {inside(x, y), inside(x + 1, y), inside(x + 1, y + 1),
                                            inside(x, y + 1)};
            const std::array<int, 4> edge = {edges.Horizontal(x, y), edges.Vertical(x + 1, y),
                                             edges.Horizontal(x, y + 1), edges.Vertical(x, y)};
            if (in[0] && in[2] && !in[1] && !in[3]) {
                next[edge[1]] = edge[0];
                next[edge[3]] = edge[2];
                continue;
            }
            if (in[1] && in[3] && !in[0] && !in[2]) {
                next[edge[0]] = edge[3];
                next[edge[2]] = edge[1];
                continue;
            }
            // One boundary crosses the cell: from the edge walked from
            // outside in to the edge walked from inside out.
            int from = -1;
            int to = -1;
            for (int i = 0; i < 4; ++i) {
                const bool a = in[i];
                const bool b = in[(i + 1) % 4];
                if (a && !b) {
                    to = edge[i];
                } else if (!a && b) {
                    from = edge[i];
                }
            }
            if (from >= 0) {
                next[from] = to;
            }
        }
    }
    const auto crossing = [&](int id) {
        const int cell = id / 2;
        const int x = cell % width;
        const int y = cell / width;
        const int x2 = (id % 2 == 0) ? x + 1 : x;
        const int y2 = (id % 2 == 0) ? y : y + 1;
        const double a = value(x, y);
        const double b = value(x2, y2);
        const double t = std::clamp((level - a) / (b - a), 0.0, 1.0);
        return cv::Point2d(origin.x + x + t * (x2 - x), origin.y + y + t * (y2 - y));
    };
    std::vector<Outline> loops;
    for (std::size_t start = 0; start < next.size(); ++start) {
        if (next[start] < 0) {
            continue;
        }
        Outline loop;
        int id = static_cast<int>(start);
        while (id >= 0 && next[id] >= 0) {
            loop.push_back(crossing(id));
            const int following = next[id];
            next[id] = -1;
            id = following;
        }
        if (loop.size() >= 3) {
            loops.push_back(std::move(loop));
        }
    }
    return loops;
}

double LoopArea(const Outline& loop) {
    double twice = 0;
    for (std::size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        twice += loop[j].x * loop[i].y - loop[i].x * loop[j].y;
    }
    // Counter-clockwise on screen, with y downwards, is the negative turn.
    return -twice / 2;
}

double LoopLength(const Outline& loop) {
    double length = 0;
    for (std::size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        length += std::hypot(loop[i].x - loop[j].x, loop[i].y - loop[j].y);
    }
    return length;
}

cv::Point2d LoopMoment(const Outline& loop) {
    cv::Point2d moment(0, 0);
    for (std::size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++) {
        const double cross = loop[j].x * loop[i].y - loop[i].x * loop[j].y;
        moment.x += (loop[j].x + loop[i].x) * cross;
        moment.y += (loop[j].y + loop[i].y) * cross;
    }
    return -moment / 6.0;
}

std::vector<cv::Point> TracedOutline(const cv::Mat& mask) {
    const auto object = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < mask.cols && y < mask.rows && mask.at<std::uint8_t>(y, x);
    };
    // The walk starts at the top-right corner of the first run of the top
    // row, heading down: the vertices then come in the order pixel-based
    // tools list them, which the corner count of the perimeter depends on.
    cv::Point start(-1, -1);
    for (int y = 0; y < mask.rows && start.x < 0; ++y) {
        for (int x = 0; x < mask.cols; ++x) {
            if (object(x, y)) {
                while (object(x, y)) {
                    ++x;
                }
                start = cv::Point(x, y);
                break;
            }
        }
    }
    if (start.x < 0) {
        return {};
    }
    // Walk the pixel edges clockwise on screen with the object on the right,
    // turning left wherever a diagonal neighbour continues the object (8-
    // connected), straight on along it, right where it ends; a vertex is kept
    // where the walk turns.
    static const std::array<cv::Point, 4> kSteps = {cv::Point(1, 0), cv::Point(0, 1),
                                                    cv::Point(-1, 0), cv::Point(0, -1)};
    constexpr int kDown = 1;
    const auto aheadPixel = [](cv::Point vertex, int heading, bool right) {
        const cv::Point d = kSteps[heading];
        const cv::Point r = kSteps[(heading + 1) % 4];
        const cv::Point side = right ? d + r : d - r;
        // The pixel whose centre is half a step ahead and half a step aside.
        return cv::Point(vertex.x + (side.x - 1) / 2, vertex.y + (side.y - 1) / 2);
    };
    std::vector<cv::Point> outline;
    cv::Point vertex = start;
    int heading = kDown;
    do {
        vertex += kSteps[heading];
        const cv::Point left = aheadPixel(vertex, heading, false);
        const cv::Point right = aheadPixel(vertex, heading, true);
        int turned = heading;
        if (object(left.x, left.y)) {
            turned = (heading + 3) % 4;
        } else if (!object(right.x, right.y)) {
            turned = (heading + 1) % 4;
        }
        if (turned != heading) {
            outline.push_back(vertex);
        }
        heading = turned;
    } while (!(vertex == start && heading == kDown));
    return outline;
}

double TracedPerimeter(const std::vector<cv::Point>& outline) {
    const std::size_t n = outline.size();
    if (n < 2) {
        return 0;
    }
    int sumX = 0;
    int sumY = 0;
    int corners = 0;
    cv::Point d1 = outline[0] - outline[n - 1];
    int side1 = std::abs(d1.x) + std::abs(d1.y);
    bool corner = false;
    for (std::size_t i = 0; i < n; ++i) {
        const cv::Point d2 = outline[(i + 1) % n] - outline[i];
        sumX += std::abs(d1.x);
        sumY += std::abs(d1.y);
        if (side1 > 1 || !corner) {
            corner = true;
            ++corners;
        } else {
            corner = false;
        }
        d1 = d2;
        side1 = std::abs(d2.x) + std::abs(d2.y);
    }
    return sumX + sumY - corners * (2.0 - std::numbers::sqrt2);
}

namespace {

double Cross(const cv::Point2d& o, const cv::Point2d& a, const cv::Point2d& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

std::vector<cv::Point2d> ConvexHull(std::vector<cv::Point2d> points) {
    std::sort(points.begin(), points.end(), [](const cv::Point2d& a, const cv::Point2d& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) {
        return points;
    }
    std::vector<cv::Point2d> hull(2 * points.size());
    std::size_t k = 0;
    for (const cv::Point2d& p : points) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) {
            --k;
        }
        hull[k++] = p;
    }
    for (std::size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) {
            --k;
        }
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    return hull;
}

// The convex hull as a gift wrap from the first topmost vertex of a polygon
// finds it, in that order: the order decides which of two equally long
// calipers is the largest, and so the Feret angle, as pixel-based tools
// report it.
std::vector<cv::Point2d> WrappedHull(const std::vector<cv::Point2d>& polygon) {
    const std::size_t n = polygon.size();
    std::size_t first = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (polygon[i].y < polygon[first].y) {
            first = i;
        }
    }
    std::vector<cv::Point2d> hull;
    std::size_t p1 = first;
    do {
        std::size_t p2 = (p1 + 1) % n;
        for (std::size_t p3 = (p2 + 1) % n; p3 != p1; p3 = (p3 + 1) % n) {
            if (Cross(polygon[p1], polygon[p2], polygon[p3]) > 0) {
                p2 = p3;
            }
        }
        hull.push_back(polygon[p1]);
        p1 = p2;
    } while (p1 != first && hull.size() <= n);
    return hull;
}

CFeret FeretOfHull(const std::vector<cv::Point2d>& hull) {
    CFeret feret;
    if (hull.size() < 2) {
        return feret;
    }
    std::size_t p1 = 0;
    std::size_t p2 = 0;
    double largest = 0;
    for (std::size_t i = 0; i < hull.size(); ++i) {
        for (std::size_t j = i + 1; j < hull.size(); ++j) {
            const cv::Point2d d = hull[i] - hull[j];
            const double square = d.dot(d);
            if (square > largest) {
                largest = square;
                p1 = i;
                p2 = j;
            }
        }
    }
    feret.max = std::sqrt(largest);
    cv::Point2d a = hull[p1];
    cv::Point2d b = hull[p2];
    if (a.x > b.x) {
        std::swap(a, b);
    }
    feret.angle = std::atan2(a.y - b.y, b.x - a.x) * 180.0 / std::numbers::pi;
    if (feret.angle < 0) {
        feret.angle += 180.0;
    }
    // The smallest width rests on one hull edge (rotating calipers).
    feret.min = hull.size() < 3 ? 0 : feret.max;
    for (std::size_t i = 0; hull.size() >= 3 && i < hull.size(); ++i) {
        const cv::Point2d& e1 = hull[i];
        const cv::Point2d& e2 = hull[(i + 1) % hull.size()];
        const double length = std::hypot(e2.x - e1.x, e2.y - e1.y);
        if (length == 0) {
            continue;
        }
        double widest = 0;
        for (const cv::Point2d& p : hull) {
            widest = std::max(widest, std::abs(Cross(e1, e2, p)) / length);
        }
        feret.min = std::min(feret.min, widest);
    }
    return feret;
}

} // namespace

CFeret FeretOf(const std::vector<cv::Point2d>& points) {
    return FeretOfHull(ConvexHull(points));
}

CFeret PixelFeretOf(const std::vector<cv::Point2d>& outline) {
    return outline.size() < 3 ? FeretOf(outline) : FeretOfHull(WrappedHull(outline));
}
