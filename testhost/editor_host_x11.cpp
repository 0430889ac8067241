#include "editor_host_x11.h"

#include <X11/Xutil.h>

#include <chrono>
#include <thread>

#include "plugin_library.h"

namespace vsthost {

Window createParentWindow(Display* display, int width, int height) {
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, BlackPixel(display, screen),
                                        BlackPixel(display, screen));
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

Window firstChild(Display* display, Window parent) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window child = 0;
    if (XQueryTree(display, parent, &root, &up, &children, &count) && count > 0) child = children[0];
    if (children) XFree(children);
    return child;
}

void idleFor(AEffect* effect, int ms, int idleMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        dispatch(effect, effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    }
}

std::vector<std::uint32_t> captureWindow(Display* display, Window window, int& width, int& height) {
    XWindowAttributes attributes{};
    std::vector<std::uint32_t> pixels;
    if (!window || !XGetWindowAttributes(display, window, &attributes)) return pixels;
    width = attributes.width;
    height = attributes.height;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return pixels;
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);  // 0xRRGGBB on a true-colour visual
            pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint32_t>(((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
        }
    XDestroyImage(image);
    return pixels;
}

}  // namespace vsthost
