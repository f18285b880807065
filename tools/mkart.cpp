// Draws the two page backgrounds and the program icon from code, so the tree
// holds no binary art. The output depends on nothing but this file.
//
// usage: mkart <folder>    writes system.bmp, option.bmp and app.ico there,
//                          and decorations.json: where each picture is not
//                          white, for the tests that check no control covers it

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSubSamples = 4;  // per axis, for anti-aliased edges

struct Rgb {
    double r, g, b;
};

Rgb Hex(uint32_t v) {
    return {double((v >> 16) & 255), double((v >> 8) & 255), double(v & 255)};
}

Rgb Mix(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

const Rgb kWhite = Hex(0xFFFFFF);

struct Vec {
    double x, y;
};

// A layer is a region and what it is filled with; alpha lets glows fade out.
struct Ink {
    Rgb colour;
    double alpha;
};
using Shape = std::function<bool(Vec)>;
using Paint = std::function<Ink(Vec)>;
struct Layer {
    Shape inside;
    Paint paint;
};

Paint Solid(Rgb c) {
    return [c](Vec) { return Ink{c, 1.0}; };
}

// Colour stops along y, from top to bottom.
Paint Vertical(std::vector<std::pair<double, Rgb>> stops) {
    return [stops](Vec p) {
        if (p.y <= stops.front().first) return Ink{stops.front().second, 1.0};
        for (size_t i = 1; i < stops.size(); ++i) {
            if (p.y <= stops[i].first) {
                double t = (p.y - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
                return Ink{Mix(stops[i - 1].second, stops[i].second, t), 1.0};
            }
        }
        return Ink{stops.back().second, 1.0};
    };
}

Paint Radial(Vec c, double r, Rgb inner, Rgb outer) {
    return [=](Vec p) {
        double d = std::hypot(p.x - c.x, p.y - c.y) / r;
        return Ink{Mix(inner, outer, std::min(1.0, d)), 1.0};
    };
}

Paint Glow(Vec c, double r, Rgb colour, double peak) {
    return [=](Vec p) {
        double d = std::min(1.0, std::hypot(p.x - c.x, p.y - c.y) / r);
        return Ink{colour, peak * (1.0 - d) * (1.0 - d)};
    };
}

// White over the picture near its edges, so it fades into the page.
// Fades the picture out towards its edges; the last `clearRight` columns are
// plain white.
Paint Dissolve(double w, double h, double edge, double rightEdge, double clearRight = 0) {
    return [=](Vec p) {
        auto ramp = [](double d, double width) {
            double t = std::clamp(d / width, 0.0, 1.0);
            return t * t * (3 - 2 * t);
        };
        double keep = ramp(p.x, edge) * ramp(p.y, edge) * ramp(h - p.y, edge) * ramp(w - clearRight - p.x, rightEdge);
        return Ink{kWhite, 1.0 - keep};
    };
}

Shape Everywhere() {
    return [](Vec) { return true; };
}

Shape Circle(Vec c, double r) {
    return [=](Vec p) { return std::hypot(p.x - c.x, p.y - c.y) <= r; };
}

Shape Ring(Vec c, double r0, double r1) {
    return [=](Vec p) {
        double d = std::hypot(p.x - c.x, p.y - c.y);
        return d >= r0 && d <= r1;
    };
}

Shape RoundRect(double x0, double y0, double x1, double y1, double r) {
    return [=](Vec p) {
        if (p.x < x0 || p.x > x1 || p.y < y0 || p.y > y1) return false;
        double dx = std::max({x0 + r - p.x, 0.0, p.x - (x1 - r)});
        double dy = std::max({y0 + r - p.y, 0.0, p.y - (y1 - r)});
        return dx * dx + dy * dy <= r * r;
    };
}

Shape Below(std::function<double(double)> ridge) {
    return [=](Vec p) { return p.y >= ridge(p.x); };
}

Shape Polygon(std::vector<Vec> pts) {
    Vec lo = pts.front(), hi = pts.front();
    for (const Vec& v : pts) {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y)};
    }
    return [pts = std::move(pts), lo, hi](Vec p) {
        if (p.x < lo.x || p.x > hi.x || p.y < lo.y || p.y > hi.y) return false;
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const Vec& a = pts[i];
            const Vec& b = pts[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y)) in = !in;
        }
        return in;
    };
}

