// Generates the clock's artwork: the wooden dial (face.bmp) and the picture hour marks (mark3/4/5.png).
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr int kFaceSize = 700;
constexpr double kCentre = 350.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int kMarkSize = 32;
const QColor kSurround(25, 14, 12);
// The marks have no alpha channel, so they sit on a square of the dial's outer wood tone.
const QColor kMarkBackground(52, 32, 24);

// xorshift64*: tiny and identical on every platform, so rebuilding the artwork is reproducible.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint64_t state_;
};

double smoothstep(double edge0, double edge1, double x) {
    const double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

double lerp(double a, double b, double t) { return a + (b - a) * t; }

// Hashed lattice instead of a permutation table: no period, so no visible tiling on a 700 px dial.
double latticeValue(int x, int y, int z, std::uint32_t seed) {
    std::uint32_t h = seed;
    h ^= std::uint32_t(x) * 0x8DA6B343u;
    h ^= std::uint32_t(y) * 0xD8163841u;
    h ^= std::uint32_t(z) * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return double(h) / 4294967295.0;
}

double valueNoise(double x, double y, double z, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = int(fx), iy = int(fy), iz = int(fz);
    const double tx = smoothstep(0, 1, x - fx), ty = smoothstep(0, 1, y - fy), tz = smoothstep(0, 1, z - fz);
    auto v = [&](int dx, int dy, int dz) { return latticeValue(ix + dx, iy + dy, iz + dz, seed); };
    const double near = lerp(lerp(v(0, 0, 0), v(1, 0, 0), tx), lerp(v(0, 1, 0), v(1, 1, 0), tx), ty);
    const double far = lerp(lerp(v(0, 0, 1), v(1, 0, 1), tx), lerp(v(0, 1, 1), v(1, 1, 1), tx), ty);
    return lerp(near, far, tz);
}

double fractalNoise(double x, double y, double z, int octaves, std::uint32_t seed) {
    double sum = 0, amplitude = 0.5, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x, y, z, seed + std::uint32_t(i) * 1013u);
        norm += amplitude;
        x *= 2.03;
        y *= 2.03;
        z *= 2.03;
        amplitude *= 0.5;
    }
    return sum / norm;
}

struct RGB {
    double r, g, b;
};

RGB mix(RGB a, RGB b, double t) { return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)}; }

// Heartwood, a dark band, the paler greyish sapwood, then darker wood under the bark.
RGB woodTone(double radius) {
    struct Stop {
        double radius;
        RGB colour;
    };
    static constexpr std::array<Stop, 8> stops{{
        {0, {170, 98, 64}},
        {70, {148, 80, 50}},
        {140, {82, 40, 24}},
        {190, {106, 76, 60}},
        {228, {124, 100, 86}},
        {262, {112, 88, 74}},
        {300, {72, 46, 34}},
        {340, {46, 28, 21}},
    }};
    if (radius <= stops.front().radius) return stops.front().colour;
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (radius < stops[i].radius) {
            const double t = smoothstep(stops[i - 1].radius, stops[i].radius, radius);
            return mix(stops[i - 1].colour, stops[i].colour, t);
        }
    }
    return stops.back().colour;
}

// Each annual ring darkens gradually towards its outer edge (latewood) and snaps back to light
// at the boundary, which is what makes rings read as rings rather than as a sine ripple.
class GrowthRings {
public:
    explicit GrowthRings(Rng& rng) {
        std::vector<double> bounds{0.0};
        std::vector<double> strengths;
        while (bounds.back() < kMaxRadius) {
            const double r = bounds.back();
            bounds.push_back(r + lerp(11.0, 4.5, r / kMaxRadius) * rng.range(0.65, 1.4));
            strengths.push_back(rng.range(0.10, 0.30));
        }
        darkness_.resize(std::size_t(kMaxRadius / kStep) + 2);
        std::size_t ring = 0;
        for (std::size_t i = 0; i < darkness_.size(); ++i) {
            const double r = double(i) * kStep;
            while (ring + 2 < bounds.size() && r >= bounds[ring + 1]) ++ring;
            const double t = (r - bounds[ring]) / (bounds[ring + 1] - bounds[ring]);
            darkness_[i] = strengths[ring] * smoothstep(0.45, 0.97, t);
        }
    }

