#include "editor_capture.h"
#include "editor_host_x11.h"
#include "plugin_library.h"

namespace vsthost {
namespace {
constexpr int kPaintMs = 300;
constexpr int kFrame = 64;
}  // namespace

std::vector<std::uint32_t> captureEditor(AEffect* effect, int editorWidth, int editorHeight, int& width,
                                         int& height) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return {};
    const Window parent = createParentWindow(display, editorWidth + kFrame, editorHeight + kFrame);
    std::vector<std::uint32_t> pixels;
    if (dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent)))) {
        idleFor(effect, kPaintMs);
        pixels = captureWindow(display, firstChild(display, parent), width, height);
        dispatch(effect, effEditClose);
    }
    XDestroyWindow(display, parent);
    XCloseDisplay(display);
    return pixels;
}

}  // namespace vsthost