// Closed Catmull-Rom curve through the points; a point given twice in a row
// becomes a sharp corner (wing tips, tail corners).
std::vector<Vec> Smooth(const std::vector<Vec>& ctrl) {
    constexpr int kSteps = 8;
    std::vector<Vec> out;
    const size_t n = ctrl.size();
    for (size_t i = 0; i < n; ++i) {
        const Vec& p0 = ctrl[(i + n - 1) % n];
        const Vec& p1 = ctrl[i];
        const Vec& p2 = ctrl[(i + 1) % n];
        const Vec& p3 = ctrl[(i + 2) % n];
        for (int s = 0; s < kSteps; ++s) {
            double t = double(s) / kSteps, t2 = t * t, t3 = t2 * t;
            auto blend = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
            };
            out.push_back({blend(p0.x, p1.x, p2.x, p3.x), blend(p0.y, p1.y, p2.y, p3.y)});
        }
    }
    return out;
}

// Completes a left-right symmetric outline from its right half, which runs
// from the top of the centre line to its bottom.
std::vector<Vec> Mirrored(std::vector<Vec> half) {
    for (size_t i = half.size() - 1; i-- > 1;) half.push_back({-half[i].x, half[i].y});
    return half;
}

std::vector<Vec> Place(const std::vector<Vec>& pts, Vec centre, double scale, double degrees) {
    const double c = std::cos(degrees * kPi / 180), s = std::sin(degrees * kPi / 180);
    std::vector<Vec> out;
    out.reserve(pts.size());
    for (const Vec& v : pts) out.push_back({centre.x + scale * (v.x * c - v.y * s), centre.y + scale * (v.x * s + v.y * c)});
    return out;
}

// A gliding falcon seen from below, wingspan 2, beak up.
const std::vector<Vec>& FalconOutline() {
    static const std::vector<Vec> outline = Smooth(Mirrored({
        {0.0, -0.32},   {0.04, -0.31},   {0.06, -0.275},  {0.066, -0.235}, {0.1, -0.205},
        {0.25, -0.235}, {0.45, -0.245},  {0.64, -0.215},  {0.81, -0.155}, {0.94, -0.08},
        {1.0, -0.035},  {1.0, -0.035},   {0.86, -0.02},   {0.72, 0.015},  {0.56, 0.065},
        {0.4, 0.11},    {0.25, 0.14},   {0.13, 0.12},    {0.085, 0.16},  {0.062, 0.21},
        {0.125, 0.44},  {0.125, 0.44},   {0.065, 0.462},  {0.0, 0.468},
    }));
    return outline;
}

// A distant bird: a shallow "v" of two curved strokes, width 2.
const std::vector<Vec>& GullOutline() {
    static const std::vector<Vec> outline = Smooth(Mirrored({
        {0.0, 0.05}, {0.45, -0.32}, {1.0, 0.0}, {1.0, 0.0}, {0.45, -0.18}, {0.0, 0.24},
    }));
    return outline;
}

class Image {
public:
    Image(int width, int height) : m_width(width), m_height(height), m_px(size_t(width) * height, kWhite) {}

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgb& At(int x, int y) { return m_px[size_t(y) * m_width + x]; }
    const Rgb& At(int x, int y) const { return m_px[size_t(y) * m_width + x]; }

private:
    int m_width, m_height;
    std::vector<Rgb> m_px;  // top row first
};

// Pixel box, edges inclusive, counted from the top-left of the image.
struct Box {
    int left, top, right, bottom;
    double Width() const { return right - left + 1; }
    double Height() const { return bottom - top + 1; }
};