    double darkness(double radius) const {
        const double pos = std::clamp(radius / kStep, 0.0, double(darkness_.size() - 2));
        const std::size_t i = std::size_t(pos);
        return lerp(darkness_[i], darkness_[i + 1], pos - double(i));
    }

private:
    static constexpr double kMaxRadius = 360.0;
    static constexpr double kStep = 0.25;
    std::vector<double> darkness_;
};

// Keeps the rings and rim from being perfect circles; sampled in Cartesian space so there is no seam.
double ringWarp(double dx, double dy) { return (fractalNoise(dx / 80.0, dy / 80.0, 0.5, 4, 71) - 0.5) * 26.0; }

void paintWood(QImage& image, const GrowthRings& rings) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const double dx = x + 0.5 - kCentre, dy = y + 0.5 - kCentre;
            const double r = std::hypot(dx, dy);
            const double ux = r > 0 ? dx / r : 0, uy = r > 0 ? dy / r : 0;
            const double warped = r + ringWarp(dx, dy) * (0.1 + 0.9 * std::min(1.0, r / 180.0));

            // Radial fibres: fine across the circle, long along the radius.
            const double fibre =
                std::clamp(0.5 + 2.2 * (fractalNoise(ux * 60.0, uy * 60.0, r / 40.0, 3, 133) - 0.5), 0.0, 1.0);
            const double blotch = fractalNoise(dx / 70.0, dy / 70.0, 3.0, 4, 977);
            const double fibreAmount = 0.22 * std::min(1.0, r / 80.0);

            RGB c = woodTone(warped);
            // Weathered patches lose some of their red.
            c = mix(c, {c.g * 1.05, c.g, c.b * 1.05}, 0.25 * smoothstep(0.45, 0.75, blotch));
            const double shade =
                (1.0 - rings.darkness(warped)) * (1.0 - fibreAmount / 2 + fibreAmount * fibre) * (0.9 + 0.2 * blotch);
            line[3 * x + 0] = uchar(std::clamp(c.r * shade, 0.0, 255.0));
            line[3 * x + 1] = uchar(std::clamp(c.g * shade, 0.0, 255.0));
            line[3 * x + 2] = uchar(std::clamp(c.b * shade, 0.0, 255.0));
        }
    }
}

// A drying split: a jagged tapered polygon that wanders around a roughly radial line.
QPainterPath crackPath(Rng& rng, double angle, double r0, double r1, double maxWidth, bool fromRim) {
    std::vector<QPointF> left, right;
    double drift = rng.range(-0.0015, 0.0015);
    for (double r = r0; r <= r1; r += 4.0) {
        drift += rng.range(-0.0008, 0.0008);
        angle += drift + rng.range(-0.012, 0.012);
        // Occasional kinks where the split followed a weaker ray of the wood.
        if (rng.uniform() < 0.1) angle += rng.range(-0.07, 0.07);
        const double t = (r - r0) / (r1 - r0);
        const double profile = fromRim ? std::pow(t, 1.3) : std::sin(kPi * std::pow(t, 1.5));
        const double width = std::max(0.5, maxWidth * profile * rng.range(0.6, 1.3));
        const QPointF along(std::cos(angle), std::sin(angle));
        const QPointF across(-along.y(), along.x());
        const QPointF p = QPointF(kCentre, kCentre) + along * r + across * rng.range(-1.2, 1.2);
        left.push_back(p + across * (width / 2));
        right.push_back(p - across * (width / 2));
    }
    QPolygonF outline;
    for (const QPointF& p : left) outline << p;
    for (auto it = right.rbegin(); it != right.rend(); ++it) outline << *it;
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}

