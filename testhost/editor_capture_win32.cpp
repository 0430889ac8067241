#include <windows.h>

#include "editor_capture.h"
#include "editor_host_win32.h"
#include "plugin_library.h"

namespace vsthost {
namespace {
constexpr int kPaintMs = 300;
constexpr int kFrame = 64;
}  // namespace

std::vector<std::uint32_t> captureEditor(AEffect* effect, int editorWidth, int editorHeight, int& width,
                                         int& height) {
    HWND parent = createParentWindow(editorWidth + kFrame, editorHeight + kFrame);
    dispatch(effect, effEditOpen, 0, 0, parent);
    pumpMessages(kPaintMs);
    HWND editor = GetWindow(parent, GW_CHILD);
    auto pixels = captureWindow(editor ? editor : parent, width, height);
    dispatch(effect, effEditClose);
    return pixels;
}

}  // namespace vsthost