struct Sample {
    Rgb colour;       // mean over the samples inside the clip
    double coverage;  // share of the samples inside the clip
};

Sample SamplePixel(const std::vector<Layer>& layers, const Shape& clip, double x, double y) {
    Rgb sum{0, 0, 0};
    int covered = 0;
    for (int sy = 0; sy < kSubSamples; ++sy) {
        for (int sx = 0; sx < kSubSamples; ++sx) {
            Vec p{x + (sx + 0.5) / kSubSamples, y + (sy + 0.5) / kSubSamples};
            if (!clip(p)) continue;
            Rgb c = kWhite;
            for (const Layer& layer : layers) {
                if (!layer.inside(p)) continue;
                Ink ink = layer.paint(p);
                c = Mix(c, ink.colour, ink.alpha);
            }
            sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
            ++covered;
        }
    }
    if (covered == 0) return {kWhite, 0.0};
    return {{sum.r / covered, sum.g / covered, sum.b / covered}, double(covered) / (kSubSamples * kSubSamples)};
}

// Paints the layers, given in the box's own coordinates, into the box only.
void Render(Image& image, Box box, const std::vector<Layer>& layers) {
    const Shape all = Everywhere();
    for (int y = box.top; y <= box.bottom; ++y)
        for (int x = box.left; x <= box.right; ++x)
            image.At(x, y) = SamplePixel(layers, all, x - box.left, y - box.top).colour;
}

// Tall panel: a falcon gliding over hills at dawn.
std::vector<Layer> DawnScene(double w, double h) {
    const double horizon = 0.64 * h;
    auto far = [=](double x) { return horizon + 5 * std::sin(x * 0.045 + 1.0) + 3 * std::sin(x * 0.13); };
    auto mid = [=](double x) { return 0.73 * h + 9 * std::sin(x * 0.032 + 2.2) + 3 * std::sin(x * 0.11 + 0.5); };
    auto near = [=](double x) { return 0.84 * h + 7 * std::sin(x * 0.028 + 4.0) + 2 * std::sin(x * 0.09); };
    const Vec sun{0.7 * w, horizon - 6};

    std::vector<Layer> layers{
        {Everywhere(), Vertical({{0, Hex(0x7FA9D6)}, {0.4 * h, Hex(0xBCD6EA)}, {horizon, Hex(0xF8DDB8)}})},
        {Everywhere(), Glow(sun, 0.45 * w, Hex(0xFFF1D0), 0.85)},
        {Circle(sun, 0.09 * w), Solid(Hex(0xFFF4DA))},
        {Below(far), Vertical({{horizon - 8, Hex(0x9FB5C6)}, {0.75 * h, Hex(0xB8C8CF)}})},
        {Below(mid), Vertical({{0.70 * h, Hex(0x6F9A86)}, {0.85 * h, Hex(0x8DAE94)}})},
    };
    for (double x : {14.0, 23.0, 31.0, 128.0, 139.0, 152.0, 161.0}) {
        const double base = mid(x) + 3, tall = 12 + std::fmod(x * 7.3, 7.0);
        layers.push_back({Polygon({{x - 5, base}, {x, base - tall}, {x + 5, base}}), Solid(Hex(0x4E7A64))});
    }
    layers.push_back({Below(near), Vertical({{0.80 * h, Hex(0x3F6E52)}, {h, Hex(0x27493A)}})});

    const Vec body{0.36 * w, 0.31 * h};
    layers.push_back({Polygon(Place(FalconOutline(), body, 0.33 * w, -9)), Radial(body, 0.4 * w, Hex(0x2E3A4F), Hex(0x4A5670))});
    for (auto [x, y, size] : {std::array<double, 3>{0.2 * w, 0.13 * h, 6}, {0.62 * w, 0.16 * h, 5}, {0.7 * w, 0.24 * h, 4}})
        layers.push_back({Polygon(Place(GullOutline(), {x, y}, size, 0)), Solid(Hex(0x5D6B80))});

    // The right edge dissolves widely and ends in white: in the sheet's font
    // the page's labels reach about 40 pixels into the box.
    layers.push_back({Everywhere(), Dissolve(w, h, 10, 48, 44)});
    return layers;
}

