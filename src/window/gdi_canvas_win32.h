// The Canvas on a GDI device context: one GDI call per operation. It counts
// the pens, brushes and fonts it creates and deletes, so tests can show
// that painting leaks none.
#pragma once

#include <windows.h>

#include <atomic>

#include "editor/canvas.h"

namespace orv {

class GdiCanvas final : public Canvas {
public:
    explicit GdiCanvas(HDC dc) : dc_(dc) {}
    ~GdiCanvas() override;

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

    // GDI objects created and not yet deleted, over all canvases of the process.
    static long liveObjects() { return live_.load(); }

private:
    void replace(HGDIOBJ created, HGDIOBJ& original);

    HDC dc_;
    HGDIOBJ originalPen_ = nullptr;
    HGDIOBJ originalBrush_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    static std::atomic<long> live_;
};

}  // namespace orv
