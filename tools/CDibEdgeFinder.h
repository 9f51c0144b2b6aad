#pragma once

#include "tools/EdgeFinder.h"

class CDib;
class CStillPicture;

// The edge finder of a view: the edge tools (tools/EdgeTools.h) on one
// picture. Over a still document's picture each search holds the picture's
// read lock, so an adjustment cannot swap the pixels in the middle of it.
// The picture must outlive the finder.
class CDibEdgeFinder : public IEdgeFinder {
public:
    // A picture nobody writes while the finder is in use.
    explicit CDibEdgeFinder(const CDib& picture)
        : m_picture(&picture) {}
    // The displayed picture of a still document; call from its owner's thread.
    explicit CDibEdgeFinder(const CStillPicture& picture)
        : m_still(&picture) {}

    std::optional<QPoint> SnapToEdge(QPoint point, int radius) override;
    std::optional<CEdgeSegment> TwoLinePerpendicular(QPoint p1, QPoint q1, QPoint p2, QPoint q2,
                                                     double zoom) override;

private:
    template <typename Search>
    auto OnPicture(const Search& search) const;

    const CDib* m_picture = nullptr;
    const CStillPicture* m_still = nullptr;
};