void paintCracks(QImage& image, Rng& rng) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    // Random draws go into named locals: argument evaluation order differs between compilers,
    // and the artwork must come out the same whichever one builds it.
    std::vector<QPainterPath> cracks;
    const int longCracks = 5;
    const double start = rng.range(0, 2 * kPi);
    for (int i = 0; i < longCracks; ++i) {
        const double angle = start + 2 * kPi * (i + rng.range(-0.3, 0.3)) / longCracks;
        const double inner = rng.range(30, 85);
        const double outer = rng.range(250, 330);
        const double width = rng.range(3.0, 7.5);
        cracks.push_back(crackPath(rng, angle, inner, outer, width, false));
    }
    // Short splits from the bark stay between the numerals so they never run through a digit.
    for (int i = 0; i < 3; ++i) {
        const double angle = (i + rng.range(0.2, 0.8)) * kPi / 2;
        const double inner = rng.range(230, 280);
        const double width = rng.range(2.5, 5.0);
        cracks.push_back(crackPath(rng, angle, inner, 345, width, true));
    }
    // A soft stained edge first, so the split looks sunk into the wood rather than drawn on it.
    for (const QPainterPath& crack : cracks) {
        QPainterPathStroker halo;
        halo.setWidth(4.0);
        painter.setBrush(QColor(30, 14, 8, 55));
        painter.drawPath(halo.createStroke(crack).united(crack));
    }
    painter.setBrush(QColor(20, 10, 6, 235));
    for (const QPainterPath& crack : cracks) painter.drawPath(crack);
}

// Fades the log's edge into the surround; the rim is warped slightly so it reads as bark, not a compass circle.
void fadeRim(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            const double dx = x + 0.5 - kCentre, dy = y + 0.5 - kCentre;
            const double r = std::hypot(dx, dy) + ringWarp(dx, dy) * 0.25;
            const double t = smoothstep(300.0, 345.0, r);
            line[3 * x + 0] = uchar(std::lround(lerp(line[3 * x + 0], kSurround.red(), t)));
            line[3 * x + 1] = uchar(std::lround(lerp(line[3 * x + 1], kSurround.green(), t)));
            line[3 * x + 2] = uchar(std::lround(lerp(line[3 * x + 2], kSurround.blue(), t)));
        }
    }
}

// Centre lines of the glyphs in a box 0.6 wide and 1 tall (y down); stroked later into outlines.
QPainterPath digitCentreLine(char digit) {
    QPainterPath path;
    switch (digit) {
    case '1':
        path.moveTo(0.02, 0.2);
        path.lineTo(0.24, 0.0);
        path.lineTo(0.24, 1.0);
        break;
    case '3':
        path.moveTo(0.04, 0.12);
        path.arcTo(QRectF(0.06, 0.0, 0.48, 0.48), 155, -245);
        path.arcTo(QRectF(0.02, 0.44, 0.56, 0.56), 90, -250);
        break;
    case '6':
        path.moveTo(0.54, 0.1);
        path.cubicTo(0.42, -0.04, 0.03, -0.02, 0.02, 0.73);
        path.addEllipse(QRectF(0.02, 0.47, 0.56, 0.53));
        break;
    case '9': return QTransform(-1, 0, 0, -1, 0.6, 1.0).map(digitCentreLine('6'));
    }
    return path;
}

QPainterPath numeralOutline(std::string_view digits, double height) {
    // Stroke at final size: the stroker flattens curves with an absolute tolerance, so a unit-sized
    // glyph would come out visibly faceted once scaled up.
    QPainterPathStroker stroker;
    stroker.setWidth(0.18 * height);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    const QTransform toPixels = QTransform::fromScale(height, height);
    QPainterPath outline;
    double x = 0;
    for (char digit : digits) {
        const QPainterPath glyph = stroker.createStroke(toPixels.map(digitCentreLine(digit))).simplified();
        outline = outline.united(glyph.translated(x, 0));
        x += ((digit == '1' ? 0.36 : 0.6) + 0.14) * height;
    }
    return outline;
}

