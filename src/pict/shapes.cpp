#include "pict/shapes.h"

#include "pict/axis.h"

#include <algorithm>
#include <cmath>

namespace dravik::pict {
namespace {

// Columns [x0, x1) of row `row` of an oval of w x h pixels at (0, 0).
std::pair<int, int> OvalRow(int row, int w, int h) {
    const double a = w / 2.0, b = h / 2.0;
    const double t = (row + 0.5 - b) / b;
    const double half = a * std::sqrt(std::max(0.0, 1 - t * t));
    return {static_cast<int>(std::floor(a - half + 0.5)),
            static_cast<int>(std::floor(a + half + 0.5))};
}

} // namespace

Coverage OvalCoverage(const Rect& r, const Rect& visible) {
    Coverage c;
    if (r.empty())
        return c;
    const auto [t, b] = VisibleRows(r.top, r.bottom, visible);
    c.top = t;
    for (int y = t; y < b; ++y) {
        auto [x0, x1] = OvalRow(y - r.top, r.width(), r.height());
        c.addRow(r.left + x0, r.left + x1);
    }
    return c;
}

Coverage RoundRectCoverage(const Rect& r, int ovalWidth, int ovalHeight, const Rect& visible) {
    const int ow = std::min(ovalWidth, r.width()), oh = std::min(ovalHeight, r.height());
    if (ow <= 0 || oh <= 0 || r.empty())
        return RectCoverage(r, visible);
    const auto [t, b] = VisibleRows(r.top, r.bottom, visible);
    Coverage c;
    c.top = t;
    for (int y = t; y < b; ++y) {
        int row = -1;
        if (y - r.top < oh / 2)
            row = y - r.top;
        else if (r.bottom - y <= oh / 2)
            row = oh - (r.bottom - y);
        if (row < 0) {
            c.addRow(r.left, r.right);
            continue;
        }
        auto [x0, x1] = OvalRow(row, ow, oh);
        c.addRow(r.left + x0, r.right - (ow - x1));
    }
    return c;
}

Coverage ArcWedge(const Coverage& shape, const Rect& r, int startAngle, int arcAngle,
                  DrawBudget& budget) {
    if (arcAngle < 0) {
        startAngle += arcAngle;
        arcAngle = -arcAngle;
    }
    if (arcAngle >= 360)
        return shape;
    const double start = std::fmod(std::fmod(startAngle, 360.0) + 360.0, 360.0);
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    const double hw = std::max(r.width(), 1) / 2.0, hh = std::max(r.height(), 1) / 2.0;
    auto inside = [&](int x, int y) {
        const double nx = (x + 0.5 - cx) / hw, ny = (y + 0.5 - cy) / hh;
        double angle = std::atan2(nx, -ny) * 180 / M_PI;
        const double from = std::fmod(angle - start + 720.0, 360.0);
        return from < arcAngle;
    };
    Coverage c;
    c.top = shape.top;
    std::vector<int> row;
    for (size_t i = 0; i < shape.rowCount(); ++i) {
        const int y = shape.top + static_cast<int>(i);
        const auto spans = shape.row(i);
        row.clear();
        for (size_t k = 0; k + 1 < spans.size(); k += 2) {
            if (!budget.take(spans[k + 1] - spans[k]))
                return {};
            for (int x = spans[k]; x < spans[k + 1];) {
                const bool in = inside(x, y);
                int end = x + 1;
                while (end < spans[k + 1] && inside(end, y) == in)
                    ++end;
                if (in)
                    row.insert(row.end(), {x, end});
                x = end;
            }
        }
        c.addRow(row);
    }
    return c;
}

Coverage PolygonCoverage(std::span<const Point> points, const Rect& visible, DrawBudget& budget) {
    struct Edge {
        int64_t top, bottom; // rows top..bottom-1
        int64_t h0, v0, dh, dv;
    };
    std::vector<Edge> edges;
    int64_t top = INT64_MAX, bottom = INT64_MIN;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i], b = points[(i + 1) % points.size()];
        if (a.v == b.v)
            continue;
        edges.push_back({std::min(a.v, b.v), std::max(a.v, b.v), a.h, a.v, int64_t{b.h} - a.h,
                         int64_t{b.v} - a.v});
        top = std::min<int64_t>(top, edges.back().top);
        bottom = std::max<int64_t>(bottom, edges.back().bottom);
    }
    if (edges.empty())
        return {};
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.top < b.top; });
    const auto [t, b] = VisibleRows(static_cast<int>(top), static_cast<int>(bottom), visible);
    Coverage c;
    c.top = t;
    std::vector<const Edge*> active;
    std::vector<int> xs, row;
    size_t next = 0;
    for (int64_t y = t; y < b; ++y) {
        while (next < edges.size() && edges[next].top <= y)
            active.push_back(&edges[next++]);
        std::erase_if(active, [&](const Edge* e) { return e->bottom <= y; });
        if (!budget.take(static_cast<int64_t>(active.size()) + 1))
            return {};
        xs.clear();
        for (const Edge* e : active)
            xs.push_back(static_cast<int>(std::clamp<int64_t>(
                e->h0 + CeilDiv((y - e->v0) * e->dh, e->dv), INT32_MIN / 2, INT32_MAX / 2)));
        std::sort(xs.begin(), xs.end());
        row.clear();
        for (size_t k = 0; k + 1 < xs.size(); k += 2)
            if (xs[k] < xs[k + 1])
                row.insert(row.end(), {xs[k], xs[k + 1]});
        c.addRow(row);
    }
    return c;
}

} // namespace dravik::pict
