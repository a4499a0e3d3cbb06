// Draws every picture the program ships: the built-in set that is compiled into the executable
// and the "Hand Drawn" theme that the build packs into gfx/handdrawn.zip. The PNGs are committed,
// so an ordinary build never runs this; run it (target dravik-redraw-artwork) after changing a
// drawing and commit what changed.
//
// Both sets come from the same drawings. A drawing is made of shapes in a small design grid
// (16 units for an icon); the painter decides how a shape looks. The flat look keeps outlines on
// half units so that a 16 px icon lands on whole pixels; the hand look runs every edge through a
// seeded wobble, so the output is the same on every run and a redraw only changes what was
// changed.

#include <cairo.h>
#include <pango/pangocairo.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Rad(double degrees) {
    return degrees * kPi / 180.0;
}

struct Pt {
    double x;
    double y;
};

struct Contour {
    std::vector<Pt> pts;
    bool closed = true;
};

// Several contours filled together with the even-odd rule, so a reversed inner contour is a
// hole (the gear's axle, the tag's eyelet).
using Shape = std::vector<Contour>;

// ---------------------------------------------------------------------------------------------
// Geometry

Contour Rect(double x, double y, double w, double h) {
    return {{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, true};
}

Contour Poly(std::initializer_list<Pt> pts, bool closed = true) {
    return {pts, closed};
}

Contour Line(double x0, double y0, double x1, double y1) {
    return {{{x0, y0}, {x1, y1}}, false};
}

// Angles in degrees the way cairo turns: 0 points right, 90 points down.
Contour Arc(double cx, double cy, double r, double a0, double a1) {
    Contour c;
    c.closed = false;
    const int steps = std::max(6, static_cast<int>(std::ceil(std::fabs(a1 - a0) / 6.0)));
    for (int i = 0; i <= steps; ++i) {
        const double a = Rad(a0 + (a1 - a0) * i / steps);
        c.pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return c;
}

Contour Ellipse(double cx, double cy, double rx, double ry) {
    Contour c = Arc(cx, cy, 1.0, 0, 360);
    c.pts.pop_back();
    for (Pt& p : c.pts) {
        p = {cx + (p.x - cx) * rx, cy + (p.y - cy) * ry};
    }
    c.closed = true;
    return c;
}

Contour Circle(double cx, double cy, double r) {
    return Ellipse(cx, cy, r, r);
}

Contour Reversed(Contour c) {
    std::reverse(c.pts.begin(), c.pts.end());
    return c;
}

Contour Rotated(Contour c, double cx, double cy, double degrees) {
    const double s = std::sin(Rad(degrees));
    const double k = std::cos(Rad(degrees));
    for (Pt& p : c.pts) {
        const double dx = p.x - cx;
        const double dy = p.y - cy;
        p = {cx + dx * k - dy * s, cy + dx * s + dy * k};
    }
    return c;
}

Contour Star(double cx, double cy, double outer, double inner, int points) {
    Contour c;
    for (int i = 0; i < points * 2; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double a = Rad(-90 + 180.0 * i / points);
        c.pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return c;
}

Shape Gear(double cx, double cy, double outer, double inner, int teeth, double hole) {
    Contour rim;
    const double span = 360.0 / teeth;
    for (int t = 0; t < teeth; ++t) {
        const double a = t * span - 90 - span * 0.25;
        auto at = [&](double r, double deg) {
            rim.pts.push_back({cx + r * std::cos(Rad(deg)), cy + r * std::sin(Rad(deg))});
        };
        // A tooth narrows towards its tip, as cut gears do; straight teeth look like a castle.
        at(inner, a);
        at(outer, a + span * 0.12);
        at(outer, a + span * 0.38);
        at(inner, a + span * 0.5);
        const Contour valley = Arc(cx, cy, inner, a + span * 0.5, a + span);
        rim.pts.insert(rim.pts.end(), valley.pts.begin() + 1, valley.pts.end() - 1);
    }
    Shape s{rim};
    if (hole > 0) {
        s.push_back(Reversed(Circle(cx, cy, hole)));
    }
    return s;
}

// A right-pointing arrow: tail from x0, tip at x1.
Contour ArrowRight(double x0, double x1, double cy, double tailHalf, double headHalf,
                   double headLength) {
    const double hx = x1 - headLength;
    return Poly({{x0, cy - tailHalf},
                 {hx, cy - tailHalf},
                 {hx, cy - headHalf},
                 {x1, cy},
                 {hx, cy + headHalf},
                 {hx, cy + tailHalf},
                 {x0, cy + tailHalf}});
}

// A thick arc from a0 to a1 ending in an arrow head that points along the arc.
Contour ArcArrow(double cx, double cy, double r, double thickness, double a0, double a1,
                 double headHalf, double headLength) {
    const double half = thickness / 2;
    const double dir = a1 > a0 ? 1.0 : -1.0;
    const double tip = a1 + dir * (headLength / r) * 180.0 / kPi;
    Contour c;
    const Contour outer = Arc(cx, cy, r + half, a0, a1);
    c.pts = outer.pts;
    auto at = [&](double radius, double deg) {
        c.pts.push_back({cx + radius * std::cos(Rad(deg)), cy + radius * std::sin(Rad(deg))});
    };
    at(r + headHalf, a1);
    at(r, tip);
    at(r - headHalf, a1);
    const Contour inner = Arc(cx, cy, r - half, a1, a0);
    c.pts.insert(c.pts.end(), inner.pts.begin(), inner.pts.end());
    return c;
}

double Length(const Contour& c) {
    double total = 0;
    const size_t n = c.pts.size();
    for (size_t i = 0; i + 1 < n + (c.closed ? 1 : 0); ++i) {
        const Pt a = c.pts[i];
        const Pt b = c.pts[(i + 1) % n];
        total += std::hypot(b.x - a.x, b.y - a.y);
    }
    return total;
}

// Splits a contour into dashes; the selection frame is drawn this way rather than with cairo's
// dashes so that the hand look can wobble each dash on its own.
Shape Dashes(const Contour& c, double on, double off) {
    Shape out;
    std::vector<Pt> path = c.pts;
    if (c.closed) {
        path.push_back(c.pts.front());
    }
    Contour dash{{}, false};
    bool drawing = true;
    double left = on;
    for (size_t i = 0; i + 1 < path.size(); ++i) {
        Pt a = path[i];
        const Pt b = path[i + 1];
        double segment = std::hypot(b.x - a.x, b.y - a.y);
        while (segment > 1e-9) {
            if (drawing && dash.pts.empty()) {
                dash.pts.push_back(a);
            }
            const double step = std::min(left, segment);
            const double t = step / segment;
            a = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
            segment -= step;
            left -= step;
            if (drawing) {
                dash.pts.push_back(a);
            }
            if (left <= 1e-9) {
                if (drawing) {
                    out.push_back(dash);
                    dash.pts.clear();
                }
                drawing = !drawing;
                left = drawing ? on : off;
            }
        }
    }
    if (dash.pts.size() > 1) {
        out.push_back(dash);
    }
    return out;
}

// Letters for the format tag on a 3 by 5 grid of whole units; a stroke one unit wide through
// the cell centres is a crisp pixel font at 16 px and an even pen line when scaled up.
Shape TagLetters(std::string_view text, double x, double y) {
    Shape s;
    auto stroke = [&](std::initializer_list<Pt> cells) {
        Contour c{{}, false};
        for (Pt p : cells) {
            c.pts.push_back({x + p.x + 0.5, y + p.y + 0.5});
        }
        s.push_back(c);
    };
    for (char ch : text) {
        switch (ch) {
        case 'J':
            stroke({{2, 0}, {2, 4}, {0, 4}, {0, 3}});
            break;
        case 'P':
            stroke({{0, 4}, {0, 0}, {2, 0}, {2, 2}, {0, 2}});
            break;
        case 'G':
            stroke({{2, 0}, {0, 0}, {0, 4}, {2, 4}, {2, 2}});
            break;
        default:
            break;
        }
        x += 4;
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// Colours

struct Rgba {
    double r;
    double g;
    double b;
    double a = 1.0;
};

Rgba Hex(uint32_t rgb, double a = 1.0) {
    return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, a};
}

Rgba Mix(Rgba a, Rgba b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

// What a colour is for, so that each look picks its own paint for it.
enum class Ink {
    Paper,
    PaperShade,
    Folder,
    FolderBack,
    Blue,
    Green,
    Red,
    Gold,
    Steel,
    Glass,
    Sky,
    Hill,
    Sun,
    Wood,
    Dark,
    White,
    Count
};

struct Paint {
    Rgba fill;
    Rgba line;
};

enum class Look { Flat, Hand };

const Paint& PaintFor(Look look, Ink ink) {
    // Flat: clear, slightly cool colours, each outlined in a darker shade of itself.
    static const Paint flat[] = {
        {Hex(0xffffff), Hex(0x75808f)},       // Paper
        {Hex(0xd9e0e9), Hex(0x75808f)},       // PaperShade
        {Hex(0xf7c948), Hex(0xa8760e)},       // Folder
        {Hex(0xe0a125), Hex(0xa8760e)},       // FolderBack
        {Hex(0x3b7ddd), Hex(0x1d4d94)},       // Blue
        {Hex(0x3aa856), Hex(0x1c6a32)},       // Green
        {Hex(0xe0443e), Hex(0x942320)},       // Red
        {Hex(0xfcc933), Hex(0xb57b07)},       // Gold
        {Hex(0x8d9aac), Hex(0x4b5666)},       // Steel
        {Hex(0xbcdcf7, 0.75), Hex(0x4b5666)}, // Glass
        {Hex(0x8ac6f0), Hex(0x4c83b0)},       // Sky
        {Hex(0x4aa35a), Hex(0x2a6b37)},       // Hill
        {Hex(0xffd23d), Hex(0xc99a08)},       // Sun
        {Hex(0xb87638), Hex(0x6c3f15)},       // Wood
        {Hex(0x3d434c), Hex(0x23272d)},       // Dark
        {Hex(0xffffff), Hex(0xb0b8c4)},       // White
    };
    // Hand: coloured pencil on cream paper; every outline is the same brown graphite, so the
    // colour is in the fill and the look holds together.
    static const Paint hand[] = {
        {Hex(0xfff5dc), Hex(0x8a6a4c)},       // Paper
        {Hex(0xead6ae), Hex(0x8a6a4c)},       // PaperShade
        {Hex(0xf4b95a), Hex(0xa5671f)},       // Folder
        {Hex(0xd98f3e), Hex(0xa5671f)},       // FolderBack
        {Hex(0x5f8fba), Hex(0x35577a)},       // Blue
        {Hex(0x8aac55), Hex(0x52702c)},       // Green
        {Hex(0xd4563c), Hex(0x8c2d1c)},       // Red
        {Hex(0xf2c043), Hex(0xa97a12)},       // Gold
        {Hex(0xa9998a), Hex(0x5e5044)},       // Steel
        {Hex(0xcfe6e6, 0.85), Hex(0x5e5044)}, // Glass
        {Hex(0xa6d0e0), Hex(0x5f8fa8)},       // Sky
        {Hex(0x8db35f), Hex(0x52702c)},       // Hill
        {Hex(0xf7c24a), Hex(0xc48a16)},       // Sun
        {Hex(0xb0713f), Hex(0x6d401d)},       // Wood
        {Hex(0x5d4638), Hex(0x3b2a20)},       // Dark
        {Hex(0xfffaf0), Hex(0xc9b79c)},       // White
    };
    static_assert(std::size(flat) == static_cast<size_t>(Ink::Count));
    static_assert(std::size(hand) == static_cast<size_t>(Ink::Count));
    return (look == Look::Flat ? flat : hand)[static_cast<size_t>(ink)];
}

const Rgba kGraphite = Hex(0x4a3426);

// ---------------------------------------------------------------------------------------------
// Painter

enum class Tone { Fill, Line };
enum class Cap { Butt, Round, Square };

// A small deterministic generator; std's distributions differ between library versions, which
// would make every redraw touch every hand-drawn file.
class Noise {
  public:
    explicit Noise(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // Uniform in [-1, 1).
    double signedUnit() { return static_cast<double>(next() >> 11) / 4503599627370496.0 - 1.0; }

  private:
    uint64_t state_;
};

uint64_t HashName(std::string_view text) {
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : text) {
        h = (h ^ c) * 1099511628211ULL;
    }
    return h;
}

class Painter {
  public:
    // unitPixels is how many pixels one design unit covers; sizePixels is the picture's size,
    // which sets how strong the hand look's wobble and pencil lines are.
    Painter(cairo_t* cr, Look look, double unitPixels, int sizePixels, uint64_t seed)
        : cr_(cr), look_(look), unit_(unitPixels), size_(sizePixels), noise_(seed) {
        cairo_scale(cr_, unit_, unit_);
    }

    Look look() const { return look_; }
    int size() const { return size_; }

    // Filled and outlined.
    void shape(const Shape& s, Ink ink) {
        fillOnly(s, ink);
        outline(s, look_ == Look::Flat ? PaintFor(look_, ink).line : kGraphite);
    }

    void fillOnly(const Shape& s, Ink ink) {
        const Rgba colour = PaintFor(look_, ink).fill;
        if (look_ == Look::Flat) {
            path(s);
            setColour(colour);
            cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
            cairo_fill(cr_);
            return;
        }
        // Colour laid on a little off the line, as a pencil fill never quite meets its edge.
        const double shift = px(0.02 * size_);
        Shape moved = wobble(s, px(wobblePixels() * 0.6));
        for (Contour& c : moved) {
            for (Pt& p : c.pts) {
                p = {p.x + shift, p.y + shift * 0.7};
            }
        }
        smoothPath(moved);
        setColour(colour);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_fill(cr_);
        if (size_ >= 32 && colour.a >= 0.99 && ink != Ink::White && ink != Ink::Paper) {
            hatch(moved, Mix(colour, kGraphite, 0.45));
        }
    }

    // A line of the given width (in design units) along each contour.
    void stroke(const Shape& s, Ink ink, Tone tone, double width, Cap cap = Cap::Round) {
        const Paint& paint = PaintFor(look_, ink);
        const Rgba colour = tone == Tone::Fill ? paint.fill : paint.line;
        cairo_set_line_width(cr_, width);
        setColour(colour);
        if (look_ == Look::Flat) {
            cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
            cairo_set_line_cap(cr_, cap == Cap::Round    ? CAIRO_LINE_CAP_ROUND
                                    : cap == Cap::Square ? CAIRO_LINE_CAP_SQUARE
                                                         : CAIRO_LINE_CAP_BUTT);
            path(s);
            cairo_stroke(cr_);
            return;
        }
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        smoothPath(wobble(s, px(wobblePixels() * 0.8)));
        cairo_stroke(cr_);
    }

    // Clips what follows to the shape's exact geometry until unclip().
    void clip(const Shape& s) {
        cairo_save(cr_);
        path(s);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(cr_);
    }

    void unclip() { cairo_restore(cr_); }

  private:
    double px(double pixels) const { return pixels / unit_; }

    // Wobble strength in pixels: barely there at 16 px, where every pixel counts, and a real
    // hand's unsteadiness at 64 px.
    double wobblePixels() const { return 0.15 + 0.013 * size_; }

    // Pencil line width in pixels; thinner than a plain scale-up so large icons stay light.
    double pencilPixels() const { return 1.0 + (size_ - 16) / 40.0; }

    void setColour(const Rgba& c) { cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a); }

    void path(const Shape& s) {
        cairo_new_path(cr_);
        for (const Contour& c : s) {
            if (c.pts.empty()) {
                continue;
            }
            cairo_move_to(cr_, c.pts[0].x, c.pts[0].y);
            for (size_t i = 1; i < c.pts.size(); ++i) {
                cairo_line_to(cr_, c.pts[i].x, c.pts[i].y);
            }
            if (c.closed) {
                cairo_close_path(cr_);
            }
        }
    }

    // Catmull-Rom through the points, so the wobbled polygon reads as one pen movement.
    void smoothPath(const Shape& s) {
        cairo_new_path(cr_);
        for (const Contour& c : s) {
            const std::vector<Pt>& p = c.pts;
            const size_t n = p.size();
            if (n < 2) {
                continue;
            }
            auto at = [&](long i) -> Pt {
                if (c.closed) {
                    return p[static_cast<size_t>((i % static_cast<long>(n) + n) % n)];
                }
                return p[static_cast<size_t>(std::clamp<long>(i, 0, static_cast<long>(n) - 1))];
            };
            cairo_move_to(cr_, p[0].x, p[0].y);
            const long segments = static_cast<long>(c.closed ? n : n - 1);
            for (long i = 0; i < segments; ++i) {
                const Pt p0 = at(i - 1);
                const Pt p1 = at(i);
                const Pt p2 = at(i + 1);
                const Pt p3 = at(i + 2);
                cairo_curve_to(cr_, p1.x + (p2.x - p0.x) / 6, p1.y + (p2.y - p0.y) / 6,
                               p2.x - (p3.x - p1.x) / 6, p2.y - (p3.y - p1.y) / 6, p2.x, p2.y);
            }
            if (c.closed) {
                cairo_close_path(cr_);
            }
        }
    }

    // Every edge cut into short pieces, each point pushed sideways by a smooth random amount.
    // Corners are kept as points, so a square stays a square that was drawn quickly.
    Shape wobble(const Shape& s, double amplitude) {
        Shape out;
        const double step = px(2.5);
        for (const Contour& c : s) {
            Contour dense{{}, c.closed};
            const size_t n = c.pts.size();
            const size_t edges = c.closed ? n : (n > 0 ? n - 1 : 0);
            if (n == 1) {
                dense.pts = c.pts;
            }
            for (size_t i = 0; i < edges; ++i) {
                const Pt a = c.pts[i];
                const Pt b = c.pts[(i + 1) % n];
                const int pieces = std::max(
                    1, static_cast<int>(std::ceil(std::hypot(b.x - a.x, b.y - a.y) / step)));
                for (int k = 0; k < pieces; ++k) {
                    const double t = static_cast<double>(k) / pieces;
                    dense.pts.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
                }
            }
            if (!c.closed && n > 1) {
                dense.pts.push_back(c.pts.back());
            }

            // Two sine waves per contour; on a closed contour they make whole turns, so the
            // line meets itself without a step.
            const double length = std::max(Length(c), 1e-6);
            double freq[2];
            double phase[2];
            for (int k = 0; k < 2; ++k) {
                const double wavelength =
                    px(k == 0 ? 22.0 : 9.0) * (1.0 + 0.3 * noise_.signedUnit());
                freq[k] = 2 * kPi / wavelength;
                if (c.closed) {
                    freq[k] = 2 * kPi * std::max(1.0, std::round(length / wavelength)) / length;
                }
                phase[k] = kPi * noise_.signedUnit();
            }
            const Pt drift{amplitude * 0.5 * noise_.signedUnit(),
                           amplitude * 0.5 * noise_.signedUnit()};

            const size_t m = dense.pts.size();
            std::vector<Pt> moved(m);
            double travelled = 0;
            for (size_t i = 0; i < m; ++i) {
                if (i > 0) {
                    travelled += std::hypot(dense.pts[i].x - dense.pts[i - 1].x,
                                            dense.pts[i].y - dense.pts[i - 1].y);
                }
                const Pt prev = dense.pts[i > 0 ? i - 1 : (c.closed ? m - 1 : 0)];
                const Pt next = dense.pts[i + 1 < m ? i + 1 : (c.closed ? 0 : m - 1)];
                double nx = -(next.y - prev.y);
                double ny = next.x - prev.x;
                const double len = std::hypot(nx, ny);
                if (len > 1e-9) {
                    nx /= len;
                    ny /= len;
                }
                const double offset = amplitude * (0.75 * std::sin(freq[0] * travelled + phase[0]) +
                                                   0.25 * std::sin(freq[1] * travelled + phase[1]));
                moved[i] = {dense.pts[i].x + nx * offset + drift.x,
                            dense.pts[i].y + ny * offset + drift.y};
            }
            dense.pts = moved;
            out.push_back(dense);
        }
        return out;
    }

    void outline(const Shape& s, const Rgba& colour) {
        if (look_ == Look::Flat) {
            path(s);
            setColour(colour);
            cairo_set_line_width(cr_, 1.0);
            cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
            cairo_stroke(cr_);
            return;
        }
        cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        // A firm line and a fainter second go over it: how a pencil outline gets its grain.
        smoothPath(wobble(s, px(wobblePixels())));
        setColour({colour.r, colour.g, colour.b, 0.9});
        cairo_set_line_width(cr_, px(pencilPixels()));
        cairo_stroke(cr_);
        if (size_ >= 24) {
            smoothPath(overshoot(wobble(s, px(wobblePixels() * 1.3))));
            setColour({colour.r, colour.g, colour.b, 0.45});
            cairo_set_line_width(cr_, px(pencilPixels() * 0.55));
            cairo_stroke(cr_);
        }
    }

    // The second pencil pass starts and ends past the corner it began at.
    Shape overshoot(Shape s) {
        for (Contour& c : s) {
            if (!c.closed || c.pts.size() < 3) {
                continue;
            }
            const Pt a = c.pts[0];
            const Pt b = c.pts[1];
            c.pts.push_back(a);
            c.pts.push_back({a.x + (b.x - a.x) * 0.8, a.y + (b.y - a.y) * 0.8});
            c.closed = false;
        }
        return s;
    }

    // Diagonal pencil shading inside a filled shape.
    void hatch(const Shape& area, const Rgba& colour) {
        cairo_save(cr_);
        smoothPath(area);
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_clip(cr_);
        double x0;
        double y0;
        double x1;
        double y1;
        cairo_clip_extents(cr_, &x0, &y0, &x1, &y1);
        const double gap = px(3.2);
        const double height = y1 - y0;
        setColour({colour.r, colour.g, colour.b, 0.28});
        cairo_set_line_width(cr_, px(0.8));
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        for (double x = x0 - gap * noise_.signedUnit(); x < x1 + height; x += gap) {
            const double jitter = px(0.6) * noise_.signedUnit();
            cairo_move_to(cr_, x + jitter, y0);
            cairo_line_to(cr_, x - height - jitter, y1);
        }
        cairo_stroke(cr_);
        cairo_restore(cr_);
    }

    cairo_t* cr_;
    Look look_;
    double unit_;
    int size_;
    Noise noise_;
};

// ---------------------------------------------------------------------------------------------
// Pieces several drawings share (16-unit grid unless said otherwise)

void Page(Painter& p, double x, double y, double w, double h, double ear) {
    if (ear <= 0) {
        p.shape({Rect(x, y, w, h)}, Ink::Paper);
        return;
    }
    p.shape({Poly({{x, y}, {x + w - ear, y}, {x + w, y + ear}, {x + w, y + h}, {x, y + h}})},
            Ink::Paper);
    p.shape({Poly({{x + w - ear, y}, {x + w - ear, y + ear}, {x + w, y + ear}})}, Ink::PaperShade);
}

// Lines of "text" on a page; the hand look writes them a little uneven by itself.
void TextLines(Painter& p, double x0, double x1, double y, double gap, int count, double width) {
    Shape lines;
    for (int i = 0; i < count; ++i) {
        const double end = (i == count - 1) ? x0 + (x1 - x0) * 0.6 : x1;
        lines.push_back(Line(x0, y + gap * i, end, y + gap * i));
    }
    p.stroke(lines, Ink::Steel, Tone::Fill, width, Cap::Butt);
}

// A photograph: white border, sky, two hills and the sun.
void Photo(Painter& p, double x, double y, double w, double h, double border, double angle = 0) {
    const double cx = x + w / 2;
    const double cy = y + h / 2;
    auto turn = [&](Contour c) { return angle == 0 ? c : Rotated(std::move(c), cx, cy, angle); };
    p.shape({turn(Rect(x, y, w, h))}, Ink::White);
    const double ix = x + border;
    const double iy = y + border;
    const double iw = w - 2 * border;
    const double ih = h - 2 * border;
    const Shape sky{turn(Rect(ix, iy, iw, ih))};
    p.fillOnly(sky, Ink::Sky);
    p.clip(sky);
    p.fillOnly({turn(Circle(ix + iw * 0.74, iy + ih * 0.3, std::min(iw, ih) * 0.19))}, Ink::Sun);
    p.fillOnly({turn(Poly({{ix - 1, iy + ih * 0.8},
                           {ix + iw * 0.34, iy + ih * 0.32},
                           {ix + iw * 0.62, iy + ih * 0.72},
                           {ix + iw * 0.8, iy + ih * 0.52},
                           {ix + iw + 1, iy + ih * 0.85},
                           {ix + iw + 1, iy + ih + 1},
                           {ix - 1, iy + ih + 1}}))},
               Ink::Hill);
    p.unclip();
}

struct FolderParts {
    double x;
    double y;
    double w;
    double h;
    double tab = 2;
};

void FolderBack(Painter& p, const FolderParts& f) {
    const double tabEnd = f.x + f.w * 0.38;
    p.shape({Poly({{f.x, f.y + f.h},
                   {f.x, f.y},
                   {tabEnd, f.y},
                   {tabEnd + f.tab, f.y + f.tab},
                   {f.x + f.w, f.y + f.tab},
                   {f.x + f.w, f.y + f.h}})},
            Ink::FolderBack);
}

void FolderFront(Painter& p, const FolderParts& f, double frontTop) {
    p.shape({Rect(f.x, frontTop, f.w, f.y + f.h - frontTop)}, Ink::Folder);
}

void Folder(Painter& p, const FolderParts& f, double frontTop) {
    FolderBack(p, f);
    FolderFront(p, f, frontTop);
}

// The green "+" badge of the large input buttons.
void PlusBadge(Painter& p, double cx, double cy, double r) {
    p.shape({Circle(cx, cy, r)}, Ink::Green);
    const double arm = r * 0.55;
    p.stroke({Line(cx - arm, cy, cx + arm, cy), Line(cx, cy - arm, cx, cy + arm)}, Ink::White,
             Tone::Fill, r * 0.42, Cap::Butt);
}

void RoundSign(Painter& p, Ink ink) {
    p.shape({Circle(8, 8, 6.5)}, ink);
}

// ---------------------------------------------------------------------------------------------
// The 22 icons, 16-unit grid

void DrawNew(Painter& p) {
    Page(p, 3.5, 1.5, 9, 13, 3);
    p.shape({Star(4.5, 4.5, 3.6, 1.3, 4)}, Ink::Gold);
}

void DrawAdd(Painter& p) {
    p.shape({Poly({{6.5, 2.5},
                   {9.5, 2.5},
                   {9.5, 6.5},
                   {13.5, 6.5},
                   {13.5, 9.5},
                   {9.5, 9.5},
                   {9.5, 13.5},
                   {6.5, 13.5},
                   {6.5, 9.5},
                   {2.5, 9.5},
                   {2.5, 6.5},
                   {6.5, 6.5}})},
            Ink::Green);
}

void DrawInFiles(Painter& p) {
    Photo(p, 1.5, 1.5, 9, 8, 1);
    Photo(p, 5.5, 6.5, 9, 8, 1);
}

void DrawInFolder(Painter& p) {
    const FolderParts f{1.5, 2.5, 13, 11};
    FolderBack(p, f);
    Photo(p, 3.5, 4.5, 9, 6, 1);
    FolderFront(p, f, 7.5);
}

void DrawOutFolder(Painter& p) {
    Folder(p, {0.5, 1.5, 12, 11}, 5.5);
    p.shape({ArrowRight(6.5, 15.5, 11, 1.5, 3.5, 4)}, Ink::Green);
}

void DrawOutFormat(Painter& p) {
    Shape tag{Poly({{0.5, 8}, {3.5, 3.5}, {15.5, 3.5}, {15.5, 12.5}, {3.5, 12.5}})};
    if (p.size() >= 24) {
        tag.push_back(Reversed(Circle(2.6, 8, 0.8)));
    }
    p.shape(tag, Ink::Blue);
    p.stroke(TagLetters("JPG", 3, 5), Ink::White, Tone::Fill, 1, Cap::Square);
}

void DrawFavFolder(Painter& p) {
    Folder(p, {0.5, 1.5, 13, 11}, 5.5);
    p.shape({Star(11, 10.6, 5, 2.1, 5)}, Ink::Gold);
}

void DrawImportFiles(Painter& p) {
    Page(p, 5.5, 1.5, 9, 13, 0);
    TextLines(p, 7.5, 12.5, 4.5, 3, 4, 1);
    p.shape({ArrowRight(0.5, 9.5, 8, 1.5, 3.5, 3.5)}, Ink::Blue);
}

void DrawExportFiles(Painter& p) {
    Page(p, 1.5, 1.5, 9, 13, 0);
    TextLines(p, 3.5, 8.5, 4.5, 3, 4, 1);
    p.shape({ArrowRight(6.5, 15.5, 9, 1.5, 3.5, 3.5)}, Ink::Green);
}

void DrawExit(Painter& p) {
    p.shape({Rect(2.5, 1.5, 8, 13)}, Ink::Dark);
    p.shape({Poly({{2.5, 1.5}, {7.5, 3.5}, {7.5, 15.5}, {2.5, 14.5}})}, Ink::Wood);
    p.fillOnly({Circle(6.3, 9.2, 0.7)}, Ink::Gold);
    p.shape({ArrowRight(8.5, 15.5, 8, 1.5, 3.5, 3.5)}, Ink::Red);
}

void DrawCopy(Painter& p) {
    Page(p, 1.5, 1.5, 8, 10, 3);
    Page(p, 6.5, 4.5, 8, 10, 3);
}

void DrawDelete(Painter& p) {
    p.shape({Poly({{3, 5},
                   {5, 3},
                   {8, 6},
                   {11, 3},
                   {13, 5},
                   {10, 8},
                   {13, 11},
                   {11, 13},
                   {8, 10},
                   {5, 13},
                   {3, 11},
                   {6, 8}})},
            Ink::Red);
}

void DrawSelectAll(Painter& p) {
    const Contour frame = Rect(1.5, 2.5, 13, 11);
    p.fillOnly({frame}, Ink::Glass);
    p.stroke(Dashes(frame, 2, 1), Ink::Dark, Tone::Fill, 1, Cap::Butt);
}

void DrawConvert(Painter& p) {
    p.shape(Gear(6.5, 6.5, 6, 4.4, 8, 1.8), Ink::Blue);
    p.shape({ArrowRight(5.5, 15.5, 11.5, 1.5, 3.5, 4)}, Ink::Green);
}

void DrawError(Painter& p) {
    RoundSign(p, Ink::Red);
    p.fillOnly({Rect(7, 3.5, 2, 6.5)}, Ink::White);
    p.fillOnly({Rect(7, 11, 2, 2)}, Ink::White);
}

void DrawPreferences(Painter& p) {
    p.shape(Gear(8, 8, 7.2, 5.3, 8, 2.2), Ink::Steel);
}

void DrawCustomConverter(Painter& p) {
    p.stroke({Line(10.3, 10.3, 14, 14)}, Ink::Wood, Tone::Line, 3, Cap::Round);
    p.shape({Circle(6.5, 6.5, 4.8)}, Ink::Glass);
    p.stroke({Circle(6.5, 6.5, 4.8)}, Ink::Steel, Tone::Line, 1.6);
    p.stroke({Arc(6.5, 6.5, 3, 200, 260)}, Ink::White, Tone::Fill, 1, Cap::Round);
}

void DrawHelp(Painter& p) {
    RoundSign(p, Ink::Blue);
    Contour mark = Arc(8, 6.3, 2.3, 180, 400);
    mark.pts.push_back({8, 9.1});
    mark.pts.push_back({8, 10});
    p.stroke({mark}, Ink::White, Tone::Fill, 2, Cap::Butt);
    p.fillOnly({Rect(7, 11, 2, 2)}, Ink::White);
}

void DrawEmail(Painter& p) {
    p.shape({Rect(1.5, 3.5, 13, 9)}, Ink::Paper);
    p.stroke({Poly({{1.5, 3.5}, {8, 9}, {14.5, 3.5}}, false)}, Ink::Paper, Tone::Line, 1,
             Cap::Butt);
    if (p.size() >= 24) {
        p.stroke({Line(1.5, 12.5, 6.2, 7.6), Line(14.5, 12.5, 9.8, 7.6)}, Ink::Paper, Tone::Line,
                 0.6, Cap::Butt);
    }
}

void DrawWeb(Painter& p) {
    const Contour globe = Circle(8, 8, 6.5);
    p.shape({globe}, Ink::Blue);
    p.clip({globe});
    const double chord = std::sqrt(6.5 * 6.5 - 3.5 * 3.5);
    p.stroke({Ellipse(8, 8, 3, 6.5), Line(1.5, 8, 14.5, 8), Line(8 - chord, 4.5, 8 + chord, 4.5),
              Line(8 - chord, 11.5, 8 + chord, 11.5)},
             Ink::Glass, Tone::Fill, 1, Cap::Butt);
    p.unclip();
    p.stroke({globe}, Ink::Blue, Tone::Line, 1);
}

void DrawUpdates(Painter& p) {
    p.shape({ArcArrow(8, 8, 5, 2.4, 195, 320, 3, 3)}, Ink::Green);
    p.shape({ArcArrow(8, 8, 5, 2.4, 15, 140, 3, 3)}, Ink::Green);
}

void DrawAbout(Painter& p) {
    RoundSign(p, Ink::Blue);
    p.fillOnly({Rect(7, 3, 2, 2)}, Ink::White);
    p.fillOnly({Rect(7, 6, 2, 7)}, Ink::White);
}

// ---------------------------------------------------------------------------------------------
// The large buttons

// 32-unit grid: a picture file turning into a photograph.
void DrawConvertButton(Painter& p) {
    Page(p, 2.5, 2.5, 15, 19, 5);
    TextLines(p, 5.5, 14.5, 10.5, 3, 3, 1.4);
    p.stroke({Rect(5.5, 5.5, 5, 3)}, Ink::Steel, Tone::Fill, 1.2, Cap::Butt);
    Photo(p, 11.5, 13.5, 19, 15, 2);
    p.shape({ArcArrow(22, 13, 7, 3, 215, 335, 3.5, 4)}, Ink::Green);
}

// 24-unit grid, like the icon with more room, plus a badge that says "add".
void DrawInFilesButton(Painter& p) {
    Photo(p, 2.5, 3.5, 14, 11, 1.5, -8);
    Photo(p, 7.5, 8.5, 14, 11, 1.5);
    PlusBadge(p, 18.5, 18.5, 4.5);
}

void DrawInFolderButton(Painter& p) {
    const FolderParts f{1.5, 3.5, 21, 17, 3};
    FolderBack(p, f);
    Photo(p, 4.5, 6.5, 14, 9, 1.5, -4);
    FolderFront(p, f, 10.5);
    PlusBadge(p, 18.5, 18.5, 4.5);
}

// ---------------------------------------------------------------------------------------------
// Output

// cairo keeps premultiplied native-endian ARGB; PNG wants straight RGBA. Fully transparent
// pixels become all zero so that they compress to nothing.
std::vector<uint8_t> StraightRgba(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t px = row[x];
            const unsigned a = px >> 24;
            uint8_t* o = &out[(static_cast<size_t>(y) * w + x) * 4];
            if (a == 0) {
                continue;
            }
            auto un = [a](unsigned c) {
                return static_cast<uint8_t>(std::min(255u, (c * 255 + a / 2) / a));
            };
            o[0] = un((px >> 16) & 0xff);
            o[1] = un((px >> 8) & 0xff);
            o[2] = un(px & 0xff);
            o[3] = static_cast<uint8_t>(a);
        }
    }
    return out;
}

std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rgba, int w, int h, int filters,
                               int strategy) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng could not encode");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* buffer = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            buffer->insert(buffer->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, Z_BEST_COMPRESSION);
    png_set_compression_strategy(png, strategy);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_write_info(png, info);
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(rgba.data() + static_cast<size_t>(y) * w * 4);
    }
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The smallest of a few encoder settings; nothing but IHDR, IDAT and IEND is written.
void WritePng(cairo_surface_t* surface, const std::filesystem::path& file) {
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const std::vector<uint8_t> rgba = StraightRgba(surface);
    std::vector<uint8_t> best;
    for (int filters : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_PAETH, PNG_ALL_FILTERS}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
            std::vector<uint8_t> candidate = EncodePng(rgba, w, h, filters, strategy);
            if (best.empty() || candidate.size() < best.size()) {
                best = std::move(candidate);
            }
        }
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(best.data()),
              static_cast<std::streamsize>(best.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

using Drawing = void (*)(Painter&);

void Render(const std::filesystem::path& file, Look look, int size, double grid, Drawing draw) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    {
        Painter painter(cr, look, size / grid, size, HashName(file.filename().string()));
        draw(painter);
    }
    cairo_destroy(cr);
    WritePng(surface, file);
    cairo_surface_destroy(surface);
}

