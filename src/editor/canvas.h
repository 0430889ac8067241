// The drawing surface the painter draws on: the GDI primitives it uses, one
// operation each. On Windows it draws into the editor's back buffer; tests
// use a recording implementation.
#pragma once

#include <cstdint>

namespace orv {

struct TextSize {
    int cx;
    int cy;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // Each select creates a new object, selects it and deletes the one it
    // replaces (the surface's original objects are kept and put back by
    // restoreOriginals, which deletes the last created ones).
    virtual void selectPen(int width, std::uint32_t colour) = 0;
    virtual void selectBrush(std::uint32_t colour) = 0;
    virtual void selectFont(int height, int weight, bool italic, bool underline, bool strikeOut) = 0;
    virtual void restoreOriginals() = 0;
    virtual void rectangle(int l, int t, int r, int b) = 0;
    virtual void ellipse(int l, int t, int r, int b) = 0;
    virtual void arc(int l, int t, int r, int b, int xStart, int yStart, int xEnd, int yEnd) = 0;
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual void setTextColour(std::uint32_t colour) = 0;
    virtual TextSize textExtent(const char* text) = 0;
    virtual void textOut(int x, int y, const char* text) = 0;
};

}  // namespace orv