void paintNumeral(QPainter& painter, std::string_view digits, QPointF centre, double height) {
    QPainterPath outline = numeralOutline(digits, height);
    outline.translate(centre - outline.boundingRect().center());
    const QRectF box = outline.boundingRect();

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 120));
    painter.drawPath(outline.translated(2.0, 2.5));

    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, QColor(255, 240, 170));
    fill.setColorAt(0.45, QColor(248, 190, 90));
    fill.setColorAt(1.0, QColor(230, 120, 30));
    painter.setBrush(fill);
    painter.setPen(QPen(QColor(48, 22, 10), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(outline);
}

void paintNumerals(QImage& image) {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    constexpr double radius = 285.0, height = 46.0;
    paintNumeral(painter, "13", {kCentre, kCentre - radius}, height);
    paintNumeral(painter, "3", {kCentre + radius, kCentre}, height);
    paintNumeral(painter, "6", {kCentre, kCentre + radius}, height);
    paintNumeral(painter, "9", {kCentre - radius, kCentre}, height);
}

QImage makeFace() {
    Rng rng(0xC10CCu);
    QImage image(kFaceSize, kFaceSize, QImage::Format_RGB888);
    const GrowthRings rings(rng);
    paintWood(image, rings);
    paintCracks(image, rng);
    fadeRim(image);
    paintNumerals(image);
    return image;
}

QImage blankMark() {
    QImage image(kMarkSize, kMarkSize, QImage::Format_RGB888);
    image.fill(kMarkBackground);
    return image;
}

QImage makeRivet() {
    QImage image = blankMark();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient brass(QPointF(16, 16), 14, QPointF(11.5, 10.5));
    brass.setColorAt(0.0, QColor(255, 244, 200));
    brass.setColorAt(0.3, QColor(232, 188, 92));
    brass.setColorAt(0.75, QColor(168, 112, 40));
    brass.setColorAt(1.0, QColor(100, 62, 20));
    painter.setBrush(brass);
    painter.setPen(QPen(QColor(40, 24, 10), 1.5));
    painter.drawEllipse(QPointF(16, 16), 13.5, 13.5);
    return image;
}

QImage makeJewel() {
    QImage image = blankMark();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF top(16, 1.5), right(28, 16), bottom(16, 30.5), left(4, 16), mid(16, 15);
    // Four facets lit from the upper left.
    const std::array<std::pair<std::array<QPointF, 3>, QColor>, 4> facets{{
        {{left, top, mid}, QColor(236, 246, 255)},
        {{top, right, mid}, QColor(150, 196, 240)},
        {{right, bottom, mid}, QColor(60, 104, 170)},
        {{bottom, left, mid}, QColor(110, 156, 214)},
    }};
    painter.setPen(Qt::NoPen);
    for (const auto& [corners, colour] : facets) {
        painter.setBrush(colour);
        painter.drawPolygon(corners.data(), int(corners.size()));
    }
    const QPointF outline[] = {top, right, bottom, left};
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(214, 170, 70), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    painter.drawPolygon(outline, 4);
    return image;
}

QImage makeSun() {
    QImage image = blankMark();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF c(16, 16);
    QPolygonF rays;
    constexpr int points = 12;
    for (int i = 0; i < 2 * points; ++i) {
        const double a = kPi * i / points - kPi / 2;
        const double r = (i % 2) ? 8.0 : (i % 4 == 0 ? 15.0 : 12.5);
        rays << c + QPointF(std::cos(a), std::sin(a)) * r;
    }
    QRadialGradient glow(c, 15);
    glow.setColorAt(0.0, QColor(255, 236, 150));
    glow.setColorAt(1.0, QColor(236, 128, 30));
    painter.setBrush(glow);
    painter.setPen(QPen(QColor(70, 30, 8), 1.0));
    painter.drawPolygon(rays);

    QRadialGradient disc(c, 7.5, c - QPointF(2, 2));
    disc.setColorAt(0.0, QColor(255, 250, 210));
    disc.setColorAt(1.0, QColor(250, 176, 50));
    painter.setBrush(disc);
    painter.drawEllipse(c, 7.0, 7.0);
    return image;
}

bool save(const QImage& image, const QString& path, const char* format) {
    if (image.save(path, format)) return true;
    std::fprintf(stderr, "make_artwork: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "make_artwork: cannot create %s\n", argv[1]);
        return 1;
    }
    const bool ok =
        save(makeFace(), out.filePath("face.bmp"), "BMP") && save(makeRivet(), out.filePath("mark3.png"), "PNG") &&
        save(makeJewel(), out.filePath("mark4.png"), "PNG") && save(makeSun(), out.filePath("mark5.png"), "PNG");
    return ok ? 0 : 1;
}