void Text(cairo_t* cr, const char* family, double pixels, bool bold, const std::string& text,
          double x, double baseline, Rgba colour) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string(family);
    pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
    pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, text.c_str(), -1);
    const double ascent = pango_layout_get_baseline(layout) / static_cast<double>(PANGO_SCALE);
    cairo_move_to(cr, x, baseline - ascent);
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
}

double TextWidth(cairo_t* cr, const char* family, double pixels, bool bold,
                 const std::string& text) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string(family);
    pango_font_description_set_absolute_size(font, pixels * PANGO_SCALE);
    pango_font_description_set_weight(font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, text.c_str(), -1);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    pango_font_description_free(font);
    g_object_unref(layout);
    return logical.width;
}

// The About box banner: the photograph motif, the name and the version on a deep blue band.
void RenderBanner(const std::filesystem::path& file) {
    const int w = 360;
    const int h = 40;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);

    cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, w, 0);
    cairo_pattern_add_color_stop_rgb(band, 0.0, 0x17 / 255.0, 0x3d / 255.0, 0x78 / 255.0);
    cairo_pattern_add_color_stop_rgb(band, 1.0, 0x3b / 255.0, 0x7d / 255.0, 0xdd / 255.0);
    cairo_set_source(cr, band);
    cairo_paint(cr);
    cairo_pattern_destroy(band);

    // Soft rings on the right keep the empty half from looking unfinished.
    cairo_set_line_width(cr, 7);
    for (int i = 0; i < 3; ++i) {
        cairo_set_source_rgba(cr, 1, 1, 1, 0.07 - 0.015 * i);
        cairo_new_path(cr);
        cairo_arc(cr, w - 34, h / 2.0 + 6, 16 + 13 * i, 0, 2 * kPi);
        cairo_stroke(cr);
    }

    cairo_set_source_rgb(cr, 0xfc / 255.0, 0xc9 / 255.0, 0x33 / 255.0);
    cairo_rectangle(cr, 0, h - 2, w, 2);
    cairo_fill(cr);

    cairo_save(cr);
    cairo_translate(cr, 8, 4);
    {
        Painter painter(cr, Look::Flat, 2.0, 32, 0);
        Photo(painter, 0.5, 1.5, 15, 12, 1);
    }
    cairo_restore(cr);

    const char* family = "DejaVu Sans";
    const std::string name = "Tolvenor Dravik";
    const double baseline = 26;
    const double x = 50;
    Text(cr, family, 19, true, name, x, baseline, Hex(0xffffff));
    const double nameWidth = TextWidth(cr, family, 19, true, name);
    Text(cr, family, 14, false, "3.1", x + nameWidth + 8, baseline, Hex(0xcfe3ff));

    cairo_destroy(cr);
    WritePng(surface, file);
    cairo_surface_destroy(surface);
}

