#include "tools/CDibEdgeFinder.h"

#include "image/StillPicture.h"
#include "tools/EdgeTools.h"

template <typename Search>
auto CDibEdgeFinder::OnPicture(const Search& search) const {
    if (m_still != nullptr) {
        const CStillPicture::ReadAccess access = m_still->Read();
        return search(access.image());
    }
    return search(*m_picture);
}

std::optional<QPoint> CDibEdgeFinder::SnapToEdge(QPoint point, int radius) {
    return OnPicture([&](const CDib& picture) { return ::SnapToEdge(picture, point, radius); });
}

std::optional<CEdgeSegment> CDibEdgeFinder::TwoLinePerpendicular(QPoint p1, QPoint q1, QPoint p2,
                                                                 QPoint q2, double zoom) {
    return OnPicture(
        [&](const CDib& picture) { return ::TwoLinePerpendicular(picture, p1, q1, p2, q2, zoom); });
}