// A 16-point compass rose on a parchment disc.
std::vector<Layer> CompassScene(double /*w*/, double h) {
    // Left in its box: the page, laid out in the sheet's font, is about 470
    // pixels wide, so the box's right part is never seen.
    const double r = 44;
    const Vec c{r + 4, 0.4 * h};
    const Rgb navy = Hex(0x26395E), gold = Hex(0xC2943E);

    auto ticks = [=](int count, double halfWidthDeg) {
        return [=](Vec p) {
            double deg = std::atan2(p.y - c.y, p.x - c.x) * 180 / kPi + 360;
            double step = 360.0 / count;
            double off = std::fmod(deg + step / 2, step) - step / 2;
            return std::fabs(off) <= halfWidthDeg;
        };
    };
    auto both = [](Shape a, Shape b) { return [a, b](Vec p) { return a(p) && b(p); }; };

    std::vector<Layer> layers{
        {Circle(c, r), Radial(c, r, Hex(0xFBF5E6), Hex(0xE8D8B4))},
        {Ring(c, r - 3.5, r), Solid(navy)},
        {Ring(c, r - 17, r - 15.5), Solid(navy)},
        {both(Ring(c, r - 15.5, r - 3.5), ticks(32, 0.9)), Solid(navy)},
        {both(Ring(c, r - 15.5, r - 6), ticks(32, 1.8)), Solid(gold)},
        {Ring(c, 0.34 * r, 0.35 * r + 1), Solid(gold)},
    };

    // Each point is a kite split along its axis into a lit and a shaded half.
    auto star = [&](double firstDeg, double length, double waist, Rgb dark, Rgb light) {
        for (int k = 0; k < 4; ++k) {
            double a = (firstDeg + 90.0 * k) * kPi / 180;
            Vec tip{c.x + length * std::cos(a), c.y + length * std::sin(a)};
            Vec left{c.x + waist * std::cos(a - kPi / 4), c.y + waist * std::sin(a - kPi / 4)};
            Vec right{c.x + waist * std::cos(a + kPi / 4), c.y + waist * std::sin(a + kPi / 4)};
            layers.push_back({Polygon({c, left, tip}), Solid(light)});
            layers.push_back({Polygon({c, tip, right}), Solid(dark)});
        }
    };
    star(-67.5, 0.5 * r, 0.1 * r, Hex(0x8C6A2E), Hex(0xE6C98C));
    star(-22.5, 0.5 * r, 0.1 * r, Hex(0x8C6A2E), Hex(0xE6C98C));
    star(-45, 0.66 * r, 0.15 * r, Hex(0x1E2E4D), Hex(0x7E9CC8));
    star(-90, r - 8, 0.2 * r, Hex(0x1E2E4D), Hex(0x9DB6DA));

    layers.push_back({Circle(c, 0.08 * r), Solid(gold)});
    layers.push_back({Ring(c, 0.08 * r, 0.08 * r + 1.2), Solid(navy)});

    // A parchment scroll under the rose.
    const double top = c.y + r + 12, bottom = top + 22, left = c.x - r + 2, right = c.x + r - 2;
    layers.push_back({Polygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}}),
                      Vertical({{top, Hex(0xF3E6C4)}, {bottom, Hex(0xDCC38E)}})});
    for (double y : {top, bottom - 1.5})
        layers.push_back({Polygon({{left, y}, {right, y}, {right, y + 1.5}, {left, y + 1.5}}), Solid(navy)});
    for (double x : {left - 6, right})
        layers.push_back({Polygon({{x, top + 3}, {x + 6, top + 3}, {x + 6, bottom + 3}, {x, bottom + 3}}),
                          Solid(Hex(0xC9AE78))});
    return layers;
}

