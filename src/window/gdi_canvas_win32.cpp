#include "window/gdi_canvas_win32.h"

#include <cstring>

namespace orv {

std::atomic<long> GdiCanvas::live_{0};

GdiCanvas::~GdiCanvas() { restoreOriginals(); }

// Selects the new object; the surface's original is kept the first time,
// any object this canvas created before is deleted.
void GdiCanvas::replace(HGDIOBJ created, HGDIOBJ& original) {
    live_.fetch_add(1);
    HGDIOBJ previous = SelectObject(dc_, created);
    if (!original) {
        original = previous;
    } else {
        DeleteObject(previous);
        live_.fetch_sub(1);
    }
}

void GdiCanvas::selectPen(int width, std::uint32_t colour) {
    replace(CreatePen(PS_SOLID, width, colour), originalPen_);
}

void GdiCanvas::selectBrush(std::uint32_t colour) {
    replace(CreateSolidBrush(colour), originalBrush_);
}

void GdiCanvas::selectFont(int height, int weight, bool italic, bool underline, bool strikeOut) {
    replace(CreateFontA(height, 0, 0, 0, weight, italic, underline, strikeOut, 0, 0, 0, 0, 0,
                        nullptr),
            originalFont_);
}

void GdiCanvas::restoreOriginals() {
    for (HGDIOBJ* original : {&originalPen_, &originalBrush_, &originalFont_}) {
        if (!*original) continue;
        DeleteObject(SelectObject(dc_, *original));
        live_.fetch_sub(1);
        *original = nullptr;
    }
}

void GdiCanvas::rectangle(int l, int t, int r, int b) { Rectangle(dc_, l, t, r, b); }
void GdiCanvas::ellipse(int l, int t, int r, int b) { Ellipse(dc_, l, t, r, b); }
void GdiCanvas::arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    Arc(dc_, l, t, r, b, xs, ys, xe, ye);
}
void GdiCanvas::moveTo(int x, int y) { MoveToEx(dc_, x, y, nullptr); }
void GdiCanvas::lineTo(int x, int y) { LineTo(dc_, x, y); }
void GdiCanvas::setTextColour(std::uint32_t colour) { SetTextColor(dc_, colour); }

TextSize GdiCanvas::textExtent(const char* text) {
    SIZE size{};
    GetTextExtentPoint32A(dc_, text, static_cast<int>(std::strlen(text)), &size);
    return {size.cx, size.cy};
}

void GdiCanvas::textOut(int x, int y, const char* text) {
    TextOutA(dc_, x, y, text, static_cast<int>(std::strlen(text)));
}

}  // namespace orv
