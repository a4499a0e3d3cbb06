// The pixels of QuickDraw's shapes: ovals, round rects and arcs as the
// regions QuickDraw builds for them, polygons filled even-odd.
#pragma once

#include "pict/coverage.h"

namespace dravik::pict {

// Each row of an oval covers the pixels whose centres lie within the
// ellipse at that row's centre line, rounded to the nearest column.
Coverage OvalCoverage(const Rect& r, const Rect& visible);
// A rect whose corners are quarters of an ovalWidth x ovalHeight oval.
Coverage RoundRectCoverage(const Rect& r, int ovalWidth, int ovalHeight, const Rect& visible);
// Keeps the pixels of `shape` whose centres lie in the wedge of the arc:
// angles in degrees clockwise from 12 o'clock, measured on the rect so that
// 45 degrees passes through its top right corner; a negative arc runs
// anticlockwise.
Coverage ArcWedge(const Coverage& shape, const Rect& r, int startAngle, int arcAngle,
                  DrawBudget& budget);
// The polygon's interior by the even-odd rule; a pixel is inside when its
// top left corner is, so the polygon of a rect covers what the rect does.
Coverage PolygonCoverage(std::span<const Point> points, const Rect& visible, DrawBudget& budget);

} // namespace dravik::pict