// A swallow-tailed banner on a rod, a falcon in a roundel.
std::vector<Layer> BannerScene(double w, double h) {
    const double mid = w / 2, left = 14, right = w - 14, top = 20, foot = h - 8, notch = h - 42;
    const Rgb gold = Hex(0xD8AE55), deepGold = Hex(0x9C7630);
    auto folds = [](Rgb base) {
        return [base](Vec p) {
            double k = 0.9 + 0.1 * std::sin(p.x * 0.16 + 0.8) + 0.04 * std::sin(p.x * 0.5);
            return Ink{{base.r * k, base.g * k, base.b * k}, 1.0};
        };
    };
    const Vec roundel{mid, 0.4 * h};

    std::vector<Layer> layers{
        {Polygon({{left, top}, {right, top}, {right, foot}, {mid, notch}, {left, foot}}), folds(gold)},
        {Polygon({{left + 5, top + 4}, {right - 5, top + 4}, {right - 5, foot - 10}, {mid, notch - 8}, {left + 5, foot - 10}}),
         folds(Hex(0x9E2233))},
        {RoundRect(3, 12, w - 3, 19, 3.5), Vertical({{12, Hex(0xB98A3C)}, {15, Hex(0xF0CF87)}, {19, Hex(0x7A5522)}})},
        {Circle({5, 15.5}, 5.5), Radial({3.5, 13.5}, 7, Hex(0xF6DC9E), deepGold)},
        {Circle({w - 5, 15.5}, 5.5), Radial({w - 6.5, 13.5}, 7, Hex(0xF6DC9E), deepGold)},
        {Circle(roundel, 0.32 * w), Radial(roundel, 0.32 * w, Hex(0x6E1422), Hex(0x521019))},
        {Ring(roundel, 0.29 * w, 0.32 * w), Solid(gold)},
        {Polygon(Place(FalconOutline(), {roundel.x, roundel.y + 2}, 0.26 * w, 0)), Radial(roundel, 0.25 * w, Hex(0xF6DC9E), gold)},
    };
    for (int k = -1; k <= 1; ++k) {
        const double x = mid + 22 * k, y = 0.655 * h;
        layers.push_back({Polygon({{x, y - 6}, {x + 5, y}, {x, y + 6}, {x - 5, y}}), Solid(gold)});
    }
    // A chevron echoing the swallow-tail notch.
    const double slope = (foot - notch) / (mid - left), apex = notch - 26, arm = mid - left - 14;
    layers.push_back({Polygon({{mid - arm, apex + slope * arm}, {mid, apex}, {mid + arm, apex + slope * arm},
                               {mid + arm, apex + slope * arm + 5}, {mid, apex + 5}, {mid - arm, apex + slope * arm + 5}}),
                      Solid(gold)});
    return layers;
}

// The program icon: a falcon on a dusk-blue tile.
std::vector<Layer> IconScene(double size) {
    const Vec c{size / 2, size / 2};
    return {
        {Everywhere(), Vertical({{0, Hex(0x3D74B5)}, {size, Hex(0x162B55)}})},
        {Everywhere(), Glow({c.x, 0.62 * size}, 0.5 * size, Hex(0xF4C16A), 0.45)},
        {Polygon(Place(FalconOutline(), {c.x, c.y + 1}, 0.47 * size, -8)), Solid(Hex(0xF8E2A8))},
    };
}

uint8_t Channel(double v) {
    return uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

class Bytes {
public:
    void U8(uint8_t v) { m_data.push_back(v); }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void U32(uint32_t v) {
        U16(uint16_t(v));
        U16(uint16_t(v >> 16));
    }
    void Append(const Bytes& other) { m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end()); }
    size_t Size() const { return m_data.size(); }
    bool Save(const std::string& path) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        bool ok = std::fwrite(m_data.data(), 1, m_data.size(), f) == m_data.size();
        return std::fclose(f) == 0 && ok;
    }

private:
    std::vector<uint8_t> m_data;
};