struct IconEntry {
    const char* name; // the program's picture name
    const char* base; // the hand-drawn theme's file base name
    Drawing draw;
};

constexpr IconEntry kIcons[] = {
    {"New", "new", DrawNew},
    {"Add", "add", DrawAdd},
    {"InFiles", "infiles", DrawInFiles},
    {"InFolder", "infolder", DrawInFolder},
    {"OutFolder", "outfolder", DrawOutFolder},
    {"OutFormat", "outformat", DrawOutFormat},
    {"FavFolder", "favfolder", DrawFavFolder},
    {"ImportFiles", "importfiles", DrawImportFiles},
    {"ExportFiles", "exportfiles", DrawExportFiles},
    {"Exit", "exit", DrawExit},
    {"Copy", "copy", DrawCopy},
    {"Delete", "delete", DrawDelete},
    {"SelectAll", "selectall", DrawSelectAll},
    {"Convert", "convert", DrawConvert},
    {"Error", "error", DrawError},
    {"Preferences", "preferences", DrawPreferences},
    {"CustomConverter", "customconverter", DrawCustomConverter},
    {"Help", "help", DrawHelp},
    {"Email", "email", DrawEmail},
    {"Web", "web", DrawWeb},
    {"Updates", "updates", DrawUpdates},
    {"About", "about", DrawAbout},
};

