// The Canvas on a Cairo context, drawing as GDI does: pixel-exact shapes
// without antialiasing, rectangles and ellipses that leave out their right
// and bottom edges, counter-clockwise arcs, one-pixel lines without their
// last pixel, and text cells of the font's full height. DejaVu Sans stands
// in for the Windows default face.
#pragma once

#include <cairo.h>

#include <cstdint>

#include "editor/canvas.h"

namespace orv {

class CairoCanvas final : public Canvas {
public:
    explicit CairoCanvas(cairo_t* cr);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    void selectPen(int width, std::uint32_t colour) override;
    void selectBrush(std::uint32_t colour) override;
    void selectFont(int height, int weight, bool italic, bool underline, bool strikeOut) override;
    void restoreOriginals() override;
    void rectangle(int l, int t, int r, int b) override;
    void ellipse(int l, int t, int r, int b) override;
    void arc(int l, int t, int r, int b, int xStart, int yStart, int xEnd, int yEnd) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void setTextColour(std::uint32_t colour) override;
    TextSize textExtent(const char* text) override;
    void textOut(int x, int y, const char* text) override;

private:
    void useColour(std::uint32_t colour);
    void strokePen();
    void ellipsePath(int l, int t, int r, int b);
    void fillPixels(int x, int y, int w, int h, std::uint32_t colour);

    cairo_t* cr_;
    cairo_font_face_t* face_ = nullptr;
    int penWidth_ = 1;
    std::uint32_t pen_ = 0;
    std::uint32_t brush_ = 0xFFFFFF;
    std::uint32_t text_ = 0;
    int fontHeight_ = 0;
    double fontAscent_ = 0;
    bool underline_ = false;
    bool strikeOut_ = false;
    int x_ = 0;  // the current position of moveTo and lineTo
    int y_ = 0;
};

}  // namespace orv