constexpr uint32_t kPixelsPerMetre = 11808;

void InfoHeader(Bytes& out, int width, int rows, int bits, uint32_t imageBytes, uint32_t ppm) {
    out.U32(40);
    out.U32(uint32_t(width));
    out.U32(uint32_t(rows));
    out.U16(1);
    out.U16(uint16_t(bits));
    out.U32(0);  // BI_RGB
    out.U32(imageBytes);
    out.U32(ppm);
    out.U32(ppm);
    out.U32(0);
    out.U32(0);
}

size_t Stride(int width, int bits) {
    return ((size_t(width) * bits + 31) / 32) * 4;
}

// Rows bottom-up, 24-bit BGR, padded to four bytes.
void Pixels24(Bytes& out, const Image& image) {
    const size_t pad = Stride(image.Width(), 24) - size_t(image.Width()) * 3;
    for (int y = image.Height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgb& c = image.At(x, y);
            out.U8(Channel(c.b));
            out.U8(Channel(c.g));
            out.U8(Channel(c.r));
        }
        for (size_t i = 0; i < pad; ++i) out.U8(0);
    }
}

bool SaveBmp(const Image& image, const std::string& path) {
    constexpr uint32_t kHeaders = 14 + 40;
    const uint32_t pixels = uint32_t(Stride(image.Width(), 24) * image.Height());
    Bytes out;
    out.U8('B');
    out.U8('M');
    out.U32(kHeaders + pixels);
    out.U32(0);
    out.U32(kHeaders);
    InfoHeader(out, image.Width(), image.Height(), 24, pixels, kPixelsPerMetre);
    Pixels24(out, image);
    return out.Save(path);
}

struct IconArt {
    Image colour;
    std::vector<bool> opaque;  // top row first
};

IconArt DrawIcon(int size) {
    const Shape tile = RoundRect(0.5, 0.5, size - 0.5, size - 0.5, 6);
    const std::vector<Layer> layers = IconScene(size);
    IconArt art{Image(size, size), std::vector<bool>(size_t(size) * size)};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            Sample s = SamplePixel(layers, tile, x, y);
            const bool on = s.coverage >= 0.5;
            art.opaque[size_t(y) * size + x] = on;
            // Transparent pixels must be black so the XOR step leaves the screen as it is.
            art.colour.At(x, y) = on ? s.colour : Rgb{0, 0, 0};
        }
    }
    return art;
}

// Up to 256 colours: the means of the busiest 4-bit-per-channel cells.
std::vector<Rgb> Palette(const Image& image) {
    std::map<int, std::pair<int, Rgb>> cells;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const Rgb& c = image.At(x, y);
            int key = (Channel(c.r) >> 4) << 8 | (Channel(c.g) >> 4) << 4 | (Channel(c.b) >> 4);
            auto& cell = cells[key];
            ++cell.first;
            cell.second = {cell.second.r + c.r, cell.second.g + c.g, cell.second.b + c.b};
        }
    }
    std::vector<std::pair<int, Rgb>> ranked;
    for (const auto& [key, cell] : cells) ranked.push_back({cell.first, {cell.second.r / cell.first, cell.second.g / cell.first, cell.second.b / cell.first}});
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Rgb> palette;
    for (size_t i = 0; i < ranked.size() && i < 256; ++i) palette.push_back(ranked[i].second);
    palette.resize(256, Rgb{0, 0, 0});
    return palette;
}