struct ButtonEntry {
    const char* name;
    const char* base;
    int size;
    double grid;
    Drawing draw;
};

constexpr ButtonEntry kButtons[] = {
    {"Convert", "convert_big", 64, 32, DrawConvertButton},
    {"InFiles", "infiles_big", 48, 24, DrawInFilesButton},
    {"InFolder", "infolder_big", 48, 24, DrawInFolderButton},
};

constexpr int kThemeIconSizes[] = {16, 24, 32, 48, 64};

// theme.cfg is read with CR LF line ends and finds no key on the first line, hence the group
// header first and the explicit "\r\n".
void WriteThemeConfig(const std::filesystem::path& file) {
    std::string text = "[Theme]\r\nName=Hand Drawn\r\n\r\n[Buttons]\r\n";
    for (const ButtonEntry& b : kButtons) {
        text += std::string(b.name) + "=" + b.base + "\r\n";
    }
    text += "\r\n[Icons]\r\n";
    for (const IconEntry& i : kIcons) {
        text += std::string(i.name) + "=" + i.base + "\r\n";
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

int Run(const std::filesystem::path& root) {
    const std::filesystem::path builtin = root / "builtin";
    const std::filesystem::path hand = root / "handdrawn";
    std::filesystem::create_directories(builtin);
    std::filesystem::create_directories(hand);
    int written = 0;

    RenderBanner(builtin / "banner.png");
    ++written;
    for (const ButtonEntry& b : kButtons) {
        Render(builtin / ("button_" + std::string(b.name) + ".png"), Look::Flat, b.size, b.grid,
               b.draw);
        // The theme loader asks for every button with the suffix 16, whatever its size.
        Render(hand / (std::string(b.base) + "_16.png"), Look::Hand, b.size, b.grid, b.draw);
        written += 2;
    }
    for (const IconEntry& i : kIcons) {
        Render(builtin / ("icon_" + std::string(i.name) + ".png"), Look::Flat, 16, 16, i.draw);
        ++written;
        for (int size : kThemeIconSizes) {
            Render(hand / (std::string(i.base) + "_" + std::to_string(size) + ".png"), Look::Hand,
                   size, 16, i.draw);
            ++written;
        }
    }
    WriteThemeConfig(hand / "theme.cfg");
    std::printf("dravik-draw-artwork: %d pictures and theme.cfg in %s\n", written,
                root.string().c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: %s <artwork folder>\n"
                     "writes <folder>/builtin/*.png and <folder>/handdrawn/*\n",
                     argv[0]);
        return 2;
    }
    try {
        return Run(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dravik-draw-artwork: %s\n", e.what());
        return 1;
    }
}
