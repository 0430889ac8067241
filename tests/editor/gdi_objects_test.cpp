// The editor's GDI and window objects over many paints and open/close
// cycles, counted in process (Windows build, under Wine): every pen, brush
// and font a paint creates is deleted by its end, and creating objects still
// succeeds afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include "window/gdi_canvas_win32.h"
#include "editor_host_win32.h"
#include "host/orv_vst.h"

namespace {

int childWindows(HWND parent) {
    int n = 0;
    for (HWND c = FindWindowExA(parent, nullptr, nullptr, nullptr); c; c = FindWindowExA(parent, c, nullptr, nullptr)) ++n;
    return n;
}

TEST(GdiObjects, NoneOutliveAPaintOrACycle) {
    HWND parent = vsthost::createParentWindow(600, 420);
    auto* effect = new orvVst(nullptr);
    AEffect* e = effect->getAeffect();
    for (int cycle = 0; cycle < 50; ++cycle) {
        ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, parent, 0.0f), 1);
        HWND window = static_cast<HWND>(effect->core().panel.editorWindow.load());
        ASSERT_NE(window, nullptr);
        for (int paint = 0; paint < 20; ++paint) {
            e->setParameter(e, paint % 26, 0.05f * static_cast<float>(paint));
            if (paint % 5 == 0) effect->core().panel.changeCounter.store(1);  // full repaints too
            InvalidateRect(window, nullptr, FALSE);
            UpdateWindow(window);
            ASSERT_EQ(orv::GdiCanvas::liveObjects(), 0) << "cycle " << cycle << ", paint " << paint;
        }
        e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
        ASSERT_EQ(childWindows(parent), 0);
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    HPEN pen = CreatePen(PS_SOLID, 3, 0x123456);
    HBRUSH brush = CreateSolidBrush(0x654321);
    HFONT font = CreateFontA(16, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    EXPECT_NE(pen, nullptr);
    EXPECT_NE(brush, nullptr);
    EXPECT_NE(font, nullptr);
    DeleteObject(pen);
    DeleteObject(brush);
    DeleteObject(font);
}

}  // namespace