uint8_t Nearest(const std::vector<Rgb>& palette, const Rgb& c) {
    size_t best = 0;
    double bestDist = 1e300;
    for (size_t i = 0; i < palette.size(); ++i) {
        double dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        double d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return uint8_t(best);
}

// One icon image: header with doubled height, colour rows, then the AND mask.
Bytes IconImage(const IconArt& art, int bits) {
    const Image& image = art.colour;
    const int size = image.Width();
    const size_t maskStride = Stride(size, 1);
    const uint32_t xorBytes = uint32_t(Stride(size, bits) * size);
    Bytes out;
    InfoHeader(out, size, size * 2, bits, xorBytes + uint32_t(maskStride * size), 0);
    if (bits == 8) {
        const std::vector<Rgb> palette = Palette(image);
        for (const Rgb& c : palette) {
            out.U8(Channel(c.b));
            out.U8(Channel(c.g));
            out.U8(Channel(c.r));
            out.U8(0);
        }
        for (int y = size - 1; y >= 0; --y)
            for (int x = 0; x < size; ++x) out.U8(Nearest(palette, image.At(x, y)));
    } else {
        Pixels24(out, image);
    }
    for (int y = size - 1; y >= 0; --y) {
        for (size_t byte = 0; byte < maskStride; ++byte) {
            uint8_t v = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const int x = int(byte * 8) + bit;
                if (x >= size || !art.opaque[size_t(y) * size + x]) v |= uint8_t(0x80 >> bit);
            }
            out.U8(v);
        }
    }
    return out;
}

bool SaveIcon(const IconArt& art, const std::string& path) {
    const std::array<int, 2> depths{8, 24};
    std::vector<Bytes> images;
    for (int bits : depths) images.push_back(IconImage(art, bits));
    Bytes out;
    out.U16(0);
    out.U16(1);  // icon, not cursor
    out.U16(uint16_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.U8(uint8_t(art.colour.Width()));
        out.U8(uint8_t(art.colour.Height()));
        out.U8(0);  // colour count: 0 means 256 or more
        out.U8(0);
        out.U16(1);
        out.U16(uint16_t(depths[i]));
        out.U32(uint32_t(images[i].Size()));
        out.U32(offset);
        offset += uint32_t(images[i].Size());
    }
    for (const Bytes& image : images) out.Append(image);
    return out.Save(path);
}

bool IsWhite(const Rgb& c) {
    return Channel(c.r) == 255 && Channel(c.g) == 255 && Channel(c.b) == 255;
}

// Paints a scene into its box; returns the part of the box it did not leave
// white, as x, y, width, height (the edges fade out, so it is smaller).
std::array<int, 4> Decorate(Image& image, Box box, std::vector<Layer> (*scene)(double, double)) {
    Render(image, box, scene(box.Width(), box.Height()));
    Box inked{box.right, box.bottom, box.left, box.top};
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            if (IsWhite(image.At(x, y))) continue;
            inked = {std::min(inked.left, x), std::min(inked.top, y), std::max(inked.right, x), std::max(inked.bottom, y)};
        }
    }
    return {inked.left, inked.top, inked.right - inked.left + 1, inked.bottom - inked.top + 1};
}

std::string RectsJson(const std::vector<std::array<int, 4>>& rects) {
    std::string out = "[";
    for (const auto& r : rects) {
        char text[64];
        std::snprintf(text, sizeof(text), "%s[%d, %d, %d, %d]", out.size() > 1 ? ", " : "", r[0], r[1], r[2], r[3]);
        out += text;
    }
    return out + "]";
}

bool SaveText(const std::string& text, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkart <output folder>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";

    Image system(573, 437);
    const std::vector<std::array<int, 4>> systemInk = {Decorate(system, {3, 49, 179, 311}, DawnScene),
                                                       Decorate(system, {372, 81, 537, 261}, CompassScene)};

    Image option(514, 437);
    const std::vector<std::array<int, 4>> optionInk = {Decorate(option, {7, 50, 147, 280}, BannerScene)};

    const std::string decorations = "{\"system\": " + RectsJson(systemInk) + ", \"option\": " + RectsJson(optionInk) + "}\n";
    const bool ok = SaveBmp(system, dir + "system.bmp") && SaveBmp(option, dir + "option.bmp") &&
                    SaveIcon(DrawIcon(32), dir + "app.ico") && SaveText(decorations, dir + "decorations.json");
    if (!ok) {
        std::fprintf(stderr, "mkart: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
