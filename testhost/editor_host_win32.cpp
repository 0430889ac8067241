#include "editor_host_win32.h"

namespace vsthost {

HWND createParentWindow(int width, int height) {
    static const char* kClass = "orvhostParent";
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
        registered = true;
    }
    HWND window = CreateWindowExA(0, kClass, "orvhost", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
    UpdateWindow(window);
    return window;
}

void pumpMessages(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::vector<std::uint32_t> captureWindow(HWND window, int& width, int& height) {
    RECT client{};
    GetClientRect(window, &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
    std::vector<std::uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    HDC windowDC = GetDC(window);
    HDC memory = CreateCompatibleDC(windowDC);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
    GdiFlush();
    pixels.resize(static_cast<std::size_t>(width) * height);
    const auto* bgra = static_cast<const std::uint32_t*>(bits);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t p = bgra[i];  // 0xAARRGGBB in memory order B, G, R, A
        pixels[i] = ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, windowDC);
    return pixels;
}

}  // namespace vsthost
