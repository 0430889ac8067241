#include "window/cairo_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace orv {
namespace {

constexpr const char* kFontFamily = "DejaVu Sans";
constexpr int kBoldFrom = 600;  // GDI weights from this on are drawn bold
constexpr double kPixelCentre = 0.5;
constexpr double kMeasuringSize = 1000.0;  // large enough that hinted metrics keep their proportions

double channel(std::uint32_t colour, int shift) { return static_cast<double>((colour >> shift) & 0xFF) / 255.0; }

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cr) {
    cairo_save(cr_);
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_font_options_t* options = cairo_font_options_create();
    // GDI draws the default face without smoothing.
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
}

CairoCanvas::~CairoCanvas() {
    restoreOriginals();
    cairo_restore(cr_);
}

// COLORREF order: red in the low byte.
void CairoCanvas::useColour(std::uint32_t colour) {
    cairo_set_source_rgb(cr_, channel(colour, 0), channel(colour, 8), channel(colour, 16));
}

void CairoCanvas::selectPen(int width, std::uint32_t colour) {
    penWidth_ = std::max(width, 1);
    pen_ = colour;
}

void CairoCanvas::selectBrush(std::uint32_t colour) { brush_ = colour; }

// A GDI height is the text cell's: the font's ascent plus descent.
void CairoCanvas::selectFont(int height, int weight, bool italic, bool underline, bool strikeOut) {
    if (face_) cairo_font_face_destroy(face_);
    face_ = cairo_toy_font_face_create(kFontFamily, italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                       weight >= kBoldFrom ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_face(cr_, face_);
    cairo_set_font_size(cr_, kMeasuringSize);
    cairo_font_extents_t measured;
    cairo_font_extents(cr_, &measured);
    const double cell = (measured.ascent + measured.descent) / kMeasuringSize;
    fontHeight_ = std::abs(height);
    const double size = cell > 0 ? fontHeight_ / cell : fontHeight_;
    cairo_set_font_size(cr_, size);
    fontAscent_ = measured.ascent / kMeasuringSize * size;
    underline_ = underline;
    strikeOut_ = strikeOut;
}

void CairoCanvas::restoreOriginals() {
    if (!face_) return;
    cairo_set_font_face(cr_, nullptr);
    cairo_font_face_destroy(face_);
    face_ = nullptr;
}

void CairoCanvas::fillPixels(int x, int y, int w, int h, std::uint32_t colour) {
    if (w <= 0 || h <= 0) return;
    useColour(colour);
    cairo_rectangle(cr_, x, y, w, h);
    cairo_fill(cr_);
}

void CairoCanvas::strokePen() {
    useColour(pen_);
    cairo_set_line_width(cr_, penWidth_);
    cairo_stroke(cr_);
}

// Filled with the brush, outlined with the pen, inside l..r-1 and t..b-1.
void CairoCanvas::rectangle(int l, int t, int r, int b) {
    if (r < l) std::swap(l, r);
    if (b < t) std::swap(t, b);
    fillPixels(l, t, r - l, b - t, brush_);
    const int w = penWidth_;
    fillPixels(l, t, r - l, w, pen_);
    fillPixels(l, b - w, r - l, w, pen_);
    fillPixels(l, t, w, b - t, pen_);
    fillPixels(r - w, t, w, b - t, pen_);
}

// The ellipse through the centres of the box's outer pixels.
void CairoCanvas::ellipsePath(int l, int t, int r, int b) {
    const double rx = (r - l - 1) / 2.0;
    const double ry = (b - t - 1) / 2.0;
    if (rx <= 0 || ry <= 0) return;
    cairo_save(cr_);
    cairo_translate(cr_, l + kPixelCentre + rx, t + kPixelCentre + ry);
    cairo_scale(cr_, rx, ry);
    cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr_);
}

void CairoCanvas::ellipse(int l, int t, int r, int b) {
    ellipsePath(l, t, r, b);
    useColour(brush_);
    cairo_fill_preserve(cr_);
    strokePen();
}

// From the point where the ray to (xStart, yStart) meets the ellipse,
// counter-clockwise on the screen to the ray to (xEnd, yEnd). A wide pen
// runs along the ellipse inscribed in the whole box, as GDI's does.
void CairoCanvas::arc(int l, int t, int r, int b, int xStart, int yStart, int xEnd, int yEnd) {
    const double inset = penWidth_ > 1 ? 0.0 : 1.0;
    const double rx = (r - l - inset) / 2.0;
    const double ry = (b - t - inset) / 2.0;
    if (rx <= 0 || ry <= 0) return;
    const double cx = (l + r) / 2.0;
    const double cy = (t + b) / 2.0;
    // Angles on the unit circle the ellipse is scaled from.
    const double start = std::atan2((yStart + kPixelCentre - cy) / ry, (xStart + kPixelCentre - cx) / rx);
    const double end = std::atan2((yEnd + kPixelCentre - cy) / ry, (xEnd + kPixelCentre - cx) / rx);
    cairo_save(cr_);
    cairo_translate(cr_, cx, cy);
    cairo_scale(cr_, rx, ry);
    cairo_arc_negative(cr_, 0, 0, 1, start, end);
    cairo_restore(cr_);
    strokePen();
}

void CairoCanvas::moveTo(int x, int y) {
    x_ = x;
    y_ = y;
}

// A one-pixel line leaves out its last pixel; a wider pen's line reaches
// half its width past both ends, its arcs end flat.
void CairoCanvas::lineTo(int x, int y) {
    if (penWidth_ == 1 && (x == x_ || y == y_)) {
        const int dx = x > x_ ? 1 : (x < x_ ? -1 : 0);
        const int dy = y > y_ ? 1 : (y < y_ ? -1 : 0);
        const int lastX = x - dx, lastY = y - dy;
        if (dx != 0 || dy != 0)
            fillPixels(std::min(x_, lastX), std::min(y_, lastY), std::abs(lastX - x_) + 1, std::abs(lastY - y_) + 1,
                       pen_);
    } else {
        cairo_move_to(cr_, x_ + kPixelCentre, y_ + kPixelCentre);
        cairo_line_to(cr_, x + kPixelCentre, y + kPixelCentre);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE);
        strokePen();
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    }
    x_ = x;
    y_ = y;
}

void CairoCanvas::setTextColour(std::uint32_t colour) { text_ = colour; }

TextSize CairoCanvas::textExtent(const char* text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text, &extents);
    return {static_cast<int>(std::lround(extents.x_advance)), fontHeight_};
}

// (x, y) is the top left of the text cell; the background stays.
void CairoCanvas::textOut(int x, int y, const char* text) {
    useColour(text_);
    const double baseline = y + std::round(fontAscent_);
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, text);
    // Showing text leaves a current point, from which the next shape's path
    // would start with a line.
    cairo_new_path(cr_);
    const int width = textExtent(text).cx;
    const int stroke = std::max(1, fontHeight_ / 14);
    if (underline_) fillPixels(x, static_cast<int>(baseline) + stroke, width, stroke, text_);
    if (strikeOut_) fillPixels(x, static_cast<int>(baseline - fontAscent_ / 3), width, stroke, text_);
}

}  // namespace orv
