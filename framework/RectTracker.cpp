#include "framework/RectTracker.h"

#include <algorithm>

QRect CRectTracker::rect() const {
    return m_tracking ? RectOf(m_edges) : m_rect;
}

void CRectTracker::SetRect(QRect rect) {
    m_rect = rect.normalized();
    m_tracking = false;
}

CRectTracker::Hit CRectTracker::HitTest(QPoint point) const {
    if (m_rect.isEmpty()) {
        return hitNothing;
    }
    for (int hit = hitTopLeft; hit <= hitLeft; ++hit) {
        if (HandleRect(static_cast<Hit>(hit)).contains(point)) {
            return static_cast<Hit>(hit);
        }
    }
    return m_rect.contains(point) ? hitMiddle : hitNothing;
}

QRect CRectTracker::HandleRect(Hit hit) const {
    const Edges e = EdgesOf(m_rect);
    const int midX = (e.left + e.right) / 2;
    const int midY = (e.top + e.bottom) / 2;
    QPoint centre;
    switch (hit) {
    case hitTopLeft:
        centre = {e.left, e.top};
        break;
    case hitTopRight:
        centre = {e.right, e.top};
        break;
    case hitBottomRight:
        centre = {e.right, e.bottom};
        break;
    case hitBottomLeft:
        centre = {e.left, e.bottom};
        break;
    case hitTop:
        centre = {midX, e.top};
        break;
    case hitRight:
        centre = {e.right, midY};
        break;
    case hitBottom:
        centre = {midX, e.bottom};
        break;
    case hitLeft:
        centre = {e.left, midY};
        break;
    case hitNothing:
    case hitMiddle:
        return {};
    }
    const int half = m_handleSize / 2;
    return {centre.x() - half, centre.y() - half, m_handleSize, m_handleSize};
}

void CRectTracker::BeginTrack(QPoint point, Hit hit) {
    m_before = m_rect;
    m_hit = hit;
    m_start = Clamp(point);
    if (hit == hitNothing) {
        m_startEdges = {m_start.x(), m_start.y(), m_start.x(), m_start.y()};
    } else {
        m_startEdges = EdgesOf(m_rect);
    }
    m_edges = m_startEdges;
    m_tracking = true;
}

void CRectTracker::TrackTo(QPoint point) {
    if (!m_tracking) {
        return;
    }
    const QPoint p = Clamp(point);
    const int dx = p.x() - m_start.x();
    const int dy = p.y() - m_start.y();
    Edges e = m_startEdges;
    switch (m_hit) {
    case hitNothing:
        e.right = p.x();
        e.bottom = p.y();
        break;
    case hitMiddle: {
        int moveX = dx;
        int moveY = dy;
        if (m_bounds) {
            // The whole rectangle stays inside: limit the move, keep the size.
            const Edges b = EdgesOf(*m_bounds);
            moveX =
                std::clamp(moveX, b.left - e.left, std::max(b.left - e.left, b.right - e.right));
            moveY = std::clamp(moveY, b.top - e.top, std::max(b.top - e.top, b.bottom - e.bottom));
        }
        e.left += moveX;
        e.right += moveX;
        e.top += moveY;
        e.bottom += moveY;
        break;
    }
    default: {
        const bool left = m_hit == hitTopLeft || m_hit == hitBottomLeft || m_hit == hitLeft;
        const bool right = m_hit == hitTopRight || m_hit == hitBottomRight || m_hit == hitRight;
        const bool top = m_hit == hitTopLeft || m_hit == hitTopRight || m_hit == hitTop;
        const bool bottom = m_hit == hitBottomLeft || m_hit == hitBottomRight || m_hit == hitBottom;
        if (left) {
            e.left += dx;
        }
        if (right) {
            e.right += dx;
        }
        if (top) {
            e.top += dy;
        }
        if (bottom) {
            e.bottom += dy;
        }
        if (m_bounds) {
            const Edges b = EdgesOf(*m_bounds);
            e.left = std::clamp(e.left, b.left, b.right);
            e.right = std::clamp(e.right, b.left, b.right);
            e.top = std::clamp(e.top, b.top, b.bottom);
            e.bottom = std::clamp(e.bottom, b.top, b.bottom);
        }
        break;
    }
    }
    m_edges = e;
}

bool CRectTracker::EndTrack() {
    if (!m_tracking) {
        return false;
    }
    const QRect result = RectOf(m_edges);
    m_tracking = false;
    if (result.width() < m_minimum || result.height() < m_minimum) {
        m_rect = m_before;
        return false;
    }
    m_rect = result;
    return true;
}

void CRectTracker::CancelTrack() {
    m_tracking = false;
    m_rect = m_before;
}

QPoint CRectTracker::Clamp(QPoint point) const {
    if (!m_bounds) {
        return point;
    }
    const Edges b = EdgesOf(*m_bounds);
    return {std::clamp(point.x(), b.left, std::max(b.left, b.right)),
            std::clamp(point.y(), b.top, std::max(b.top, b.bottom))};
}

CRectTracker::Edges CRectTracker::EdgesOf(QRect rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect CRectTracker::RectOf(Edges edges) {
    const int left = std::min(edges.left, edges.right);
    const int top = std::min(edges.top, edges.bottom);
    return {left, top, std::abs(edges.right - edges.left), std::abs(edges.bottom - edges.top)};
}
